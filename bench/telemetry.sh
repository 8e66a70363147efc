#!/usr/bin/env bash
# Builds and runs the telemetry queueing benchmark (not a test) against the
# local sink, which answers every hit at once.
#
#   bench/telemetry.sh [EVENTS]          native build in build/bench-telemetry
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${LUMEVIA_BENCH_BUILD:-$here/build/bench-telemetry}"
events="${1:-100000}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target telemetry_bench -j2 >/dev/null

work="$(mktemp -d)"
trap 'kill "$sink" 2>/dev/null || true; rm -rf "$work"' EXIT
python3 "$here/tests/fake_services/fake_services.py" --port 0 --root "$work" \
  --record /dev/null --port-file "$work/port" &
sink=$!
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.05; done
port="$(cat "$work/port")"

# The benchmark finds the sink through its run options, beside its copy.
cp "$build/tests/telemetry/telemetry_bench" "$work/"
printf '[Settings]\nAutoRun=0\n[Endpoints]\nServiceBase=http://127.0.0.1:%s\n' "$port" >"$work/zq_downloader.cfg"
(cd "$work" && ./telemetry_bench "$events")
