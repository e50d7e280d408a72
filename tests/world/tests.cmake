# Two programs of their own, kept out of core_tests (whose glob also finds
# their sources):
# - fmath_check, the long accuracy check of the portable float32 functions,
#   run by hand for the full check and by CTest with a small sample;
# - the determinism check, a long scripted game whose world hashes must match
#   the recorded values, built at -O0 and at -O2.
get_target_property(_core_test_sources core_tests SOURCES)
list(FILTER _core_test_sources EXCLUDE REGEX "/world/(fmath_check|determinism)/")
set_property(TARGET core_tests PROPERTY SOURCES ${_core_test_sources})

file(GLOB _fmath_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/world/fmath*.cpp)
add_executable(fmath_check ${CMAKE_CURRENT_LIST_DIR}/fmath_check/fmath_check.cpp ${_fmath_sources})
target_include_directories(fmath_check PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(fmath_check PRIVATE skorvia_flags Threads::Threads)

# The determinism program compiles the simulation itself, with its own
# optimisation level.
file(GLOB _determinism_world_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/world/*.cpp)
file(GLOB _determinism_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/determinism/*.cpp)
foreach(_level O0 O2)
  add_executable(determinism_${_level} ${_determinism_sources} ${_determinism_world_sources})
  target_include_directories(determinism_${_level} PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_LIST_DIR}/determinism)
  target_link_libraries(determinism_${_level} PRIVATE skorvia_flags)
  target_compile_options(determinism_${_level} PRIVATE -${_level})
endforeach()

# fmath_check judges each result against the C library's long double
# functions. mingw-w64's sinl and cosl (the x87 unit's fsin) reduce large
# arguments wrongly, from about 2^30 on, so on Windows that judge is wrong,
# not the game's functions: there the results are instead compared bit for
# bit with the Linux builds' (same_bits_across_builds, tests/mixed).
# A Windows tree leaves the comparison of the compilers to the Linux tree.
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
if(CMAKE_CROSSCOMPILING)
  return()
endif()
set(SKORVIA_CLANG_BINARY_DIR ${CMAKE_BINARY_DIR}/clang-golden CACHE PATH
  "Build folder of the clang tree whose golden game the compiler comparison runs")
add_test(NAME determinism_clang
  COMMAND ${CMAKE_COMMAND}
    -DGCC=$<TARGET_FILE:determinism_O2>
    -DCLANG=${SKORVIA_CLANG_BINARY_DIR}/tests/determinism_O2
    -P ${CMAKE_CURRENT_LIST_DIR}/determinism/compare_compilers.cmake)
set_tests_properties(determinism_clang PROPERTIES SKIP_REGULAR_EXPRESSION "clang build not found")
