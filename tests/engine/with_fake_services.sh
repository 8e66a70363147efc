#!/usr/bin/env bash
# Runs one test program beside a fresh package host of the fake services:
#   with_fake_services.sh PROGRAM [ARGS...]
# The program learns the host from LUMEVIA_FAKE_PORT, LUMEVIA_FAKE_ROOT (the
# served folder) and LUMEVIA_FAKE_RECORD (its request log). A Windows
# program (.exe) runs under wine, with both paths given on drive Z:.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
top="$(cd "$here/../.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/lumevia-engine-host.XXXXXX")"
mkdir -p "$work/root"
server_pid=""
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  rm -rf -- "$work"
}
trap cleanup EXIT

python3 "$top/tests/fake_services/fake_services.py" --port 0 --root "$work/root" \
  --record "$work/record.jsonl" --port-file "$work/port" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do
  [[ -s $work/port ]] && break
  sleep 0.1
done
[[ -s $work/port ]] || { echo "fake services did not start" >&2; cat "$work/server.log" >&2; exit 1; }

export LUMEVIA_FAKE_PORT="$(tr -d '\n' <"$work/port")"
program="$1"
shift
if [[ $program == *.exe ]]; then
  export LUMEVIA_FAKE_ROOT="Z:$work/root" LUMEVIA_FAKE_RECORD="Z:$work/record.jsonl"
  export WINEPATH="${WINEPATH:-}"
  "$top/scripts/wine-run.sh" "$program" "$@"
else
  export LUMEVIA_FAKE_ROOT="$work/root" LUMEVIA_FAKE_RECORD="$work/record.jsonl"
  "$program" "$@"
fi
