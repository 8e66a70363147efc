# The common start of the lumevia-fetch tests, sourced by each:
#   source "$(dirname "$0")/fetch_test_lib.sh" "$@"
# Runs the test again beside a package host of its own (with_fake_services.sh),
# then gives it: fetch (the program), base (the host's address), root (its
# served folder), record (its request log), work (a folder removed at exit),
# serve and fetch_into.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
top="$(cd "$here/../.." && pwd)"
if [[ -z ${LUMEVIA_FAKE_PORT:-} ]]; then exec bash "$here/with_fake_services.sh" bash "$0" "$@"; fi

fetch="$1"
root="$LUMEVIA_FAKE_ROOT"
record="$LUMEVIA_FAKE_RECORD"
base="http://127.0.0.1:$LUMEVIA_FAKE_PORT"
work="$(mktemp -d "${TMPDIR:-/tmp}/lumevia-fetch-test.XXXXXX")"
trap 'rm -rf -- "$work"' EXIT

# serve NAME SIZE: SIZE random bytes served as /pkg/NAME; want gets their MD5.
serve() {
  head -c "$2" /dev/urandom >"$root/$1"
  want="$(md5sum "$root/$1" | cut -d' ' -f1)"
}

# fetch_into PATH [NAME=VALUE...]: run gets the command that starts the
# program (a Windows one under wine, with those variables), out gets PATH as
# the program names it.
fetch_into() {
  local path="$1"
  shift
  run=( "$fetch" )
  out="$path"
  if [[ $fetch == *.exe ]]; then
    run=( env "$@" "$top/scripts/wine-run.sh" "$fetch" )
    out="Z:$path"
  fi
}
