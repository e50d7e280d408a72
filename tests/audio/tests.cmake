# The cue ring under two threads at once: a program of its own without SDL,
# so a ThreadSanitizer build (SKORVIA_TSAN) checks only the sound's own code.
# The game_tests glob also finds its source: keep it out of that target.
if(TARGET skorvia_audio)
  if(TARGET game_tests)
    get_target_property(_game_test_sources game_tests SOURCES)
    list(FILTER _game_test_sources EXCLUDE REGEX "/audio/ring/")
    set_property(TARGET game_tests PROPERTY SOURCES ${_game_test_sources})
  endif()
  add_executable(audio_ring_test ${CMAKE_CURRENT_LIST_DIR}/ring/cue_ring_threads_test.cpp)
  target_link_libraries(audio_ring_test PRIVATE skorvia_audio GTest::gtest GTest::gtest_main)
  target_include_directories(audio_ring_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME audio_ring_threads COMMAND audio_ring_test)
endif()
