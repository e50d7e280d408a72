# Runs one libFuzzer target for SECONDS seconds on its growing corpus.
# A crash, a leak, a sanitizer report or a timeout fails the test; the input
# that caused it is kept in ARTIFACTS. Without a built fuzzer the test is
# skipped (the clang tree is built by `make test`).
if(NOT EXISTS "${FUZZER}")
  message("fuzzer not built: ${FUZZER} (build the clang tree, see docs/developing.md, Fuzzing)")
  return()
endif()
file(MAKE_DIRECTORY "${CORPUS}" "${ARTIFACTS}")
get_filename_component(name "${FUZZER}" NAME)
set(dirs "${CORPUS}")
if(IS_DIRECTORY "${SEEDS}")
  list(APPEND dirs "${SEEDS}")
endif()
execute_process(
  COMMAND "${FUZZER}"
    -max_total_time=${SECONDS}
    -rss_limit_mb=2048
    -timeout=10
    -print_final_stats=1
    "-artifact_prefix=${ARTIFACTS}/${name}-"
    ${dirs}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${name} failed (exit ${result}); the failing input is in ${ARTIFACTS}")
endif()
