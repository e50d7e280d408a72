# skorvia-bots: plays bot-only matches headless, as fast as the machine
# allows, and prints how each went (tools/bots).
add_executable(skorvia-bots ${PROJECT_SOURCE_DIR}/tools/bots/bots_tool.cpp ${PROJECT_SOURCE_DIR}/tools/bots/match.cpp)
target_include_directories(skorvia-bots PRIVATE ${PROJECT_SOURCE_DIR}/tools)
target_link_libraries(skorvia-bots PRIVATE skorvia_core)
set_target_properties(skorvia-bots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
