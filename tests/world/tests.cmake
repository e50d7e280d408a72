# Long accuracy check of the portable float32 functions: a program of its own,
# run by hand for the full check (fmath_check) and by CTest with a small sample.
# The core_tests glob also finds its source: keep it out of that target.
get_target_property(_core_test_sources core_tests SOURCES)
list(FILTER _core_test_sources EXCLUDE REGEX "/world/fmath_check/")
set_property(TARGET core_tests PROPERTY SOURCES ${_core_test_sources})

add_executable(fmath_check ${CMAKE_CURRENT_LIST_DIR}/fmath_check/fmath_check.cpp)
target_link_libraries(fmath_check PRIVATE skorvia_core)
add_test(NAME fmath_check_quick COMMAND fmath_check --quick)
