#!/usr/bin/env bash
# The main window under Wine on a virtual display, driven by real mouse
# input (xdotool): it opens with its class name and size, "install_setting"
# opens the settings panel, "language_combox" switches the language, and
# "closebtn" asks before closing; the process then exits 0.
#   wine_ui_test.sh path/to/LumeviaSetup.exe path/to/wintool.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LUMEVIA_WINEPREFIX="${LUMEVIA_UI_WINEPREFIX:-/var/cache/lumevia/wineprefix-ui}"
if [[ -z ${LUMEVIA_UI_DISPLAY_SET:-} ]]; then
  export LUMEVIA_UI_DISPLAY_SET=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
exe=$1
tool=$2
run="$here/../../scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="$LUMEVIA_WINEPREFIX" WINEDEBUG=-all
# This prefix's wineserver may belong to another (gone) display: restart it.
wineserver -k 2>/dev/null || true
work=$(mktemp -d)
pid=
cleanup() {
  [[ -n $pid ]] && kill "$pid" 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$exe" "$work/LumeviaSetup.exe"
logdir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name Temp | head -1)
[[ -n $logdir ]] || fail "no temporary folder in the Wine prefix"
rm -rf "$logdir/Lumevia_Setup"
log() { find "$logdir/Lumevia_Setup" -name 'Lumevia_Setup_*.log' 2>/dev/null | sort | tail -1; }
# Waits (at most 20 s) until the log has a line matching the pattern.
wait_log() {
  for _ in $(seq 200); do
    [[ -n $(log) ]] && tr -d '\r' <"$(log)" | grep -q -E "$1" && return 0
    sleep 0.1
  done
  return 1
}
# The X window of a title (the first one), within 20 s.
xwin() { timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -1; }
size() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }
click() {  # click WINDOW X Y (window coordinates)
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.2
  xdotool click 1
  sleep 0.4
}

"$run" "$work/LumeviaSetup.exe" >"$work/out" 2>&1 &
pid=$!
"$run" "$tool" wait ZQ_UI_Frame_642 20000 || fail "no window of class ZQ_UI_Frame_642"
main=$(xwin Lumevia) || fail "the main window is not shown"
wait_log 'Set language: ' || fail "no language applied"

echo "case: the start page is 650 x 371 (settings panel closed)"
[[ $(size "$main") == 650x371 ]] || fail "start size $(size "$main")"

echo "case: install_setting opens the settings panel"
click "$main" 535 344
[[ $(size "$main") == 650x571 ]] || fail "size after install_setting: $(size "$main")"

echo "case: language_combox offers the enabled languages and switches to the one chosen"
click "$main" 312 401
click "$main" 312 462
wait_log 'Set language: ja$' || fail "choosing the second item did not switch to Japanese"

echo "case: install_setting closes the panel again"
click "$main" 535 344
[[ $(size "$main") == 650x371 ]] || fail "size after closing the panel: $(size "$main")"

echo "case: closebtn asks first; the box's second button closes and the process exits 0"
click "$main" 620 30
box=$(xwin MSGUIDemo) || fail "closebtn showed no message box"
[[ $(size "$box") == 448x184 ]] || fail "message box size $(size "$box")"
click "$box" 253 150
rc=0
timeout 30 tail --pid="$pid" -f /dev/null || fail "the process did not end"
wait "$pid" || rc=$?
pid=
[[ $rc -eq 0 ]] || fail "exit code $rc"
tr -d '\r' <"$(log)" | grep -q 'ShowMsgBox: 2$' || fail "no quit question was shown"
tr -d '\r' <"$(log)" | grep -q 'Event: CrashRate Close close01$' || fail "close reason close01 not reported"
echo "PASS"
