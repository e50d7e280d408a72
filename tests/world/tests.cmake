# Two programs of their own, kept out of core_tests (whose glob also finds
# their sources):
# - fmath_check, the long accuracy check of the portable float32 functions,
#   run by hand for the full check and by CTest with a small sample;
# - the determinism check, a long scripted game whose world hashes must match
#   the recorded values, built at -O0 and at -O2.
get_target_property(_core_test_sources core_tests SOURCES)
list(FILTER _core_test_sources EXCLUDE REGEX "/world/(fmath_check|determinism)/")
set_property(TARGET core_tests PROPERTY SOURCES ${_core_test_sources})

include(${CMAKE_CURRENT_LIST_DIR}/programs.cmake)
# fmath_check judges each result against the C library's long double
# functions. mingw-w64's sinl and cosl (the x87 unit's fsin) reduce large
# arguments wrongly, from about 2^30 on, so on Windows that judge is wrong,
# not the game's functions: there the results are instead compared bit for
# bit with the Linux builds' (same_bits_across_builds, tests/mixed).
if(NOT WIN32)
  add_test(NAME fmath_check_quick COMMAND fmath_check --quick)
endif()
foreach(_level O0 O2)
  add_test(NAME determinism_${_level} COMMAND determinism_${_level})
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(determinism_${_level} PROPERTIES LABELS windows)
  endif()
endforeach()

# The same game built by clang (`make test` builds it in build/clang-golden):
# its hashes must equal those of this tree's build, whichever compiler made it.
set(SKORVIA_CLANG_BINARY_DIR ${CMAKE_BINARY_DIR}/clang-golden CACHE PATH
  "Build folder of the clang tree whose golden game the compiler comparison runs")
add_test(NAME determinism_clang
  COMMAND ${CMAKE_COMMAND}
    -DGCC=$<TARGET_FILE:determinism_O2>
    -DCLANG=${SKORVIA_CLANG_BINARY_DIR}/tests/determinism_O2
    -P ${CMAKE_CURRENT_LIST_DIR}/determinism/compare_compilers.cmake)
set_tests_properties(determinism_clang PROPERTIES SKIP_REGULAR_EXPRESSION "clang build not found")
