# The dedicated server's tests: its parts in this process, and the real
# skorvia-server started as a child process and played against over UDP on
# loopback by the project's own client session. Also skorvia_load, the tool
# that measures the server (not a test).
# Their support (child processes, signals, /proc) is POSIX: Linux only.
if(TARGET skorvia-server AND TARGET skorvia_session AND NOT WIN32)
  file(GLOB _dedicated_support CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/support/*.cpp)
  add_library(dedicated_test_support STATIC ${_dedicated_support})
  target_include_directories(dedicated_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(dedicated_test_support PUBLIC skorvia_dedicated skorvia_session)

  file(GLOB _dedicated_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
  add_executable(dedicated_tests ${_dedicated_tests})
  target_link_libraries(dedicated_tests PRIVATE dedicated_test_support GTest::gtest GTest::gtest_main)
  target_include_directories(dedicated_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/mixed)
  target_compile_definitions(dedicated_tests PRIVATE SKORVIA_SERVER_BINARY="$<TARGET_FILE:skorvia-server>")
  add_dependencies(dedicated_tests skorvia-server)
  # The announcer's test answers it with a fake registry.
  if(HTTPLIB_FOUND)
    target_link_libraries(dedicated_tests PRIVATE PkgConfig::HTTPLIB)
    target_compile_definitions(dedicated_tests PRIVATE SKORVIA_TEST_HTTPLIB=1)
  endif()
  # They keep real time (120 ticks per second): not beside other busy tests.
  skorvia_add_gtest(dedicated_tests PROPERTIES RUN_SERIAL TRUE)

  file(GLOB _load_tool CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tools/*.cpp)
  add_executable(skorvia_load ${_load_tool})
  target_link_libraries(skorvia_load PRIVATE dedicated_test_support)
  target_compile_definitions(skorvia_load PRIVATE SKORVIA_SERVER_BINARY="$<TARGET_FILE:skorvia-server>")
  add_dependencies(skorvia_load skorvia-server)
endif()
