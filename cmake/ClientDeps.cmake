# The desktop client: its dependencies (SDL3, stb_truetype, the font), the
# game library, the `skorvia` executable and the tests that need SDL.
#
# Cache variables a packager may set:
#   CMAKE_PREFIX_PATH   where SDL3's CMake package lives when it is not a system one
#   STB_INCLUDE_DIR     the folder holding stb_truetype.h
#   SKORVIA_FONT_FILE   Fira Sans Regular (TrueType), embedded into the program:
#                       the set-up script's copy with a `kern` table

find_package(SDL3 CONFIG REQUIRED)

find_path(STB_INCLUDE_DIR stb_truetype.h PATH_SUFFIXES stb
  DOC "Folder holding stb_truetype.h")
if(NOT STB_INCLUDE_DIR)
  message(FATAL_ERROR "stb_truetype.h not found: install stb (Debian: libstb-dev) or pass -DSTB_INCLUDE_DIR=<folder>")
endif()
add_library(skorvia_stb INTERFACE)
target_include_directories(skorvia_stb SYSTEM INTERFACE ${STB_INCLUDE_DIR})
# The tools name it <stb/stb_image_write.h>. A cross-build can't put the
# host's include folder on its path, so it gets a folder holding stb alone.
if(CMAKE_CROSSCOMPILING)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/stb-include)
  file(CREATE_LINK ${STB_INCLUDE_DIR} ${CMAKE_BINARY_DIR}/stb-include/stb SYMBOLIC)
  target_include_directories(skorvia_stb SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/stb-include)
endif()

# The set-up script keeps the font in its cache, with a derived copy whose
# pair kerning stb_truetype reads (scripts/kern_font.py); a packager passes
# the path.
set(_skorvia_deps_dirs)
if(DEFINED ENV{SKORVIA_DEPS_DIR})
  list(APPEND _skorvia_deps_dirs "$ENV{SKORVIA_DEPS_DIR}")
endif()
list(APPEND _skorvia_deps_dirs /var/cache/skorvia-deps)
if(DEFINED ENV{HOME})
  list(APPEND _skorvia_deps_dirs "$ENV{HOME}/.cache/skorvia-deps")
endif()
find_file(SKORVIA_FONT_FILE
  NAMES FiraSans-Regular-kern.ttf FiraSans-Regular.ttf FiraSans_400Regular.ttf
  HINTS ${_skorvia_deps_dirs}
  PATH_SUFFIXES font truetype/fira-sans fonts/truetype/fira-sans
  DOC "Fira Sans Regular TrueType font embedded into the client")
if(NOT SKORVIA_FONT_FILE)
  message(FATAL_ERROR "Fira Sans Regular not found: run scripts/setup.sh or pass -DSKORVIA_FONT_FILE=<file.ttf>")
endif()
set(SKORVIA_FONT_SHA256 292b8debc8aceb2bed31d95f167e747dcedfa9edcf6f34cc8be975dec76c6e3b)
set(_skorvia_unkerned_font_sha256 3dabf3d48bf4599f95cffd92f99ea426a014d5311f52a5eb5ec3af265e97cd97)
file(SHA256 "${SKORVIA_FONT_FILE}" _skorvia_font_sum)
if(_skorvia_font_sum STREQUAL _skorvia_unkerned_font_sha256)
  message(WARNING "${SKORVIA_FONT_FILE} is Fira Sans Regular as published, whose kerning the game can't read: run scripts/setup.sh and pass its FiraSans-Regular-kern.ttf")
elseif(NOT _skorvia_font_sum STREQUAL SKORVIA_FONT_SHA256)
  message(WARNING "${SKORVIA_FONT_FILE} is not the tested Fira Sans Regular (SHA-256 ${_skorvia_font_sum}); text layout may differ")
endif()

# skorvia_embed(<target> <symbol> <file>): compiles <file> into <target> as
#   extern const unsigned char <symbol>[];  extern const unsigned long <symbol>_size;
# The bytes are followed by one 0 byte that <symbol>_size does not count.
set(SKORVIA_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFile.cmake)
function(skorvia_embed target symbol file)
  get_filename_component(input "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded/${target}/${symbol}.cpp")
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol} -P ${SKORVIA_EMBED_SCRIPT}
    DEPENDS "${input}" "${SKORVIA_EMBED_SCRIPT}"
    COMMENT "Embedding ${file} as ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()

# The game library: the SDL- and OpenGL-facing part of the client, without the
# entry point. The windowless client logic (src/client) is skorvia_session and
# the shared base (src/base) belongs to the core, which the dedicated server shares.
file(GLOB_RECURSE SKORVIA_GAME_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/render/*.cpp
  ${CMAKE_SOURCE_DIR}/src/audio/*.cpp
  ${CMAKE_SOURCE_DIR}/src/app/*.cpp)
list(REMOVE_ITEM SKORVIA_GAME_SOURCES ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
add_library(skorvia_game STATIC ${SKORVIA_GAME_SOURCES})
target_link_libraries(skorvia_game PUBLIC skorvia_core SDL3::SDL3 skorvia_stb)
if(TARGET skorvia_session)
  target_link_libraries(skorvia_game PUBLIC skorvia_session)
endif()
skorvia_embed(skorvia_game embedded_font "${SKORVIA_FONT_FILE}")

if(EXISTS ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
  add_executable(skorvia ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
  target_link_libraries(skorvia PRIVATE skorvia_game)
  set_target_properties(skorvia PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# Tests of the client side. They open windows through SDL's offscreen driver
# (Mesa's EGL, no display server) and play sound into the dummy driver.
if(SKORVIA_BUILD_TESTS)
  # tests/client needs no window: it is session_tests (tests/CMakeLists.txt).
  file(GLOB_RECURSE GAME_TEST_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tests/render/*.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/*.cpp
    ${CMAKE_SOURCE_DIR}/tests/audio/*.cpp)
  # They draw through SDL's offscreen driver (EGL), which Windows lacks.
  if(GAME_TEST_SOURCES AND NOT WIN32)
    add_executable(game_tests ${GAME_TEST_SOURCES})
    target_link_libraries(game_tests PRIVATE skorvia_game GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(game_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    # Two properties, one variable each: a list value would be split apart on
    # its way through test discovery. The label lets a sanitizer run treat
    # them apart (SDL and Mesa leak at exit).
    skorvia_add_gtest(game_tests
      PROPERTIES
        ENVIRONMENT "SDL_VIDEO_DRIVER=offscreen"
        ENVIRONMENT_MODIFICATION "SDL_AUDIO_DRIVER=set:dummy"
        LABELS window
        TIMEOUT 300)
  endif()
endif()
