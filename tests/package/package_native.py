#!/usr/bin/env python3
"""The demo installer natively: the whole Windows-style command line as one
argument, the way the platform's process start hands it over; the POSIX
stand-in's registry under a temporary LUMEVIA_POSIX_ROOT.

  package_native.py path/to/lumevia-demo-setup
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

UNINSTALL = "software/microsoft/windows/currentversion/uninstall/lumevia_is1"
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def reg_value(root, name):
    path = os.path.join(root, "registry", "HKLM", UNINSTALL, name.lower() + ".sz")
    return read(path) if os.path.exists(path) else None


def main(exe):
    work = tempfile.mkdtemp(prefix="lumevia-package-")
    root = os.path.join(work, "posix")
    env = dict(os.environ, LUMEVIA_POSIX_ROOT=root, LUMEVIA_DEMO_SETUP_TRACE=os.path.join(work, "trace.txt"))
    env.pop("LUMEVIA_DEMO_SETUP", None)

    def setup(line, behaviour=None, timeout=30, **extra):
        e = dict(env, **extra)
        if behaviour:
            e["LUMEVIA_DEMO_SETUP"] = behaviour
        return subprocess.run([exe, line], env=e, timeout=timeout, capture_output=True)

    print("case: the stub's command line installs the product")
    folder = os.path.join(work, "Zielordner \u00e4\u00f6 \u4e2d\u6587", "Lumevia") + "/"
    log = os.path.join(work, "logs dir", "setup.log")
    os.makedirs(os.path.dirname(log))
    line = (f' /VERYSILENT /SP- /NORESTART /DIR="{folder}" /LANG=de /LOG="{log}" /sptrack "name_x.exe"')
    r = setup(line)
    check(r.returncode == 0, f"install exit code {r.returncode}")
    app = folder.rstrip("/")
    product = os.path.join(app, "Velscape.exe")
    check(os.path.isfile(product), "Velscape.exe not in the folder")
    if os.path.isfile(product):
        with open(product, "rb") as a, open(exe, "rb") as b:
            check(a.read() == b.read(), "Velscape.exe is not a copy of the installer")
        check(os.access(product, os.X_OK), "Velscape.exe is not runnable")
    ini = read(os.path.join(app, "installed.ini")) if os.path.exists(os.path.join(app, "installed.ini")) else ""
    for want in ("[Install]", "Language=de", f"Folder={folder}", "Tracking=name_x.exe"):
        check(want in ini.splitlines(), f"installed.ini lacks {want!r}: {ini!r}")
    expected = {
        "Inno Setup: Language": "de",
        "Inno Setup: App Path": app,
        "InstallLocation": app + "/",
        "DisplayName": "Lumevia",
        "DisplayVersion": "1.0.0.0",
        "UninstallString": f'"{app}/unins000.exe"',
    }
    for name, want in expected.items():
        got = reg_value(root, name)
        check(got == want, f"uninstall value {name!r} is {got!r}, expected {want!r}")
    text = read(log) if os.path.exists(log) else ""
    for want in ("Installation folder: " + app, "Language: de", "Installed file: " + product,
                 "Installation process succeeded."):
        check(want in text, f"log lacks {want!r}")
    trace = read(env["LUMEVIA_DEMO_SETUP_TRACE"])
    for want in ("raw=" + line, "dir=" + folder, "lang=de", "log=" + log, "sptrack=name_x.exe"):
        check(want in trace.splitlines(), f"trace lacks {want!r}")

    print("case: the installed program is the product")
    if os.path.isfile(product):
        r = subprocess.run([product, "--from-test"], env=env, timeout=30)
        check(r.returncode == 0, f"product exit code {r.returncode}")
        started = os.path.join(app, "started.txt")
        check(os.path.exists(started) and "CommandLine=--from-test" in read(started).splitlines(),
              "started.txt lacks the command line")
        t = time.monotonic()
        subprocess.run([product], env=dict(env, LUMEVIA_DEMO_PRODUCT_SECONDS="1"), timeout=30)
        check(time.monotonic() - t >= 0.9, "the product did not stay its seconds")
        check(read(started).count("Started=") == 2, "a second start is not recorded")

    print("case: no folder, language or tracking given")
    os.remove(env["LUMEVIA_DEMO_SETUP_TRACE"])
    r = setup("/VERYSILENT")
    check(r.returncode == 0, f"exit code {r.returncode}")
    default = os.path.join(root, "Program Files", "Lumevia")
    check(os.path.isfile(os.path.join(default, "Velscape.exe")), "nothing in the default folder")
    ini = read(os.path.join(default, "installed.ini")) if os.path.isdir(default) else ""
    check("Language=en" in ini and "Tracking=null" in ini, f"defaults not written: {ini!r}")

    print("case: exit:3 installs nothing and ends with 3")
    other = os.path.join(work, "exit3")
    r = setup(f'/VERYSILENT /DIR="{other}/" /LANG=fr', "exit:3")
    check(r.returncode == 3, f"exit code {r.returncode}, expected 3")
    check(not os.path.exists(other), "exit:3 created the folder")
    check(f'raw=/VERYSILENT /DIR="{other}/" /LANG=fr' in read(env["LUMEVIA_DEMO_SETUP_TRACE"]),
          "exit:3 did not trace its line")

    print("case: crash ends with an access violation before installing")
    other = os.path.join(work, "crash")
    r = setup(f'/VERYSILENT /DIR="{other}/"', "crash")
    check(r.returncode == -signal.SIGSEGV, f"crash ended with {r.returncode}")
    check(not os.path.exists(other), "crash created the folder")

    print("case: long:2 takes its time whatever the test clock rate")
    other = os.path.join(work, "long")
    t = time.monotonic()
    r = setup(f'/VERYSILENT /DIR="{other}/"', "long:2", LUMEVIA_TEST_CLOCK_RATE="1000")
    check(time.monotonic() - t >= 1.9, "long:2 ended early")
    check(r.returncode == 0 and os.path.isfile(os.path.join(other, "Velscape.exe")), "long:2 did not install")

    print("case: hang never ends")
    p = subprocess.Popen([exe, "/VERYSILENT"], env=dict(env, LUMEVIA_DEMO_SETUP="hang"))
    time.sleep(1.5)
    check(p.poll() is None, "hang ended")
    p.kill()
    p.wait()

    if failures:
        print(f"{len(failures)} failure(s); work folder {work}", file=sys.stderr)
        return 1
    subprocess.run(["rm", "-rf", work])
    print("package native: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
