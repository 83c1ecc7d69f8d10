# Checks that every source file under SRC includes only what its layer may use, and that no game
# code outside the platform layer includes a toolkit header. Run as
#   cmake -DSRC=<dir holding app/, ui/, ...> -P check_layers.cmake
# Prints each offending include and fails when there is one.
#
# Layers, top to bottom: app uses everything; ui uses the state and the platform; rules use the
# state, sound and the platform; persist and sound use the state and the platform; the state
# (state/) uses the platform; the platform uses nothing of the game.
cmake_minimum_required(VERSION 3.22)
if(NOT SRC)
  message(FATAL_ERROR "check_layers.cmake: set SRC to the source folder")
endif()
get_filename_component(SRC "${SRC}" ABSOLUTE)

set(allowed_app app state ui rules persist sound platform)
set(allowed_ui ui state platform)
set(allowed_rules rules state sound platform)
set(allowed_persist persist state platform)
set(allowed_sound sound state platform)
set(allowed_state state platform)
set(allowed_platform platform)

# The layer a path relative to SRC belongs to ("" for a folder that is no layer).
function(layer_of path out)
  if(path MATCHES "^(app|state|ui|rules|persist|sound|platform)/")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

set(toolkit_headers "^(gtk|gdk|atk|glib|gio|cairo|pango|SDL|SDL2|GL|X11)[/.]")

file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.cpp")
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "check_layers.cmake: no sources under ${SRC}")
endif()
set(errors 0)
foreach(file IN LISTS files)
  layer_of("${file}" from)
  if(from STREQUAL "")
    continue()
  endif()
  file(STRINGS "${SRC}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" header "${line}")
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"")
      layer_of("${header}" to)
      if(to STREQUAL "")
        continue()
      endif()
      if(NOT to IN_LIST allowed_${from})
        message(NOTICE "${file}: the ${from} layer may not include ${header} (${to})")
        math(EXPR errors "${errors} + 1")
      endif()
    elseif(NOT from STREQUAL "platform" AND header MATCHES "${toolkit_headers}")
      message(NOTICE "${file}: only the platform layer may include the toolkit header <${header}>")
      math(EXPR errors "${errors} + 1")
    endif()
  endforeach()
endforeach()
if(errors GREATER 0)
  message(FATAL_ERROR "${errors} include(s) reach outside their layer")
endif()
