#!/usr/bin/env bash
# Download benchmark: this engine (lumevia-fetch, native build) against
# aria2c (same connections, 1 MiB pieces) and curl (one connection), all
# fetching from nginx on 127.0.0.1.
#
#   bench/download.sh [--runs N] [--wine] [--keep]
#
#   --runs N  rounds per case (default 3); the tools take turns in every
#             round and each line reports a tool's median over the rounds
#   --wine    also runs the throttled cases with the Windows build under wine
#             (build/windows/lumevia-fetch.exe) and prints its ratio to native
#   --keep    keeps the work folder (test files are reused when present)
#
# Cases: "throttled" 256 MiB with nginx limit_rate 8 MiB/s, "unthrottled"
# 1 GiB from nginx, and "throttled-perconn" 256 MiB at 8 MiB/s per
# connection from the package host of tests/fake_services. The last exists
# because nginx's limit_rate counts per request and grants each request one
# second at full speed first, so requests of 1 MiB (the engine's slices) are
# never slowed there; the fake host paces every body from its first byte.
# lumevia-fetch runs with --no-md5: every tool's output is checked with
# md5sum outside the timing. Before every timed run the previous output is
# deleted and the disk is synced, so no tool pays for another's write-back;
# each run's figures (with user/system split) go to standard error. One line
# per case and tool on standard output, medians over the rounds:
#   case=<name> tool=<engine|aria2c|curl> wall_s=<x> cpu_s=<y> rss_mib=<z>
# then the ratios. Needs sudo/root only to install missing Debian packages
# (nginx-light, aria2, curl); builds lumevia-fetch when it is missing.
# Environment: BENCH_DIR (default /tmp/lumevia-bench), BENCH_PORT (default 18080).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
wine=0
keep=0
runs=3
while (($#)); do
  case $1 in
    --wine) wine=1 ;;
    --keep) keep=1 ;;
    --runs) runs=${2:-}; shift ;;
    *) echo "usage: $0 [--runs N] [--wine] [--keep]" >&2; exit 2 ;;
  esac
  shift
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "--runs needs a positive number" >&2; exit 2; }
work="${BENCH_DIR:-/tmp/lumevia-bench}"
port="${BENCH_PORT:-18080}"
rate_mib=8

