# Checks that every source file under SRC includes only what its layer may use, that no include
# climbs out of SRC, and that each library's headers are included by the one layer that owns the
# library. Run as
#   cmake -DSRC=<dir holding app/, ui/, ...> -P check_layers.cmake
# Prints each offending include and fails when there is one.
#
# Layers, top to bottom: app uses everything; ui uses the state and the platform; rules use the
# state, sound and the platform; persist and sound use the state and the platform; the state
# (state/) uses the platform; the platform uses nothing of the game.
#
# An include is judged by the file it names in SRC, found as the compiler finds it: a quoted name
# first beside the including file, then (like an angle-bracket name) through the -I of SRC. A name
# that leads outside SRC from there ("../ui/ui.h", an absolute path) is refused outright. A name
# that is no game file is a library header, judged by the list of header prefixes below.
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

# Each library by the start of its header names, and the one layer that may include it: the save
# file's store for persist; the window system, drawing, audio and accessibility for the platform.
set(library_headers
    "sqlite3.h|SQLite|persist"
    "sqlite3ext.h|SQLite|persist"
    "gtk/|GTK|platform"
    "gdk/|GDK|platform"
    "gdk-pixbuf/|gdk-pixbuf|platform"
    "glib.h|GLib|platform"
    "glib-object.h|GLib|platform"
    "glib-unix.h|GLib|platform"
    "glib/|GLib|platform"
    "gobject/|GLib|platform"
    "gmodule.h|GLib|platform"
    "gio/|GLib|platform"
    "cairo.h|cairo|platform"
    "cairo-|cairo|platform"
    "cairo/|cairo|platform"
    "pango/|Pango|platform"
    "SDL.h|SDL|platform"
    "SDL_|SDL|platform"
    "SDL2/|SDL|platform"
    "GL/|GL|platform"
    "GLES|GL|platform"
    "EGL/|EGL|platform"
    "KHR/|EGL|platform"
    "epoxy/|epoxy|platform"
    "X11/|X11|platform"
    "wayland-|Wayland|platform"
    "atk/|ATK|platform"
    "atk-bridge.h|ATK|platform")

# The layer a path relative to SRC belongs to ("" for a folder that is no layer).
function(layer_of path out)
  if(path MATCHES "^(app|state|ui|rules|persist|sound|platform)/")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

# The path relative to SRC that `name` means when looked up from folder `from` (relative to SRC,
# "" for SRC itself), collapsed; OUTSIDE when it leads out of SRC.
function(resolve_in from name out)
  if(IS_ABSOLUTE "${name}")
    set(${out} OUTSIDE PARENT_SCOPE)
    return()
  endif()
  if(from STREQUAL "")
    set(path "${name}")
  else()
    set(path "${from}/${name}")
  endif()
  cmake_path(NORMAL_PATH path)
  if(path STREQUAL ".." OR path MATCHES "^\\.\\./")
    set(${out} OUTSIDE PARENT_SCOPE)
  else()
    set(${out} "${path}" PARENT_SCOPE)
  endif()
endfunction()

# The library a header name belongs to as "name|layer", or "" for none on the list.
function(library_of header out)
  foreach(entry IN LISTS library_headers)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 prefix)
    string(LENGTH "${prefix}" length)
    string(SUBSTRING "${header}" 0 ${length} start)
    if(start STREQUAL prefix)
      list(GET fields 1 library)
      list(GET fields 2 owner)
      set(${out} "${library}|${owner}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

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
  get_filename_component(folder "${file}" DIRECTORY)
  file(STRINGS "${SRC}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" header "${line}")
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"")
      set(written "\"${header}\"")
      resolve_in("${folder}" "${header}" beside)
    else()
      set(written "<${header}>")
      set(beside OUTSIDE)
    endif()
    resolve_in("" "${header}" target)
    if(target STREQUAL "OUTSIDE")
      message(NOTICE "${file}: the include ${written} leads outside the source folder")
      math(EXPR errors "${errors} + 1")
      continue()
    endif()
    # A quoted name found beside the including file is that file, whatever -I would find.
    if(NOT beside STREQUAL "OUTSIDE" AND EXISTS "${SRC}/${beside}" AND NOT IS_DIRECTORY "${SRC}/${beside}")
      set(target "${beside}")
    endif()
    layer_of("${target}" to)
    if(NOT to STREQUAL "")
      if(NOT to IN_LIST allowed_${from})
        message(NOTICE "${file}: the ${from} layer may not include ${written} (${to})")
        math(EXPR errors "${errors} + 1")
      endif()
      continue()
    endif()
    if(EXISTS "${SRC}/${target}")
      continue()  # a game file outside the layer folders
    endif()
    library_of("${target}" library)
    if(library STREQUAL "")
      continue()  # the standard library, or a library no layer owns
    endif()
    string(REPLACE "|" ";" library "${library}")
    list(GET library 0 name)
    list(GET library 1 owner)
    if(NOT from STREQUAL owner)
      message(NOTICE "${file}: only the ${owner} layer may include ${name}: ${written}")
      math(EXPR errors "${errors} + 1")
    endif()
  endforeach()
endforeach()
if(errors GREATER 0)
  message(FATAL_ERROR "${errors} include(s) reach outside their layer")
endif()
