# Installation and packages.
#   Linux:   cmake --install puts the program, its desktop entry, AppStream metadata, hicolor
#            icons, manual page, changelog and copyright in place; cpack builds a .deb of the same
#            files whose dependencies are the Debian packages it needs to run.
#   Windows: cpack builds a zip holding Clavitap.exe, a short read-me and the licence.
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
  # The zip's licence: Clavitap's own, then the notices of the runtime parts that the static link
  # puts into Clavitap.exe.
  file(READ LICENSE own_licence)
  file(READ packaging/windows-notices.txt runtime_notices)
  file(WRITE ${PROJECT_BINARY_DIR}/packaging/LICENSE.txt "${own_licence}\n${runtime_notices}")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/packaging/windows-notices.txt)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Clavitap-${PROJECT_VERSION}-windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  include(GNUInstallDirs)
  # The desktop entry and the AppStream metadata are named by the application's reverse-DNS id,
  # which the program also gives Qt (setDesktopFileName) so that desktops match its windows to
  # the entry.
  set(app_id org.example.clavitap)
  install(TARGETS clavitap RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # A stripped program also loses the compiler's name and version, as Debian's own tools strip.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/clavitap\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()")
  install(FILES packaging/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128)
    install(FILES assets/icons/png/clavitap-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME clavitap.png)
  endforeach()

  # The manual page (with the version filled in) and the changelog are installed compressed, as
  # Debian has them; gzip -n keeps the files the same from one build to the next.
  set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
  configure_file(packaging/clavitap.1.in ${packaging_dir}/clavitap.1 @ONLY)
  add_custom_command(OUTPUT ${packaging_dir}/clavitap.1.gz ${packaging_dir}/changelog.gz
    COMMAND gzip -9 -n -c ${packaging_dir}/clavitap.1 > ${packaging_dir}/clavitap.1.gz
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${packaging_dir}/changelog.gz
    DEPENDS ${packaging_dir}/clavitap.1 ${PROJECT_SOURCE_DIR}/packaging/changelog
    VERBATIM)
  add_custom_target(clavitap_docs ALL
                    DEPENDS ${packaging_dir}/clavitap.1.gz ${packaging_dir}/changelog.gz)
  install(FILES ${packaging_dir}/clavitap.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/copyright ${packaging_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/clavitap)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.clavitap.example.org/")
  # The long description, wrapped for 80 columns; CPack puts the summary line before it.
  file(READ packaging/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  # The shared libraries it links (Qt 6 widgets, FluidSynth, RtMidi, XInput, libevdev,
  # libxkbcommon, the PipeWire and PulseAudio clients) come from dpkg-shlibdeps; the SoundFont and the keyboard layouts are data, so
  # they are named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # fonts-wine holds a Tahoma of the original's widths, which the window's layout is measured in.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm, xkb-data, fonts-wine")
  # A sound server: PipeWire is served by a stream of the program's own, as PulseAudio is.
  # qt6-wayland gives a Wayland session a native window rather than one through XWayland.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "pipewire | pulseaudio, xdg-utils, fonts-liberation2, qt6-wayland")
endif()
include(CPack)
