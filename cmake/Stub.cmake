include(${CMAKE_CURRENT_LIST_DIR}/DelayLoad.cmake)

# lumevia_add_stub(<target> DIR <folder> [CONFIG <configure.xml>] [PACKAGE_TARGET <name>] [TEST_HOOKS])
#
# A stub executable for one product: the skin package with CONFIG as its
# configure/configure.xml (default LUMEVIA_PRODUCT_CONFIG), the program icon,
# and the application library. Its package lands in DIR/skin/skin.zip; natively
# also in DIR/resources/ZIPRES_138 beside the program, where the POSIX
# platform looks for module resources. TEST_HOOKS links the test hooks
# (platform/TestHooks.h): only for stubs that tests run, never a shipped one.
# On Windows it imports at load time only DLLs the system always maps from
# System32 (cmake/DelayLoad.cmake).
function(lumevia_add_stub target)
  cmake_parse_arguments(S "TEST_HOOKS" "DIR;CONFIG;PACKAGE_TARGET" "" ${ARGN})
  if(NOT S_CONFIG)
    set(S_CONFIG ${LUMEVIA_PRODUCT_CONFIG})
  endif()
  if(NOT S_PACKAGE_TARGET)
    set(S_PACKAGE_TARGET ${target}_package)
  endif()
  if(NOT EXISTS ${S_CONFIG})
    message(FATAL_ERROR "Product configuration ${S_CONFIG} not found")
  endif()
  set(skin_dir ${PROJECT_SOURCE_DIR}/skin)
  file(GLOB_RECURSE skin_files CONFIGURE_DEPENDS ${skin_dir}/*)
  list(FILTER skin_files EXCLUDE REGEX "CMakeLists\\.txt$")
  set(zip ${S_DIR}/skin/skin.zip)
  set(ico ${PROJECT_BINARY_DIR}/skin/lumevia.ico)
  # The shipped stub carries its pictures in their smallest lossless encoding
  # (zopflipng, checked pixel by pixel); computed once per build tree.
  set(png_cache)
  if(WIN32)
    set(png_cache --png-cache ${PROJECT_BINARY_DIR}/skin/png-cache)
  endif()
  add_custom_command(
    OUTPUT ${zip}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make_skin_zip.py ${png_cache} ${skin_dir} ${zip} ${S_CONFIG}
    DEPENDS ${skin_files} ${S_CONFIG} ${PROJECT_SOURCE_DIR}/scripts/make_skin_zip.py
            ${PROJECT_SOURCE_DIR}/scripts/skin_png.py
    COMMENT "Packing the skin for ${target}")
  set(outputs ${zip})
  if(NOT WIN32)
    set(res ${S_DIR}/resources/ZIPRES_138)
    add_custom_command(OUTPUT ${res} COMMAND ${CMAKE_COMMAND} -E copy ${zip} ${res} DEPENDS ${zip})
    list(APPEND outputs ${res})
  endif()
  add_custom_target(${S_PACKAGE_TARGET} ALL DEPENDS ${outputs})
  add_dependencies(${S_PACKAGE_TARGET} program_icon)

  if(WIN32)
    set(STUB_SKIN_ZIP ${zip})
    set(STUB_ICON ${ico})
    set(rc ${S_DIR}/skin/LumeviaSetup.rc)
    configure_file(${PROJECT_SOURCE_DIR}/src/Common/LumeviaSetup.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${zip};${ico}")
    add_executable(${target} WIN32 ${PROJECT_SOURCE_DIR}/src/Common/wWndMain.cpp ${rc})
    # -s: the symbols stay in the build tree, not in what users download.
    # The default terminate handler prints the demangled exception type to
    # standard error, which a windows-subsystem program does not have; abort
    # directly and leave out the demangler (about 50 KiB).
    target_link_options(${target} PRIVATE -municode -s
      -Wl,--defsym,_ZN9__gnu_cxx27__verbose_terminate_handlerEv=abort)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME LumeviaSetup)
    lumevia_delay_load(${target})
  else()
    add_executable(${target} ${PROJECT_SOURCE_DIR}/src/Common/PosixMain.cpp)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME lumevia-setup)
  endif()
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${S_DIR})
  add_dependencies(${target} ${S_PACKAGE_TARGET})
  target_compile_options(${target} PRIVATE ${LUMEVIA_WARNINGS})
  target_link_libraries(${target} PRIVATE lumevia_app)
  set_target_properties(${target} PROPERTIES LUMEVIA_TEST_HOOKS ${S_TEST_HOOKS})
endfunction()

# lumevia_product_config(<out.xml> <label>=<value>...)
#
# A product configuration made from the shipped one with some labels changed:
# the products the tests build stubs for.
function(lumevia_product_config out)
  file(READ ${PROJECT_SOURCE_DIR}/skin/configure/configure.xml xml)
  foreach(pair ${ARGN})
    string(FIND "${pair}" "=" eq)
    string(SUBSTRING "${pair}" 0 ${eq} label)
    math(EXPR from "${eq} + 1")
    string(SUBSTRING "${pair}" ${from} -1 value)
    set(pattern "(<Label name=\"${label}\" text=\")[^\"]*\"")
    if(NOT xml MATCHES "${pattern}")
      message(FATAL_ERROR "No label ${label} in the product configuration")
    endif()
    string(REGEX REPLACE "${pattern}" "\\1${value}\"" xml "${xml}")
  endforeach()
  file(CONFIGURE OUTPUT ${out} CONTENT "${xml}" @ONLY)
endfunction()
