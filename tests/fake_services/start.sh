# Sourced by the shell tests and the demo: starts the fake services in the
# background on a free port of 127.0.0.1.
#
#   fake_services_start WORK [RECORD]
#
# Serves WORK/root, reads its rules from WORK/rules.json (created as "[]"
# when absent; the server re-reads it on change) and records every request
# to RECORD (default WORK/record.jsonl). Sets server_pid and base
# (http://127.0.0.1:PORT); returns 1 when the server did not come up.
fake_services_start() {
  local work=$1 record=${2:-$1/record.jsonl}
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  mkdir -p "$work/root"
  [[ -f $work/rules.json ]] || echo '[]' >"$work/rules.json"
  rm -f "$work/port"
  python3 "$here/fake_services.py" --port 0 --root "$work/root" --record "$record" \
    --port-file "$work/port" --config "$work/rules.json" >"$work/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.1; done
  [[ -s $work/port ]] || return 1
  base="http://127.0.0.1:$(tr -d '\n' <"$work/port")"
}
