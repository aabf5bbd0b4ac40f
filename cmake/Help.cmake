# The help pages, built from their sources in help/pages by
# tools/MakeHelp.cpp into build/help, where the editor finds them beside
# itself (the English ones from help/pages/en into build/help/en). The before/after pictures come from zelvo-cli applied to the
# sample picture, so the step runs again whenever zelvo-cli, the sample or
# a source changes.
add_executable(zelvo-make-help tools/MakeHelp.cpp)
# It reads the main window's command table, src/app/window/Commands.def.
target_include_directories(zelvo-make-help PRIVATE "${CMAKE_SOURCE_DIR}/src")

set(ZELVO_HELP_DIR "${CMAKE_BINARY_DIR}/help")
file(GLOB ZELVO_HELP_SOURCES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/help/pages/*.html"
     "${CMAKE_SOURCE_DIR}/help/pages/*/*.html" "${CMAKE_SOURCE_DIR}/help/index-intro.*.html"
     "${CMAKE_SOURCE_DIR}/help/images/*" "${CMAKE_SOURCE_DIR}/translations/*.ts")
set(_help_style "${CMAKE_SOURCE_DIR}/help/help.css")
set(_help_intro "${CMAKE_SOURCE_DIR}/help/index-intro.html")
add_custom_command(OUTPUT "${ZELVO_HELP_DIR}/pages.tsv"
  COMMAND zelvo-make-help --pages "${CMAKE_SOURCE_DIR}/help/pages"
          --style "${_help_style}" --intro "${_help_intro}"
          --cli "$<TARGET_FILE:zelvo-cli>" --sample "${CMAKE_BINARY_DIR}/sample/sample.bmp"
          --textures "${CMAKE_SOURCE_DIR}/resources/textures"
          --work "${CMAKE_BINARY_DIR}/help-work" --out "${ZELVO_HELP_DIR}"
          --catalogues "${CMAKE_SOURCE_DIR}/translations"
  DEPENDS zelvo-make-help zelvo-cli "${CMAKE_BINARY_DIR}/sample/sample.bmp" ${ZELVO_HELP_SOURCES}
          "${_help_style}" "${_help_intro}" ${ZELVO_TEXTURES}
  WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
  COMMENT "Generating the help pages"
  VERBATIM)
add_custom_target(zelvo_help ALL DEPENDS "${ZELVO_HELP_DIR}/pages.tsv")
# ops may name the shipped textures as ${TEXTURES}/name.bmp or, relative to
# the build folder, textures/name.bmp.
add_dependencies(zelvo_help zelvo_sample zelvo_textures)

if(ZELVO_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  # The generator refuses bad sources (tests/help), and the editor's tests
  # check that every command and dialog topic has its page; the pages' range
  # and default cells agree with the parameters `zelvo-cli ops` lists.
  add_executable(zelvo_help_tests tests/help/MakeHelpTest.cpp tests/help/HelpRangesTest.cpp)
  target_link_libraries(zelvo_help_tests PRIVATE zelvo_reference GTest::gtest_main)
  target_compile_definitions(zelvo_help_tests PRIVATE
    ZELVO_MAKE_HELP_PROGRAM="$<TARGET_FILE:zelvo-make-help>"
    ZELVO_HELP_SOURCE_DIR="${CMAKE_SOURCE_DIR}/help"
    ZELVO_CLI_PROGRAM="$<TARGET_FILE:zelvo-cli>"
    ZELVO_SAMPLE_PICTURE="${CMAKE_BINARY_DIR}/sample/sample.bmp")
  add_dependencies(zelvo_help_tests zelvo-make-help zelvo-cli zelvo_sample)
  gtest_discover_tests(zelvo_help_tests PROPERTIES LABELS engine DISCOVERY_TIMEOUT 60)
  if(TARGET zelvo_app_tests)
    add_dependencies(zelvo_app_tests zelvo_help)
    target_compile_definitions(zelvo_app_tests PRIVATE ZELVO_HELP_BUILD_DIR="${ZELVO_HELP_DIR}"
      ZELVO_SAMPLE_PICTURE="${CMAKE_BINARY_DIR}/sample/sample.bmp")
  endif()
  # On the virtual X server a page also goes through xdg-open to a browser.
  if(TARGET zelvo_x11_tests)
    add_dependencies(zelvo_x11_tests zelvo_help)
    target_compile_definitions(zelvo_x11_tests PRIVATE ZELVO_HELP_BUILD_DIR="${ZELVO_HELP_DIR}")
  endif()
endif()
