# `cmake --install BUILD --prefix DIR` lays out the runnable program folder in DIR: the program,
# and on Linux bin/rsync.exe beside it (MIRVO writes its documents beside itself, so DIR is a
# folder its user can write). With MIRVO_INSTALL_DESKTOP=ON the Linux install also places the
# desktop entry and the hicolor icons under CMAKE_INSTALL_DATADIR (relative to the prefix, or
# absolute). What is installed carries no symbols unless MIRVO_INSTALL_STRIP is OFF (for a
# packager whose own tools strip and keep the debug information apart).
include(GNUInstallDirs)
option(MIRVO_INSTALL_STRIP "Strip the installed programs" ON)
option(MIRVO_INSTALL_DESKTOP "Also install the desktop entry and the hicolor icons" OFF)

if(MIRVO_INSTALL_STRIP)
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)")
endif()

if(WIN32)
  install(TARGETS mirvo RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/src/app/win32/使用说明.txt DESTINATION .)
  return()
endif()

install(TARGETS mirvo RUNTIME DESTINATION .)
install(TARGETS mirvo_cygwin_rsync RUNTIME DESTINATION bin)

if(MIRVO_INSTALL_DESKTOP)
  # The entry's Exec line names the installed program; it is written when the install runs,
  # because --prefix may change the prefix then. A path with anything but plain characters is
  # quoted, and the entry's own escaping doubles each backslash.
  install(CODE "set(mirvo_desktop_template \"${PROJECT_SOURCE_DIR}/src/app/mirvo.desktop.in\")
                set(mirvo_desktop_entry \"${CMAKE_BINARY_DIR}/mirvo.desktop\")")
  install(CODE [[
    set(path "${CMAKE_INSTALL_PREFIX}/mirvo")
    string(REPLACE "%" "%%" path "${path}")
    if(NOT path MATCHES "^[A-Za-z0-9/._+,:=@%-]*$")
      string(REGEX REPLACE "([\\\"`$])" "\\\\\\1" path "${path}")
      set(path "\"${path}\"")
    endif()
    string(REPLACE "\\" "\\\\" MIRVO_EXEC "${path}")
    configure_file("${mirvo_desktop_template}" "${mirvo_desktop_entry}" @ONLY)
  ]])
  install(FILES ${CMAKE_BINARY_DIR}/mirvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()
