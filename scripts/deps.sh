#!/usr/bin/env bash
# shellcheck disable=SC2034  # LIB_DEPS_*/LIB_FILES_* are read through ${!name}
# Installs everything the project needs on Debian 12, natively and for the Windows x64 build:
#   1. apt packages (skipped when all are installed already);
#   2. a deb-src entry for the configured Debian mirrors (so `apt-get source` works);
#   3. static mingw-w64 (x86_64, posix threads) builds of zlib+minizip, curl (Schannel), jsoncpp,
#      tinyxml2 and googletest/googlemock from Debian's sources, into a cached prefix
#      (LUMEVIA_MINGW_PREFIX, default /var/cache/lumevia/mingw64);
#   4. a smoke test of that prefix under wine (after a rebuild, or with --check);
#   5. the wine prefix that scripts/wine-run.sh (hence ctest) uses.
# Idempotent: a rerun with everything in place takes seconds. Run as root.
#
#   scripts/deps.sh [--check] [--rebuild] [--skip-apt]
#     --check     run the cross smoke test even when nothing was rebuilt
#     --rebuild   rebuild every cross library, ignoring the stamps
#     --skip-apt  do not install apt packages (steps 2-3 still need the build tools)
#
# Environment: LUMEVIA_CACHE (default /var/cache/lumevia), LUMEVIA_MINGW_PREFIX,
#              LUMEVIA_EXTRA_APT_PACKAGES (space separated, added to the apt list).
set -euo pipefail

# ---------------------------------------------------------------------------------------------
# apt packages. "a|b" means: satisfied if either is installed, otherwise install the first one
# the archive has.
APT_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  libcurl4-openssl-dev libjsoncpp-dev libtinyxml2-dev libeasyloggingpp-dev libminizip-dev
  zlib1g-dev libgtest-dev libgmock-dev googletest
  zip unzip dpkg-dev
  wine wine64 xvfb xauth xdotool osslsigncode
  python3 "nginx-light|nginx" aria2 curl
)
# >>> Packages added by other parts of the project (fonts, tools, ...): append them here. <<<
EXTRA_APT_PACKAGES=(
  # Fonts the skin's texts need under Wine (CJK, Devanagari, Thai).
  fonts-wqy-microhei fonts-lohit-deva fonts-tlwg-loma-ttf
  # The test package's signing certificates (package/sign_package.py).
  openssl
  # zopflipng: the stub's pictures in their smallest lossless encoding (scripts/skin_png.py).
  zopfli
  # xwd: the demo's window pictures (scripts/demo.sh, turned into PNG by scripts/xwd_png.py).
  x11-apps
  # clang with libFuzzer, ASan and UBSan: the fuzz targets (scripts/fuzz.sh).
  clang libclang-rt-14-dev
)
# ---------------------------------------------------------------------------------------------

SCRIPT_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO_ROOT="$(cd "$SCRIPT_DIR/.." && pwd)"
TOOLCHAIN="$REPO_ROOT/cmake/toolchain-mingw64.cmake"
WINE_RUN="$SCRIPT_DIR/wine-run.sh"

CACHE="${LUMEVIA_CACHE:-/var/cache/lumevia}"
PREFIX="${LUMEVIA_MINGW_PREFIX:-$CACHE/mingw64}"
BUILD_ROOT="$CACHE/build"
STAMP_DIR="$PREFIX/.stamps"
SRC_LIST=/etc/apt/sources.list.d/lumevia-src.sources

TRIPLE=x86_64-w64-mingw32
CC="$TRIPLE-gcc-posix"
CXX="$TRIPLE-g++-posix"
AR="$TRIPLE-ar"
JOBS=2
[[ $(nproc 2>/dev/null || echo 1) -lt 2 ]] && JOBS=1

LIBS=(zlib curl jsoncpp tinyxml2 googletest)   # build order; curl needs zlib

CHECK=0 REBUILD=0 SKIP_APT=0
for arg in "$@"; do
  case $arg in
    --check) CHECK=1 ;;
    --rebuild) REBUILD=1 ;;
    --skip-apt) SKIP_APT=1 ;;
    -h|--help) sed -n '3,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "deps.sh: unknown argument: $arg" >&2; exit 2 ;;
  esac
done

export DEBIAN_FRONTEND=noninteractive
export LC_ALL=C.UTF-8

