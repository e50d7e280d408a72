# fmath_check and determinism_O0 / determinism_O2 (see tests.cmake). Each
# compiles the simulation's sources itself, with its own optimisation level,
# so the clang fuzzing tree can build them too, without its sanitizers: the
# Windows tree compares their output with its own (compare_builds.cmake).
if(SKORVIA_FUZZ)
  set(_program_flags skorvia_plain_flags)
else()
  set(_program_flags skorvia_flags)
endif()
set(_programs_dir ${PROJECT_SOURCE_DIR}/tests/world)

file(GLOB _fmath_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/world/fmath*.cpp)
add_executable(fmath_check ${_programs_dir}/fmath_check/fmath_check.cpp ${_fmath_sources})
target_include_directories(fmath_check PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(fmath_check PRIVATE ${_program_flags} Threads::Threads)

file(GLOB _determinism_world_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/world/*.cpp)
file(GLOB _determinism_sources CONFIGURE_DEPENDS ${_programs_dir}/determinism/*.cpp)
foreach(_level O0 O2)
  add_executable(determinism_${_level} ${_determinism_sources} ${_determinism_world_sources})
  target_include_directories(determinism_${_level} PRIVATE ${PROJECT_SOURCE_DIR}/src ${_programs_dir}/determinism)
  target_link_libraries(determinism_${_level} PRIVATE ${_program_flags})
  target_compile_options(determinism_${_level} PRIVATE -${_level})
endforeach()
