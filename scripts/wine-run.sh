#!/usr/bin/env bash
# Run a Windows program under wine: quiet, 64-bit, in a prefix of our own that is
# created on first use. Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs tests through it.
#
#   scripts/wine-run.sh program.exe [args...]   run it; the exit status is the program's
#   scripts/wine-run.sh --init                  only create the prefix (scripts/deps.sh does)
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
marker="$WINEPREFIX/.lumevia-initialised"

init_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  # ctest may start several tests at once: one of them initialises, the others wait.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [[ ! -f $marker ]]; then
    local log="$WINEPREFIX.init.log" target="$WINEPREFIX"
    rm -rf -- "$WINEPREFIX".init.*   # left by an initialisation that was killed
    # A new prefix is built beside and renamed into place, so a killed initialisation
    # never leaves a half-made prefix behind; an existing foreign prefix is updated in place.
    [[ -e $WINEPREFIX ]] || target="$WINEPREFIX.init.$$"
    # No Mono/Gecko install prompts: nothing here needs them and nothing may be downloaded.
    if ! WINEPREFIX="$target" WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >"$log" 2>&1 \
       || ! WINEPREFIX="$target" wineserver -w; then
      [[ $target == "$WINEPREFIX" ]] || rm -rf -- "$target"
      echo "wine-run: initialising $WINEPREFIX failed; see $log" >&2
      exit 1
    fi
    touch "$target/.lumevia-initialised"
    [[ $target == "$WINEPREFIX" ]] || mv -T "$target" "$WINEPREFIX"
  fi
  exec 9>&-
}

[[ -f $marker ]] || init_prefix
[[ $1 == --init ]] && exit 0

exec wine "$@"
