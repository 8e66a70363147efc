#!/usr/bin/env bash
# Start-up guards and shut-down order of the native build (headless windows,
# POSIX stand-ins for mutexes and the window list).
#   startup_test.sh stubs/product/lumevia-setup  (the shipped product with test hooks)
set -euo pipefail
exe=$1
source "$(dirname "$0")/common.sh"

app=$work/app
mkdir -p "$app/resources" "$work/tmp"
cp "$exe" "$app/lumevia-setup"
cp "$(dirname "$exe")/resources/ZIPRES_138" "$app/resources/"
export LUMEVIA_POSIX_ROOT=$work/root TMPDIR=$work/tmp
# Run options: every service at BASE, then EXTRA lines. By default a closed
# local port, so that no copy waits on the network.
options() { printf '[Endpoints]\r\nServiceBase=%s\r\n%s' "$1" "${2:-}" >"$app/zq_downloader.cfg"; }
no_services=http://127.0.0.1:9
options $no_services
class_dir=$LUMEVIA_POSIX_ROOT/windows/ZQ_UI_Frame_642
logs() { find "$work/tmp" -name '*.log' | sort; }

has_window() { [[ -n $(ls "$class_dir" 2>/dev/null) ]]; }
window_count() { ls "$class_dir" 2>/dev/null | wc -l; }

# The output of each copy is out.PID (exec keeps the subshell's id).
start() { ( exec "$app/lumevia-setup" "$@" >"$work/out.$BASHPID" 2>&1 ) & pids+=($!); last=$!; }
exited() { [[ $(ps -o stat= -p "$1" 2>/dev/null || echo Z) == Z* ]]; }
stop_and_check() {  # stop_and_check PID: WM_CLOSE (SIGTERM), then exit 0 within 60 s, no sanitizer report
  kill -TERM "$1"
  if ! wait_for 60 exited "$1"; then
    if command -v gdb >/dev/null; then
      gdb -p "$1" -batch -ex "thread apply all bt" 2>/dev/null | grep -E '^(Thread|#)' >&2
    fi
    fail "no exit within 60 s after close: $(tail -c 2000 "$work/out.$1")"
  fi
  local rc=0
  wait "$1" || rc=$?
  [[ $rc -eq 0 ]] || fail "exit code $rc after close: $(tail -c 2000 "$work/out.$1")"
  # A report cut short by the process's own end still leaves its first line.
  ! grep -q -E 'ERROR: [A-Za-z]+Sanitizer|runtime error:' "$work/out.$1" || fail "sanitizer report: $(cat "$work/out.$1")"
}

echo "case: a second copy switches to the first one's window and leaves"
start; first=$last
wait_for 10 has_window || fail "first copy shows no window"
creation_done() { logs | xargs -r grep -l 'Request For Product Config' | grep -q .; }
wait_for 10 creation_done || fail "first copy wrote no log"
before=$(logs | wc -l)
timeout -k 5 10 "$app/lumevia-setup" >"$work/second.out" 2>&1 || fail "second copy did not exit 0"
[[ $(cat "$work/second.out") == test ]] || fail "second copy wrote more than its first print: $(cat "$work/second.out")"
[[ $(logs | wc -l) -eq $before ]] || fail "second copy created a log"
[[ $(window_count) -eq 1 ]] || fail "second copy left a window"
kill -0 "$first" || fail "first copy ended"

echo "case: closing runs the shut-down in order and exits 0"
log=$(logs | head -1)
stop_and_check "$first"
grep -n -E ' Wait exit [123]$' "$log" | cut -d: -f1 | tr '\n' ' ' | grep -q -E '^[0-9]+ [0-9]+ [0-9]+ $' \
  || fail "shut-down lines missing: $(cat "$log")"
order=$(grep -o -E ' Wait exit [123]$' "$log" | tr -d '\n')
[[ $order == " Wait exit 1 Wait exit 2 Wait exit 3" ]] || fail "shut-down order: $order"
grep -q ' Request For Product Config -- \[Downloader Id\]: 642 \[Site Id\]: 525 \[Language Id\]: 1033' "$log" \
  || fail "configuration labels not read"
