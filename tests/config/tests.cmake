# The kept files, on a real file system under a temporary folder.
file(GLOB _config_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
add_executable(config_tests ${_config_tests})
target_link_libraries(config_tests PRIVATE skorvia_config GTest::gtest GTest::gtest_main)
gtest_discover_tests(config_tests DISCOVERY_TIMEOUT 60)
