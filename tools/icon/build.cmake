# skorvia-icon: draws the installed icon (assets/skorvia.png) with the game's
# renderer. Not installed; run it by hand after changing the look of planes or
# planets:  build/skorvia-icon assets/skorvia.png
add_executable(skorvia-icon ${CMAKE_CURRENT_LIST_DIR}/icon.cpp)
target_link_libraries(skorvia-icon PRIVATE skorvia_render_scenes)
set_target_properties(skorvia-icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
