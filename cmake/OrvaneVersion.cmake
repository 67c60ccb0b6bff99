# The product's version is the project's (project() in the top CMakeLists.txt) and nothing else:
# the module's version block, the Windows installer and the Debian package all take it from here.
# Windows wants four numbers; the parts the project leaves out count as 0.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(ORVANE_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(ORVANE_VERSION_${part} STREQUAL "")
    set(ORVANE_VERSION_${part} 0)
  endif()
endforeach()
set(ORVANE_VERSION "${PROJECT_VERSION}")
set(ORVANE_VERSION_QUAD "${ORVANE_VERSION_MAJOR}.${ORVANE_VERSION_MINOR}.${ORVANE_VERSION_PATCH}.${ORVANE_VERSION_TWEAK}")
set(ORVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/resources/orvane_version.h.in ${ORVANE_GENERATED_DIR}/orvane_version.h @ONLY)