grep -q -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:,]+--\[Thread\]\([0-9]+\)  Wait exit 1$' "$log" || fail "line format"

echo "case: the mutex held without a window: log and leave"
mkdir -p "$LUMEVIA_POSIX_ROOT/mutex"
( exec 9>"$LUMEVIA_POSIX_ROOT/mutex/KVR_Downloader_642"; flock 9; exec sleep 30 ) & pids+=($!); holder=$!
sleep 0.3
rm -rf "$work/tmp"/*
timeout -k 5 10 "$app/lumevia-setup" >/dev/null 2>&1 || fail "copy behind a held mutex did not exit 0"
grep -q ' Already exist instance, id is: 642$' $(logs) || fail "no 'Already exist instance' line"
! grep -q ' Wait exit 1' $(logs) || fail "went on past the mutex guard"
kill "$holder"

echo "case: AutoRun = 1 lets two copies run side by side"
options $no_services $'[Settings]\r\nAutoRun=1\r\n'
start; a=$last
wait_for 10 has_window || fail "first AutoRun copy shows no window"
start; b=$last
two_windows() { [[ $(window_count) -eq 2 ]]; }
wait_for 10 two_windows || fail "second AutoRun copy did not run beside the first"
stop_and_check "$a"
stop_and_check "$b"
options $no_services

echo "case: a side-fetch still running when the process ends"
rm -rf "$work/tmp"/*
python3 "$(dirname "$0")/late_answer.py" "$work/port" "$work/tmp" & pids+=($!); server=$!
wait_for 10 test -s "$work/port" || fail "late-answer service did not start"
options "http://127.0.0.1:$(cat "$work/port")"
start; p=$last
wait_for 20 test -e "$work/port.held" || fail "the privacy question never came"
stop_and_check "$p"
grep -q ' Wait exit 3$' $(logs) || fail "shut-down did not finish"
kill "$server"
options $no_services

echo "case: a damaged or missing skin still starts and exits 0"
for kind in missing empty notzip; do
  case $kind in
    missing) rm -f "$app/resources/ZIPRES_138" ;;
    empty) : >"$app/resources/ZIPRES_138" ;;
    notzip) echo "not a zip" >"$app/resources/ZIPRES_138" ;;
  esac
  start; p=$last
  wait_for 10 bash -c "ls '$LUMEVIA_POSIX_ROOT/windows/ZQ_UI_Frame' 2>/dev/null | grep -q ." \
    || fail "no window with a $kind skin"
  stop_and_check "$p"
done
echo "case: a skin whose configuration is missing, not XML or without labels"
make_skin() {  # make_skin KIND: the built skin with configure/configure.xml changed
  python3 - "$(dirname "$exe")/resources/ZIPRES_138" "$app/resources/ZIPRES_138" "$1" <<'PYEOF'
import sys, zipfile
src, dst, kind = sys.argv[1:4]
with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w") as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if item.filename == "configure/configure.xml":
            if kind == "missing":
                continue
            data = {"notxml": b"\xef\xbb\xbf<<< not xml", "nolabels": b"\xef\xbb\xbf<Window><Container/></Window>",
                    "garbage": data.replace(b'text="642"', b'text="x6y"').replace(b'text="525"', b'text="-"')}[kind]
        zout.writestr(item, data)
PYEOF
}
for kind in missing notxml nolabels garbage; do
  make_skin "$kind"
  rm -rf "$LUMEVIA_POSIX_ROOT/windows"
  start; p=$last
  wait_for 10 bash -c "ls '$LUMEVIA_POSIX_ROOT/windows/'*/ 2>/dev/null | grep -q ." || fail "no window with a $kind configuration"
  stop_and_check "$p"
done
grep -q ' Request For Product Config -- \[Downloader Id\]: 0 \[Site Id\]: 0 ' $(logs | tail -1) \
  || fail "non-numeric labels must read as 0"
echo "startup: all cases passed"
