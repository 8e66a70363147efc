#!/usr/bin/env bash
# Under Wine, against the fake services: the window's side-fetches and the
# country check of the start-up.
#   sidefetch_wine.sh stubs/product/LumeviaSetup.exe stubs/forbidden/LumeviaSetup.exe stubs/toolkit/LumeviaSetup.exe \
#                     wintool.exe stubs/region/LumeviaSetup.exe LumeviaSetup.exe
# - the shipped product (its stub with test hooks) asks the download information and the signed privacy
#   links on creation (the service accepts the signature), the banners after
#   the install click (AutoRun), downloads the pictures and shows them
#   (screenshot build/screenshots/sidefetch_banners.png);
# - the forbidden stub with the IP country "XX": the refusal box, exit 0;
#   with SkipLimit=1 the window as usual and no lookup;
# - the toolkit stub fills its sub-programs from the kit service and skips
#   the one whose country_limit holds the current country;
# - the shipped stub itself, with the same run options, sends nothing to the
#   service base they name (it has no test hooks).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
product=$1 forbidden=$2 toolkit=$3 wintool=$4 region=$5 shipped=$6
run="$top/scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}" WINEDEBUG=-all LC_ALL=C.UTF-8
work=$(mktemp -d)
server_pid="" pids=()
tool() { "$run" "$wintool" "$@" | tr -d '\r'; }
cleanup() {
  tool close MESSAGEBOX_UI_Frame >/dev/null 2>&1 || true
  tool close ZQ_UI_Frame_642 >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/root/responses"
# shellcheck source=../fake_services/start.sh
. "$top/tests/fake_services/start.sh"
fake_services_start "$work" || fail "fake services did not start"
rules() { echo "$1" >"$work/rules.json"; }

# A copy of exe in its own folder with the run options given.
setup() {  # setup NAME EXE FILENAME OPTIONS...
  local dir="$work/$1"
  mkdir -p "$dir"
  cp "$2" "$dir/$3"
  printf '[Endpoints]\r\nServiceBase=%s\r\n[Settings]\r\n' "$base" >"$dir/zq_downloader.cfg"
  shift 3
  for o in "$@"; do printf '%s\r\n' "$o" >>"$dir/zq_downloader.cfg"; done
}
wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  until "$@"; do [[ $SECONDS -lt $end ]] || return 1; sleep 0.25; done
}
ended_with_0() {  # ended_with_0 PID
  timeout -k 5 60 tail --pid="$1" -f /dev/null || fail "process $1 did not end"
  wait "$1" || fail "exit code $? instead of 0"
}
records() { python3 - "$work/record.jsonl" "$@"; }

echo "case: requests in order, signed privacy accepted, banners shown"
cat >"$work/root/responses/banners.json" <<EOF
[{"banner_url": "{base}/banners/1.png", "jump_url": "{base}/jump/1", "prompt": "Banner 1", "sort": 1},
 {"banner_url": "{base}/banners/2.png", "jump_url": "{base}/jump/2", "prompt": "Banner 2", "sort": 2}]
EOF
mkdir -p "$work/root/banners"
python3 - "$work/root/banners" <<'EOF'
import struct, sys, zlib
def png(path, rgb):
    w, h = 650, 300
    row = b"\x00" + bytes(rgb) * w
    def chunk(k, d):
        return struct.pack(">I", len(d)) + k + d + struct.pack(">I", zlib.crc32(k + d) & 0xFFFFFFFF)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(row * h)) + chunk(b"IEND", b""))
    open(path, "wb").write(data)
png(sys.argv[1] + "/1.png", (0xE0, 0x40, 0x20))
png(sys.argv[1] + "/2.png", (0x20, 0xA0, 0x40))
EOF
setup product "$product" LumeviaSetup.exe AutoRun=1
"$run" "$work/product/LumeviaSetup.exe" >"$work/product.out" 2>&1 & pids+=($!); a=$!
tool wait ZQ_UI_Frame_642 20000 || fail "no main window"
wait_for 40 grep -q " Get Cbs Ban 2 Success" "$work/product.out" || fail "banners not loaded: $(grep 'Get Cbs' "$work/product.out" | tail -5)"
records <<'EOF' || fail "requests"
import json, sys
recs = [json.loads(l) for l in open(sys.argv[1])]
paths = [r["path"] for r in recs]
def first(p):
    return next(i for i, x in enumerate(paths) if x == p)
for p in ("/queryDownloaderV2", "/api/v1/user_privacy_info", "/api/v1/banners", "/banners/1.png", "/banners/2.png"):
    assert p in paths, (p, paths)
assert max(first("/queryDownloaderV2"), first("/api/v1/user_privacy_info")) < first("/api/v1/banners") \
    < min(first("/banners/1.png"), first("/banners/2.png")), paths
for r in recs:
    if r["path"] in ("/api/v1/user_privacy_info", "/api/v1/banners"):
        assert "bad_signature" not in r["faults"], r["query"]
dl = recs[first("/queryDownloaderV2")]
print("download information query:", dl["query"])
assert "/json" not in paths, "a lookup without forbidden countries"
EOF
grep '"/queryDownloaderV2"' "$work/record.jsonl" | grep -q 'SoftWareID=' || fail "download information without its query"
# The slide show takes the banners on its next slide (3 s period).
n=0
for _ in $(seq 60); do
  n=$(( $(tool colour ZQ_UI_Frame_642 20A040 || echo 0) + $(tool colour ZQ_UI_Frame_642 E04020 || echo 0) ))
  [[ $n -gt 0 ]] && break
  sleep 0.25
