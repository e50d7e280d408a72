# Long accuracy check of the portable float32 functions: a program of its own,
# run by hand for the full check (fmath_check) and by CTest with a small sample.
# The core_tests glob also finds its source: keep it out of that target.
get_target_property(_core_test_sources core_tests SOURCES)
list(FILTER _core_test_sources EXCLUDE REGEX "/world/fmath_check/")
set_property(TARGET core_tests PROPERTY SOURCES ${_core_test_sources})

add_executable(fmath_check ${CMAKE_CURRENT_LIST_DIR}/fmath_check/fmath_check.cpp)
target_link_libraries(fmath_check PRIVATE skorvia_core)
add_test(NAME fmath_check_quick COMMAND fmath_check --quick)

# The determinism check: a long scripted game whose world hashes must match the
# recorded values, built twice from the same sources, at -O0 and at -O2, each
# compiling the simulation itself with its own optimisation level.
get_target_property(_core_test_sources core_tests SOURCES)
list(FILTER _core_test_sources EXCLUDE REGEX "/world/determinism/")
set_property(TARGET core_tests PROPERTY SOURCES ${_core_test_sources})

file(GLOB _determinism_world_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/world/*.cpp)
file(GLOB _determinism_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/determinism/*.cpp)
foreach(_level O0 O2)
  add_executable(determinism_${_level} ${_determinism_sources} ${_determinism_world_sources})
  target_include_directories(determinism_${_level} PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_LIST_DIR}/determinism)
  target_link_libraries(determinism_${_level} PRIVATE skorvia_flags)
  target_compile_options(determinism_${_level} PRIVATE -${_level})
  add_test(NAME determinism_${_level} COMMAND determinism_${_level})
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
