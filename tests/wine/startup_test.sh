#!/usr/bin/env bash
# Start-up guards and shut-down order of LumeviaSetup.exe under Wine, with real
# windows on a virtual display and real named mutexes.
#   startup_test.sh path/to/LumeviaSetup.exe path/to/wintool.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
exe=$1
tool=$2
run="$here/../../scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}" WINEDEBUG=-all
work=$(mktemp -d)
pids=()
cleanup() {
  "$run" "$tool" close ZQ_UI_Frame_642 >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$exe" "$work/LumeviaSetup.exe"
app="$work/LumeviaSetup.exe"
logdir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name Temp | head -1)
[[ -n $logdir ]] || fail "no temporary folder in the Wine prefix"
logs() { find "$logdir/Lumevia_Setup" -name 'Lumevia_Setup_*.log' 2>/dev/null | sort; }
rm -rf "$logdir/Lumevia_Setup"

tool() { "$run" "$tool" "$@"; }
start() { "$run" "$app" >"$work/out.$RANDOM" 2>&1 & pids+=($!); last=$!; }
# A window closed by WM_CLOSE: the process must end by itself with code 0.
close_and_check() {  # close_and_check PID
  tool close ZQ_UI_Frame_642 >/dev/null || fail "no window to close"
  local rc=0
  timeout -k 5 30 tail --pid="$1" -f /dev/null || fail "process did not end after WM_CLOSE"
  wait "$1" || rc=$?
  [[ $rc -eq 0 ]] || fail "exit code $rc after WM_CLOSE"
}

echo "case: a second copy switches to the first one's window and leaves"
start; first=$last
tool wait ZQ_UI_Frame_642 20000 || fail "first copy shows no window of class ZQ_UI_Frame_642"
# The window is visible to others while it is still being created: wait until
# its creation (which writes the log) is over.
for _ in $(seq 100); do logs | xargs -r grep -l 'Request For Product Config' | grep -q . && break; sleep 0.1; done
before=$(logs | wc -l)
timeout -k 5 30 "$run" "$app" >"$work/second.out" 2>&1 || fail "second copy did not exit 0"
[[ $(tool count ZQ_UI_Frame_642 | tr -d '\r') == 1 ]] || fail "second copy left a window"
[[ $(logs | wc -l) -eq $before ]] || fail "second copy went past the window guard (it wrote a log)"
kill -0 "$first" || fail "first copy ended"

echo "case: WM_CLOSE runs the shut-down in order and exits 0"
log=$(logs | tail -1)
close_and_check "$first"
order=$(tr -d '\r' <"$log" | grep -o -E ' Wait exit [123]$' | tr -d '\n')
[[ $order == " Wait exit 1 Wait exit 2 Wait exit 3" ]] || fail "shut-down order: '$order' in $(cat "$log")"
grep -q ' Request For Product Config -- \[Downloader Id\]: 642 \[Site Id\]: 525 \[Language Id\]: 1033' "$log" \
  || fail "configuration labels not read"

echo "case: the mutex held without a window: log and leave"
tool hold-mutex KVR_Downloader_642 8000 >"$work/holder.out" & pids+=($!); holder=$!
for _ in $(seq 100); do grep -q held "$work/holder.out" 2>/dev/null && break; sleep 0.1; done
rm -rf "$logdir/Lumevia_Setup"
timeout -k 5 60 "$run" "$app" >/dev/null 2>&1 || fail "copy behind a held mutex did not exit 0"
tr -d '\r' <"$(logs | tail -1)" | grep -q ' Already exist instance, id is: 642$' || fail "no 'Already exist instance' line"
! tool find ZQ_UI_Frame_642 || fail "a window stayed behind"
wait "$holder"  # the holder lets go by itself

echo "case: AutoRun = 1 lets two copies run side by side"
printf '[Settings]\r\nAutoRun=1\r\n' >"$work/zq_downloader.cfg"
start; a=$last
tool wait ZQ_UI_Frame_642 20000 || fail "first AutoRun copy shows no window"
start; b=$last
for _ in $(seq 200); do [[ $(tool count ZQ_UI_Frame_642 | tr -d '\r') == 2 ]] && break; sleep 0.1; done
[[ $(tool count ZQ_UI_Frame_642 | tr -d '\r') == 2 ]] || fail "second AutoRun copy did not run beside the first"
tool close ZQ_UI_Frame_642
for p in "$a" "$b"; do
  timeout -k 5 30 tail --pid="$p" -f /dev/null || fail "AutoRun copy did not end"
  rc=0; wait "$p" || rc=$?
  [[ $rc -eq 0 ]] || fail "AutoRun copy exit code $rc"
done
rm "$work/zq_downloader.cfg"

echo "case: the debug word prints through a console and still exits 0"
timeout -k 5 60 "$run" "$app" debug >/dev/null 2>&1 & pids+=($!); d=$!
tool wait ZQ_UI_Frame_642 20000 || fail "debug copy shows no window"
close_and_check "$d"
echo "startup under wine: all cases passed"
