# The shell's tests also run the built program as a child process.
if(TARGET game_tests AND TARGET skorvia)
  target_compile_definitions(game_tests PRIVATE SKORVIA_BINARY="$<TARGET_FILE:skorvia>")
  add_dependencies(game_tests skorvia)
endif()
