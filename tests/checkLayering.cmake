# Fails when an include runs against the layering that docs/ARCHITECTURE.md
# documents, or when that documentation itself does not run one way.
#
# The rules are the table of folders there: each row names a folder in
# backquotes in its first cell and, in its last cell, the folders its files
# may include (`*` allows any; `F/*` stands for F and every folder with a row
# below it). A file belongs to the row of the longest folder that contains
# it; a source file under no row fails, so a new folder is documented before
# it builds.
#
# Every include, quoted or angled, is resolved as the compiler finds it: in
# the including file's own folder for a quoted one, then under the include
# roots include/, src/, tests/, tools/ and bench/. An include that resolves in two
# roots is ambiguous and fails; an angled one that resolves nowhere is a
# system or third-party header and is not checked; a quoted one that
# resolves nowhere fails.
#
# Three more checks: the allowed folders of the table form no loop (a cell
# widened to let a back edge through makes one); no two units (a header and
# its source, named alike) include each other, directly or round a loop.
# Usage: cmake -DROOT=<source tree> -P checkLayering.cmake
cmake_minimum_required(VERSION 3.25)
set(includeRoots include src tests tools bench)

# The table: folders, and what each may include.
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
set(faults)

# `F/*` cells expand to F and every documented folder below it.
foreach(folder IN LISTS folders)
  set(expanded)
  foreach(entry IN LISTS "allow_${folder}")
    if(entry MATCHES "^(.+)/\\*$")
      set(base "${CMAKE_MATCH_1}")
      foreach(other IN LISTS folders)
        if(other STREQUAL base OR other MATCHES "^${base}/")
          list(APPEND expanded "${other}")
        endif()
      endforeach()
    else()
      if(NOT entry STREQUAL "*" AND NOT entry IN_LIST folders)
        list(APPEND faults "docs/ARCHITECTURE.md: the row of ${folder} allows ${entry}, which has no row")
      endif()
      list(APPEND expanded "${entry}")
    endif()
  endforeach()
  set("allow_${folder}" "${expanded}")
endforeach()

# The row of the longest documented folder holding `path`, or empty.
function(row_of path out)
  set(best "")
  set(bestLength 0)
  foreach(folder IN LISTS folders)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL "${folder}/" AND length GREATER bestLength)
      set(best "${folder}")
      set(bestLength ${length})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

# Removes, again and again, the nodes whose every edge leads to a removed
# node; what stays lies on a loop or leads into one. When something stays,
# the nodes no remaining node leads to are removed too, so that only the
# loops are named. Edges are kept in variables edges_<node>.
function(nodes_on_loops nodes out)
  set(remaining ${nodes})
  set(changed TRUE)
  while(changed)
    set(changed FALSE)
    set(kept)
    foreach(node IN LISTS remaining)
      set(blocked FALSE)
      foreach(next IN LISTS "edges_${node}")
        if(next IN_LIST remaining)
          set(blocked TRUE)
          break()
        endif()
      endforeach()
      if(blocked)
        list(APPEND kept "${node}")
      else()
        set(changed TRUE)
      endif()
    endforeach()
    set(remaining ${kept})
  endwhile()
  set(changed TRUE)
  while(remaining AND changed)
    set(reached)
    foreach(node IN LISTS remaining)
      list(APPEND reached ${edges_${node}})
    endforeach()
    set(kept)
    foreach(node IN LISTS remaining)
      if(node IN_LIST reached)
        list(APPEND kept "${node}")
      endif()
    endforeach()
    list(LENGTH kept keptCount)
    list(LENGTH remaining remainingCount)
    set(changed FALSE)
    if(keptCount LESS remainingCount)
      set(changed TRUE)
    endif()
    set(remaining ${kept})
  endwhile()
  set(${out} "${remaining}" PARENT_SCOPE)
endfunction()

# The documented table runs one way: its allowed folders form no loop.
foreach(folder IN LISTS folders)
  set("edges_${folder}")
  foreach(entry IN LISTS "allow_${folder}")
    if(NOT entry STREQUAL folder AND NOT entry STREQUAL "*")
      list(APPEND "edges_${folder}" "${entry}")
    endif()
  endforeach()
endforeach()
nodes_on_loops("${folders}" loopingFolders)
if(loopingFolders)
  list(JOIN loopingFolders ", " text)
  list(APPEND faults "docs/ARCHITECTURE.md: the allowed folders run in a loop through ${text}")
endif()

# Every include of every source file, resolved and checked against its row.
file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/include/*.h" "${ROOT}/src/*.h" "${ROOT}/src/*.cpp"
     "${ROOT}/tools/*.h" "${ROOT}/tools/*.cpp" "${ROOT}/tests/*.h" "${ROOT}/tests/*.cpp" "${ROOT}/bench/*.h"
     "${ROOT}/bench/*.cpp" "${ROOT}/examples/*.h" "${ROOT}/examples/*.cpp")
set(units)
foreach(source IN LISTS sources)
  row_of("${source}" rule)
  if(rule STREQUAL "")
    list(APPEND faults "${source}: its folder has no row in docs/ARCHITECTURE.md")
    continue()
  endif()
  set(allowed "${allow_${rule}}")
  # A unit is a header and its source: the path without extension or -inl.
  string(REGEX REPLACE "(-inl)?\\.(h|cpp)$" "" unit "${source}")
  list(APPEND units "${unit}")
  get_filename_component(directory "${source}" DIRECTORY)
  file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"<]*([\"<])([^\">]+)[\">].*$" "\\1;\\2" parts "${line}")
    list(GET parts 0 quote)
    list(GET parts 1 name)
    # Where the compiler finds it.
    set(found)
    if(quote STREQUAL "\"" AND EXISTS "${ROOT}/${directory}/${name}")
      set(found "${directory}/${name}")
    else()
      foreach(root IN LISTS includeRoots)
        if(EXISTS "${ROOT}/${root}/${name}" AND NOT IS_DIRECTORY "${ROOT}/${root}/${name}")
          list(APPEND found "${root}/${name}")
        endif()
      endforeach()
    endif()
    list(LENGTH found count)
    if(count EQUAL 0)
      if(quote STREQUAL "\"")
        list(APPEND faults "${source}: \"${name}\" names no file of the tree")
      endif()
      continue()
    elseif(count GREATER 1)
      list(JOIN found " and " text)
      list(APPEND faults "${source}: ${name} could be ${text}")
      continue()
    endif()
    cmake_path(NORMAL_PATH found)
    string(REGEX REPLACE "(-inl)?\\.(h|cpp)$" "" target "${found}")
    if(NOT target STREQUAL unit)
      list(APPEND "edges_${unit}" "${target}")
    endif()
    row_of("${found}" targetRow)
    if(targetRow STREQUAL rule OR "*" IN_LIST allowed OR targetRow IN_LIST allowed)
      continue()
    endif()
    list(JOIN allowed " " allowedText)
    list(APPEND faults "${source}: includes ${found}, which ${rule}/ may not include (it may include: ${allowedText})")
  endforeach()
endforeach()

# No two units include each other, directly or round a loop.
list(REMOVE_DUPLICATES units)
nodes_on_loops("${units}" loopingUnits)
if(loopingUnits)
  list(JOIN loopingUnits ", " text)
  list(APPEND faults "units that include each other, directly or round a loop: ${text}")
endif()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes against the layering of docs/ARCHITECTURE.md:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "layering: ${count} files follow docs/ARCHITECTURE.md")
