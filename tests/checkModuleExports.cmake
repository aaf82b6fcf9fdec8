# Fails unless the module's dynamic symbol table defines exactly the four
# entry points. Every defined symbol counts: the version script keeps the
# toolchain's own symbols (_init, _fini, __bss_start, ...) out of the table,
# so any symbol beyond the four is a leak from the module.
# Usage: cmake -DNM=<nm> -DMODULE=<path of the .so> -P checkModuleExports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE symbols ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${MODULE}: ${errors}")
endif()

# Each line is "address type name"; keep the names.
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.*[ \t]" "" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)

set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${MODULE} defines [${names}], expected exactly [${expected}]")
endif()
message(STATUS "exports: ${names}")
