# Holds every #include in a source tree to the layer table:
#   cmake -P tools/CheckLayers.cmake SRC_DIR
#
# A layer may include headers of its own layer and of the layers it may use:
#   image -> formats, effects -> platform -> platform/qt -> document
#   -> library -> view -> app
# document and library use only the Qt-free platform; the view does not use
# library; cli sits beside app and uses image, formats, effects, platform,
# document and library. A file's layer is the folder it lies in, whatever
# the file is called. Only platform/qt, the view and app may include Qt headers.
# Quoted includes name a header by its path under SRC_DIR, or by its name
# beside the including file. Prints each offending include and fails.
cmake_minimum_required(VERSION 3.25)

if(CMAKE_ARGC LESS 4)
  message(FATAL_ERROR "usage: cmake -P CheckLayers.cmake SRC_DIR")
endif()
get_filename_component(src "${CMAKE_ARGV3}" ABSOLUTE)
if(NOT IS_DIRECTORY "${src}")
  message(FATAL_ERROR "not a folder: ${src}")
endif()

set(uses_image image)
set(uses_formats image formats)
set(uses_effects image effects)
set(uses_platform image formats effects platform)
set(uses_platform/qt image formats effects platform platform/qt)
set(uses_document image formats effects platform document)
set(uses_library image formats effects platform document library)
set(uses_view image formats effects platform platform/qt document view)
set(uses_app image formats effects platform platform/qt document library view app)
set(uses_cli image formats effects platform document library cli)
set(qt_layers platform/qt view app)

# The layer of a path relative to SRC_DIR, or "" outside every layer.
function(layer_of path out)
  set(layer "")
  if(path MATCHES "^platform/qt/")
    set(layer platform/qt)
  elseif(path MATCHES "^(image|formats|effects|platform|document|library|view|app|cli)/")
    set(layer "${CMAKE_MATCH_1}")
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${src}" "${src}/*.h" "${src}/*.hpp" "${src}/*.cpp")
list(SORT files)
set(failures 0)
foreach(file IN LISTS files)
  layer_of("${file}" layer)
  if(NOT layer)
    continue()
  endif()
  get_filename_component(dir "${file}" DIRECTORY)
  file(STRINGS "${src}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(header "${CMAKE_MATCH_1}")
      layer_of("${header}" target)
      if(NOT target)
        cmake_path(SET beside NORMALIZE "${dir}/${header}")
        layer_of("${beside}" target)
      endif()
      if(target AND NOT target IN_LIST uses_${layer})
        message(NOTICE "${file}: #include \"${header}\": ${layer} may not use ${target}")
        math(EXPR failures "${failures} + 1")
      endif()
    elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<(Q[^>]*)>")
      if(NOT layer IN_LIST qt_layers)
        message(NOTICE "${file}: #include <${CMAKE_MATCH_1}>: ${layer} may not use Qt")
        math(EXPR failures "${failures} + 1")
      endif()
    endif()
  endforeach()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include(s) break the layer table")
endif()
list(LENGTH files count)
message(STATUS "${count} files keep to the layer table")
