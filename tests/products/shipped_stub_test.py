"""What the shipped stub carries, read from its bytes:

    python3 shipped_stub_test.py --shipped LumeviaSetup.exe --hooked stubs/product/LumeviaSetup.exe
                                 --objdump x86_64-w64-mingw32-objdump [STUB...]

- none of the test hooks (environment names, the run options' Endpoints
  section) is in the shipped stub, in narrow or wide text; all of them are in
  the same product's stub with test hooks;
- the load-time import table of each stub names
  only DLLs that Windows always maps from System32 (KnownDLLs of Windows 7
  and later); every other system DLL must be delay-loaded or loaded at run
  time, or a DLL of that name beside the stub would be loaded before it runs.
"""

import argparse
import re
import subprocess
import sys
import unittest

HOOK_WORDS = ("LUMEVIA_TEST_CLOCK_RATE", "LUMEVIA_TEST_CA_FILE", "Endpoints", "ServiceBase")
KNOWN_DLLS = {
    "advapi32", "clbcatq", "comdlg32", "gdi32", "imagehlp", "imm32", "kernel32", "msctf", "msvcrt", "normaliz",
    "nsi", "ole32", "oleaut32", "psapi", "rpcrt4", "sechost", "setupapi", "shell32", "shlwapi", "user32",
    "wldap32", "ws2_32",
}
ARGS = None


def carries(data, word):
    return word.encode("ascii") in data or word.encode("utf-16-le") in data


def load_time_imports(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    return [name.lower() for name in re.findall(r"^\s*DLL Name: (\S+)\.dll\s*$", out, re.M | re.I)]


class ShippedStub(unittest.TestCase):
    def test_no_test_hook_in_the_shipped_stub(self):
        shipped = open(ARGS.shipped, "rb").read()
        hooked = open(ARGS.hooked, "rb").read()
        for word in HOOK_WORDS:
            with self.subTest(word=word):
                self.assertFalse(carries(shipped, word), "the shipped stub carries %s" % word)
                self.assertTrue(carries(hooked, word), "the stub with test hooks lacks %s" % word)

    def test_load_time_imports_are_known_dlls(self):
        for exe in [ARGS.shipped, ARGS.hooked] + ARGS.stubs:
            with self.subTest(exe=exe):
                imports = load_time_imports(ARGS.objdump, exe)
                self.assertIn("kernel32", imports)  # the table was read
                self.assertEqual(sorted(set(imports) - KNOWN_DLLS), [], "imported at load time")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--shipped", required=True)
    parser.add_argument("--hooked", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("stubs", nargs="*")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
