# Installation and packages.
#   Linux:   cmake --install puts the program, a desktop entry, hicolor icons and the licence in
#            place; cpack builds a .deb whose dependencies are the Debian packages it needs to run.
#   Windows: cpack builds a zip holding Clavitap.exe and a short read-me.
set(CPACK_PACKAGE_NAME clavitap)
set(CPACK_PACKAGE_VENDOR "The Clavitap developers")
set(CPACK_PACKAGE_CONTACT "The Clavitap developers <feedback@clavitap.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lets your keyboard sing while you type")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS Clavitap RUNTIME DESTINATION .)
  install(FILES packaging/README-windows.txt DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Clavitap-${PROJECT_VERSION}-windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  include(GNUInstallDirs)
  install(TARGETS clavitap RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/clavitap.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 22 24 32 48 64 128)
    install(FILES assets/icons/png/clavitap-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME clavitap.png)
  endforeach()
  install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/clavitap)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.clavitap.example.org/")
  string(CONCAT CPACK_PACKAGE_DESCRIPTION
         "While Clavitap runs, every key that is down anywhere on the desktop sounds a note on a "
         "MIDI output: its built-in FluidSynth synthesizer or an ALSA sequencer port. One small "
         "window picks the device, the General MIDI instrument, a tone step and the volume.")
  # The shared libraries it links (Qt 6 widgets, FluidSynth, RtMidi, XInput, libevdev,
  # libxkbcommon) come from dpkg-shlibdeps; the SoundFont and the keyboard layouts are data, so
  # they are named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # fonts-wine holds a Tahoma of the original's widths, which the window's layout is measured in.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm, xkb-data, fonts-wine")
  # qt6-wayland gives a Wayland session a native window rather than one through XWayland.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "pulseaudio | pipewire-pulse, xdg-utils, fonts-liberation2, qt6-wayland")
endif()
include(CPack)
