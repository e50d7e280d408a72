# The registry: its messages and table in this process, and the real
# skorvia-registry with real skorvia-servers announcing to it over loopback.
if(TARGET skorvia_registry_service AND TARGET dedicated_test_support AND HTTPLIB_FOUND)
  file(GLOB _registry_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
  add_executable(registry_tests ${_registry_tests} ${CMAKE_CURRENT_LIST_DIR}/support/canned_http.cpp)
  target_include_directories(registry_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(registry_tests PRIVATE skorvia_registry_service skorvia_registry_client dedicated_test_support
    PkgConfig::HTTPLIB GTest::gtest GTest::gtest_main)
  target_compile_definitions(registry_tests PRIVATE
    SKORVIA_SERVER_BINARY="$<TARGET_FILE:skorvia-server>"
    SKORVIA_REGISTRY_BINARY="$<TARGET_FILE:skorvia-registry>")
  add_dependencies(registry_tests skorvia-server skorvia-registry)
  skorvia_add_gtest(registry_tests PROPERTIES RUN_SERIAL TRUE TIMEOUT 180)
endif()
