#!/usr/bin/env bash
# Renders every view of the installer's windows into build/screenshots/, one
# PNG per view and language, under Wine and Xvfb with the fonts the skin
# needs, and checks that every text of every language fits its control
# (build/screenshots/report.txt). Exit status: 0 all written and fitting,
# 1 some text does not fit, 2 something failed.
#
#   scripts/screenshots.sh
#
# Needs the Debian packages fonts-wqy-microhei, fonts-lohit-deva,
# fonts-tlwg-loma-ttf, xvfb and wine. Uses its own Wine prefix
# (LUMEVIA_SCREENSHOT_PREFIX, default /var/cache/lumevia/wineprefix-screens),
# set up as every other by scripts/wine-prefix.sh.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# Every Wine step runs on one virtual display, so the prefix's wineserver
# and its desktop process are started with a display they can use.
if [[ -z ${LUMEVIA_SCREENSHOT_XVFB:-} ]]; then
  export LUMEVIA_SCREENSHOT_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
build="$here/build/windows"
out="$here/build/screenshots"
export LUMEVIA_WINEPREFIX="${LUMEVIA_SCREENSHOT_PREFIX:-/var/cache/lumevia/wineprefix-screens}"
export WINEPREFIX="$LUMEVIA_WINEPREFIX" WINEDEBUG=-all WINEARCH=win64

[[ -f $build/build.ninja ]] || cmake --preset windows -S "$here" >/dev/null
if ! log=$(cmake --build "$build" --target ui_screenshots skin_package -j2 2>&1); then
  tail -n 30 <<<"$log" >&2
  echo "screenshots: building ui_screenshots failed" >&2
  exit 2
fi

# The prefix with the fonts and font registry entries of every Wine prefix here.
"$here/scripts/wine-run.sh" --init
# A wineserver of this prefix left from a run without display would be reused.
wineserver -k 2>/dev/null || true

rm -rf "$out"
mkdir -p "$out"
status=0
"$here/scripts/wine-run.sh" "$build/tests/ui/ui_screenshots.exe" \
  "$(winepath -w "$build/skin/skin.zip")" "$(winepath -w "$out")" || status=$?
wineserver -w || true
echo "screenshots: $(ls "$out"/*.png 2>/dev/null | wc -l) pictures in $out; report in $out/report.txt"
exit $status
