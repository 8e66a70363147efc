#!/usr/bin/env bash
# Start-up benchmark (not a test): the stub's size, and the time from process
# start to its main window shown under Wine, against a minimal Win32 program
# that only opens a window (bench/min_window.c), measured in the same run.
#
#   bench/startup_bench.sh [--runs N] [--exe path/to/LumeviaSetup.exe]
#
#   --runs N  timed starts of each program (default 7), taking turns, after
#             one untimed start of each (Wine's server and caches warm)
#   --exe     the stub to measure (default: the size of the shipped
#             build/windows/LumeviaSetup.exe, the start of the same product
#             with test hooks, build/windows/stubs/product/LumeviaSetup.exe,
#             which alone can be pointed at the fake services)
#
# A window counts as shown when X maps it (xdotool, polled every 10 ms), so
# the figures include Wine's own start-up, the same for both programs. The
# stub finds its services on a local fake (tests/fake_services), never the
# network. Standard output:
#   size stub_bytes=<n> min_bytes=<n> ratio=<x>
#   sections code_kib=<n> data_kib=<n> unwind_kib=<n> resources_kib=<n> other_kib=<n>
#   start stub_ms=<median> min_ms=<median> ratio=<x>
# each run's figures on standard error. Needs the windows build (stub and
# wintool), mingw-w64, Wine, xdotool and Xvfb when DISPLAY is not set.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
runs=7
exe="$top/build/windows/stubs/product/LumeviaSetup.exe"
shipped="$top/build/windows/LumeviaSetup.exe"
while (($#)); do
  case $1 in
    --runs) runs=${2:-}; shift ;;
    --exe) exe=${2:-} shipped=${2:-}; shift ;;
    *) echo "usage: $0 [--runs N] [--exe LumeviaSetup.exe]" >&2; exit 2 ;;
  esac
  shift
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "--runs needs a positive number" >&2; exit 2; }
[[ -f $exe && -f $shipped ]] || { echo "no $exe or $shipped: build the windows preset first" >&2; exit 1; }
wintool="$top/build/windows/tests/wintool.exe"
[[ -f $wintool ]] || { echo "no $wintool: cmake --build build/windows --target wintool" >&2; exit 1; }
if [[ -z ${DISPLAY:-} ]]; then
  args=(--runs "$runs")
  [[ $exe == "$shipped" ]] && args+=(--exe "$exe")
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "${args[@]}"
fi

run="$top/scripts/wine-run.sh"
"$run" --init
export LC_ALL=C.UTF-8 WINEDEBUG=-all WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}"
work="$(mktemp -d)"
services=""
cleanup() {
  [[ -n $services ]] && kill "$services" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

x86_64-w64-mingw32-gcc-posix -Os -s -mwindows -municode -o "$work/min_window.exe" "$top/bench/min_window.c"
cp "$exe" "$work/LumeviaSetup.exe"
python3 "$top/tests/fake_services/fake_services.py" --port 0 --root "$work" \
  --record "$work/requests.jsonl" --port-file "$work/port" >"$work/services.log" 2>&1 &
services=$!
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.05; done
[[ -s $work/port ]] || { cat "$work/services.log" >&2; exit 1; }
printf '[Settings]\r\nAutoRun=0\r\n[Endpoints]\r\nServiceBase=http://127.0.0.1:%s\r\n' "$(cat "$work/port")" \
  >"$work/zq_downloader.cfg"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
kib() { echo $((($1 + 1023) / 1024)); }

# start_ms PROGRAM CLASS: milliseconds from starting PROGRAM until X maps a
# window of it; then closes it (WM_CLOSE to CLASS) and waits for the end.
start_ms() {
  local prog=$1 cls=$2 t0 t1 pid xclass
  xclass=$(basename "$prog" | tr '[:upper:]' '[:lower:]')
  t0=$(now_ms)
  (cd "$work" && exec wine "$prog") >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --classname "^${xclass//./\\.}\$" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "$prog ended without a window" >&2
      return 1
    fi
    if (($(now_ms) - t0 > 60000)); then
      echo "no window of $prog within 60 s" >&2
      return 1
    fi
    sleep 0.01
  done
  t1=$(now_ms)
  "$run" "$wintool" close "$cls" >/dev/null 2>&1 || true
  timeout -k 5 30 tail --pid="$pid" -f /dev/null || kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo $((t1 - t0))
}
# The previous instance may still hold the single-instance mutex for a moment
# after its window went: a start that ends without a window is tried again.
start_again_ms() {
  start_ms "$@" && return 0
  sleep 1
  start_ms "$@"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

stub_size=$(stat -c %s "$shipped")
min_size=$(stat -c %s "$work/min_window.exe")
echo "size stub_bytes=$stub_size min_bytes=$min_size ratio=$(ratio "$stub_size" "$min_size")"
# objdump -h: index, name, size in hex. Code, data, unwind tables, resources, the rest.
declare -A part=([code]=0 [data]=0 [unwind]=0 [resources]=0 [other]=0)
while read -r idx name size _; do
  [[ $idx =~ ^[0-9]+$ ]] || continue
  case $name in
    .text) k=code ;;
    .data | .rdata | .bss | .tls | .CRT) k=data ;;
    .pdata | .xdata) k=unwind ;;
    .rsrc) k=resources ;;
    *) k=other ;;
  esac
  part[$k]=$((part[$k] + 16#$size))
done < <(x86_64-w64-mingw32-objdump -h "$shipped")
echo "sections code_kib=$(kib "${part[code]}") data_kib=$(kib "${part[data]}")" \
  "unwind_kib=$(kib "${part[unwind]}") resources_kib=$(kib "${part[resources]}") other_kib=$(kib "${part[other]}")"

start_ms "$work/LumeviaSetup.exe" ZQ_UI_Frame_642 >/dev/null
start_ms "$work/min_window.exe" LumeviaMinWindow >/dev/null
: >"$work/stub.ms"
: >"$work/min.ms"
for ((i = 1; i <= runs; i++)); do
  s=$(start_again_ms "$work/LumeviaSetup.exe" ZQ_UI_Frame_642)
  m=$(start_again_ms "$work/min_window.exe" LumeviaMinWindow)
  echo "run $i: stub ${s} ms, minimal ${m} ms" >&2
  echo "$s" >>"$work/stub.ms"
  echo "$m" >>"$work/min.ms"
done
stub_ms=$(median <"$work/stub.ms")
min_ms=$(median <"$work/min.ms")
echo "start stub_ms=$stub_ms min_ms=$min_ms ratio=$(ratio "$stub_ms" "$min_ms")"
