# The targets of our own image plug-ins (TgaFuzzer, PcxFuzzer) link the
# plug-in's C sources in.
function(zelvo_fuzz_plugin_sources target fuzzer)
  string(REGEX MATCH "^(Tga|Pcx)Fuzzer$" _plugin "${fuzzer}")
  if(_plugin)
    string(TOLOWER "${CMAKE_MATCH_1}" _dir)
    target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/plugins/${_dir}/${_dir}.c"
                                     "${CMAKE_SOURCE_DIR}/plugins/common/spi_plugin.c")
    target_include_directories(${target} PRIVATE "${CMAKE_SOURCE_DIR}/include")
  endif()
endfunction()
