# What `cmake --install` puts in place, under the GNU directory layout of the
# install prefix:
#   bin/zum                                       the program
#   share/applications/<id>.desktop               its application menu entry
#   share/icons/hicolor/<size>/apps/zum.png|svg   its icon
#   share/metainfo/<id>.metainfo.xml              its software centre entry
#   lib/tmpfiles.d/zum.conf                       its state directory at boot
# Included from the top-level list file, so that CPack (packaging/Package.cmake)
# sees the same rules.

# The application's identity in menus and software centres; the desktop
# entry and the metainfo are named after it.
set(ZUM_APP_ID "io.github.zum.zum")
set(ZUM_ICON_NAME "zum")
set(ZUM_HOMEPAGE_URL "https://github.com/zum/zum" CACHE STRING "Home page named in the AppStream metainfo")
set(ZUM_SCREENSHOT_URL "${ZUM_HOMEPAGE_URL}/raw/main/docs/screenshot.png"
    CACHE STRING "Address of docs/screenshot.png named in the AppStream metainfo")

# systemd reads tmpfiles.d entries from <prefix>/lib/tmpfiles.d for /usr and
# /usr/local, never from a multiarch library directory.
set(ZUM_TMPFILES_DIR "lib/tmpfiles.d")
set(ZUM_TMPFILES_FULL_PATH "${CMAKE_INSTALL_PREFIX}/${ZUM_TMPFILES_DIR}/zum.conf")

set(ZUM_PACKAGING_OUT "${CMAKE_BINARY_DIR}/packaging")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zum.desktop.in ${ZUM_PACKAGING_OUT}/${ZUM_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zum.metainfo.xml.in ${ZUM_PACKAGING_OUT}/${ZUM_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zum-tmpfiles.conf.in ${ZUM_PACKAGING_OUT}/zum.conf @ONLY)

install(TARGETS zum RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZUM_PACKAGING_OUT}/${ZUM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZUM_PACKAGING_OUT}/${ZUM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/icon/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${ZUM_PACKAGING_OUT}/zum.conf DESTINATION ${ZUM_TMPFILES_DIR})

# An install onto this machine itself (no DESTDIR, so not a package being
# staged) also makes the state directory the program was built to use, the
# way a package install does: as root by applying the tmpfiles.d entry just
# installed; as a normal user only where that user may create it (an install
# into a prefix of one's own), and otherwise by saying what root has to do.
# Nothing here fails the install.
set(ZUM_STATE_DIR_CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    set(state_dir "@ZUM_DEFAULT_SYSTEM_DIR@")
    set(conf "${CMAKE_INSTALL_PREFIX}/@ZUM_TMPFILES_DIR@/zum.conf")
    execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(uid STREQUAL "0")
      find_program(tmpfiles systemd-tmpfiles)
      if(tmpfiles)
        execute_process(COMMAND ${tmpfiles} --create "${conf}")
      endif()
      if(NOT IS_DIRECTORY "${state_dir}")
        execute_process(COMMAND install -d -m 1777 "${state_dir}")
      endif()
    elseif(NOT IS_DIRECTORY "${state_dir}")
      execute_process(COMMAND mkdir -p "${state_dir}" OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(IS_DIRECTORY "${state_dir}")
      message(STATUS "State directory: ${state_dir}")
    else()
      message(STATUS "State directory ${state_dir} is missing; as root, create it with: "
                     "systemd-tmpfiles --create ${conf}  (or: install -d -m 1777 ${state_dir})")
    endif()
  endif()
]])
string(CONFIGURE "${ZUM_STATE_DIR_CODE}" ZUM_STATE_DIR_CODE @ONLY)
install(CODE "${ZUM_STATE_DIR_CODE}")

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
