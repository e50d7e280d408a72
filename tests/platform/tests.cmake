# The kept files on a real file system, under a temporary folder (POSIX; the
# Windows file is compiled by the cross-build).
if(NOT WIN32)
  file(GLOB _platform_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
  add_executable(platform_tests ${_platform_tests})
  target_link_libraries(platform_tests PRIVATE skorvia_core GTest::gtest GTest::gtest_main)
  skorvia_add_gtest(platform_tests)
endif()
