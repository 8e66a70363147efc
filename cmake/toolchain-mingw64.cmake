# Cross toolchain: Windows x64 via Debian's mingw-w64 (posix threads), tests run under wine.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
#
# Third-party libraries come from the static prefix built by scripts/deps.sh
# (env LUMEVIA_MINGW_PREFIX, default /var/cache/lumevia/mingw64). What to use there:
#   find_package(GTest REQUIRED)             -> GTest::gtest GTest::gtest_main GTest::gmock GTest::gmock_main
#   find_package(CURL REQUIRED)              -> CURL::libcurl (static; carries CURL_STATICLIB and
#                                               ws2_32 crypt32 secur32 bcrypt advapi32 iphlpapi)
#   find_package(jsoncpp CONFIG REQUIRED)    -> JsonCpp::JsonCpp (same name as the native Debian package)
#   find_package(tinyxml2 CONFIG REQUIRED)   -> tinyxml2::tinyxml2
#   find_package(ZLIB REQUIRED)              -> ZLIB::ZLIB
#   find_package(minizip CONFIG REQUIRED)    -> minizip::minizip (include <minizip/unzip.h> or <unzip.h>)
# pkg-config works too (PKG_CONFIG_LIBDIR points at the prefix): libcurl jsoncpp tinyxml2 zlib
# minizip gtest gmock; use `pkg-config --static` for the full link line.
# Executables link with -static -static-libgcc -static-libstdc++: they import Windows system DLLs only.
# ctest runs test executables through scripts/wine-run.sh (WINEDEBUG=-all, own prefix).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_lumevia_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${_lumevia_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_lumevia_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_lumevia_triple}-windres)

if(NOT LUMEVIA_MINGW_PREFIX)
  if(NOT "$ENV{LUMEVIA_MINGW_PREFIX}" STREQUAL "")
    set(LUMEVIA_MINGW_PREFIX "$ENV{LUMEVIA_MINGW_PREFIX}")
  else()
    set(LUMEVIA_MINGW_PREFIX /var/cache/lumevia/mingw64)
  endif()
endif()
# try_compile()/check_*() projects re-read this file; hand them the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMEVIA_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_lumevia_triple} ${LUMEVIA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host pkg-config must only see the cross prefix's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${LUMEVIA_MINGW_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

get_filename_component(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)
