# The registry client of the Windows build: WinHTTP, the system's own HTTP
# client (nothing to ship or keep patched, the system's certificate store),
# and the list read with nlohmann-json. Only the client: the registry
# service itself runs on Linux.
#
# nlohmann-json is header-only and the same for every target, but the cross
# toolchain's search root does not reach the build system's copy. Its
# folder is offered alone (a link in the build tree), never the whole
# /usr/include, whose C headers are not the target's.
set(SKORVIA_NLOHMANN_INCLUDE_DIR "/usr/include" CACHE PATH
  "Folder that holds nlohmann/json.hpp (Windows builds)")
if(NOT EXISTS ${SKORVIA_NLOHMANN_INCLUDE_DIR}/nlohmann/json.hpp)
  message(FATAL_ERROR "no nlohmann/json.hpp in SKORVIA_NLOHMANN_INCLUDE_DIR (${SKORVIA_NLOHMANN_INCLUDE_DIR})")
endif()
set(_nlohmann_only ${CMAKE_BINARY_DIR}/nlohmann-include)
file(MAKE_DIRECTORY ${_nlohmann_only})
file(CREATE_LINK ${SKORVIA_NLOHMANN_INCLUDE_DIR}/nlohmann ${_nlohmann_only}/nlohmann COPY_ON_ERROR SYMBOLIC)

add_library(skorvia_registry_listing STATIC ${CMAKE_CURRENT_LIST_DIR}/listing.cpp)
target_include_directories(skorvia_registry_listing SYSTEM PUBLIC ${_nlohmann_only})
target_link_libraries(skorvia_registry_listing PUBLIC skorvia_core)

add_library(skorvia_registry_client STATIC ${CMAKE_CURRENT_LIST_DIR}/registry_client_winhttp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_url.cpp)
target_link_libraries(skorvia_registry_client PUBLIC skorvia_registry_listing PRIVATE winhttp)
target_compile_definitions(skorvia_registry_client PUBLIC SKORVIA_HAS_REGISTRY=1)

link_registry_client()
