#!/usr/bin/env bash
# Run a Windows program under wine: quiet, 64-bit, in a prefix of our own that is
# created and set up (fonts, font registry entries: scripts/wine-prefix.sh) on first use.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs tests through it.
#
#   scripts/wine-run.sh program.exe [args...]   run it; the exit status is the program's
#   scripts/wine-run.sh --init                  only create and set up the prefix
#
# Environment: LUMEVIA_WINEPREFIX (default /var/cache/lumevia/wineprefix);
#              WINEDEBUG is -all unless LUMEVIA_WINEDEBUG says otherwise.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: ${0##*/} program.exe [args...] | --init" >&2
  exit 2
fi

export WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}"
export WINEDEBUG="${LUMEVIA_WINEDEBUG:--all}"
export WINEARCH=win64

here=${BASH_SOURCE[0]%/*}
[[ $here == "${BASH_SOURCE[0]}" ]] && here=.
# shellcheck source=wine-prefix.sh
. "$here/wine-prefix.sh"
wine_prefix_ready "$WINEPREFIX" || wine_prefix_setup "$WINEPREFIX"
[[ $1 == --init ]] && exit 0

exec wine "$@"
