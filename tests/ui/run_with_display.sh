#!/usr/bin/env bash
# Runs a Windows test program under Wine on a virtual display of its own,
# in the window tests' own prefix. A wineserver left running from another
# display would hand the program a desktop it cannot draw on, so this
# prefix's wineserver is restarted first and waited for afterwards.
#   run_with_display.sh program.exe [args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LUMEVIA_WINEPREFIX="${LUMEVIA_UI_WINEPREFIX:-/var/cache/lumevia/wineprefix-ui}"
if [[ -z ${LUMEVIA_UI_DISPLAY_SET:-} ]]; then
  export LUMEVIA_UI_DISPLAY_SET=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
export WINEPREFIX="$LUMEVIA_WINEPREFIX" WINEDEBUG=-all
"$here/../../scripts/wine-run.sh" --init
wineserver -k 2>/dev/null || true
rc=0
"$here/../../scripts/wine-run.sh" "$@" || rc=$?
wineserver -w || true
exit $rc
