# Third-party libraries as deps::<name> targets, the same names on both
# targets. Natively they come from Debian's -dev packages (pkg-config); for
# Windows from the static prefix that scripts/deps.sh builds.
find_package(Threads REQUIRED)

function(lumevia_alias name target)
  add_library(deps::${name} INTERFACE IMPORTED GLOBAL)
  target_link_libraries(deps::${name} INTERFACE ${target})
endfunction()

if(WIN32)
  find_package(CURL REQUIRED)
  find_package(jsoncpp CONFIG REQUIRED)
  find_package(tinyxml2 CONFIG REQUIRED)
  find_package(ZLIB REQUIRED)
  find_package(minizip CONFIG REQUIRED)
  lumevia_alias(curl CURL::libcurl)
  lumevia_alias(jsoncpp JsonCpp::JsonCpp)
  lumevia_alias(tinyxml2 tinyxml2::tinyxml2)
  lumevia_alias(minizip "minizip::minizip;ZLIB::ZLIB")
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PC_CURL REQUIRED IMPORTED_TARGET libcurl)
  pkg_check_modules(PC_JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
  pkg_check_modules(PC_TINYXML2 REQUIRED IMPORTED_TARGET tinyxml2)
  pkg_check_modules(PC_MINIZIP REQUIRED IMPORTED_TARGET minizip)
  lumevia_alias(curl PkgConfig::PC_CURL)
  lumevia_alias(jsoncpp PkgConfig::PC_JSONCPP)
  lumevia_alias(tinyxml2 PkgConfig::PC_TINYXML2)
  lumevia_alias(minizip PkgConfig::PC_MINIZIP)
endif()

# easylogging++ travels as source in Debian's libeasyloggingpp-dev; it is
# compiled into the program on both targets.
# Both files are copied into the build so that no other host header comes
# into the Windows build's include path.
find_path(EASYLOGGING_DIR easylogging++.cc PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(_elpp ${CMAKE_BINARY_DIR}/easylogging)
configure_file(${EASYLOGGING_DIR}/easylogging++.h ${_elpp}/easylogging++.h COPYONLY)
configure_file(${EASYLOGGING_DIR}/easylogging++.cc ${_elpp}/easylogging++.cc COPYONLY)
add_library(easylogging STATIC ${_elpp}/easylogging++.cc)
target_include_directories(easylogging SYSTEM PUBLIC ${_elpp})
target_compile_definitions(easylogging PUBLIC
  ELPP_THREAD_SAFE ELPP_NO_DEFAULT_LOG_FILE ELPP_DISABLE_DEFAULT_CRASH_HANDLING ELPP_NO_CHECK_MACROS
  $<$<BOOL:${WIN32}>:ELPP_WINSOCK2 WIN32_LEAN_AND_MEAN>)
target_link_libraries(easylogging PUBLIC Threads::Threads)
set_target_properties(easylogging PROPERTIES CXX_CLANG_TIDY "")
# Its own warnings are not ours to fix.
target_compile_options(easylogging PRIVATE -w)

find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
