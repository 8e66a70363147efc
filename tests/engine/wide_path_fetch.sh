#!/usr/bin/env bash
# Downloads with lumevia-fetch into a folder whose name the system code page
# cannot spell (Cyrillic and CJK letters while the ANSI code page is 1252)
# and checks the digest, and the task file beside the package.
#   wide_path_fetch.sh path/to/lumevia-fetch[.exe]
source "$(dirname "$0")/fetch_test_lib.sh" "$@"

size=$((3 * 1048576 + 4321))
serve wide.bin "$size"
folder="$work/Загрузка_下载"
mkdir -p "$folder"
# Wine takes the ANSI code page from LC_ALL: C.UTF-8 gives 1252 (as en_US
# does), which has neither Cyrillic nor CJK letters, and keeps the file names
# on the Linux side in UTF-8 (a locale that is not installed would turn them
# into question marks before the program sees them).
fetch_into "$folder/pkg.exe" LC_ALL=C.UTF-8

status=0
"${run[@]}" "$base/pkg/wide.bin" "$out" >"$work/out" 2>"$work/err" || status=$?
line="$(tail -1 "$work/out" | tr -d '\r')"  # a Windows program ends lines with CR LF
echo "fetch into $folder: $line (exit $status)"
fail() { echo "FAIL: $*" >&2; tail -5 "$work/err" >&2; exit 1; }
[[ $line == "result=1 bytes=$size md5=$want" ]] || fail "expected result=1 bytes=$size md5=$want"
[[ -f $folder/pkg.exe && "$(md5sum <"$folder/pkg.exe" | cut -d' ' -f1)" == "$want" ]] ||
  fail "the package is not in the folder"
[[ -s $folder/pkg.exe.xml ]] || fail "no task file beside the package"
grep -q "<ContentLength>$size</ContentLength>" "$folder/pkg.exe.xml" || fail "task file of another download"
grep -q "Загрузка_下载" "$folder/pkg.exe.xml" || fail "the task file does not name the folder"
echo PASS
