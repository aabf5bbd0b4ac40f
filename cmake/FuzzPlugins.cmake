# The targets of our own image plug-ins (TgaFuzzer, PcxFuzzer, WebpFuzzer,
# TiffFuzzer, HeifFuzzer, JxlFuzzer) link the plug-in's C sources in; those over a
# system library link that library too (as installed, not instrumented).
function(zelvo_fuzz_plugin_sources target fuzzer)
  string(REGEX MATCH "^(Tga|Pcx|Webp|Tiff|Heif|Jxl)Fuzzer$" _plugin "${fuzzer}")
  if(_plugin)
    string(TOLOWER "${CMAKE_MATCH_1}" _dir)
    target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/plugins/${_dir}/${_dir}.c"
                                     "${CMAKE_SOURCE_DIR}/plugins/common/spi_plugin.c")
    target_include_directories(${target} PRIVATE "${CMAKE_SOURCE_DIR}/include")
  endif()
  set(_modules_webp libwebp libwebpdemux)
  set(_modules_tiff libtiff-4 lcms2)
  set(_modules_heif libheif)
  set(_modules_jxl libjxl libjxl_threads)
  if(_plugin AND DEFINED _modules_${_dir})
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(ZELVO_FUZZ_${_dir} REQUIRED IMPORTED_TARGET ${_modules_${_dir}})
    target_link_libraries(${target} PRIVATE PkgConfig::ZELVO_FUZZ_${_dir})
    # 2^20 pixels: a few bytes claiming a huge picture must not spend the
    # fuzzer's time and memory on decoding it.
    target_compile_definitions(${target} PRIVATE "SPI_MAX_PIXELS=((int64_t)1 << 20)")
  endif()
endfunction()
