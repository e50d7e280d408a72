# The Windows build against the Linux one. skorvia_peer is one headless
# player of the mixed game (both trees build it; the Linux test in
# tests/dedicated starts the Windows one under Wine). A Windows tree that
# knows the Linux tree (SKORVIA_LINUX_BINARY_DIR, `make test-windows` sets
# it) registers the two comparisons:
# - windows_linux_game: the Linux skorvia-server, a Linux player and the
#   Windows player fly, chat and leave; no snapshot corrects either;
# - same_bits_across_builds: the golden-game hashes and the float32 function
#   results of this build, of the Linux gcc build and of the Linux clang
#   build (build/clang-golden) are the same.
if(TARGET skorvia_session)
  add_executable(skorvia_peer ${CMAKE_CURRENT_LIST_DIR}/peer.cpp ${PROJECT_SOURCE_DIR}/tests/dedicated/support/test_client.cpp)
  target_include_directories(skorvia_peer PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/dedicated)
  target_link_libraries(skorvia_peer PRIVATE skorvia_session)
endif()

set(SKORVIA_LINUX_BINARY_DIR "" CACHE PATH "The Linux build tree that the Windows tree's tests compare with")
if(CMAKE_CROSSCOMPILING AND SKORVIA_LINUX_BINARY_DIR)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " _runner)
  add_test(NAME windows_linux_game
    COMMAND ${SKORVIA_LINUX_BINARY_DIR}/tests/dedicated_tests --gtest_filter=MixedPlatforms.*)
  set_tests_properties(windows_linux_game PROPERTIES
    ENVIRONMENT "SKORVIA_WINDOWS_PEER=$<TARGET_FILE:skorvia_peer>;SKORVIA_WINE=${_runner}"
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\."
    LABELS windows RUN_SERIAL TRUE TIMEOUT 300)

  set(_clang_tree ${SKORVIA_LINUX_BINARY_DIR}/clang-golden/tests)
  add_test(NAME same_bits_across_builds
    COMMAND ${CMAKE_COMMAND}
      "-DPROGRAMS=Linux gcc=${SKORVIA_LINUX_BINARY_DIR}/tests|Linux clang=${_clang_tree}|Windows gcc (windows)=$<TARGET_FILE_DIR:determinism_O2>"
      "-DRUNNER=${_runner}"
      -P ${PROJECT_SOURCE_DIR}/tests/world/compare_builds.cmake)
  set_tests_properties(same_bits_across_builds PROPERTIES LABELS windows TIMEOUT 600)
endif()