need=()
command -v nginx >/dev/null || need+=(nginx-light)
command -v aria2c >/dev/null || need+=(aria2)
command -v curl >/dev/null || need+=(curl)
if ((${#need[@]})); then
  echo "installing ${need[*]}" >&2
  sudo=""
  [[ $(id -u) == 0 ]] || sudo=sudo
  $sudo apt-get update -qq && $sudo apt-get install -y -qq "${need[@]}" >&2
fi

fetch="$top/build/native/lumevia-fetch"
if [[ ! -x $fetch ]]; then
  echo "building lumevia-fetch (native)" >&2
  (cd "$top" && cmake --preset native >/dev/null && cmake --build build/native --target lumevia-fetch -j2 >&2)
fi
if ((wine)) && [[ ! -f $top/build/windows/lumevia-fetch.exe ]]; then
  echo "building lumevia-fetch.exe (windows)" >&2
  (cd "$top" && cmake --preset windows >/dev/null && cmake --build build/windows --target lumevia-fetch -j2 >&2)
fi

mkdir -p "$work/www" "$work/out" "$work/nginx"
make_file() {  # name MiB
  local f="$work/www/$1"
  if [[ ! -f $f || $(stat -c %s "$f") != $(( $2 * 1048576 )) ]]; then
    echo "creating $1 ($2 MiB)" >&2
    head -c $(( $2 * 1048576 )) /dev/urandom >"$f"
  fi
  chmod a+r "$f"
}
make_file case256.bin 256
make_file case1g.bin 1024

# nginx in the foreground of its own prefix, one process, loopback only.
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
error_log $work/nginx/error.log warn;
pid $work/nginx/nginx.pid;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx/tmp;
  proxy_temp_path $work/nginx/tmp;
  fastcgi_temp_path $work/nginx/tmp;
  uwsgi_temp_path $work/nginx/tmp;
  scgi_temp_path $work/nginx/tmp;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    location /limited/ { alias $work/www/; limit_rate ${rate_mib}m; }
  }
}
CONF
mkdir -p "$work/nginx/tmp"
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
nginx_pid=$!
fake_pid=""
cleanup() {
  kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  [[ -z $fake_pid ]] || kill "$fake_pid" 2>/dev/null || true
  rm -rf -- "$work/out"
  ((keep)) || rm -rf -- "$work"
}
trap cleanup EXIT
for _ in $(seq 1 50); do
  curl -fsI "http://127.0.0.1:$port/case256.bin" >/dev/null 2>&1 && break
  sleep 0.1
done

threads="$(python3 -c 'import os; print(max(4, os.cpu_count() * 8 // 5))')"
echo "engine threads (default): $threads; aria2c connections: $threads; curl: 1" >&2

# Runs a command; prints "wall cpu rss_mib" of it and its descendants.
measure() {
  python3 - "$@" <<'PY'
import os, resource, subprocess, sys, time
t0 = time.monotonic()
p = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
_, status, ru = os.wait4(p.pid, 0)
wall = time.monotonic() - t0
children = resource.getrusage(resource.RUSAGE_CHILDREN)
code = os.waitstatus_to_exitcode(status)
print(f"{wall:.2f} {ru.ru_utime + ru.ru_stime:.2f} {max(ru.ru_maxrss, children.ru_maxrss) / 1024:.1f} {code}")
print(f"    user_s={ru.ru_utime:.2f} sys_s={ru.ru_stime:.2f} vcsw={ru.ru_nvcsw} ivcsw={ru.ru_nivcsw}", file=sys.stderr)
PY
}
median() { python3 -c "import statistics, sys; print(f'{statistics.median(map(float, sys.argv[1:])):.2f}')" "$@"; }

declare -A WALL CPU
run_case() {  # case url file
  local name=$1 url=$2 file=$3
  local want round tool
  want="$(md5sum "$work/www/$file" | cut -d' ' -f1)"
  declare -A walls cpus rsss
  for round in $(seq 1 "$runs"); do
    for tool in engine aria2c curl; do
      rm -f "$work/out/"*
      sync
      local cmd
      case $tool in
        engine) cmd=("$fetch" "$url" "$work/out/$file" --no-md5) ;;
        aria2c) cmd=(aria2c -q -x"$threads" -s"$threads" -k1M --piece-length=1M --file-allocation=none
                     --allow-overwrite=true --auto-file-renaming=false -d "$work/out" -o "$file" "$url") ;;
        curl) cmd=(curl -fsS -o "$work/out/$file" "$url") ;;
      esac
      echo "  round $round case=$name tool=$tool" >&2
      read -r wall cpu rss code < <(measure "${cmd[@]}")
      local got
      got="$(md5sum "$work/out/$file" 2>/dev/null | cut -d' ' -f1 || true)"
      [[ $code == 0 && $got == "$want" ]] || echo "WARNING: $tool on $name: exit $code, md5 $got" >&2
      echo "    wall_s=$wall cpu_s=$cpu rss_mib=$rss" >&2
      walls[$tool]+="$wall "
      cpus[$tool]+="$cpu "
      rsss[$tool]+="$rss "
    done
  done
  for tool in engine aria2c curl; do
    # shellcheck disable=SC2086
    WALL[$name.$tool]=$(median ${walls[$tool]})
    # shellcheck disable=SC2086
    CPU[$name.$tool]=$(median ${cpus[$tool]})
    # shellcheck disable=SC2086
    echo "case=$name tool=$tool wall_s=${WALL[$name.$tool]} cpu_s=${CPU[$name.$tool]} rss_mib=$(median ${rsss[$tool]})"
  done
}

run_case throttled "http://127.0.0.1:$port/limited/case256.bin" case256.bin
run_case unthrottled "http://127.0.0.1:$port/case1g.bin" case1g.bin

