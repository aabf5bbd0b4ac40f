# What the Debian package adds to the installation, and the package itself
# (tools/package.sh runs cpack -G DEB on a build):
#   share/icons/hicolor/NxN/apps/zelvo.png  the icon as PNG, 16 to 256
#   share/man/man1/zelvo.1.gz, zelvo-cli.1.gz
#                                           written by zelvo-make-manuals
#                                           from zelvo-cli --help, ops and
#                                           the format table
#   share/bash-completion/completions/zelvo-cli, share/zsh/vendor-completions/_zelvo-cli
#                                           from the same
#   share/thumbnailers/zelvo.thumbnailer    zelvo-cli thumbnail for the file
#                                           managers
#   share/metainfo/<id>.metainfo.xml        the AppStream entry (picture
#                                           types from the format table,
#                                           releases from NEWS)
#   share/doc/zelvo/                        copyright, changelog.gz (from
#                                           NEWS), screenshots/ (the
#                                           AppStream screenshots, made
#                                           under Xvfb)
include(GNUInstallDirs)

set(ZELVO_APPSTREAM_ID "org.zelvo.Zelvo" CACHE STRING "AppStream component id (reverse domain name)")
set(ZELVO_SCREENSHOT_URL "https://example.org/zelvo/screenshots" CACHE STRING
    "Where the AppStream screenshots (share/doc/zelvo/screenshots) are published")
set(ZELVO_MAINTAINER "Zelvo developers <zelvo-devel@example.org>" CACHE STRING "The package's maintainer")

set(_pkg "${CMAKE_BINARY_DIR}/package")
set(ZELVO_ICON_SIZES 16 22 24 32 48 64 128 256)

# Manual pages and shell completion, from what zelvo-cli says of itself.
add_executable(zelvo-make-manuals tools/MakeManuals.cpp)
target_link_libraries(zelvo-make-manuals PRIVATE zelvo_cli)
set(_manuals "${_pkg}/zelvo.1.gz" "${_pkg}/zelvo-cli.1.gz" "${_pkg}/zelvo-cli.bash" "${_pkg}/_zelvo-cli")
add_custom_command(OUTPUT ${_manuals}
  COMMAND ${CMAKE_COMMAND} -E make_directory "${_pkg}"
  COMMAND zelvo-make-manuals "${PROJECT_VERSION}" "${_pkg}"
  COMMAND gzip -9nf "${_pkg}/zelvo.1" "${_pkg}/zelvo-cli.1"
  DEPENDS zelvo-make-manuals
  COMMENT "Generating the manual pages and shell completion"
  VERBATIM)

# The AppStream entry and the Debian changelog, from NEWS.
set(ZELVO_METAINFO "${_pkg}/${ZELVO_APPSTREAM_ID}.metainfo.xml")
add_custom_command(OUTPUT "${ZELVO_METAINFO}" "${_pkg}/changelog.gz"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${_pkg}"
  COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:zelvo-cli>
          -DIN=${CMAKE_SOURCE_DIR}/resources/package/zelvo.metainfo.xml.in -DOUT=${ZELVO_METAINFO}
          -DNEWS=${CMAKE_SOURCE_DIR}/NEWS -DCHANGELOG=${_pkg}/changelog -DAPPID=${ZELVO_APPSTREAM_ID}
          -DSCREENSHOT_URL=${ZELVO_SCREENSHOT_URL} -DMAINTAINER=${ZELVO_MAINTAINER}
          -P "${CMAKE_SOURCE_DIR}/cmake/Metainfo.cmake"
  COMMAND gzip -9nf "${_pkg}/changelog"
  DEPENDS zelvo-cli "${CMAKE_SOURCE_DIR}/resources/package/zelvo.metainfo.xml.in" "${CMAKE_SOURCE_DIR}/NEWS"
          "${CMAKE_SOURCE_DIR}/cmake/Metainfo.cmake"
  COMMENT "Generating the AppStream entry and the changelog"
  VERBATIM)
add_custom_target(zelvo_package_files ALL DEPENDS ${_manuals} "${ZELVO_METAINFO}" "${_pkg}/changelog.gz")

install(FILES "${_pkg}/zelvo-cli.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${_pkg}/zelvo-cli.bash" DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions"
        RENAME zelvo-cli)
