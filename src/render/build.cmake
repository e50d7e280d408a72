# Rendering: embeds the GLSL sources into the game library and builds the
# developer tools (headless screenshots, tools/screenshots) and the rendering
# benchmarks.
foreach(shader lines_vertex lines_fragment planets_vertex planets_fragment nebulae_vertex nebulae_fragment
               noise text_vertex text_fragment)
  skorvia_embed(skorvia_game ${shader}_glsl ${CMAKE_CURRENT_LIST_DIR}/shaders/${shader}.glsl)
endforeach()

# Scenes shared by the screenshot tool, the image tests and the benchmarks.
set(_screenshot_tool_dir ${PROJECT_SOURCE_DIR}/tools/screenshots)
add_library(skorvia_render_scenes STATIC
  ${_screenshot_tool_dir}/scenes.cpp
  ${_screenshot_tool_dir}/interface_scenes.cpp
  ${_screenshot_tool_dir}/offscreen.cpp)
target_include_directories(skorvia_render_scenes PUBLIC ${PROJECT_SOURCE_DIR}/tools)
target_link_libraries(skorvia_render_scenes PUBLIC skorvia_game)

add_executable(skorvia-screenshots ${_screenshot_tool_dir}/screenshots.cpp)
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
