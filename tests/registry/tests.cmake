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

# The Windows build's registry client, under Wine: the probe reads a list
# with it. The Linux tree's registry_tests start the real registry and
# servers (a Windows one among them) and run the probe; a Windows tree that
# knows the Linux tree registers that test.
if(CMAKE_CROSSCOMPILING AND TARGET skorvia_registry_client)
  add_executable(skorvia_registry_probe ${CMAKE_CURRENT_LIST_DIR}/registry_probe.cpp)
  target_link_libraries(skorvia_registry_probe PRIVATE skorvia_registry_client)
  if(SKORVIA_LINUX_BINARY_DIR AND TARGET skorvia-server)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " _runner)
    add_test(NAME windows_registry_client
      COMMAND ${SKORVIA_LINUX_BINARY_DIR}/tests/registry_tests --gtest_filter=WindowsRegistryClient.*)
    set_tests_properties(windows_registry_client PROPERTIES
      ENVIRONMENT "SKORVIA_WINDOWS_REGISTRY_PROBE=$<TARGET_FILE:skorvia_registry_probe>;SKORVIA_WINDOWS_SERVER=$<TARGET_FILE:skorvia-server>;SKORVIA_WINE=${_runner}"
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 2 tests\\."
      LABELS windows RUN_SERIAL TRUE TIMEOUT 300)
  endif()
endif()