install(FILES "${_pkg}/_zelvo-cli" DESTINATION "${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions")
install(FILES "${CMAKE_SOURCE_DIR}/resources/package/zelvo.thumbnailer" DESTINATION "${CMAKE_INSTALL_DATADIR}/thumbnailers")
install(FILES "${_pkg}/changelog.gz" "${CMAKE_SOURCE_DIR}/resources/package/copyright"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/zelvo")

if(TARGET zelvo)
  install(FILES "${_pkg}/zelvo.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES "${ZELVO_METAINFO}" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

  # The icon as PNG for desktops and tools that take no SVG.
  add_executable(zelvo-make-icon-pngs tools/MakeIconPngs.cpp)
  target_link_libraries(zelvo-make-icon-pngs PRIVATE Qt6::Gui Qt6::Svg)
  set(_icons "")
  foreach(_size IN LISTS ZELVO_ICON_SIZES)
    list(APPEND _icons "${_pkg}/hicolor/${_size}x${_size}/apps/zelvo.png")
  endforeach()
  add_custom_command(OUTPUT ${_icons}
    COMMAND zelvo-make-icon-pngs "${CMAKE_SOURCE_DIR}/resources/icons/zelvo.svg" zelvo "${_pkg}/hicolor"
            ${ZELVO_ICON_SIZES}
    DEPENDS zelvo-make-icon-pngs "${CMAKE_SOURCE_DIR}/resources/icons/zelvo.svg"
    COMMENT "Rendering the application icon as PNG"
    VERBATIM)
  add_custom_target(zelvo_icon_pngs ALL DEPENDS ${_icons})
  install(DIRECTORY "${_pkg}/hicolor/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor")

  # The AppStream screenshot: the editor on the sample picture under Xvfb
  # (tools/appstream-screenshot.sh), photographed by the tests' camera.
  find_program(ZELVO_XVFB_RUN xvfb-run)
  if(ZELVO_XVFB_RUN AND TARGET zelvo_screen_grab)
    set(ZELVO_SCREENSHOT "${_pkg}/screenshots/zelvo-editor.png")
    add_custom_command(OUTPUT "${ZELVO_SCREENSHOT}"
      COMMAND "${CMAKE_SOURCE_DIR}/tools/appstream-screenshot.sh" $<TARGET_FILE:zelvo>
              $<TARGET_FILE:zelvo_screen_grab> "${CMAKE_BINARY_DIR}/sample/sample.bmp" "${ZELVO_SCREENSHOT}"
      DEPENDS zelvo zelvo_screen_grab zelvo_sample "${CMAKE_SOURCE_DIR}/tools/appstream-screenshot.sh"
      COMMENT "Taking the AppStream screenshot under Xvfb"
      VERBATIM)
    add_custom_target(zelvo_screenshots ALL DEPENDS "${ZELVO_SCREENSHOT}")
    install(FILES "${ZELVO_SCREENSHOT}" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/zelvo/screenshots")
  endif()
endif()

# The package: cpack -G DEB over the install rules above and in
# cmake/Install.cmake, the libraries it needs found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZELVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image editor for photos, scans and screen shots")
# cpack writes the summary as the first line of Description and these lines
# below it, an empty line as " .".
set(CPACK_PACKAGE_DESCRIPTION "Zelvo retouches, crops, resizes and converts pictures one at a time, with
some forty filters and effects, live previews, undo and redo, batch
conversion, a thumbnail browser, a slide show, screen capture, scanner
input, printing and wallpaper. Its interface is Japanese.

zelvo-cli runs the same operations and codecs without a window, and gives
file managers thumbnails of PhotoCD pictures, icons, programs' icons, TGA
and PCX files.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plug-ins no binary links: Qt's Wayland platform, so that the editor runs
# natively on a Wayland desktop, and Qt's SVG icon engine, which draws the
# toolbar icons. The Japanese captions need a font
# with the Japanese characters.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sane-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_CONTACT "${ZELVO_MAINTAINER}")
include(CPack)

# The package built from this build and checked (tools/check-package.sh):
# lintian, appstreamcli validate, desktop-file-validate, its parts, its size.
if(ZELVO_BUILD_TESTS AND TARGET zelvo)
  add_test(NAME zelvo_package
    COMMAND "${CMAKE_SOURCE_DIR}/tools/package.sh" --no-build "${CMAKE_BINARY_DIR}" "${CMAKE_BINARY_DIR}/package-check")
  set_tests_properties(zelvo_package PROPERTIES LABELS install TIMEOUT 600 RUN_SERIAL ON)
endif()
