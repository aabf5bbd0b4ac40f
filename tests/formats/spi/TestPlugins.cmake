# The purpose-built test plug-ins (TestPlugin.c), all into one folder that
# the plug-in host tests search: build/tests/spi/.
set(ZELVO_TEST_SPI_DIR "${CMAKE_BINARY_DIR}/tests/spi")
set(_kinds good retry claim_a claim_b nopicture badsizes zerodenom chatty)
set(_numbers 1 2 3 4 5 6 7 8)
set(ZELVO_TEST_SPI_TARGETS "")
foreach(_kind _number IN ZIP_LISTS _kinds _numbers)
  zelvo_spi_plugin(test_${_kind} "${CMAKE_CURRENT_LIST_DIR}/TestPlugin.c" OUTPUT_DIR "${ZELVO_TEST_SPI_DIR}")
  target_compile_definitions(zelvo_plugin_test_${_kind} PRIVATE TEST_PLUGIN=${_number})
  list(APPEND ZELVO_TEST_SPI_TARGETS zelvo_plugin_test_${_kind})
endforeach()
