# Fails when a source file includes a folder its own folder may not include.
# The rules are the table of folders in docs/ARCHITECTURE.md: each row names a
# folder in backquotes in its first cell and, in its last cell, the include
# roots (the first path component of a quoted include) that the folder's files
# may use; `*` allows any. A file follows the row of the longest folder that
# contains it, and a source file under no row fails too, so a new folder is
# documented before it builds. Includes without a folder (same directory)
# are always allowed.
# Usage: cmake -DROOT=<source tree> -P checkLayering.cmake
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${ROOT}/docs/ARCHITECTURE.md" rows REGEX "^\\| `[a-z]")
set(folders)
foreach(row IN LISTS rows)
  string(REPLACE "|" ";" cells "${row}")
  list(GET cells 1 folderCell)
  list(GET cells -2 allowCell)
  string(REGEX MATCH "`([^`]+)`" found "${folderCell}")
  set(folder "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "`[^`]+`" allowed "${allowCell}")
  string(REPLACE "`" "" allowed "${allowed}")
  list(APPEND folders "${folder}")
  set("allow_${folder}" "${allowed}")
endforeach()
if(NOT folders)
  message(FATAL_ERROR "docs/ARCHITECTURE.md has no table of folders")
endif()

file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/include/*.h" "${ROOT}/src/*.h" "${ROOT}/src/*.cpp"
     "${ROOT}/tools/*.h" "${ROOT}/tools/*.cpp" "${ROOT}/tests/*.h" "${ROOT}/tests/*.cpp" "${ROOT}/bench/*.h"
     "${ROOT}/bench/*.cpp" "${ROOT}/examples/*.h" "${ROOT}/examples/*.cpp")
set(faults)
foreach(source IN LISTS sources)
  # The row of the longest folder containing the file.
  set(rule "")
  set(ruleLength 0)
  foreach(folder IN LISTS folders)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${source}" 0 ${length} head)
    if(head STREQUAL "${folder}/" AND length GREATER ruleLength)
      set(rule "${folder}")
      set(ruleLength ${length})
    endif()
  endforeach()
  if(rule STREQUAL "")
    list(APPEND faults "${source}: its folder has no row in docs/ARCHITECTURE.md")
    continue()
  endif()
  set(allowed "${allow_${rule}}")
  if("*" IN_LIST allowed)
    continue()
  endif()
  file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]*/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^/\"]*)/.*$" "\\1" root "${line}")
    if(NOT root IN_LIST allowed)
      list(JOIN allowed " " allowedText)
      list(APPEND faults "${source}: includes ${root}/, which ${rule}/ may not include (it may include: ${allowedText})")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes against the layering of docs/ARCHITECTURE.md:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "layering: ${count} files follow docs/ARCHITECTURE.md")
