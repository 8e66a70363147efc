#!/usr/bin/env bash
# Kills lumevia-fetch in the middle of a throttled download, runs it again and
# checks that the second run resumes to the right digest. Prints how many
# bytes the host served more than once.
#   resume_after_kill.sh path/to/lumevia-fetch[.exe]
source "$(dirname "$0")/fetch_test_lib.sh" "$@"

size=$((40 * 1048576 + 123))
serve kill.bin "$size"
# 4 connections at 2 MiB/s each: about 5 s for the whole file.
curl -fsS -X POST --data '[{"path": "/pkg/kill.bin", "method": "GET", "rate": "2MiB"}]' \
  "$base/__control/rules" >/dev/null
fetch_into "$work/kill.exe"

# First run: killed once more than 40 % has arrived.
"${run[@]}" "$base/pkg/kill.bin" "$out" >"$work/first.out" 2>"$work/first.err" &
pid=$!
killed=0
for _ in $(seq 1 600); do
  last="$(grep -a '^progress' "$work/first.err" | tail -1 || true)"
  if [[ $last =~ progress\ ([0-9]+)/([0-9]+) ]] && (( BASH_REMATCH[1] * 100 > BASH_REMATCH[2] * 40 )); then
    kill -9 "$pid" 2>/dev/null && killed=1
    break
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
wait "$pid" 2>/dev/null || true
[[ $killed == 1 ]] || { echo "FAIL: the first run was not killed in the middle" >&2; exit 1; }
sleep 0.5  # wine needs a moment to let go of the file

# Second run: must resume and finish with the right digest.
"${run[@]}" "$base/pkg/kill.bin" "$out" >"$work/second.out" 2>"$work/second.err"
line="$(tail -1 "$work/second.out" | tr -d '\r')"  # a Windows program ends lines with CR LF
echo "second run: $line"
[[ $line == "result=1 bytes=$size md5=$want" ]] || { echo "FAIL: expected md5=$want" >&2; exit 1; }

served="$(python3 - "$record" <<'PY'
import json, sys
total = 0
for line in open(sys.argv[1]):
    r = json.loads(line)
    if r.get("method") == "GET" and r.get("path") == "/pkg/kill.bin" and r.get("range"):
        total += r["range"][1] - r["range"][0] + 1
print(total)
PY
)"
echo "resume after kill: file $size bytes, served $served, fetched twice $((served - size)) bytes"
# The task file is saved every 10 %: at most that much plus the slices in flight is fetched again.
(( served - size <= size / 10 + 16 * 1048576 )) || { echo "FAIL: too much fetched twice" >&2; exit 1; }
echo PASS
