#!/usr/bin/env bash
# A stub built for another product (tests/products: id 777, "Orvane") runs as
# that product: its window class, its configuration in the log, and the
# shipped stub's window guard does not mistake one for the other.
#   other_product_native.sh path/to/stubs/other/lumevia-setup path/to/lumevia-setup
set -euo pipefail
other=$1 shipped=$2
source "$(dirname "$0")/../native/common.sh"
export LUMEVIA_POSIX_ROOT=$work/root TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
has_window() { [[ -n $(ls "$LUMEVIA_POSIX_ROOT/windows/$1" 2>/dev/null) ]]; }
logged() { grep -rqs -- "$1" "$TMPDIR"; }

"$other" >"$work/other.out" 2>&1 & pids+=($!); a=$!
wait_for 10 has_window ZQ_UI_Frame_777 || fail "no window of class ZQ_UI_Frame_777"
wait_for 10 logged '\[Downloader Id\]: 777 ' || fail "the other product's configuration was not read"
! has_window ZQ_UI_Frame_642 || fail "the other product opened the shipped product's window class"

# The shipped stub is another product: it starts beside it.
"$shipped" >"$work/shipped.out" 2>&1 & pids+=($!); b=$!
wait_for 10 has_window ZQ_UI_Frame_642 || fail "the shipped stub did not start beside the other product"
for p in "$a" "$b"; do
  kill -TERM "$p"
  rc=0; wait "$p" || rc=$?
  [[ $rc -eq 0 ]] || fail "exit code $rc after close"
done
echo "other product: ok"
