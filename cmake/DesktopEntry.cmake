# Writes the desktop entry from resources/zelvo.desktop.in, its MimeType=
# the picture types of the format table as zelvo-cli reports them:
#   cmake -DCLI=zelvo-cli -DIN=zelvo.desktop.in -DOUT=zelvo.desktop -P DesktopEntry.cmake
execute_process(COMMAND "${CLI}" formats --mime-types
                OUTPUT_VARIABLE ZELVO_MIME_TYPES OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR ZELVO_MIME_TYPES STREQUAL "")
  message(FATAL_ERROR "zelvo-cli formats --mime-types failed (${status})")
endif()
configure_file("${IN}" "${OUT}" @ONLY)
