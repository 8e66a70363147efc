#!/usr/bin/env bash
# Under Wine: the signed variants of the test package as a signature check
# sees them; the package started with the stub's command line installs the
# product (folder, files, uninstall key, log); the installed program opens
# the product's window.
#   package_wine.sh build/windows/package path/to/package_launch.exe path/to/wintool.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
pkg=$1 launch=$2 wintool=$3
run="$here/../../scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}" WINEDEBUG=-all LC_ALL=C.UTF-8
unset LUMEVIA_DEMO_SETUP LUMEVIA_DEMO_PRODUCT_SECONDS
work=$(mktemp -d)
user=$(id -un)
# Wine reuses process ids and the prefix outlives the test: start from nothing.
base_unix="$WINEPREFIX/drive_c/users/$user/LumeviaPackageTest"
base_win="C:\\users\\$user\\LumeviaPackageTest"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumevia_is1'
rm -rf "$base_unix"
"$run" reg delete "$key" /f >/dev/null 2>&1 || true
pids=()
tool() { "$run" "$wintool" "$@" | tr -d '\r'; }
cleanup() {
  tool close LumeviaDemoProduct >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work" "$base_unix"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# start APP LINE: the exit code of APP started with exactly LINE
start() { { timeout -k 5 60 "$run" "$launch" "$(winpath "$1")" "$2" || true; } | tr -d '\r' | sed -n 's/^exit=//p'; }

echo "case: the signed variants"
verify() { osslsigncode verify -CAfile "$pkg/roots.pem" -in "$pkg/$1" >"$work/verify.txt" 2>&1; }
verify Lumevia_Setup.exe || fail "the signed package does not verify: $(tail -3 "$work/verify.txt")"
grep -q 'Subject: /CN=Lumevia Test Publisher' "$work/verify.txt" || fail "the signer is not Lumevia Test Publisher"
grep -q 'Subject: /CN=Lumevia Test Root' "$work/verify.txt" || fail "the chain does not end at the test root"
verify Lumevia_Setup_appended.exe || fail "the appended copy lost its signature"
! verify Lumevia_Setup_tampered.exe || fail "the tampered copy verifies"
! verify Lumevia_Setup_unsigned.exe || fail "the unsigned copy verifies"
! verify Lumevia_Setup_other.exe || fail "the other publisher's copy verifies against the test root"
grep -q 'Subject: /CN=Other Test Publisher' "$work/verify.txt" || fail "the other copy is not signed by Other Test Publisher"
python3 - "$pkg" <<'PY' || fail "package.json does not match the files"
import hashlib, json, os, sys
pkg = sys.argv[1]
listed = json.load(open(os.path.join(pkg, "package.json")))["files"]
names = sorted(f["name"] for f in listed)
assert names == sorted(["Lumevia_Setup.exe", "Lumevia_Setup_unsigned.exe", "Lumevia_Setup_tampered.exe",
                        "Lumevia_Setup_appended.exe", "Lumevia_Setup_trailing.exe",
                        "Lumevia_Setup_other.exe"]), names
for f in listed:
    data = open(os.path.join(pkg, f["name"]), "rb").read()
    assert f["size"] == len(data) and f["md5"] == hashlib.md5(data).hexdigest(), f
    # A payload stands for the product's files (the download wants at least 1 MiB).
    assert 1 << 20 < len(data) < 2 << 20, f"{f['name']} is {len(data)} bytes"
PY

echo "case: the stub's command line installs the product"
cp "$pkg/Lumevia_Setup.exe" "$work/Lumevia_Setup.exe"
folder_unix="$base_unix/Programme ä/Lumevia"
folder_win="$base_win\\Programme ä\\Lumevia"
log_win=$(winpath "$work/Lumevia_Setup_20240102030405.log")
line=" /VERYSILENT /SP- /NORESTART /DIR=\"$folder_win\\\" /LANG=de /LOG=\"$log_win\" /sptrack null"
code=$(LUMEVIA_DEMO_SETUP_TRACE=$(winpath "$work/trace.txt") start "$work/Lumevia_Setup.exe" "$line")
[[ $code == 0 ]] || fail "install exit code '$code'"
grep -qxF "raw=$line" "$work/trace.txt" || fail "the package saw another line: $(head -1 "$work/trace.txt")"
grep -qxF "dir=$folder_win\\" "$work/trace.txt" || fail "folder read as $(grep ^dir= "$work/trace.txt")"
grep -qx "lang=de" "$work/trace.txt" || fail "/LANG swallowed: $(grep ^lang= "$work/trace.txt")"
grep -qx "sptrack=null" "$work/trace.txt" || fail "tracking value lost"
cmp -s "$work/Lumevia_Setup.exe" "$folder_unix/Velscape.exe" || fail "Velscape.exe is not a copy of the package"
ini=$(tr -d '\r' <"$folder_unix/installed.ini")
for want in "Language=de" "Folder=$folder_win\\" "Tracking=null"; do
  grep -qxF "$want" <<<"$ini" || fail "installed.ini lacks '$want': $ini"
done
tr -d '\r' <"$work/Lumevia_Setup_20240102030405.log" >"$work/setup.log" || fail "no installer log"
for want in "Language: de" "Installed file: $folder_win\\Velscape.exe" "Installation process succeeded."; do
  grep -qF "$want" "$work/setup.log" || fail "the log lacks '$want'"
done
"$run" reg query "$key" | tr -d '\r' >"$work/reg.txt" || fail "no uninstall key $key"
value() { sed -n "s/^ *$1 *REG_SZ *//p" "$work/reg.txt"; }
[[ $(value "Inno Setup: Language") == de ]] || fail "Inno Setup: Language is '$(value "Inno Setup: Language")'"
[[ $(value "DisplayName") == Lumevia ]] || fail "DisplayName is '$(value DisplayName)'"
[[ $(value "DisplayVersion") == 1.0.0.0 ]] || fail "DisplayVersion is '$(value DisplayVersion)'"
[[ $(value "Inno Setup: App Path") == *'\LumeviaPackageTest\Programme '?'\Lumevia' ]] ||
  fail "App Path is '$(value "Inno Setup: App Path")'"
[[ $(value "InstallLocation") == *'\Lumevia\' ]] || fail "InstallLocation is '$(value InstallLocation)'"
[[ -n $(value "UninstallString") ]] || fail "no UninstallString"

echo "case: exit:3 and crash install nothing"
rm -rf "$base_unix"
code=$(LUMEVIA_DEMO_SETUP=exit:3 start "$work/Lumevia_Setup.exe" "$line")
[[ $code == 3 ]] || fail "exit:3 ended with '$code'"
code=$(LUMEVIA_DEMO_SETUP=crash start "$work/Lumevia_Setup.exe" "$line")
[[ $code == 3221225477 ]] || fail "crash ended with '$code', expected 0xC0000005"
[[ ! -e $folder_unix ]] || fail "a failed run created the folder"

echo "case: the installed program shows the product's window"
code=$(start "$work/Lumevia_Setup.exe" "$line")
[[ $code == 0 ]] || fail "second install exit code '$code'"
"$run" "$folder_unix/Velscape.exe" >"$work/product.out" 2>&1 & pids+=($!); p=$!
tool wait LumeviaDemoProduct 20000 || fail "no window of class LumeviaDemoProduct"
title=$(tool title LumeviaDemoProduct)
[[ $title == Velscape ]] || fail "title '$title', expected 'Velscape'"
n=0
for _ in $(seq 40); do
  n=$(tool colour LumeviaDemoProduct 202020 || echo -1)
  [[ $n -gt 50 ]] && break
  sleep 0.25
done
[[ $n -gt 50 ]] || fail "no text drawn on the window ($n pixels)"
tool close LumeviaDemoProduct >/dev/null
timeout -k 5 30 tail --pid="$p" -f /dev/null || fail "the product did not end after WM_CLOSE"
grep -q '^Started=' "$folder_unix/started.txt" || fail "started.txt not written"

echo "case: the product closes itself after its seconds"
LUMEVIA_DEMO_PRODUCT_SECONDS=2 "$run" "$folder_unix/Velscape.exe" >/dev/null 2>&1 & pids+=($!); p=$!
tool wait LumeviaDemoProduct 20000 || fail "no window with LUMEVIA_DEMO_PRODUCT_SECONDS"
timeout -k 5 20 tail --pid="$p" -f /dev/null || fail "the product did not close itself"
[[ $(grep -c '^Started=' "$folder_unix/started.txt") == 2 ]] || fail "the second start is not recorded"
echo "package under Wine: ok"