done
mkdir -p "$top/build/screenshots"
xwd -root -silent | convert xwd:- "$top/build/screenshots/sidefetch_banners.png" 2>/dev/null || true
[[ $n -gt 0 ]] || fail "the fetched banner is not on the window"
tool close ZQ_UI_Frame_642 >/dev/null || fail "no window to close"
ended_with_0 "$a"

# The stub refuses at start: the box, the limit line, exit 0, no side-fetch.
refusal() {  # refusal NAME EXE IP-RULES LIMIT-LINE
  : >"$work/record.jsonl"
  rules "$3"
  setup "$1" "$2" LumeviaSetup.exe
  "$run" "$work/$1/LumeviaSetup.exe" >"$work/$1.out" 2>&1 & pids+=($!); local p=$!
  tool wait MESSAGEBOX_UI_Frame 20000 || fail "$1: no refusal box"
  grep -q "$4" "$work/$1.out" || fail "$1: no line '$4'"
  grep -q '"/json"' "$work/record.jsonl" || fail "$1: no IP-country lookup"
  tool close MESSAGEBOX_UI_Frame >/dev/null
  ended_with_0 "$p"
  ! grep -q '"/api/v1/user_privacy_info"' "$work/record.jsonl" || fail "$1: side-fetches ran"
}

echo "case: forbidden country: refusal box and exit 0"
refusal forbidden "$forbidden" '[{"path": "/json", "body_json": {"countryCode": "XX"}}]' " Limit result is : 1, 0"

echo "case: IP service down, system region forbidden: refusal box and exit 0"
refusal region "$region" '[{"path": "/json", "drop": true}]' " Limit result is : 0, 1"
grep -q " System Region info is : US" "$work/region.out" || fail "the region is not US under LC_ALL=C.UTF-8"

echo "case: forbidden country with SkipLimit=1: the window as usual"
: >"$work/record.jsonl"
setup skip "$forbidden" LumeviaSetup.exe SkipLimit=1
"$run" "$work/skip/LumeviaSetup.exe" >"$work/skip.out" 2>&1 & pids+=($!); c=$!
tool wait ZQ_UI_Frame_642 20000 || fail "no main window"
wait_for 20 grep -q '"/api/v1/user_privacy_info"' "$work/record.jsonl" || fail "no privacy request"
! tool find MESSAGEBOX_UI_Frame || fail "a refusal box with SkipLimit"
! grep -q '"/json"' "$work/record.jsonl" || fail "a lookup with SkipLimit"
tool close ZQ_UI_Frame_642 >/dev/null
ended_with_0 "$c"

echo "case: toolkit sub-programs from the kit service"
: >"$work/record.jsonl"
rules '[]'
cat >"$work/root/responses/kitDownloads.json" <<'EOF'
{"status": 0, "msg": "ok", "data": [
 {"pid": 11, "parent_pid": 9909, "download": "{base}/pkg/one.exe", "file_size": "1", "file_md5": "a",
  "launch_name": "One.exe", "install_dir": "One", "country_limit": "US,CA", "version": "1.0"},
 {"pid": 12, "parent_pid": 9909, "download": "{base}/pkg/two.exe", "file_size": "1", "file_md5": "b",
  "launch_name": "Two.exe", "install_dir": "Two", "country_limit": "", "version": "2.0"}]}
EOF
setup toolkit "$toolkit" LumeviaSetup_20000000000000000000k1.exe
"$run" "$work/toolkit/LumeviaSetup_20000000000000000000k1.exe" >"$work/toolkit.out" 2>&1 & pids+=($!); d=$!
tool wait ZQ_UI_Frame_642 20000 || fail "no main window"
wait_for 20 grep -q " GetSubProgramInfo end" "$work/toolkit.out" || fail "sub-program fetch did not end"
grep -q '"query": "t=k1&package_type=2"' "$work/record.jsonl" || fail "kit request: $(grep kitDownloads "$work/record.jsonl" | head -1)"
grep -q " GetSubProgramInfo skip 0, country" "$work/toolkit.out" || fail "the US-limited element was kept"
grep -q " GetSubProgramInfo add 1, two_2.0.exe" "$work/toolkit.out" || fail "the free element was not added"
tool close ZQ_UI_Frame_642 >/dev/null
ended_with_0 "$d"

echo "case: the shipped stub ignores a planted [Endpoints]"
# The product above asked its first services within a second of its window.
: >"$work/record.jsonl"
setup shipped "$shipped" LumeviaSetup.exe AutoRun=1
"$run" "$work/shipped/LumeviaSetup.exe" >"$work/shipped.out" 2>&1 & pids+=($!); e=$!
tool wait ZQ_UI_Frame_642 20000 || fail "no main window"
sleep 4
[[ ! -s $work/record.jsonl ]] || fail "the shipped stub sent to the planted base: $(head -c 300 "$work/record.jsonl")"
tool close ZQ_UI_Frame_642 >/dev/null
ended_with_0 "$e"
echo "side-fetches under Wine: ok"
