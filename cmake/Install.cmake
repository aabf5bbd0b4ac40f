# cmake --install build --prefix ~/.local (or /usr/local) puts the editor in
# the desktop's menu and its "Open with" lists:
#   bin/zelvo, bin/zelvo-cli, bin/zelvo-decode
#   share/zelvo/help/                            the help pages (the editor
#                                                looks in ../share/zelvo/help
#                                                beside its executable)
#   share/zelvo/textures/                        the shipped textures (likewise
#                                                ../share/zelvo/textures)
#   share/zelvo/translations/                    the interface's catalogues
#                                                (zelvo_en.qm, ...)
#   share/applications/zelvo.desktop             names, icon, picture types
#                                                (those from the format table)
#   share/icons/hicolor/scalable/apps/zelvo.svg  the application icon
#   share/mime/packages/zelvo.xml                PAM, which the shared MIME
#                                                database lacks
# With no DESTDIR the desktop, MIME and icon caches of the prefix are
# refreshed when the tools are there.
include(GNUInstallDirs)

foreach(_program zelvo zelvo-cli zelvo-decode)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The desktop entry's MimeType= comes from the format table.
if(TARGET zelvo AND TARGET zelvo-cli)
  set(ZELVO_DESKTOP_ENTRY "${CMAKE_BINARY_DIR}/zelvo.desktop")
  add_custom_command(OUTPUT "${ZELVO_DESKTOP_ENTRY}"
    COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:zelvo-cli> -DIN=${CMAKE_SOURCE_DIR}/resources/zelvo.desktop.in
            -DOUT=${ZELVO_DESKTOP_ENTRY} -P "${CMAKE_SOURCE_DIR}/cmake/DesktopEntry.cmake"
    DEPENDS zelvo-cli "${CMAKE_SOURCE_DIR}/resources/zelvo.desktop.in" "${CMAKE_SOURCE_DIR}/cmake/DesktopEntry.cmake"
    VERBATIM)
  add_custom_target(zelvo_desktop_entry ALL DEPENDS "${ZELVO_DESKTOP_ENTRY}")
endif()

if(TARGET zelvo)
  install(DIRECTORY "${ZELVO_HELP_DIR}/" DESTINATION "${CMAKE_INSTALL_DATADIR}/zelvo/help")
  install(FILES ${ZELVO_TEXTURES} DESTINATION "${CMAKE_INSTALL_DATADIR}/zelvo/textures")
  install(FILES ${ZELVO_QM_FILES} DESTINATION "${CMAKE_INSTALL_DATADIR}/zelvo/translations")
  install(FILES "${ZELVO_DESKTOP_ENTRY}" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${CMAKE_SOURCE_DIR}/resources/icons/zelvo.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
  install(FILES "${CMAKE_SOURCE_DIR}/resources/zelvo-mime.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages" RENAME zelvo.xml)
  install(CODE "set(_zelvo_datadir \"${CMAKE_INSTALL_DATADIR}\")")
  install(CODE [[
    if("$ENV{DESTDIR}" STREQUAL "")
      set(_share "${CMAKE_INSTALL_PREFIX}/${_zelvo_datadir}")
      find_program(_update_desktop update-desktop-database)
      find_program(_update_mime update-mime-database)
      find_program(_update_icons gtk-update-icon-cache)
      if(_update_desktop)
        execute_process(COMMAND "${_update_desktop}" -q "${_share}/applications")
      endif()
      if(_update_mime)
        execute_process(COMMAND "${_update_mime}" "${_share}/mime")
      endif()
      if(_update_icons AND EXISTS "${_share}/icons/hicolor/index.theme")
        execute_process(COMMAND "${_update_icons}" -q -t "${_share}/icons/hicolor")
      endif()
    endif()
  ]])
endif()

# The installed tree, checked from a temporary prefix: every file above, the
# help pages where the installed editor looks, and desktop-file-validate
# (desktop-file-utils) on the .desktop file.
if(ZELVO_BUILD_TESTS AND TARGET zelvo AND TARGET zelvo-cli)
  add_test(NAME zelvo_install
    COMMAND "${CMAKE_SOURCE_DIR}/tools/check-install.sh" "${CMAKE_BINARY_DIR}"
            "${CMAKE_BINARY_DIR}/install-check")
  set_tests_properties(zelvo_install PROPERTIES LABELS install TIMEOUT 120)
endif()