# The fake package host with a true per-connection pace.
echo "[{\"path\": \"/pkg/*\", \"rate\": \"${rate_mib}MiB\"}]" >"$work/rules.json"
rm -f "$work/fake.port" "$work/fake2.port"
python3 "$top/tests/fake_services/fake_services.py" --port 0 --root "$work/www" --record /dev/null \
  --port-file "$work/fake.port" --config "$work/rules.json" >/dev/null 2>&1 &
fake_pid=$!
for _ in $(seq 1 100); do [[ -s $work/fake.port ]] && break; sleep 0.1; done
fake_port="$(tr -d '\n' <"$work/fake.port")"
run_case throttled-perconn "http://127.0.0.1:$fake_port/pkg/case256.bin" case256.bin
kill "$fake_pid" 2>/dev/null && wait "$fake_pid" 2>/dev/null || true
fake_pid=""

ratio() { python3 -c "import sys; a, b = float(sys.argv[1]), float(sys.argv[2]); print(f'{a / b:.2f}' if b else 'n/a')" "$1" "$2"; }
echo "--- ratios (engine / peer; below 1 means the engine needed less)"
for c in throttled throttled-perconn unthrottled; do
  echo "case=$c wall_vs_aria2c=$(ratio "${WALL[$c.engine]}" "${WALL[$c.aria2c]}") wall_vs_curl=$(ratio "${WALL[$c.engine]}" "${WALL[$c.curl]}") cpu_vs_aria2c=$(ratio "${CPU[$c.engine]}" "${CPU[$c.aria2c]}") cpu_vs_curl=$(ratio "${CPU[$c.engine]}" "${CPU[$c.curl]}")"
done
ideal="$(python3 -c "print(256 / ($threads * $rate_mib))")"
for c in throttled throttled-perconn; do
  echo "case=$c ideal_s=$ideal engine_share_of_ideal=$(ratio "$ideal" "${WALL[$c.engine]}") aria2c_share_of_ideal=$(ratio "$ideal" "${WALL[$c.aria2c]}")"
done

if ((wine)); then
  "$top/scripts/wine-run.sh" --init
  rm -f "$work/out/"*
  "$top/scripts/wine-run.sh" "$top/build/windows/lumevia-fetch.exe" >/dev/null 2>&1 || true  # warm wineserver
  for c in throttled throttled-perconn; do
    url="http://127.0.0.1:$port/limited/case256.bin"
    if [[ $c == throttled-perconn ]]; then
      python3 "$top/tests/fake_services/fake_services.py" --port 0 --root "$work/www" --record /dev/null \
        --port-file "$work/fake2.port" --config "$work/rules.json" >/dev/null 2>&1 &
      fake_pid=$!
      for _ in $(seq 1 100); do [[ -s $work/fake2.port ]] && break; sleep 0.1; done
      url="http://127.0.0.1:$(tr -d '\n' <"$work/fake2.port")/pkg/case256.bin"
    fi
    rm -f "$work/out/"*
    sync
    read -r wall cpu rss code < <(measure "$top/scripts/wine-run.sh" "$top/build/windows/lumevia-fetch.exe" \
        "$url" "Z:$work/out/case256.bin" --no-md5)
    got="$(md5sum "$work/out/case256.bin" 2>/dev/null | cut -d' ' -f1 || true)"
    [[ $code == 0 && $got == "$(md5sum "$work/www/case256.bin" | cut -d' ' -f1)" ]] || echo "WARNING: wine run: exit $code, md5 $got" >&2
    echo "case=$c tool=engine-wine wall_s=$wall cpu_s=$cpu rss_mib=$rss"
    echo "case=$c wine_vs_native_wall=$(ratio "$wall" "${WALL[$c.engine]}")"
    if [[ $c == throttled-perconn ]]; then
      kill "$fake_pid" 2>/dev/null && wait "$fake_pid" 2>/dev/null || true
      fake_pid=""
    fi
  done
fi
