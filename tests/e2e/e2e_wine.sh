#!/usr/bin/env bash
# End to end under Wine on a virtual display: the stub against the fake
# services and the signed test package, and what the services received.
#   e2e_wine.sh stubs/direct/LumeviaSetup.exe stubs/forbidden/LumeviaSetup.exe PACKAGE_DIR wintool.exe \
#               stubs/toolkit/LumeviaSetup.exe [CASE...]
# Cases, each from a fresh state (no product, no partial download, no
# uninstall key, an empty record):
# - install: install and launch; the whole telemetry funnel in order;
# - resume:  the stub killed in the middle of a paced download and started
#            again resumes from its task file and installs; the package host
#            sent at most threads x 1 MiB twice;
# - retry:   package host down, failure view, retry once it is up;
# - refusal: a product forbidden in the country the IP service names;
# - fallback64: a 64-bit package address answering 404 gives way to the
#            skin's address (not served here) with "64PC32Link";
# - toolkit: a toolkit product with one sub-program (the signed package
#            again): both installed, both started, "9.StartWindowIsChToolKit".
# Telemetry is read from the record after the stub has ended: the queue
# drains before the process leaves.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
# On a virtual display, in a prefix of this test's own.
[[ -n ${LUMEVIA_E2E_DISPLAY_SET:-} ]] || LUMEVIA_E2E_DISPLAY_SET=1 \
  LUMEVIA_WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}-e2e" \
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
direct=$1 forbidden=$2 packages=$3 wintool=$4 toolkit=$5
cases=("${@:6}")
run="$top/scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="$LUMEVIA_WINEPREFIX" WINEDEBUG=-all LC_ALL=C.UTF-8
wineserver -k 2>/dev/null || true
work=$(mktemp -d)
server_pid="" stub_pid="" current=setup from_time="" to_time="" stub_name=LumeviaSetup.exe
windows=(MESSAGEBOX_UI_Frame ZQ_UI_Frame_642 LumeviaDemoProduct)
wintool() { "$run" "$wintool" "$@" | tr -d '\r'; }
close_all() { local c; for c in "${windows[@]}"; do wintool close "$c" >/dev/null 2>&1 || true; done; }
cleanup() {
  close_all
  [[ -n $stub_pid ]] && kill "$stub_pid" 2>/dev/null || true
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
log_of() { tr -d '\r' <"$work/$1.out"; }
fail() {
  echo "FAIL [$current]: $*" >&2
  [[ -f $work/$current.out ]] && log_of "$current" | grep -E 'Event: |ShowMsgBox|Download' | tail -40 >&2
  exit 1
}
selected() { [[ ${#cases[@]} -eq 0 ]] || [[ " ${cases[*]} " == *" $1 "* ]]; }

drive_c="$WINEPREFIX/drive_c"
product_dir="$drive_c/Program Files/Lumevia"
temp_dir=$(find "$drive_c/users" -maxdepth 4 -type d -name Temp | head -1)
[[ -n $temp_dir ]] || fail "no temporary folder in the Wine prefix"
download_dir="$temp_dir/Lumevia_Setup"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumevia_is1'
record="$work/record.jsonl"

mkdir -p "$work/root"
cp "$packages/Lumevia_Setup.exe" "$work/root/"
# shellcheck source=../fake_services/start.sh
. "$top/tests/fake_services/start.sh"
fake_services_start "$work" "$record" || fail "fake services did not start"
# The download information names the signed package ($package, a file of
# the served folder); more rules may follow.
package=Lumevia_Setup.exe
serve() {  # serve [RULE...]
  local extra=""
  for r in "$@"; do extra+=", $r"; done
  echo "[{\"path\": \"/queryDownloaderV2\", \"package\": \"$package\"}$extra]" >"$work/rules.json"
  sleep 0.3
}

begin() {  # begin CASE STUB [NAME]: a fresh prefix state and a copy of STUB, named NAME, in its own folder
  current=$1 from_time="" to_time="" stub_name=${3:-LumeviaSetup.exe}
  echo "case: $current"
  close_all
  wineserver -k 2>/dev/null || true
  rm -rf "$product_dir" "$download_dir" "$temp_dir"/Lumevia_Setup_*.log
  "$run" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
  : >"$record"
  mkdir -p "$work/$current"
  cp "$2" "$work/$current/$stub_name"
  printf '[Endpoints]\r\nServiceBase=%s\r\n' "$base" >"$work/$current/zq_downloader.cfg"
}
start() {  # start: runs the case's stub (again), its output appended
  "$run" "$work/$current/$stub_name" >>"$work/$current.out" 2>&1 &
  stub_pid=$!
}
wait_log() {  # wait_log SECONDS PATTERN
  local end=$((SECONDS + $1))
  until log_of "$current" | grep -q -E -- "$2"; do
    [[ $SECONDS -lt $end ]] || return 1
    sleep 0.25
  done
}
# The stub's end: its exit code is always 0.
ended() {
  timeout -k 5 90 tail --pid="$stub_pid" -f /dev/null || fail "the stub did not end"
  local rc=0
  wait "$stub_pid" || rc=$?
  stub_pid=""
  [[ $rc -eq 0 ]] || fail "exit code $rc"
}
click() {  # click X Y in the main window
  xdotool mousemove --window "$main" "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.4
}
# A click that counts only when the log shows its effect; a click on a view
# still being laid out is lost, so it is given three tries.
press() {  # press X Y PATTERN
  local before n
  before=$(log_of "$current" | grep -c -E -- "$3" || true)
  for _ in 1 2 3; do
    click "$1" "$2"
    for _ in $(seq 20); do
      n=$(log_of "$current" | grep -c -E -- "$3" || true)
      [[ $n -gt $before ]] && return 0
      sleep 0.25
    done
  done
  return 1
}
install() { press 325 254 'Event: Download 2.DownStart' || fail "the install button did nothing"; }
main_window() {
  wintool wait ZQ_UI_Frame_642 20000 >/dev/null || fail "no main window"
  # Wine names the X window after the title when the class is not carried over.
  main=$(timeout 20 xdotool search --sync --onlyvisible --classname ZQ_UI_Frame_642 2>/dev/null | head -1 \
    || timeout 20 xdotool search --sync --onlyvisible --name '^Lumevia$' | head -1) || fail "the main window is not shown"
  wait_log 20 'Set language: ' || fail "no language applied"
}
# The product started by the stub: its window, then closed; the stub ends.
product_started() {
  wait_log 120 'Event: Download 6.ProgramFinsh' || fail "the installation did not finish"
  wintool wait LumeviaDemoProduct 30000 >/dev/null || fail "the product did not start"
  ended
  [[ -f $product_dir/Velscape.exe ]] || fail "no Velscape.exe in $product_dir"
  wintool close LumeviaDemoProduct >/dev/null || true
}

# Telemetry in the record: GA4 hits (their query) and collector records
# (their JSON body), in order of arrival, against the expected events as an
# ordered subsequence of each kind. An expected event is
# "Category|Action|Label" for GA4 (no label: any label) or
# "funnel|Category|Action|Name" for a funnel record (Name: core_func_name).
# The queued events and the two waiting sends travel on different threads,
# so "~" before an event asks only that it arrived, anywhere; "!" that it
# did not. $from_time and $to_time (seconds since the epoch) leave out what
# arrived before or after them.
telemetry() {  # telemetry EXPECTED...
  python3 - "$record" "$current" "$from_time" "$to_time" "$@" <<'PY' || fail "telemetry"
import json, sys
from urllib.parse import unquote

record, case, expected = sys.argv[1], sys.argv[2], sys.argv[5:]
since, until = float(sys.argv[3] or 0), float(sys.argv[4] or "inf")

def ga4(query):
    fields = {}
    for part in query.split("&"):
        key, _, value = part.partition("=")
        fields[key] = unquote(value)
    return "|".join(fields.get("ep.zq_" + k, "?") for k in ("category", "action", "label"))

def funnel(body):
    a = json.loads(body).get("actions") or {}
    parts = ["funnel", a.get("event_category", ""), a.get("event_action", "")]
    if "core_func_name" in a:
        parts.append(a["core_func_name"])
    return "|".join(parts)

received = []
for line in open(record):
    r = json.loads(line)
    if r["method"] != "POST" or not since <= r["time"] < until:
        continue
    if r["path"] == "/g/collect":
        received.append(ga4(r["query"]))
    elif r["path"] in ("/collect", "/collector"):
        received.append(funnel(r["body_text"]))

def matches(want, got):
    w = want.split("|")
    return w == got.split("|")[:len(w)]

# GA4 hits and collector records leave from two queues: each kind keeps
# its own order.
missing, placed = [], set()
at = {True: 0, False: 0}
for want in expected:
    if want.startswith("!"):
        placed.update(i for i, g in enumerate(received) if matches(want[1:], g))
        if any(matches(want[1:], g) for g in received):
            missing.append(want + " (arrived)")
        continue
    anywhere = want.startswith("~")
    want = want.lstrip("~")
    kind = want.startswith("funnel|")
    hits = [i for i, g in enumerate(received)
            if g.startswith("funnel|") == kind and matches(want, g) and (anywhere or i >= at[kind])]
    if not hits:
        missing.append(want)
        continue
    placed.add(hits[0])
    if not anywhere:
        at[kind] = hits[0] + 1
if missing:
    print(f"[{case}] telemetry: {len(missing)} expected event(s) missing, out of order or unwanted:", file=sys.stderr)
    for m in missing:
        print(f"  - {m}", file=sys.stderr)
    print("received (matched marked '='):", file=sys.stderr)
    for i, g in enumerate(received):
        print(f"  {'=' if i in placed else ' '} {g}", file=sys.stderr)
    sys.exit(1)
print(f"  telemetry: {len(expected)} expected events among {len(received)} received, in order")
PY
}

# The numbered funnel steps of a successful first download and install.
funnel_first=("Download|1.Launch" "Download|2.DownStart" "Download|3.Downloading...|First"
              "Download|4.DownFinsh|First" "Download|Md5CheckStart" "Download|Md5CheckFinsh"
              "Download|5.ProgramInstall" "Download|6.ProgramFinsh|First")
launched=("~Download|7.ProgramLaunch" "~Download|9.StartWindow")
# The funnel's phases, each opened, its steps, closed.
phase() {  # phase NAME STEP...
  local s
  phases+=("funnel|Download|CoreFuncStart|$1")
  for s in "${@:2}"; do phases+=("funnel|Download|$s|$1"); done
  phases+=("funnel|Download|CoreFuncEnd|$1")
}
phases=("funnel|CorePublicModule|Start")
phase BeforeDownload Launch
phase Downloading DownStart DownFinsh
phase Md5Check Md5CheckStart Md5CheckFinsh
phase Installing ProgramInstall ProgramFinsh
phase Starting ProgramLaunch StartWindow

if selected install; then
  begin install "$direct"
  serve
  start
  main_window
  install
  product_started
  telemetry "CrashRate|Start" "${funnel_first[@]}" "${launched[@]}" "CrashRate|Close|close07" "${phases[@]}" \
    "funnel|CorePublicModule|Close|Starting" "!Other|FlowError" "!Download|8.DownFail"
  # Windows is 64-bit (the stub is): the 64-bit package is asked for.
  python3 - "$record" <<'PY' || fail "download information"
import json, sys
queries = [r["query"] for r in map(json.loads, open(sys.argv[1])) if r["path"] == "/queryDownloaderV2"]
if not queries or not all(q.endswith("&package_type=2") for q in queries):
    sys.exit(f"download information asked without &package_type=2: {queries}")
PY
fi

if selected fallback64; then
  begin fallback64 "$direct"
  cp "$packages/Lumevia_Setup.exe" "$work/root/Lumevia_Setup_64.exe"
  package=Lumevia_Setup_64.exe
  serve '{"path": "/pkg/Lumevia_Setup_64.exe", "status": 404}'
  package=Lumevia_Setup.exe
  start
  main_window
  install
  wait_log 60 ' UrlUsed change to: https://download\.lumevia\.com/' || fail "no fallback to the skin's address"
  log_of "$current" | grep -q ' Curl check 64Bit link, http code is 404' || fail "no 64-bit probe"
  # The skin's address is not served here: the report is all this case needs.
  end=$((SECONDS + 30))
  until grep -q 'ep.zq_action=64PC32Link' "$record"; do
    [[ $SECONDS -lt $end ]] || fail "64PC32Link not received"
    sleep 0.5
  done
  close_all
  wineserver -k 2>/dev/null || true
  wait "$stub_pid" 2>/dev/null || true
  stub_pid=""
  telemetry "Download|2.DownStart" "Download|64PC32Link"
fi

if selected resume; then
  begin resume "$direct"
  # About 160 KiB/s: the package takes some ten seconds.
  rate=163840
  serve "{\"path\": \"/pkg/*\", \"method\": \"GET\", \"rate\": $rate}"
  start
  main_window
  install
  wait_log 30 'Event: Download 3.Downloading... First' || fail "the download did not start"
  end=$((SECONDS + 30))
  until grep -q '"path": "/pkg/Lumevia_Setup.exe".*"range": \[' "$record"; do
    [[ $SECONDS -lt $end ]] || fail "no range served"
    sleep 0.2
  done
  sleep 4
  date +%s.%N >"$work/killed"
  wineserver -k
  wait "$stub_pid" 2>/dev/null || true
  stub_pid=""
  task_file=$(find "$download_dir" -name '*.xml' 2>/dev/null | head -1)
  [[ -n $task_file ]] || fail "no task file beside the partial package"
  cp "$task_file" "$work/task-at-kill.xml"
  ! log_of resume | grep -q 'Event: Download 4.DownFinsh' || fail "the download finished before the kill"
  serve
  start
  main_window
  install
  product_started
  threads=$(( $(nproc) * 8 / 5 ))  # the engine's default
  (( threads >= 4 )) || threads=4
  python3 - "$record" "$(cat "$work/killed")" "$rate" "$threads" "$work/task-at-kill.xml" <<'PY' || fail "resume"
import json, sys
import xml.etree.ElementTree as ET
record, killed, rate, threads, task_file = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
slack = 65536  # the pacing's granularity
before, after = [], []  # [first, end) per range, sent before and after the kill
for line in open(record):
    r = json.loads(line)
    if r["method"] != "GET" or not r["path"].startswith("/pkg/") or not r.get("range"):
        continue
    first, last = r["range"]
    length = last - first + 1
    if r["time"] < killed:
        # Cut off by the kill: at most what the pacing let through.
        before.append((first, first + min(length, int(rate * (killed - r["time"])) + slack)))
    else:
        after.append((first, first + length))

def overlap(ranges, with_ranges):
    return sum(max(0, min(e, we) - max(s, ws)) for s, e in ranges for ws, we in with_ranges)

# What each range repeats of the ranges sent before it.
sent = before + after
twice = sum(overlap([sent[i]], sent[:i]) for i in range(len(sent)))
saved = [(int(t.findtext("StartPos")), int(t.findtext("DownloadedPos"))) for t in ET.parse(task_file).iter("Task")]
refetched = overlap(after, saved)
print(f"  ranges {len(before)} + {len(after)}, saved at the kill {sum(e - s for s, e in saved)} bytes, "
      f"sent twice at most {twice}")
if not before or not after:
    sys.exit("no ranges before or after the kill")
if not any(e > s for s, e in saved):
    sys.exit("the task file saved no progress")
if refetched:
    sys.exit(f"the second run fetched {refetched} bytes the task file had saved: {after} vs {saved}")
if twice > threads * 1048576:
    sys.exit(f"{twice} bytes sent twice, more than {threads} x 1 MiB")
PY
  # Each run's own funnel: the first one as far as the kill.
  to_time=$(cat "$work/killed")
  telemetry "Download|1.Launch" "Download|2.DownStart" "Download|3.Downloading...|First"
  from_time=$to_time to_time=""
  telemetry "${funnel_first[@]}" "${launched[@]}"
fi

if selected retry; then
  begin retry "$direct"
  # The package host answers 404 at first, then drops the connections.
  serve '{"path": "/pkg/*", "nth": [1, 2], "status": 404}' '{"path": "/pkg/*", "nth": [3, null], "drop": true}'
  start
  main_window
  install
  wait_log 120 'ShowMsgBox: 8$' || fail "no failure box"
  wintool wait MESSAGEBOX_UI_Frame 10000 >/dev/null || fail "the failure box is not shown"
  wintool close MESSAGEBOX_UI_Frame >/dev/null || true
  wait_log 10 'Event: Download 8.DownFail First' || fail "no 8.DownFail"
  serve
  sleep 1
  press 325 262 'Event: Download 8-1.ClickTryAgain' || fail "the retry button did nothing"
  product_started
  # The automatic attempts fail (404: result 6, DL012); the user's retry
  # carries the label "Retry" from its click on.
  telemetry "Download|2.DownStart" "Download|3.Downloading...|First" "Other|FlowError|DL012" "Other|FlowError" \
    "Download|4.DownFinsh|AutoRetry" "Download|8.DownFail|First" "Download|8-1.ClickTryAgain|First" \
    "Download|3.Downloading...|Retry" "Download|4.DownFinsh|Retry" "Download|5.ProgramInstall|Retry" \
    "Download|6.ProgramFinsh|Retry" "${launched[@]}" "CrashRate|Close|close07" \
    "funnel|Download|CoreFuncStart|FlowError" "funnel|Download|DL012|FlowError" \
    "funnel|Download|CoreFuncStart|Downloading" "funnel|Download|CoreFuncEnd|FlowError"
fi

if selected refusal; then
  begin refusal "$forbidden"
  serve '{"path": "/json", "body_json": {"status": "success", "countryCode": "XX"}}'
  start
  wintool wait MESSAGEBOX_UI_Frame 30000 >/dev/null || fail "no refusal box"
  wait_log 10 'ShowMsgBox: 14$' || fail "not the country box"
  [[ -z $(xdotool search --onlyvisible --name '^Lumevia$' 2>/dev/null) ]] || fail "the main window is shown"
  wintool close MESSAGEBOX_UI_Frame >/dev/null || true
  ended
  grep -q '"path": "/json"' "$record" || fail "the country was not asked"
  telemetry "Other|CountryStartupForbided|" "!Download|2.DownStart" "!Download|3.Downloading..."
  python3 - "$record" <<'PY' || fail "a download was started"
import json, sys
paths = [json.loads(l)["path"] for l in open(sys.argv[1])]
bad = [p for p in paths if p.startswith("/pkg/")]
sys.exit(f"package requested: {bad}" if bad else 0)
PY
fi
if selected toolkit; then
  # Named with a click id, so that the kit service is asked for the
  # sub-programs.
  begin toolkit "$toolkit" LumeviaSetup_20000000000000000000k1.exe
  mkdir -p "$work/root/responses"
  cat >"$work/root/responses/kitDownloads.json" <<JSON
{"status": 0, "msg": "ok", "data": [
 {"pid": 12, "parent_pid": 642, "download": "{base}/pkg/Lumevia_Setup.exe",
  "file_size": "$(stat -c %s "$work/root/Lumevia_Setup.exe")",
  "file_md5": "$(md5sum "$work/root/Lumevia_Setup.exe" | cut -d' ' -f1)",
  "launch_name": "Velscape.exe", "install_dir": "Kit", "country_limit": "", "version": "1.0"}]}
JSON
  serve
  start
  main_window
  wait_log 20 ' GetSubProgramInfo add 0, Lumevia_Setup_1\.0\.exe' || fail "the sub-program was not added"
  install
  wait_log 120 'Event: Download 6\.ProgramFinshIsChToolKit 12' || fail "the sub-program was not installed"
  product_started
  [[ -f $product_dir/Kit/Velscape.exe ]] || fail "no Velscape.exe in $product_dir/Kit"
  log_of "$current" | grep -q -F ' and sub exe: "C:\Program Files\Lumevia\Kit\Velscape.exe"' \
    || fail "the sub-program is not started: $(log_of "$current" | grep ' get main exe: ')"
  # The sub-program follows the product two seconds later, in its own process.
  end=$((SECONDS + 20))
  until ps -eo args | grep -q -F 'Lumevia\Kit\Velscape.exe'; do
    [[ $SECONDS -lt $end ]] || fail "the sub-program is not running"
    sleep 0.5
  done
  telemetry "Download|3.DownloadingIsChToolKit|12" "Download|4.DownFinshIsChToolKit|12" \
    "Download|5.ProgramInstallIsChToolKit|12" "Download|6.ProgramFinshIsChToolKit|12" "${launched[@]}" \
    "~Download|9.StartWindowIsChToolKit|12" "!Other|FlowErrorIsChToolKitErrorCode" "!Other|FlowError"
  close_all
  rm -f "$work/root/responses/kitDownloads.json"
fi

echo "end to end under Wine: ok"
