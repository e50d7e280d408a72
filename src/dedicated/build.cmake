# The dedicated server: the core library and a UDP/TCP loop, no SDL, no
# OpenGL, so it builds on a headless machine. Everything but main() is a
# library that the tests link.
file(GLOB SKORVIA_DEDICATED_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM SKORVIA_DEDICATED_SOURCES ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
add_library(skorvia_dedicated STATIC ${SKORVIA_DEDICATED_SOURCES})
target_link_libraries(skorvia_dedicated PUBLIC skorvia_core)

add_executable(skorvia-server ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(skorvia-server PRIVATE skorvia_dedicated)