log()  { printf '[deps] %s\n' "$*"; }
die()  { printf '[deps] ERROR: %s\n' "$*" >&2; exit 1; }
now()  { date +%s.%N; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

TIMINGS=()
step_start() { STEP_NAME=$1; STEP_T0=$(now); log "== $1"; }
step_end()   { local t; t=$(secs "$STEP_T0" "$(now)"); TIMINGS+=("$(printf '%-34s %7ss' "$STEP_NAME" "$t")"); log "-- $STEP_NAME: ${t}s"; }

[[ $(id -u) -eq 0 ]] || die "run as root (apt-get and $CACHE need it)"
[[ -f $TOOLCHAIN ]] || die "missing $TOOLCHAIN"
T_ALL=$(now)

mkdir -p "$CACHE"
exec 8>"$CACHE/.deps.lock"
flock 8 || die "cannot lock $CACHE/.deps.lock"

# Clean up whatever a step leaves behind on any exit.
CLEANUP=() CLEANUP_PIDS=()
on_exit() {
  local f p
  for p in "${CLEANUP_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  for f in "${CLEANUP[@]}"; do rm -f -- "$f"; done
}
trap on_exit EXIT

# =============================================================================================
# 1. apt packages
# =============================================================================================
apt_install_packages() {
  local -a wanted=("${APT_PACKAGES[@]}" "${EXTRA_APT_PACKAGES[@]}")
  # shellcheck disable=SC2206
  [[ -n ${LUMEVIA_EXTRA_APT_PACKAGES:-} ]] && wanted+=(${LUMEVIA_EXTRA_APT_PACKAGES})

  local -A installed=()
  local name state
  while read -r name state; do
    [[ $state == ii ]] && installed[$name]=1
  done < <(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' 2>/dev/null || true)

  local -a missing=() alts
  local entry alt ok
  for entry in "${wanted[@]}"; do
    IFS='|' read -r -a alts <<<"$entry"
    ok=0
    for alt in "${alts[@]}"; do [[ -n ${installed[$alt]:-} ]] && ok=1 && break; done
    [[ $ok -eq 1 ]] || missing+=("$entry")
  done
  if [[ ${#missing[@]} -eq 0 ]]; then
    log "all ${#wanted[@]} apt packages already installed"
    return
  fi

  log "installing: ${missing[*]}"
  apt-get update -q
  local -a to_install=()
  for entry in "${missing[@]}"; do
    IFS='|' read -r -a alts <<<"$entry"
    ok=0
    for alt in "${alts[@]}"; do
      if apt-cache show "$alt" >/dev/null 2>&1; then to_install+=("$alt"); ok=1; break; fi
    done
    [[ $ok -eq 1 ]] || die "no package in the archive for: $entry"
  done

  # Packages such as nginx start their service from the maintainer scripts; the project
  # starts its own servers, so keep installs from starting any (standard policy-rc.d hook).
  if [[ ! -e /usr/sbin/policy-rc.d ]]; then
    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
    chmod 755 /usr/sbin/policy-rc.d
    CLEANUP+=(/usr/sbin/policy-rc.d)
  fi
  # With Recommends, as a plain `apt-get install` would: wine needs several of them (GnuTLS
  # for its Schannel, fonts, X libraries).
  apt-get install -y -q "${to_install[@]}" </dev/null
}

# =============================================================================================
# 2. deb-src entry
# =============================================================================================
have_deb_src() {
  grep -Eqs '^[[:space:]]*Types:.*(^|[[:space:]:])deb-src([[:space:]]|$)' /etc/apt/sources.list.d/*.sources \
    || grep -Eqs '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list
}

# Print deb822 deb-src stanzas mirroring the enabled "deb" ones found in the apt configuration.
deb_src_stanzas() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f $f && $f != "$SRC_LIST" ]] || continue
    awk '
      function flush() {
        if (deb && !off && body != "") printf "Types: deb-src\n%s\n", body
        body = ""; deb = 0; off = 0; skip = 0
      }
      /^[[:space:]]*$/ { flush(); next }
      /^#/             { next }
      /^[^[:space:]]/ {
        skip = 0
        key = tolower(substr($0, 1, index($0, ":") - 1))
        val = substr($0, index($0, ":") + 1)
        if (key == "types") { if (val ~ /(^|[[:space:]])deb([[:space:]]|$)/) deb = 1; skip = 1; next }
        if (key == "enabled") { if (val ~ /no/) off = 1; skip = 1; next }
        if (key == "architectures") { skip = 1; next }
        body = body $0 "\n"; next
      }
      { if (!skip) body = body $0 "\n" }   # continuation line (e.g. an inline Signed-By key)
      END { flush() }
    ' "$f"
  done
  # One-line format: deb [options] URI suite [components...]
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f ]] || continue
    awk '
      $1 != "deb" { next }
      {
        i = 2; signed = ""
        if ($2 ~ /^\[/) {
          opts = ""
          for (; i <= NF; i++) { opts = opts " " $i; if ($i ~ /\]$/) { i++; break } }
          if (match(opts, /signed-by=[^] ]+/)) signed = substr(opts, RSTART + 10, RLENGTH - 10)
        }
        uri = $(i); suite = $(i + 1); comps = ""
        for (j = i + 2; j <= NF; j++) comps = comps (comps == "" ? "" : " ") $j
        if (uri == "" || suite == "") next
        printf "Types: deb-src\nURIs: %s\nSuites: %s\n", uri, suite
        if (comps != "") printf "Components: %s\n", comps
        if (signed != "") printf "Signed-By: %s\n", signed
        printf "\n"
      }
    ' "$f"
  done
}

ensure_deb_src() {
  local need_update=0
  if have_deb_src; then
    log "a deb-src entry exists"
  else
    local stanzas tmp
    stanzas="$(deb_src_stanzas)"
    if ! grep -q '^URIs:' <<<"$stanzas"; then
      log "no deb entries could be parsed; using deb.debian.org bookworm main"
      stanzas=$'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
    fi
    tmp="$SRC_LIST.tmp"
    { echo "# Source entries for scripts/deps.sh (apt-get source); mirrors the deb entries."
      printf '%s\n' "$stanzas"; } >"$tmp"
    mv "$tmp" "$SRC_LIST"
    log "wrote $SRC_LIST"
    need_update=1
  fi
  if ! compgen -G '/var/lib/apt/lists/*_Sources*' >/dev/null; then need_update=1; fi
  if [[ $need_update -eq 1 ]]; then
    apt-get update -q
  else
    log "source indexes present; apt-get update not needed"
  fi
}

# =============================================================================================
# 3. static mingw-w64 libraries
# =============================================================================================
# Each build_<lib> runs in an empty work dir, with set -e, output to a log. Stamps hash the
# function bodies, the helpers, the toolchain file, the compiler version and the stamps of the
# libraries it depends on, so editing a section rebuilds exactly what it affects.

# Source versions of <pkg> known to apt, newest first.
source_versions() {
  local v sorted=() i j
  while read -r v; do
    [[ -n $v ]] || continue
    for ((i = 0; i < ${#sorted[@]}; i++)); do
      dpkg --compare-versions "$v" gt "${sorted[i]}" && break
    done
    sorted=("${sorted[@]:0:i}" "$v" "${sorted[@]:i}")
  done < <(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u)
  for j in "${sorted[@]}"; do echo "$j"; done
}

# apt-get source <pkg> into ./src and its version into ./VERSION. Tries the newest source
# version first and falls back to older ones (a mirror may lack e.g. the security pool's
# sources); refreshes the indexes once if none can be fetched.
fetch_source() {
  local pkg=$1 dir v attempt newest
  local -a versions
  for attempt in 1 2; do
    mapfile -t versions < <(source_versions "$pkg")
    [[ ${#versions[@]} -gt 0 ]] || versions=("")
    newest=${versions[0]}
    for v in "${versions[@]}"; do
      rm -rf -- ./*/ ./*.dsc ./*.tar.* ./*.diff.gz
      if apt-get -q -o APT::Sandbox::User=root source --only-source "$pkg${v:+=$v}" >fetch.log 2>&1; then
        [[ $v == "$newest" ]] || echo "WARNING: $pkg $newest could not be fetched; built $v instead"
        break 2
      fi
      grep -E '^(E|Err):' fetch.log || cat fetch.log
      echo "apt-get source $pkg${v:+=$v} failed"
    done
    [[ $attempt -eq 1 ]] || { echo "no source version of $pkg could be fetched"; return 1; }
    echo "refreshing the indexes once"
    apt-get update -q
  done
  dir=$(find . -mindepth 1 -maxdepth 1 -type d -name "$pkg-*" | head -n1)
  [[ -n $dir ]] || { echo "no source dir for $pkg"; return 1; }
  mv "$dir" src
  sed -n 's/^Version: //p' ./*.dsc | head -n1 >VERSION
  echo "source: $pkg $(cat VERSION)"
}

static_lib() {  # static_lib <lib.a> <cflags...> -- <c sources without .c>
  local out=$1 f; shift
  local -a cflags=() objs=()
  while [[ $1 != -- ]]; do cflags+=("$1"); shift; done
  shift
  for f in "$@"; do
    "$CC" "${cflags[@]}" -c "$f.c" -o "$f.o"
    objs+=("$f.o")
  done
  rm -f "$out"
  "$AR" rcs "$out" "${objs[@]}"
}

cmake_build() {  # cmake_build <source dir> [-D...]
  local src=$1; shift
  cmake -S "$src" -B build -G Ninja --no-warn-unused-cli \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DLUMEVIA_MINGW_PREFIX="$PREFIX" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@"
  cmake --build build -j "$JOBS"
  cmake --install build
}

# The libraries linked into the stub: -Os, and one section per function and datum so that
# the linker's --gc-sections can drop what the stub does not reach.
SIZE_FLAGS=(-DCMAKE_BUILD_TYPE=MinSizeRel
  "-DCMAKE_C_FLAGS=-ffunction-sections -fdata-sections"
  "-DCMAKE_CXX_FLAGS=-ffunction-sections -fdata-sections")

LIB_DEPS_zlib=""
LIB_FILES_zlib="lib/libz.a lib/libminizip.a include/zlib.h include/minizip/unzip.h include/minizip/zip.h include/minizip/ioapi.h lib/pkgconfig/zlib.pc lib/pkgconfig/minizip.pc lib/cmake/minizip/minizipConfig.cmake"
build_zlib() {
  fetch_source zlib
  cd src
  # zlib: Debian's dfsg tarball has no win32/ makefiles and ./configure refuses mingw, so
  # compile the library sources directly (as zlib's own mingw makefile does).
  static_lib libz.a -O2 -Wall -- adler32 compress crc32 deflate gzclose gzlib gzread gzwrite \
    infback inffast inflate inftrees trees uncompr zutil
  install -d "$PREFIX/include/minizip" "$PREFIX/lib/pkgconfig" "$PREFIX/lib/cmake/minizip"
  install -m644 zlib.h zconf.h "$PREFIX/include/"
  install -m644 libz.a "$PREFIX/lib/"
  local zver
  zver=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' zlib.h)
  cat >"$PREFIX/lib/pkgconfig/zlib.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library (static, mingw-w64)
Version: $zver
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF

  # minizip from contrib/. mingw-w64's stdio has fopen64/ftello64/fseeko64, so ioapi keeps
  # 64-bit file offsets (no USE_FILE32API); iowin32 adds the native Win32 file API.
  cd contrib/minizip
  # The mirror may only have the pre-security-update source, whose zipOpenNewFileInZip4_64
  # lets names/comments/extra fields longer than the 16-bit header fields through
  # (CVE-2023-45853). Add upstream's length check when the fetched zip.c lacks it.
  if ! grep -q 'fit in 16 bits' zip.c; then
    awk '
      /^extern int ZEXPORT zipOpenNewFileInZip4_64/ { infn = 1 }
      { print }
      infn && /^    size_filename = \(uInt\)strlen\(filename\);/ {
        print "    /* Lengths must fit in 16 bits (header fields). */"
        print "    if (size_filename > 0xffff || size_comment > 0xffff ||"
        print "        size_extrafield_local > 0xffff || size_extrafield_global > 0xffff)"
        print "        return ZIP_PARAMERROR;"
        infn = 0; done = 1
      }
      END { if (!done) exit 1 }
    ' zip.c >zip.c.new
    mv zip.c.new zip.c
    echo "WARNING: added the 16-bit length check (CVE-2023-45853) to minizip's zip.c"
  fi
  static_lib libminizip.a -O2 -Wall -I"$PREFIX/include" -- ioapi unzip zip mztools iowin32
  install -m644 libminizip.a "$PREFIX/lib/"
  install -m644 crypt.h ioapi.h iowin32.h mztools.h unzip.h zip.h "$PREFIX/include/minizip/"
  cat >"$PREFIX/lib/pkgconfig/minizip.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: minizip
Description: minizip zip file library from zlib's contrib (static, mingw-w64)
Version: $zver
Requires.private: zlib
Libs: -L\${libdir} -lminizip
Libs.private: -lz
Cflags: -I\${includedir}/minizip -I\${includedir}
EOF
  cat >"$PREFIX/lib/cmake/minizip/minizipConfig.cmake" <<'EOF'
# minizip::minizip (static), written by scripts/deps.sh. Headers: <minizip/unzip.h> or <unzip.h>.
include(CMakeFindDependencyMacro)
find_dependency(ZLIB)
get_filename_component(_minizip_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET minizip::minizip)
  add_library(minizip::minizip STATIC IMPORTED)
  set_target_properties(minizip::minizip PROPERTIES
    IMPORTED_LOCATION "${_minizip_prefix}/lib/libminizip.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_minizip_prefix}/include;${_minizip_prefix}/include/minizip"
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()
set(minizip_FOUND TRUE)
unset(_minizip_prefix)
EOF
}

LIB_DEPS_curl="zlib"
LIB_FILES_curl="lib/libcurl.a include/curl/curl.h lib/pkgconfig/libcurl.pc lib/cmake/CURL/CURLConfig.cmake"
build_curl() {
  fetch_source curl
  # Schannel is the only TLS backend (Windows' own certificate store, no CA bundle); zlib on;
  # everything that would need another third-party library off. Only what the product speaks:
  # HTTP and HTTPS (so a redirect can lead nowhere else), through a proxy, basic auth, gzip
  # answers; no cookies, MIME, netrc, DoH, alt-svc/HSTS caches, NTLM/digest, date parsing or
  # message texts (nothing reads them). Built for size: every byte of it is in the download.
  cmake_build src "${SIZE_FLAGS[@]}" \
    -DHTTP_ONLY=ON -DCURL_DISABLE_COOKIES=ON -DCURL_DISABLE_MIME=ON -DCURL_DISABLE_NETRC=ON \
    -DCURL_DISABLE_DOH=ON -DCURL_DISABLE_ALTSVC=ON -DCURL_DISABLE_HSTS=ON \
    -DCURL_DISABLE_CRYPTO_AUTH=ON -DCURL_DISABLE_NTLM=ON -DCURL_DISABLE_PARSEDATE=ON \
    -DCURL_DISABLE_GETOPTIONS=ON -DCURL_DISABLE_LIBCURL_OPTION=ON \
    -DCURL_DISABLE_PROGRESS_METER=ON -DCURL_DISABLE_VERBOSE_STRINGS=ON \
    -DBUILD_CURL_EXE=OFF -DENABLE_MANUAL=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_WINDOWS_SSPI=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_MBEDTLS=OFF -DCURL_USE_BEARSSL=OFF \
    -DCURL_USE_WOLFSSL=OFF -DCURL_USE_NSS=OFF \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
    -DCURL_ZLIB=ON -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
    -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_MSH3=OFF \
    -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF -DUSE_LIBRTMP=OFF \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON
  # curl's CMake writes the compiler's implicit libraries and an absolute libz.a path into
  # libcurl.pc and leaves CURL_STATICLIB out; state the static usage plainly instead.
  local pc="$PREFIX/lib/pkgconfig/libcurl.pc"
  sed -i -e '/^Requires/d' \
    -e 's|^Libs:.*|Requires.private: zlib\nLibs: -L${libdir} -lcurl|' \
    -e 's|^Libs.private:.*|Libs.private: -lws2_32 -lcrypt32 -lsecur32 -lbcrypt -ladvapi32 -liphlpapi -lwinmm|' \
    -e 's|^Cflags:.*|Cflags: -I${includedir} -DCURL_STATICLIB|' "$pc"
  rm -f "$PREFIX/bin/curl-config"   # same bogus flags; a cross build has no use for it
  rmdir --ignore-fail-on-non-empty "$PREFIX/bin" 2>/dev/null || true
}

LIB_DEPS_jsoncpp=""
LIB_FILES_jsoncpp="lib/libjsoncpp.a include/json/json.h lib/pkgconfig/jsoncpp.pc lib/cmake/jsoncpp/jsoncppConfig.cmake"
build_jsoncpp() {
  fetch_source libjsoncpp
  cmake_build src "${SIZE_FLAGS[@]}" \
    -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_EXAMPLE=OFF \
    -DJSONCPP_WITH_PKGCONFIG_SUPPORT=ON -DJSONCPP_WITH_CMAKE_PACKAGE=ON
}

LIB_DEPS_tinyxml2=""
LIB_FILES_tinyxml2="lib/libtinyxml2.a include/tinyxml2.h lib/pkgconfig/tinyxml2.pc lib/cmake/tinyxml2/tinyxml2-config.cmake"
build_tinyxml2() {
  fetch_source tinyxml2
  cmake_build src "${SIZE_FLAGS[@]}" -Dtinyxml2_BUILD_TESTING=OFF
}

LIB_DEPS_googletest=""
LIB_FILES_googletest="lib/libgtest.a lib/libgtest_main.a lib/libgmock.a lib/libgmock_main.a include/gtest/gtest.h include/gmock/gmock.h lib/cmake/GTest/GTestConfig.cmake lib/pkgconfig/gtest.pc"
GTEST_SRC=/usr/src/googletest   # Debian's googletest package ships the full source tree here
build_googletest() {
  [[ -f $GTEST_SRC/CMakeLists.txt ]] || { echo "$GTEST_SRC missing (apt package googletest)"; return 1; }
  dpkg-query -W -f='${Version}\n' googletest >VERSION
  echo "source: $GTEST_SRC (googletest $(cat VERSION))"
  # On MinGW googletest uses Win32 threads itself; gtest_disable_pthreads stays OFF.
  cmake_build "$GTEST_SRC" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF
}

lib_hash() {
  local lib=$1 dep deps_var="LIB_DEPS_$1" files_var="LIB_FILES_$1"
  {
    declare -f "build_$lib" source_versions fetch_source static_lib cmake_build
    declare -f "build_$lib" | grep -q SIZE_FLAGS && printf '%s\n' "${SIZE_FLAGS[@]}"
    echo "${!deps_var} ${!files_var} $PREFIX $TRIPLE"
    [[ $lib == googletest ]] && dpkg-query -W -f='${Version}\n' googletest
    cat "$TOOLCHAIN"
    "$CXX" --version | head -n1
    for dep in ${!deps_var}; do sed -n 's/^hash=//p' "$STAMP_DIR/$dep.stamp" 2>/dev/null; done
  } | sha256sum | cut -d' ' -f1
}

stamp_ok() {  # stamp_ok <lib> <hash>
  local lib=$1 want=$2 f files_var="LIB_FILES_$1"
  [[ -f $STAMP_DIR/$lib.stamp ]] || return 1
  [[ $(sed -n 's/^hash=//p' "$STAMP_DIR/$lib.stamp") == "$want" ]] || return 1
  for f in ${!files_var}; do [[ -e $PREFIX/$f ]] || return 1; done
}

build_lib() {
  local lib=$1 want files_var="LIB_FILES_$1" work rc f
  want=$(lib_hash "$lib")
  if [[ $REBUILD -eq 0 ]] && stamp_ok "$lib" "$want"; then
    log "$lib: up to date ($(sed -n 's/^source=//p' "$STAMP_DIR/$lib.stamp"))"
    return
  fi
  rm -f "$STAMP_DIR/$lib.stamp"
  work="$BUILD_ROOT/$lib"
  rm -rf "$work"
  mkdir -p "$work" "$STAMP_DIR"
  log "$lib: building (log: $BUILD_ROOT/$lib.log)"
  set +e
  ( set -e; cd "$work"; "build_$lib" ) >"$BUILD_ROOT/$lib.log" 2>&1 </dev/null
  rc=$?
  set -e
  if [[ $rc -ne 0 ]]; then
    tail -n 40 "$BUILD_ROOT/$lib.log" >&2
    die "$lib: build failed (exit $rc); full log: $BUILD_ROOT/$lib.log, tree kept in $work"
  fi
  for f in ${!files_var}; do
    [[ -e $PREFIX/$f ]] || die "$lib: build succeeded but $PREFIX/$f is missing"
  done
  grep '^WARNING' "$BUILD_ROOT/$lib.log" | while read -r line; do log "$lib: $line"; done || true
  { echo "hash=$want"
    echo "source=$lib $(cat "$work/VERSION" 2>/dev/null || echo '?')"
    echo "built=$(date -u +%Y-%m-%dT%H:%M:%SZ)"
    echo "files=${!files_var}"
  } >"$STAMP_DIR/$lib.stamp.tmp"
  mv "$STAMP_DIR/$lib.stamp.tmp" "$STAMP_DIR/$lib.stamp"
  rm -rf "$work"
  touch "$STAMP_DIR/smoke-pending"   # cleared only by a passing smoke test
}

# =============================================================================================
# Smoke test: one static exe using every library, run under wine; plus a gtest/gmock exe.
# =============================================================================================
SMOKE_ALLOWED_DLLS='^(kernel32|msvcrt|ucrtbase|ws2_32|crypt32|advapi32|user32|gdi32|bcrypt|secur32|iphlpapi|normaliz|wldap32|ole32|oleaut32|shell32|shlwapi|rpcrt4|version|ntdll|api-ms-win-.*)\.dll$'

check_imports() {  # check_imports <exe>: fail on any DLL that is not a Windows system DLL
  local exe=$1 dll bad=0
  local -a dlls
  mapfile -t dlls < <("$TRIPLE-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [[ ${#dlls[@]} -gt 0 ]] || die "smoke: no imports found in $exe"
  for dll in "${dlls[@]}"; do
    if ! grep -Eqi "$SMOKE_ALLOWED_DLLS" <<<"$dll"; then
      echo "smoke: $exe imports non-system DLL $dll" >&2
      bad=1
    fi
  done
  [[ $bad -eq 0 ]] || die "smoke: $exe is not fully static"
  log "smoke: ${exe##*/} imports only: ${dlls[*]}"
}

write_smoke_sources() {
  cat >smoke.cpp <<'EOF'
#include <curl/curl.h>
#include <json/json.h>
#include <tinyxml2.h>
#include <zlib.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

static int failures = 0;
#define CHECK(cond) do { if (!(cond)) { std::cerr << "FAIL " << __LINE__ << ": " #cond "\n"; ++failures; } } while (0)

static size_t collect(char *p, size_t s, size_t n, void *ud) {
    static_cast<std::string *>(ud)->append(p, s * n);
    return s * n;
}

int main(int argc, char **argv) {
    char tmp[MAX_PATH];
    CHECK(GetTempPathA(sizeof tmp, tmp) > 0);
    const std::string dir = tmp;

    // curl: version/features, HTTP and HTTPS the only protocols, then a real transfer from the
    // server run_smoke started (argv: URL, expected body).
    CHECK(argc == 3);
    if (argc != 3) return 1;
    CHECK(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK);
    std::cout << "curl: " << curl_version() << "\n";
    const curl_version_info_data *vi = curl_version_info(CURLVERSION_NOW);
    CHECK(vi->ssl_version && std::strstr(vi->ssl_version, "Schannel"));
    CHECK(vi->features & CURL_VERSION_SSL);
    CHECK(vi->features & CURL_VERSION_LIBZ);
    std::string protocols;
    for (const char *const *p = vi->protocols; *p; ++p) protocols += std::string(protocols.empty() ? "" : " ") + *p;
    std::cout << "curl protocols: " << protocols << "\n";
    CHECK(protocols == "http https");
    std::string got;
    CURL *h = curl_easy_init();
    CHECK(h != nullptr);
    curl_easy_setopt(h, CURLOPT_URL, argv[1]);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &got);
    CURLcode rc = curl_easy_perform(h);
    CHECK(rc == CURLE_OK);
    CHECK(got == argv[2]);
    curl_easy_setopt(h, CURLOPT_URL, ("file:///" + dir).c_str());
    CHECK(curl_easy_perform(h) == CURLE_UNSUPPORTED_PROTOCOL);
    curl_easy_cleanup(h);
    curl_global_cleanup();

    // jsoncpp
    Json::Value root;
    std::string errs;
    Json::CharReaderBuilder rb;
    std::istringstream js(R"({"a":[1,2,3],"b":"x\u00e9"})");
    CHECK(Json::parseFromStream(rb, js, &root, &errs));
    CHECK(root["a"].size() == 3 && root["a"][2].asInt() == 3);
    CHECK(root["b"].asString() == "x\xc3\xa9");

    // tinyxml2
    tinyxml2::XMLDocument doc;
    CHECK(doc.Parse("<r><i v=\"7\">t</i></r>") == tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement *i = doc.FirstChildElement("r") ? doc.FirstChildElement("r")->FirstChildElement("i") : nullptr;
    CHECK(i && i->IntAttribute("v") == 7 && std::string(i->GetText()) == "t");

    // zlib round trip
    std::vector<unsigned char> raw(20000);
    for (size_t k = 0; k < raw.size(); ++k) raw[k] = static_cast<unsigned char>((k * 7) % 251);
    uLongf clen = compressBound(raw.size());
    std::vector<unsigned char> comp(clen);
    CHECK(compress2(comp.data(), &clen, raw.data(), raw.size(), 9) == Z_OK);
    CHECK(clen < raw.size());
    std::vector<unsigned char> back(raw.size());
    uLongf blen = back.size();
    CHECK(uncompress(back.data(), &blen, comp.data(), clen) == Z_OK);
    CHECK(blen == raw.size() && back == raw);
    CHECK(std::strcmp(zlibVersion(), ZLIB_VERSION) == 0);

    // minizip: write a deflated entry, read it back
    const std::string zpath = dir + "lumevia-smoke.zip";
    zipFile zf = zipOpen64(zpath.c_str(), APPEND_STATUS_CREATE);
    CHECK(zf != nullptr);
    if (zf) {
        CHECK(zipOpenNewFileInZip64(zf, "dir/hello.txt", nullptr, nullptr, 0, nullptr, 0, nullptr,
                                    Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK);
        CHECK(zipWriteInFileInZip(zf, raw.data(), raw.size()) == ZIP_OK);
        CHECK(zipCloseFileInZip(zf) == ZIP_OK);
        // Names longer than the 16-bit header field must be refused, not truncated.
        const std::string longname(70000, 'n');
        CHECK(zipOpenNewFileInZip64(zf, longname.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                    Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_PARAMERROR);
        CHECK(zipClose(zf, nullptr) == ZIP_OK);
    }
    unzFile uf = unzOpen64(zpath.c_str());
    CHECK(uf != nullptr);
    if (uf) {
        CHECK(unzLocateFile(uf, "dir/hello.txt", 0) == UNZ_OK);
        unz_file_info64 info;
        CHECK(unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK);
        CHECK(info.uncompressed_size == raw.size() && info.compression_method == Z_DEFLATED);
        CHECK(unzOpenCurrentFile(uf) == UNZ_OK);
        std::vector<unsigned char> out(raw.size() + 16);
        int n = unzReadCurrentFile(uf, out.data(), static_cast<unsigned>(out.size()));
        CHECK(n == static_cast<int>(raw.size()));
        out.resize(n > 0 ? n : 0);
        CHECK(out == raw);
        unzCloseCurrentFile(uf);
        unzClose(uf);
    }

    // posix-thread runtime linked in statically
    int value = 0;
    std::thread t([&] { value = 42; });
    t.join();
    CHECK(value == 42);

    DeleteFileA(zpath.c_str());
    std::cout << (failures ? "smoke: FAILED" : "smoke: all checks passed") << std::endl;
    return failures ? 1 : 0;
}
EOF
  cat >smoke_gtest.cpp <<'EOF'
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstdlib>

struct Adder { virtual ~Adder() = default; virtual int add(int, int) = 0; };
struct MockAdder : Adder { MOCK_METHOD(int, add, (int, int), (override)); };

TEST(Smoke, Arithmetic) { EXPECT_EQ(2 + 2, 4); }
TEST(Smoke, Mock) {
  MockAdder m;
  EXPECT_CALL(m, add(2, 3)).WillOnce(::testing::Return(5));
  EXPECT_EQ(m.add(2, 3), 5);
}
TEST(Smoke, DeliberateFailureIsReported) {
  if (std::getenv("SMOKE_EXPECT_FAIL")) { EXPECT_EQ(1, 2); }
}
EOF
}

run_smoke() {
  local dir="$BUILD_ROOT/smoke" out
  rm -rf "$dir"; mkdir -p "$dir"; cd "$dir"
  write_smoke_sources
  local -a pc=(env PKG_CONFIG_LIBDIR="$PREFIX/lib/pkgconfig" PKG_CONFIG_PATH= pkg-config)
  local -a link=(-static -static-libgcc -static-libstdc++)
  # shellcheck disable=SC2046
  "$CXX" -std=c++17 -O1 -Wall $("${pc[@]}" --cflags libcurl jsoncpp tinyxml2 zlib minizip) \
    smoke.cpp -o smoke.exe "${link[@]}" $("${pc[@]}" --static --libs libcurl jsoncpp tinyxml2 minizip zlib) \
    || die "smoke: compiling/linking smoke.cpp failed"
  # shellcheck disable=SC2046
  "$CXX" -std=c++17 -O1 $("${pc[@]}" --cflags gmock_main) smoke_gtest.cpp -o smoke_gtest.exe \
    "${link[@]}" $("${pc[@]}" --static --libs gmock_main) || die "smoke: compiling/linking smoke_gtest.cpp failed"
  check_imports smoke.exe
  check_imports smoke_gtest.exe

  # A throwaway wine prefix (~700 MB), removed afterwards.
  local smoke_prefix="$CACHE/wineprefix-smoke"
  rm -rf -- "$smoke_prefix"
  local -a wine=(env LUMEVIA_WINEPREFIX="$smoke_prefix" "$WINE_RUN")
  # curl's transfer: a file from a throwaway HTTP server on 127.0.0.1 (any free port).
  local payload="lumevia smoke payload" port="" i
  mkdir -p www && printf '%s' "$payload" >www/smoke.txt
  python3 -c '
import functools, http.server, os, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory="www")
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
with open("port.tmp", "w") as f: f.write(str(server.server_address[1]))
os.replace("port.tmp", "port")
server.serve_forever()' >server.log 2>&1 &
  CLEANUP_PIDS+=($!)
  for ((i = 0; i < 50; i++)); do [[ -s port ]] && port=$(<port) && break; sleep 0.1; done
  [[ -n $port ]] || { cat server.log >&2; die "smoke: the HTTP server did not start"; }
  out=$("${wine[@]}" ./smoke.exe "http://127.0.0.1:$port/smoke.txt" "$payload" 2>&1 </dev/null) \
    || { echo "$out" >&2; die "smoke: smoke.exe failed under wine"; }
  kill "${CLEANUP_PIDS[-1]}" 2>/dev/null || true
  echo "$out"
  grep -q '^curl: .*Schannel' <<<"$out" || die "smoke: curl version lacks Schannel"
  grep -q '^smoke: all checks passed' <<<"$out" || die "smoke: unexpected output"

  out=$("${wine[@]}" ./smoke_gtest.exe --gtest_brief=1 2>&1 </dev/null) \
    || { echo "$out" >&2; die "smoke: smoke_gtest.exe failed under wine"; }
  grep -q 'PASSED.*3 tests' <<<"$out" || { echo "$out" >&2; die "smoke: gtest did not pass 3 tests"; }
  # ...and a failing test must make the exe fail, or the runner proves nothing.
  if SMOKE_EXPECT_FAIL=1 "${wine[@]}" ./smoke_gtest.exe >/dev/null 2>&1 </dev/null; then
    die "smoke: a failing gtest did not produce a non-zero exit under wine"
  fi
  log "smoke: gtest/gmock pass under wine and a failure propagates as exit status"
  WINEPREFIX="$smoke_prefix" wineserver -w || true
  cd /; rm -rf -- "$dir" "$smoke_prefix" "$smoke_prefix".*
}

# =============================================================================================
main() {
  step_start "1. apt packages"
  if [[ $SKIP_APT -eq 1 ]]; then log "skipped (--skip-apt)"; else apt_install_packages; fi
  step_end

  local lib need_src=0
  for lib in "${LIBS[@]}"; do
    [[ $lib == googletest ]] && continue   # built from /usr/src, needs no apt-get source
    if [[ $REBUILD -eq 1 ]] || ! stamp_ok "$lib" "$(lib_hash "$lib")"; then need_src=1; fi
  done
  step_start "2. deb-src entry"
  if [[ $need_src -eq 1 ]] || ! have_deb_src; then ensure_deb_src; else log "a deb-src entry exists"; fi
  step_end

  mkdir -p "$PREFIX" "$BUILD_ROOT"
  for lib in "${LIBS[@]}"; do
    step_start "3. mingw64 $lib"
    build_lib "$lib"
    step_end
  done

  if [[ -e $STAMP_DIR/smoke-pending || $CHECK -eq 1 ]]; then
    step_start "4. smoke test (wine)"
    run_smoke
    rm -f "$STAMP_DIR/smoke-pending"
    step_end
  else
    log "smoke test skipped (passed after the last rebuild; --check runs it again)"
  fi

  # The prefix ctest uses (through wine-run.sh): made now, so the first test run or gtest
  # discovery does not spend its timeout creating it.
  step_start "5. wine prefix for tests"
  "$WINE_RUN" --init
  log "wine prefix: ${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}"
  step_end

  echo
  log "timings:"
  printf '  %s\n' "${TIMINGS[@]}"
  printf '  %-34s %7ss\n' "total" "$(secs "$T_ALL" "$(now)")"
  echo
  log "mingw64 prefix: $PREFIX"
  echo "$PREFIX"
}

main
