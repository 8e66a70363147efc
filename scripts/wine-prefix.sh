#!/usr/bin/env bash
# The one set-up of a Wine prefix for everything that runs under Wine here
# (tests, the demo, the screenshots): the prefix itself, the fonts the skin's
# texts need (Wine's own, CJK, Devanagari, Thai) copied where GDI+ sees them,
# and the registry entries that stand in for Windows' fonts (scripts/wine/).
# A stamp in the prefix holds the set-up's version: a prefix set up by an
# older version is set up again, once.
#
#   scripts/wine-prefix.sh [PREFIX]   set up PREFIX (default: $LUMEVIA_WINEPREFIX,
#                                     else /var/cache/lumevia/wineprefix)
#   . scripts/wine-prefix.sh          defines wine_prefix_ready and wine_prefix_setup
#                                     (scripts/wine-run.sh does this)
#
# Needs wine and the Debian packages fonts-wqy-microhei, fonts-lohit-deva and
# fonts-tlwg-loma-ttf (scripts/deps.sh installs them).

# Raise it whenever what the set-up does changes.
LUMEVIA_PREFIX_SETUP_VERSION=2

_wine_prefix_dir=${BASH_SOURCE[0]%/*}
[[ $_wine_prefix_dir == "${BASH_SOURCE[0]}" ]] && _wine_prefix_dir=.
_wine_prefix_dir=$(cd "$_wine_prefix_dir" && pwd)

# Succeeds when PREFIX carries the stamp of this version (no process started:
# every Wine test run asks).
wine_prefix_ready() {
  local v=
  [[ -f $1/.lumevia-setup ]] && read -r v <"$1/.lumevia-setup"
  [[ $v == "$LUMEVIA_PREFIX_SETUP_VERSION" ]]
}

_wine_prefix_fonts() {
  local dir="$1/drive_c/windows/Fonts" f
  local -a fonts=(/usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc
                  /usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf
                  /usr/share/fonts/truetype/tlwg/Loma*.ttf)
  mkdir -p "$dir" || return 1
  for f in "${fonts[@]}"; do
    [[ -f $f ]] || { echo "wine-prefix: missing font $f (run scripts/deps.sh)" >&2; return 1; }
    cp -f "$f" "$dir/" || return 1
  done
}

# regedit reads UTF-16LE with a byte order mark; the files are kept as UTF-8.
_wine_prefix_registry() {
  local prefix=$1 reg src
  for src in "$_wine_prefix_dir"/wine/*.reg.txt; do
    [[ -f $src ]] || { echo "wine-prefix: no registry files in $_wine_prefix_dir/wine" >&2; return 1; }
    reg="$prefix/drive_c/windows/temp/${src##*/}"
    reg=${reg%.txt}
    mkdir -p "${reg%/*}" || return 1
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$src"; } >"$reg" || return 1
    WINEPREFIX="$prefix" wine regedit /S "C:\\windows\\temp\\${reg##*/}" </dev/null >/dev/null 2>&1 || return 1
    rm -f -- "$reg"
  done
}

# Sets PREFIX up unless it is ready. Several processes may ask at once (ctest
# runs tests in parallel): one sets up, the others wait for it.
wine_prefix_setup() {
  local prefix=$1 lock target log
  mkdir -p "${prefix%/*}" || return 1
  exec {lock}>"$prefix.lock"
  flock "$lock"
  if ! wine_prefix_ready "$prefix"; then
    log="$prefix.init.log" target="$prefix"
    rm -rf -- "$prefix".init.*   # left by a set-up that was killed
    # A new prefix is built beside and renamed into place, so a killed set-up never
    # leaves a half-made prefix behind; an existing one is updated in place.
    [[ -e $prefix ]] || target="$prefix.init.$$"
    : >"$log"
    if [[ ! -f $target/system.reg ]]; then
      # No Mono/Gecko install prompts: nothing here needs them and nothing may be downloaded.
      WINEPREFIX="$target" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >>"$log" 2>&1 \
        || { _wine_prefix_failed "$prefix" "$target" "wineboot"; exec {lock}>&-; return 1; }
    fi
    # The registry reaches the prefix's files only when its wineserver ends.
    if ! _wine_prefix_fonts "$target" 2>>"$log" || ! _wine_prefix_registry "$target" 2>>"$log" \
       || ! WINEPREFIX="$target" wineserver -w; then
      _wine_prefix_failed "$prefix" "$target" "fonts or registry"
      exec {lock}>&-
      return 1
    fi
    if ! grep -q '"Microsoft YaHei"="WenQuanYi Micro Hei"' "$target/system.reg" \
       || ! grep -q '"Tahoma Bold"=' "$target/system.reg"; then
      _wine_prefix_failed "$prefix" "$target" "the font entries are not in the registry"
      exec {lock}>&-
      return 1
    fi
    rm -f -- "$target/.lumevia-initialised"   # the stamp of the set-up before fonts
    echo "$LUMEVIA_PREFIX_SETUP_VERSION" >"$target/.lumevia-setup"
    [[ $target == "$prefix" ]] || mv -T "$target" "$prefix"
  fi
  exec {lock}>&-
}

_wine_prefix_failed() {  # _wine_prefix_failed PREFIX TARGET WHAT
  [[ $2 == "$1" ]] || rm -rf -- "$2"
  echo "wine-prefix: setting up $1 failed ($3); see $1.init.log" >&2
  tail -n 20 "$1.init.log" >&2 2>/dev/null || true
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  export WINEDEBUG="${LUMEVIA_WINEDEBUG:--all}" WINEARCH=win64
  prefix="${1:-${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}}"
  wine_prefix_ready "$prefix" || wine_prefix_setup "$prefix"
fi
