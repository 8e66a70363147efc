#!/usr/bin/env bash
# Under Wine: a stub built for another product (id 777, "Orvane", sea green)
# shows its own window class, title and accent colour instead of the skin's
# blue; the shipped stub shows the blue and none of that green. (The buttons'
# pictures are the skin's own and stay as they are.)
#   other_product_wine.sh path/to/stubs/other/LumeviaSetup.exe path/to/LumeviaSetup.exe path/to/wintool.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
other=$1 shipped=$2 wintool=$3
run="$here/../../scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}" WINEDEBUG=-all
work=$(mktemp -d)
pids=()
tool() { "$run" "$wintool" "$@" | tr -d '\r'; }
cleanup() {
  tool close ZQ_UI_Frame_777 >/dev/null 2>&1 || true
  tool close ZQ_UI_Frame_642 >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
green=2E8B57 blue=1F6FEB

# Copies in folders of their own, so neither finds the other's options file.
mkdir -p "$work/other" "$work/shipped"
cp "$other" "$work/other/LumeviaSetup.exe"
cp "$shipped" "$work/shipped/LumeviaSetup.exe"

# Pixels of a colour once the window has painted it (up to 10 s).
pixels() {  # pixels CLASS RRGGBB
  local n=0
  for _ in $(seq 40); do
    n=$(tool colour "$1" "$2" || echo -1)
    [[ $n -gt 0 ]] && break
    sleep 0.25
  done
  echo "$n"
}
close_and_wait() {  # close_and_wait CLASS PID
  tool close "$1" >/dev/null || fail "no window of class $1 to close"
  timeout -k 5 30 tail --pid="$2" -f /dev/null || fail "$1 did not end after WM_CLOSE"
}

echo "case: the other product's window"
"$run" "$work/other/LumeviaSetup.exe" >"$work/other.out" 2>&1 & pids+=($!); a=$!
tool wait ZQ_UI_Frame_777 20000 || fail "no window of class ZQ_UI_Frame_777"
title=$(tool title ZQ_UI_Frame_777)
[[ $title == Orvane ]] || fail "title '$title', expected 'Orvane'"
n=$(pixels ZQ_UI_Frame_777 $green)
[[ $n -gt 0 ]] || fail "the accent colour #$green is not on the window"
n=$(tool colour ZQ_UI_Frame_777 $blue)
[[ $n -eq 0 ]] || fail "the skin's blue is still on the window ($n pixels)"
! tool find ZQ_UI_Frame_642 || fail "the shipped product's window class appeared"
close_and_wait ZQ_UI_Frame_777 "$a"

echo "case: the shipped product's window has none of it"
"$run" "$work/shipped/LumeviaSetup.exe" >"$work/shipped.out" 2>&1 & pids+=($!); b=$!
tool wait ZQ_UI_Frame_642 20000 || fail "no window of class ZQ_UI_Frame_642"
n=$(pixels ZQ_UI_Frame_642 $blue)
[[ $n -gt 0 ]] || fail "the skin's blue is not on the shipped window"
title=$(tool title ZQ_UI_Frame_642)
[[ $title == Lumevia ]] || fail "title '$title', expected 'Lumevia'"
n=$(tool colour ZQ_UI_Frame_642 $green)
[[ $n -eq 0 ]] || fail "the shipped window shows the other product's colour ($n pixels)"
close_and_wait ZQ_UI_Frame_642 "$b"
echo "other product under Wine: ok"
