# Runs one libFuzzer target over RUNS inputs from the seed corpus CORPUS,
# with new inputs kept in WORK (emptied first) so the checked-in corpus never
# changes. Fails, naming the input, when the target crashes.
# Usage: cmake -DFUZZER=<program> -DRUNS=<n> -DMAX_LEN=<bytes> -DCORPUS=<dir>
#              [-DDICTIONARY=<file>] -DWORK=<dir> -P runFuzzer.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")
# The cache targets write many small files: in memory where the system offers it.
if(IS_DIRECTORY /dev/shm)
  set(ENV{TMPDIR} /dev/shm)
endif()
file(MAKE_DIRECTORY "${WORK}/corpus")
set(options -runs=${RUNS} -seed=1 -max_len=${MAX_LEN} -timeout=30 -rss_limit_mb=2560 -print_final_stats=1
            -artifact_prefix=${WORK}/)
if(DICTIONARY)
  list(APPEND options -dict=${DICTIONARY})
endif()
execute_process(COMMAND "${FUZZER}" ${options} "${WORK}/corpus" "${CORPUS}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(GLOB crashes "${WORK}/crash-*" "${WORK}/leak-*" "${WORK}/timeout-*" "${WORK}/oom-*")
  message(FATAL_ERROR "${FUZZER} failed (${status}); input: ${crashes}")
endif()
