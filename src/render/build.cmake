# Rendering: embeds the GLSL sources into the game library and builds the
# developer tools (headless screenshots) and the rendering benchmarks.
foreach(shader lines_vertex lines_fragment planets_vertex planets_fragment)
  skorvia_embed(skorvia_game ${shader}_glsl ${CMAKE_CURRENT_LIST_DIR}/shaders/${shader}.glsl)
endforeach()

# The tools folder holds programs and test scenes, not parts of the game.
get_target_property(_render_game_sources skorvia_game SOURCES)
list(FILTER _render_game_sources EXCLUDE REGEX "/src/render/tools/")
set_property(TARGET skorvia_game PROPERTY SOURCES ${_render_game_sources})

# Scenes shared by the screenshot tool, the image tests and the benchmarks.
add_library(skorvia_render_scenes STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tools/scenes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tools/offscreen.cpp)
target_link_libraries(skorvia_render_scenes PUBLIC skorvia_game)

add_executable(skorvia-screenshots ${CMAKE_CURRENT_LIST_DIR}/tools/screenshots.cpp)
target_link_libraries(skorvia-screenshots PRIVATE skorvia_render_scenes)
set_target_properties(skorvia-screenshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(TARGET game_tests)
  target_link_libraries(game_tests PRIVATE skorvia_render_scenes)
endif()

if(SKORVIA_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  file(GLOB _render_bench_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/render_bench/*.cpp)
  if(_render_bench_sources)
    add_executable(skorvia_render_bench ${_render_bench_sources})
    target_link_libraries(skorvia_render_bench PRIVATE skorvia_render_scenes benchmark::benchmark benchmark::benchmark_main)
  endif()
endif()
