#!/usr/bin/env python3
"""Checks the library graph: every source file includes only from its own
library and the libraries below it, and every CMake library links only
libraries below it. Prints each breach; exits 1 when there is one.

  check_layers.py SOURCE_ROOT
"""
import os
import re
import sys
import tempfile

# Library -> (folders, libraries directly below it). Bottom up.
LIBRARIES = {
    "platform": (["platform"], []),
    "base": (["src/log", "src/FuntionImpl", "src/services", "src/http"], ["platform"]),
    "toolkit": (["toolkit"], ["base"]),
    "weblog": (["weblog"], ["base"]),
    "config": (["src/CConfigure"], ["toolkit", "base"]),
    "engine": (["src/engine"], ["base"]),
    "telemetry": (["src/telemetry"], ["weblog", "base"]),
    "language": (["src/language"], ["toolkit", "base"]),
    "ui": (["src/ui"], ["config", "language", "toolkit", "base"]),
    "flow": (["src/flow"], ["ui", "language", "engine", "config", "base"]),
    "app": (["src/Common"], ["flow", "ui", "language", "telemetry", "engine", "config", "toolkit", "base"]),
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
LINK = re.compile(r"target_link_libraries\(\s*lumevia_(\w+)\s+(?:PUBLIC|PRIVATE|INTERFACE)?([^)]*)\)", re.S)
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc")


def below(lib):
    """Every library lib may use, itself excluded."""
    seen, todo = set(), list(LIBRARIES[lib][1])
    while todo:
        d = todo.pop()
        if d not in seen:
            seen.add(d)
            todo.extend(LIBRARIES[d][1])
    return seen


def library_of_include(path):
    """The library an include such as "engine/CDownloader.h" belongs to."""
    first = path.split("/", 1)[0]
    for lib, (folders, _) in LIBRARIES.items():
        for folder in folders:
            if folder.rsplit("/", 1)[-1] == first:
                return lib
    return None  # a third-party or same-folder header


def check(root):
    breaches = []
    for lib in LIBRARIES:
        if lib in below(lib):
            breaches.append("library %s depends on itself" % lib)
    for lib, (folders, _) in LIBRARIES.items():
        allowed = below(lib) | {lib}
        for folder in folders:
            base = os.path.join(root, folder)
            if not os.path.isdir(base):
                continue
            if not os.path.isfile(os.path.join(base, "CMakeLists.txt")):
                breaches.append("%s has no CMakeLists.txt" % folder)
            for dirpath, _dirs, files in os.walk(base):
                for name in files:
                    full = os.path.join(dirpath, name)
                    rel = os.path.relpath(full, root)
                    if name == "CMakeLists.txt":
                        text = open(full, encoding="utf-8").read()
                        for m in LINK.finditer(text):
                            owner = m.group(1)
                            for dep in re.findall(r"lumevia_(\w+)", m.group(2)):
                                if owner in LIBRARIES and dep in LIBRARIES and dep not in below(owner):
                                    breaches.append("%s: lumevia_%s links lumevia_%s" % (rel, owner, dep))
                        continue
                    if not name.endswith(SOURCE_EXT):
                        continue
                    text = open(full, encoding="utf-8", errors="replace").read()
                    for inc in INCLUDE.findall(text):
                        target = library_of_include(inc)
                        if target and target not in allowed:
                            breaches.append('%s (%s) includes "%s" (%s)' % (rel, lib, inc, target))
    return breaches


def self_test():
    """The check must catch a breach in a tree made for it."""
    with tempfile.TemporaryDirectory() as tmp:
        for folder in ("toolkit", "src/engine", "src/telemetry"):
            os.makedirs(os.path.join(tmp, folder))
            open(os.path.join(tmp, folder, "CMakeLists.txt"), "w").close()
        with open(os.path.join(tmp, "toolkit", "A.cpp"), "w") as f:
            f.write('#include "toolkit/A.h"\n#include "engine/CDownloader.h"\n')
        with open(os.path.join(tmp, "src/engine", "B.cpp"), "w") as f:
            f.write('#include "log/Log.h"\n#include <vector>\n')
        with open(os.path.join(tmp, "src/telemetry", "CMakeLists.txt"), "w") as f:
            f.write("target_link_libraries(lumevia_telemetry PUBLIC lumevia_weblog lumevia_engine)\n")
        found = check(tmp)
        expected = ['toolkit/A.cpp (toolkit) includes "engine/CDownloader.h" (engine)',
                    "src/telemetry/CMakeLists.txt: lumevia_telemetry links lumevia_engine"]
        if sorted(found) != sorted(expected):
            print("layer check self-test failed:", found)
            return False
    return True


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    if not self_test():
        return 1
    breaches = check(sys.argv[1])
    for b in breaches:
        print("layering:", b)
    print("layering: %d breach(es)" % len(breaches))
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
