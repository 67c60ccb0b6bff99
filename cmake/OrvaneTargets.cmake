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
