# The shell's tests also run the built program as a child process, and play
# through the interface against a real skorvia-server.
if(TARGET game_tests AND TARGET skorvia)
  target_compile_definitions(game_tests PRIVATE SKORVIA_BINARY="$<TARGET_FILE:skorvia>")
  add_dependencies(game_tests skorvia)
endif()
if(TARGET game_tests AND TARGET skorvia-server)
  target_sources(game_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/dedicated/support/server_process.cpp)
  target_include_directories(game_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/dedicated)
  target_compile_definitions(game_tests PRIVATE SKORVIA_SERVER_BINARY="$<TARGET_FILE:skorvia-server>")
  add_dependencies(game_tests skorvia-server)
endif()
