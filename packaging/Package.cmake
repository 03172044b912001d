# `cpack -G DEB` in a build configured with -DCMAKE_INSTALL_PREFIX=/usr makes
# zum_<version>_<arch>.deb from the install rules of packaging/Install.cmake.
# The shared libraries' packages come from dpkg-shlibdeps; the packages ZUM
# loads at run time without linking them (GStreamer plug-ins, the MIDI
# soundfont, the fonts) are named here.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zum")
set(CPACK_PACKAGE_VENDOR "ZUM developers")
set(CPACK_PACKAGE_CONTACT "ZUM developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop alarm clock")
set(CPACK_PACKAGE_DESCRIPTION "ZUM shows the time in large letters in a borderless window shaped like
its skin, rings one alarm time of day with a sound file of your choice
(MP3, WAV, MIDI, AU, SND), keeps the alarm armed across restarts, hides
into the tray and can start with logon.")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZUM_HOMEPAGE_URL}")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, \
gstreamer1.0-pulseaudio | gstreamer1.0-alsa | gstreamer1.0-pipewire, \
timgm6mb-soundfont, fonts-comic-neue, fonts-liberation")
# Native Wayland sessions; under X11 and XWayland the xcb platform plug-in
# of libqt6gui6 serves.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

# The package is staged through DESTDIR, which tells the install rules not
# to create the state directory on the building machine; the maintainer
# scripts create it on the installing one.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/postinst.in ${ZUM_PACKAGING_OUT}/debian/postinst @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/postrm.in ${ZUM_PACKAGING_OUT}/debian/postrm @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${ZUM_PACKAGING_OUT}/debian/postinst;${ZUM_PACKAGING_OUT}/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# A Debian package never installs under /usr/local (which belongs to the
# machine's administrator), and the state directory compiled into the
# program follows the prefix: refuse to make one from such a build.
set(CPACK_PROJECT_CONFIG_FILE "${ZUM_PACKAGING_OUT}/CPackProjectConfig.cmake")
file(WRITE "${CPACK_PROJECT_CONFIG_FILE}" "
if(CPACK_GENERATOR STREQUAL \"DEB\" AND CPACK_PACKAGING_INSTALL_PREFIX MATCHES \"^/usr/local(/|$)\")
  message(FATAL_ERROR \"a .deb does not install under /usr/local: configure this build with -DCMAKE_INSTALL_PREFIX=/usr\")
endif()
")

include(CPack)
