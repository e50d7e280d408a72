# The kept files (settings, added servers): plain text in the desktop's
# configuration folder. What differs between systems is in kept_files_<system>.cpp.
file(GLOB SKORVIA_CONFIG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
if(WIN32)
  list(FILTER SKORVIA_CONFIG_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
else()
  list(FILTER SKORVIA_CONFIG_SOURCES EXCLUDE REGEX "_windows\\.cpp$")
endif()
add_library(skorvia_config STATIC ${SKORVIA_CONFIG_SOURCES})
target_include_directories(skorvia_config PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(skorvia_config PUBLIC skorvia_flags)
if(TARGET skorvia_session)
  target_link_libraries(skorvia_session PUBLIC skorvia_config)
endif()
