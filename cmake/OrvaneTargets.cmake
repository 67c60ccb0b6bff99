# Helpers shared by every folder of the build.
#
# The platform seam is drawn here: a source named *_win32.cpp belongs to the Windows build,
# *_raster.cpp and *_posix.cpp to the native build; every other source is portable.

function(orvane_sources out_var dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_(raster|posix)\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()

function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# orvane_tool(PROGRAM CORE MAIN main.cpp SOURCES ... LINK ...): a command-line tool as two
# targets: CORE, a static library of everything but main (which the tests link), and PROGRAM,
# main over it.
function(orvane_tool program core)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "MAIN" "SOURCES;LINK")
  add_library(${core} STATIC ${arg_SOURCES})
  target_include_directories(${core} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${core} PUBLIC ${arg_LINK})
  orvane_warnings(${core})
  add_executable(${program} ${arg_MAIN})
  target_link_libraries(${program} PRIVATE ${core})
  orvane_warnings(${program})
endfunction()

# orvane_install_gzipped(SOURCE DESTINATION [RENAME NAME]): installs SOURCE with the project's
# version filled in (@ORVANE_VERSION@) and compressed the way Debian wants man pages and
# changelogs: gzip -9 without a name or time stamp, so that the same source makes the same
# bytes. Made when configuring; configure_file re-runs that whenever SOURCE changes.
function(orvane_install_gzipped source destination)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "RENAME" "")
  get_filename_component(name ${source} NAME)
  if(arg_RENAME)
    set(name ${arg_RENAME})
  endif()
  set(file ${ORVANE_GENERATED_DIR}/gzipped/${name})
  configure_file(${source} ${file} @ONLY)
  execute_process(COMMAND gzip -9nkf ${file} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${file}")
  endif()
  install(FILES ${file}.gz DESTINATION ${destination})
endfunction()
