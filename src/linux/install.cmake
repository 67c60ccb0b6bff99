# Where `cmake --install` puts orvane on Linux. XScreenSaver puts its own hack directory
# (libexec/xscreensaver) in front of $PATH and looks for a hack's settings dialog in
# share/xscreensaver/config under the hack's name; desktop screen saver front ends list
# share/applications/screensavers. The program looks for its header image in share/orvane
# of the tree it runs from, so an unpacked tree works under any prefix.
# Included after the orvane target is made, with GNUInstallDirs loaded.

set(orvane_linux_resources ${PROJECT_SOURCE_DIR}/resources/linux)

install(TARGETS orvane RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES ${orvane_linux_resources}/orvane.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
orvane_install_gzipped(${orvane_linux_resources}/orvane.6x ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${orvane_linux_resources}/orvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers)
install(FILES ${PROJECT_SOURCE_DIR}/resources/header.bmp DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane)

# `orvane` on $PATH for the desktop viewer. The link is made when installing, not when
# configuring, because `--prefix` may change the prefix then; it is relative so that the tree
# still works once DESTDIR is stripped off, or moved as a whole.
set(orvane_link_code [[
  set(orvane_bin_dir "@CMAKE_INSTALL_BINDIR@")
  set(orvane_hack "@CMAKE_INSTALL_LIBEXECDIR@/xscreensaver/orvane")
  foreach(orvane_dir IN ITEMS orvane_bin_dir orvane_hack)
    if(NOT IS_ABSOLUTE "${${orvane_dir}}")
      set(${orvane_dir} "${CMAKE_INSTALL_PREFIX}/${${orvane_dir}}")
    endif()
  endforeach()
  file(RELATIVE_PATH orvane_target "${orvane_bin_dir}" "${orvane_hack}")
  set(orvane_link "$ENV{DESTDIR}${orvane_bin_dir}/orvane")
  message(STATUS "Installing: ${orvane_link} -> ${orvane_target}")
  file(MAKE_DIRECTORY "$ENV{DESTDIR}${orvane_bin_dir}")
  file(CREATE_LINK "${orvane_target}" "${orvane_link}" SYMBOLIC)
  # The manifest names files as they will be once DESTDIR is gone, as CMake's own entries do.
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${orvane_bin_dir}/orvane")
]])
string(CONFIGURE "${orvane_link_code}" orvane_link_code @ONLY)
install(CODE "${orvane_link_code}")
