#!/usr/bin/env bash
# The main job as a user sees it: the stub under Wine on a virtual display,
# against the local fake services, downloads the signed test package, checks
# and installs it and starts the product. It clicks through the window (language,
# settings panel, install, start), saves a screenshot of every phase in
# build/demo/<language>/ and prints where the product went, the time of each
# phase, the log's main lines and the telemetry the services received.
#
#   scripts/demo.sh [LANGUAGE]     en (default), ar, zh-cn, ja, ... (the skin's codes)
#
# Environment: LUMEVIA_DEMO_NO_DEPS=1  skip scripts/deps.sh
#              LUMEVIA_DEMO_DISPLAY=1  use $DISPLAY instead of Xvfb
#              LUMEVIA_DEMO_RATE       bytes per second per connection (default 256KiB)
#              LUMEVIA_WINEPREFIX      the demo runs in "$LUMEVIA_WINEPREFIX-demo"
# Exit code 0 only when the product was installed and started.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
lang=${1:-en}

# The combo's items, in the order of skin/InstallSetting.xml.
languages=(en ja zh-cn es de fr ru pt ar it zh-tw ko nl id tr hi th my se cz)
lang_index=-1
for i in "${!languages[@]}"; do [[ ${languages[$i]} == "$lang" ]] && lang_index=$i; done
if [[ $lang_index -lt 0 ]]; then
  echo "usage: ${0##*/} [LANGUAGE]   one of: ${languages[*]}" >&2
  exit 2
fi

