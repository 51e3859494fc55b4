# Delay-loaded system libraries for the mingw builds: the engine binds a library on the first call
# into it instead of at process start, so a silent run that never shows a window, opens a URL or
# reads a version resource does not pay for loading comctl32, ole32, shell32, winhttp and their
# dependencies. mingw ships only ordinary import libraries, so each delay library is made from the
# function list of the ordinary one (nm) by dlltool; the helper that binds on first call,
# __delayLoadHelper2, comes with mingw's runtime. Data exports cannot be delay-loaded: a library
# made here must only be used for functions (the link fails on a data symbol).

# quarrix_delay_import_library(OUT_VAR name): the path of lib<name>_delay.a, made at configure time.
function(quarrix_delay_import_library out_var name)
  find_library(import_library_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
  set(import_library ${import_library_${name}})
  get_filename_component(tool_prefix ${CMAKE_C_COMPILER} NAME)
  string(REGEX REPLACE "gcc(-posix)?$" "" tool_prefix ${tool_prefix})
  set(folder ${CMAKE_BINARY_DIR}/delay-imports)
  set(definitions ${folder}/${name}.def)
  set(delay_library ${folder}/lib${name}_delay.a)
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND ${tool_prefix}nm ${import_library} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # "__imp_Name" on x86_64; "__imp__Name@N" on i686, where -k imports the undecorated name.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(pattern " I __imp__([^\n]+)")
    set(kill_at -k)
  else()
    set(pattern " I __imp_([^\n]+)")
    set(kill_at)
  endif()
  string(REGEX MATCHALL "${pattern}" entries "${symbols}")
  set(text "LIBRARY ${name}.dll\nEXPORTS\n")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "${pattern}" "\\1" function "${entry}")
    string(APPEND text "${function}\n")
  endforeach()
  file(WRITE ${definitions}.new "${text}")
  file(COPY_FILE ${definitions}.new ${definitions} ONLY_IF_DIFFERENT)
  file(REMOVE ${definitions}.new)
  if(NOT EXISTS ${delay_library} OR ${definitions} IS_NEWER_THAN ${delay_library})
    execute_process(COMMAND ${tool_prefix}dlltool ${kill_at} --input-def ${definitions} --dllname ${name}.dll
                            --output-delaylib ${delay_library}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(${out_var} ${delay_library} PARENT_SCOPE)
endfunction()
