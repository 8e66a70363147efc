#!/usr/bin/env bash
# The main job: LumeviaSetup.exe under Wine on a virtual display, with every
# service pointed at the local fake of the maker's services. Prints the
# stub's log and the requests the fake services received.
#   scripts/demo.sh [seconds]   (default 10 s before the window is closed)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
seconds=${1:-10}
[[ ${LUMEVIA_DEMO_NO_DEPS:-} == 1 ]] || bash scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target LumeviaSetup wintool
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env LUMEVIA_DEMO_NO_DEPS=1 bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill $fake 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/app"
python3 tests/fake_services/fake_services.py --port 0 --root "$work/root" \
  --record "$work/requests.jsonl" --port-file "$work/port" & fake=$!
for _ in $(seq 50); do [[ -s $work/port ]] && break; sleep 0.1; done
port=$(tr -d '\n' <"$work/port")
cp build/windows/LumeviaSetup.exe "$work/app/"
printf '[Settings]\r\nTestEnv=0\r\n[Endpoints]\r\nServiceBase=http://127.0.0.1:%s\r\n' "$port" >"$work/app/zq_downloader.cfg"
echo "fake services on 127.0.0.1:$port; running the stub for $seconds s"

run=scripts/wine-run.sh
"$run" "$work/app/LumeviaSetup.exe" & stub=$!
sleep "$seconds"
"$run" build/windows/tests/wintool.exe close ZQ_UI_Frame_642 || true
wait "$stub" && echo "stub exit code: 0"
export WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}"
log=$(find "$WINEPREFIX/drive_c/users" -path '*Lumevia_Setup*' -name 'Lumevia_Setup_*.log' -newer "$work/port" | tail -1)
echo "--- log: $log"
[[ -n $log ]] && tr -d '\r' <"$log"
echo "--- requests received by the fake services"
cat "$work/requests.jsonl" 2>/dev/null | python3 -c 'import sys,json
for l in sys.stdin:
    r=json.loads(l); print(r.get("method"), r.get("path"), r.get("status"))' || true