if [[ -z ${LUMEVIA_DEMO_INNER:-} ]]; then
  [[ ${LUMEVIA_DEMO_NO_DEPS:-} == 1 ]] || bash scripts/deps.sh
  for t in xvfb-run xdotool xwd python3; do
    command -v "$t" >/dev/null || { echo "demo: $t is missing; scripts/deps.sh installs it" >&2; exit 1; }
  done
  # Other builds may share the tree: one build at a time. Run under
  # `flock /tmp/lumevia-build.lock` already, the demo holds the lock through
  # the descriptor it inherited; locking again would wait for itself.
  lock=/tmp/lumevia-build.lock
  build() { flock "$lock" "$@"; }
  for fd in /proc/$$/fd/*; do
    [[ $(readlink "$fd" 2>/dev/null) == "$lock" ]] && build() { "$@"; }
  done
  [[ -f build/windows/CMakeCache.txt ]] || build cmake --preset windows >/dev/null
  build cmake --build build/windows -j"$(nproc)" \
    --target stub_demo wintool lumevia_demo_package
  export LUMEVIA_DEMO_INNER=1
  if [[ ${LUMEVIA_DEMO_DISPLAY:-} == 1 && -n ${DISPLAY:-} ]]; then
    exec bash "$0" "$@"
  fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

# The shipped product's configuration with the direct start (admin_flag 1), the
# "start" click left to the user and every language offered (tests/products/).
stub=build/windows/stubs/demo/LumeviaSetup.exe
package=build/windows/package/Lumevia_Setup.exe
wintool=build/windows/tests/wintool.exe
for f in "$stub" "$package" "$wintool"; do [[ -f $f ]] || { echo "demo: $f was not built" >&2; exit 1; }; done

export LUMEVIA_WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}-demo"
# shellcheck source=../tests/flow/wine_flow_lib.sh
. tests/flow/wine_flow_lib.sh
flow_prefix || { echo "demo: no temporary folder in the Wine prefix" >&2; exit 1; }

shots="$top/build/demo/$lang"
rm -rf "$shots"
mkdir -p "$shots"
work=$(mktemp -d)
server_pid="" stub_pid=""
tool() { "$run" "$wintool" "$@" | tr -d '\r'; }
cleanup() {
  for c in MESSAGEBOX_UI_Frame ZQ_UI_Frame_642 LumeviaDemoProduct; do tool close "$c" >/dev/null 2>&1 || true; done
  [[ -n $stub_pid ]] && kill "$stub_pid" 2>/dev/null || true
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "demo: FAILED: $*" >&2
  [[ -f ${current_out:-} ]] && tail -30 "$current_out" | tr -d '\r' >&2
  exit 1
}

# A fresh machine for the product.
flow_remove_product

# The services: the download information names the package on the package host,
# whose every connection is paced so the progress can be followed.
mkdir -p "$work/root" "$work/app"
cp "$package" "$work/root/Lumevia_Setup.exe"
rate=${LUMEVIA_DEMO_RATE:-256KiB}
printf '[{"path": "/queryDownloaderV2", "package": "Lumevia_Setup.exe"}, {"path": "/pkg/*", "rate": "%s"}]\n' \
  "$rate" >"$work/rules.json"
# shellcheck source=../tests/fake_services/start.sh
. tests/fake_services/start.sh
fake_services_start "$work" || fail "the fake services did not start"
cp "$stub" "$work/app/LumeviaSetup.exe"
printf '[Endpoints]\r\nServiceBase=%s\r\n' "$base" >"$work/app/zq_downloader.cfg"
echo "demo: fake services on $base (package paced at $rate per connection), language $lang"

current_out="$work/stub.out"
# Waits for a log line while the stub runs.
wait_log() {  # wait_log SECONDS PATTERN
  local end=$((SECONDS + $1))
  until out_has "$2"; do
    [[ $SECONDS -lt $end ]] && kill -0 "$stub_pid" 2>/dev/null || return 1
    sleep 0.1
  done
}
# A phase without its picture fails the demo.
shot() {  # shot NAME WINDOW
  xwd -silent -id "$2" >"$work/shot.xwd" || fail "no screenshot of $1: xwd could not dump the window"
  python3 "$top/scripts/xwd_png.py" "$shots/$1.png" <"$work/shot.xwd" || fail "no screenshot of $1"
  echo "  screenshot $shots/$1.png"
}

# The installer's phases take a few seconds, so each can be seen.
LUMEVIA_DEMO_SETUP=long:3 "$run" "$work/app/LumeviaSetup.exe" >"$current_out" 2>&1 &
stub_pid=$!
tool wait ZQ_UI_Frame_642 30000 >/dev/null || fail "no main window"
main=$(xwin ZQ_UI_Frame_642 Lumevia) || fail "the main window is not shown"
wait_log 20 'Set language: ' || fail "no language applied"

# Settings panel, then the language from the combo's open list by the arrow
# keys (the list scrolls after its eighth row), the pointer kept off the list.
click "$main" 535 344
click "$main" 312 401
xdotool mousemove --window "$main" 312 380
sleep 0.3
for ((i = 0; i < ${#languages[@]}; i++)); do xdotool key Up; done
for ((i = 0; i < lang_index; i++)); do xdotool key Down; done
sleep 0.5
shot 2-language-list "$main"
xdotool key Return
wait_log 10 "Set language: $lang\$" || fail "language $lang not chosen"
sleep 0.5
shot 3-settings-panel "$main"
click "$main" 535 344
sleep 0.5
shot 1-start-page "$main"

click "$main" 325 254
wait_log 30 'Event: Download 3.Downloading... First' || fail "the download did not start"
sleep 2
shot 4-downloading "$main"
wait_log 120 'Event: Download Md5CheckStart' || fail "the download did not finish"
shot 5-verifying "$main"
wait_log 30 ' \[Start Install CmdLine\]: ' || fail "the installer was not started"
sleep 1.5
shot 6-installing "$main"
wait_log 60 'Event: Download 6.ProgramFinsh First' || fail "the installation did not finish"
sleep 1
shot 7-success "$main"
tool find LumeviaDemoProduct >/dev/null 2>&1 && fail "the product started before the click"
click "$main" 325 254
tool wait LumeviaDemoProduct 30000 >/dev/null || fail "the product did not start"
product=$(xwin LumeviaDemoProduct Velscape) || fail "the product's window is not shown"
sleep 1
shot 8-product "$product"
timeout -k 5 30 tail --pid="$stub_pid" -f /dev/null || fail "the stub did not end"
rc=0
wait "$stub_pid" || rc=$?
stub_pid=""
[[ $rc -eq 0 ]] || fail "the stub ended with $rc"
[[ -f $program_files/started.txt ]] || fail "the product did not record its start"

echo
echo "=== installed: C:\\Program Files\\Lumevia ($program_files)"
(cd "$program_files" && find . -type f -printf '  %-28P %s bytes\n' | sort)
"$run" reg query "$uninstall_key" | tr -d '\r' | sed -n 's/^ *\(DisplayName\|DisplayVersion\|Inno Setup: Language\|InstallLocation\) /  \1 /p'

echo
echo "=== the stub's log"
log=$(find "$temp_dir/Lumevia_Setup" -maxdepth 1 -name 'Lumevia_Setup_*.log' | head -1)
[[ -n $log ]] || log=$current_out
echo "($(winepath -w "$log" 2>/dev/null | tr -d '\r'))"
python3 - "$log" <<'EOF'
import re, sys
from datetime import datetime
lines = open(sys.argv[1], encoding="utf-8", errors="replace").read().replace("\r", "").splitlines()
stamp = re.compile(r"^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d[,.]\d+)--\[Thread\]\([^)]*\) ?(.*)$")
entries = []
for line in lines:
    m = stamp.match(line)
    if m:
        entries.append((datetime.strptime(m.group(1).replace(",", "."), "%Y-%m-%d %H:%M:%S.%f"), m.group(2)))
if not entries:
    sys.exit("no time-stamped lines in " + sys.argv[1])

def first(text):
    return next((t for t, msg in entries if text in msg), None)

print("time of each phase (from the log):")
marks = [("start-up to the window's language", entries[0][0], first("Set language: ")),
         ("the user (settings, language)", first("Set language: "), first("Event: Download 3.Downloading")),
         ("download", first("Event: Download 3.Downloading"), first("Event: Download 4.DownFinsh")),
         ("verification (MD5, signature)", first("Event: Download Md5CheckStart"), first("[Start Install CmdLine]")),
         ("installation", first("[Start Install CmdLine]"), first("Event: Download 6.ProgramFinsh")),
         ("success view, start click, product", first("Event: Download 6.ProgramFinsh"), entries[-1][0])]
for name, a, b in marks:
    print("  %-34s %s" % (name, "%.1f s" % (b - a).total_seconds() if a and b else "-"))

main = re.compile(r"Event: |UrlUsed|\[Download File Path\]|\[Start Install CmdLine\]|Totally|Set language|"
                  r"get main exe|Cmd Finished|Install finish|APP DownloaderSucceed|Force Exit|fail", re.I)
print("\nmain lines:")
t0 = entries[0][0]
for t, msg in entries:
    if main.search(msg):
        print("  +%6.2f s  %s" % ((t - t0).total_seconds(), msg.strip()))
EOF

echo
echo "=== telemetry received by the services, in order"
python3 - "$work/record.jsonl" <<'EOF'
import json, sys
from urllib.parse import parse_qs
records = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8") if l.strip()]
t0 = records[0]["time"] if records else 0
for r in records:
    when = "+%6.2f s" % (r["time"] - t0)
    if r["path"] == "/g/collect":
        q = {k: v[0] for k, v in parse_qs(r.get("query") or "", keep_blank_values=True).items()}
        if "ep.zq_category" in q:
            print("  %s  GA4        %s / %s / %s" % (when, q["ep.zq_category"], q["ep.zq_action"], q.get("ep.zq_label", "")))
    elif r["path"] in ("/collect", "/collector"):
        try:
            a = json.loads(r.get("body_text") or "{}").get("actions") or {}
        except ValueError:
            a = {}
        step = " (%s %s)" % (a["core_func_name"], a.get("func_step", "")) if a.get("core_func_name") else ""
        print("  %s  collector  %s / %s / %s%s" % (when, a.get("event_category", "?"), a.get("event_action", "?"),
                                                a.get("event_label", ""), step))
    elif r["path"] == "/api/exception/send":
        print("  %s  exception  %s" % (when, (r.get("body_text") or "")[:120]))
others = {}
for r in records:
    if r["path"] not in ("/g/collect", "/collect", "/collector", "/api/exception/send"):
        key = "%s %s" % (r["method"], "/pkg/*" if r["path"].startswith("/pkg/") else r["path"])
        others[key] = others.get(key, 0) + 1
print("other requests: " + ", ".join("%s ×%d" % kv for kv in sorted(others.items())))
EOF

echo
echo "demo: the product was installed and started; screenshots in $shots/"
