# Installs Kelvara as a Linux desktop program and packs it as a .deb:
#   bin/kelvara, share/kelvara (the sequence files), the desktop entry, the
#   icons, the AppStream metainfo, the man page and the shell completions.
# The executable finds its data in ../share/kelvara, so the install can go to
# any prefix ("cmake --install build --prefix P").
include(GNUInstallDirs)

set(KELVARA_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)
set(KELVARA_GENERATED_DIR ${CMAKE_BINARY_DIR}/share)

install(TARGETS kelvara RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
    ${KELVARA_BIN_DIR}/PAL_VCD.mpg ${KELVARA_BIN_DIR}/NTSC_VCD.mpg
    ${KELVARA_BIN_DIR}/PAL_SVCD.mpg ${KELVARA_BIN_DIR}/NTSC_SVCD.mpg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvara)

install(FILES ${KELVARA_DESKTOP_DIR}/kelvara.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KELVARA_DESKTOP_DIR}/kelvara.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KELVARA_DESKTOP_DIR}/kelvara.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/completions/kelvara.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelvara)
install(FILES ${CMAKE_SOURCE_DIR}/resources/completions/_kelvara
  DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# The menus want bitmaps as well on some desktops; they are drawn from the
# SVG at build time.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(KELVARA_ICON_PNGS)
  foreach(size 16 32 48 64 128 256)
    set(png ${KELVARA_GENERATED_DIR}/icons/${size}/kelvara.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVARA_GENERATED_DIR}/icons/${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KELVARA_DESKTOP_DIR}/kelvara.svg
      DEPENDS ${KELVARA_DESKTOP_DIR}/kelvara.svg
      VERBATIM)
    list(APPEND KELVARA_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(kelvara_icons ALL DEPENDS ${KELVARA_ICON_PNGS})
endif()

# Debian wants manual pages compressed, without a time stamp.
set(KELVARA_MAN_GZ ${KELVARA_GENERATED_DIR}/man/kelvara.1.gz)
add_custom_command(OUTPUT ${KELVARA_MAN_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVARA_GENERATED_DIR}/man
  COMMAND sh -c "gzip -9n -c '${CMAKE_SOURCE_DIR}/docs/kelvara.1' > '${KELVARA_MAN_GZ}'"
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/kelvara.1
  VERBATIM)
add_custom_target(kelvara_manpage ALL DEPENDS ${KELVARA_MAN_GZ})
install(FILES ${KELVARA_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Every Debian package carries its copyright file and changelog.
set(KELVARA_CHANGELOG_GZ ${KELVARA_GENERATED_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${KELVARA_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVARA_GENERATED_DIR}/doc
  COMMAND sh -c "gzip -9n -c '${CMAKE_SOURCE_DIR}/resources/package/changelog' > '${KELVARA_CHANGELOG_GZ}'"
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/package/changelog
  VERBATIM)
add_custom_target(kelvara_changelog ALL DEPENDS ${KELVARA_CHANGELOG_GZ})
install(FILES ${CMAKE_SOURCE_DIR}/resources/package/copyright ${KELVARA_CHANGELOG_GZ}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvara)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvara)
set(CPACK_PACKAGE_VENDOR "Kelvara")
set(CPACK_PACKAGE_CONTACT "Kelvara support <support@kelvara.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn a folder of photos and clips into a Video CD")
set(CPACK_PACKAGE_DESCRIPTION
  "Kelvara turns a folder of photos and short movies into an interactive Video CD\n\
or Super Video CD slideshow that plays on a standalone player and is driven\n\
with its remote control. It encodes the stills with the mjpegtools, converts\n\
movies with ffmpeg, makes the disc image with vcdimager and burns it with\n\
cdrecord or cdrdao, from its window or from the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# The libraries the executable links (Qt 6, libjpeg-turbo, libexif, libheif,
# xxhash) come from dpkg-shlibdeps; the tools it runs and the plugins and
# fonts it loads are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "mjpegtools, vcdimager, cdrdao | wodim, ffmpeg, qt6-image-formats-plugins, fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cdrdao, wodim")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
