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

# The hostile plug-ins (HostilePlugin.c) that the decoder process must hold
# in check, in a folder of their own: build/tests/spi-hostile/. No test
# loads them into its own process.
set(ZELVO_HOSTILE_SPI_DIR "${CMAKE_BINARY_DIR}/tests/spi-hostile")
set(_kinds null loop hog snoop fork)
set(_numbers 1 2 3 4 5)
foreach(_kind _number IN ZIP_LISTS _kinds _numbers)
  zelvo_spi_plugin(hostile_${_kind} "${CMAKE_CURRENT_LIST_DIR}/HostilePlugin.c" OUTPUT_DIR "${ZELVO_HOSTILE_SPI_DIR}")
  target_compile_definitions(zelvo_plugin_hostile_${_kind} PRIVATE HOSTILE_PLUGIN=${_number})
  list(APPEND ZELVO_TEST_SPI_TARGETS zelvo_plugin_hostile_${_kind})
endforeach()
