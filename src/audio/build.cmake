# Sound: the platform-free part (synthesis, mixer, the game's sound rule) is a
# library of its own, so its tests, benchmarks, the sound tool and the
# thread-sanitizer test of the cue ring need no SDL. The game library keeps
# only the device.
set(_audio_dir ${CMAKE_CURRENT_LIST_DIR})
set(_audio_engine_sources
  ${_audio_dir}/soft_tanh.cpp
  ${_audio_dir}/sounds.cpp
  ${_audio_dir}/mixer.cpp
  ${_audio_dir}/game_sounds.cpp)
get_target_property(_game_sources skorvia_game SOURCES)
list(REMOVE_ITEM _game_sources ${_audio_engine_sources})
set_property(TARGET skorvia_game PROPERTY SOURCES ${_game_sources})

add_library(skorvia_audio STATIC ${_audio_engine_sources})
target_link_libraries(skorvia_audio PUBLIC skorvia_session)
target_link_libraries(skorvia_game PUBLIC skorvia_audio)

# The developer's look at the sounds: WAV files and sonograms.
add_executable(skorvia-sounds ${PROJECT_SOURCE_DIR}/tools/sounds/sounds_tool.cpp
  ${PROJECT_SOURCE_DIR}/tools/sounds/wav.cpp ${PROJECT_SOURCE_DIR}/tools/sounds/sonogram.cpp)
target_link_libraries(skorvia-sounds PRIVATE skorvia_audio skorvia_stb)
set_target_properties(skorvia-sounds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(SKORVIA_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(skorvia_audio_bench ${PROJECT_SOURCE_DIR}/bench/audio_bench/audio_bench.cpp)
  target_link_libraries(skorvia_audio_bench PRIVATE skorvia_audio benchmark::benchmark benchmark::benchmark_main)
endif()
