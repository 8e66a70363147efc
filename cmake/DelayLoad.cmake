# lumevia_delay_load(<target>)
#
# The system DLLs that Windows does not always map from System32 (they are
# not KnownDLLs) are delay-loaded by <target>: nothing of theirs is in its
# load-time import table, so a DLL of the same name beside the program (a
# Downloads folder) cannot be loaded before the program runs. Each is loaded
# on its first call, from System32 (platform/DllSearch.cpp).
#
# For each name a delay-import library is made from the mingw import library
# (its __imp_ symbols, by dlltool --output-delaylib) into one folder that the
# target searches first, so every "-l<name>" of the target, libcurl's
# included, takes the delay-import one. The helper, __delayLoadHelper2, comes
# with mingw-w64's libmingwex, which every program links.
set(LUMEVIA_DELAY_LOADED
  bcrypt crypt32 gdiplus iphlpapi secur32 version winhttp wintrust
  CACHE STRING "System DLLs the stub delay-loads (not KnownDLLs)")

function(_lumevia_make_delay_libs out_dir)
  find_program(_nm NAMES ${CMAKE_NM} x86_64-w64-mingw32-nm REQUIRED)
  find_program(_dlltool NAMES ${CMAKE_DLLTOOL} x86_64-w64-mingw32-dlltool REQUIRED)
  find_program(_ar NAMES ${CMAKE_AR} x86_64-w64-mingw32-ar REQUIRED)
  # A name taken off the list must not stay shadowed.
  file(GLOB made ${out_dir}/lib*.a)
  foreach(lib IN LISTS made)
    string(REGEX REPLACE ".*/lib(.*)\\.a$" "\\1" name "${lib}")
    if(NOT name IN_LIST LUMEVIA_DELAY_LOADED)
      file(REMOVE ${lib})
    endif()
  endforeach()
  file(MAKE_DIRECTORY ${out_dir}/static)
  foreach(name IN LISTS LUMEVIA_DELAY_LOADED)
    set(lib ${out_dir}/lib${name}.a)
    if(EXISTS ${lib})
      continue()
    endif()
    find_library(_import_${name} NAMES ${name} REQUIRED NO_CACHE)
    execute_process(COMMAND ${_nm} ${_import_${name}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # Per member: "I __imp_X" is the import slot of X, "T X" its thunk (an
    # import without a thunk is data); members that define neither, nor an
    # import head or tail, are plain code or data of the library (GDI+'s
    # cached font families) and are kept as they are.
    string(REPLACE "\n" ";" lines "${symbols}")
    set(def "LIBRARY ${name}.dll\nEXPORTS\n")
    set(thunks)
    set(imports)
    set(static_members)
    set(member)
    set(member_imports FALSE)
    set(member_defines FALSE)
    foreach(line IN LISTS lines ITEMS "end:")
      if(line MATCHES "^(.*):$")
        if(member AND member_defines AND NOT member_imports)
          list(APPEND static_members ${member})
        endif()
        set(member ${CMAKE_MATCH_1})
        set(member_imports FALSE)
        set(member_defines FALSE)
      elseif(line MATCHES "^[0-9a-f]+ I __imp_(.+)$")
        list(APPEND imports ${CMAKE_MATCH_1})
        set(member_imports TRUE)
      elseif(line MATCHES "^[0-9a-f]+ ([A-Z]) (.+)$")
        set(member_defines TRUE)
        if(CMAKE_MATCH_1 STREQUAL "T")
          list(APPEND thunks ${CMAKE_MATCH_2})
        endif()
        if(CMAKE_MATCH_2 MATCHES "^_head_|_iname$")
          set(member_imports TRUE)
        endif()
      endif()
    endforeach()
    foreach(sym IN LISTS imports)
      if(sym IN_LIST thunks)
        string(APPEND def "${sym}\n")
      else()
        string(APPEND def "${sym} DATA\n")
      endif()
    endforeach()
    file(WRITE ${out_dir}/${name}.def "${def}")
    execute_process(COMMAND ${_dlltool} --input-def ${out_dir}/${name}.def --dllname ${name}.dll
                            --output-delaylib ${lib}
                    COMMAND_ERROR_IS_FATAL ANY)
    if(static_members)
      execute_process(COMMAND ${_ar} x ${_import_${name}} ${static_members}
                      WORKING_DIRECTORY ${out_dir}/static COMMAND_ERROR_IS_FATAL ANY)
      execute_process(COMMAND ${_ar} rs ${lib} ${static_members}
                      WORKING_DIRECTORY ${out_dir}/static COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
endfunction()

function(lumevia_delay_load target)
  set(dir ${PROJECT_BINARY_DIR}/delayload)
  get_property(made GLOBAL PROPERTY LUMEVIA_DELAY_LIBS_MADE)
  if(NOT made)
    _lumevia_make_delay_libs(${dir})
    set_property(GLOBAL PROPERTY LUMEVIA_DELAY_LIBS_MADE TRUE)
  endif()
  target_link_directories(${target} BEFORE PRIVATE ${dir})
endfunction()
