# Fails when a folder of corvel/ includes a header of a folder it may not use.
# Run as: cmake -DROOT=<directory holding corvel/> -P check_includes.cmake
#
# Dependencies point down. host sits on top; the readers (tcs, tables,
# template) and the run-time folders (traffic, stats, police) below it;
# protocols and xml below those, side by side; base at the bottom. Only the
# readers see XML: traffic, stats, police and protocols never take a node.
# Each row names a folder and every folder its files may include besides
# their own. A folder that is not in the table is refused, so a new one has
# to be placed here first.
cmake_minimum_required(VERSION 3.20)

set(allowed_host     tcs template tables traffic stats police protocols xml base)
set(allowed_tcs      tables traffic stats police protocols xml base)
set(allowed_template xml base)
set(allowed_tables   xml base)
set(allowed_traffic  stats police protocols base)
set(allowed_stats    police protocols base)
set(allowed_police   protocols base)
set(allowed_protocols base)
set(allowed_xml      base)
set(allowed_base)
set(folders host tcs template tables traffic stats police protocols xml base)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source directory> -P check_includes.cmake")
endif()
file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/corvel/*.h ${ROOT}/corvel/*.cpp)
if(NOT files)
  message(FATAL_ERROR "no sources under ${ROOT}/corvel")
endif()

set(faults 0)
foreach(file ${files})
  if(NOT file MATCHES "^corvel/([^/]+)/")
    message(SEND_ERROR "${file}: not inside a folder of corvel/")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  set(from ${CMAKE_MATCH_1})
  if(NOT from IN_LIST folders)
    message(SEND_ERROR "${file}: folder '${from}' has no row in the table of allowed includes")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]corvel/")
  foreach(line ${includes})
    string(REGEX MATCH "corvel/([^/\">]+)/" unused "${line}")
    set(to ${CMAKE_MATCH_1})
    if(NOT to OR to STREQUAL from)
      continue()
    endif()
    if(NOT to IN_LIST allowed_${from})
      message(SEND_ERROR "${file}: ${from} may not include ${to}: ${line}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the folder order in ${count} files")
endif()
message(STATUS "${count} files: every include points down")
