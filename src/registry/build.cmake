# The registry of public servers (skorvia-registry) and the registry client
# that game servers announce with and the game reads lists with. The service
# is built on the system's libmicrohttpd (an event loop, TLS through GnuTLS),
# the client on libcurl (OpenSSL), JSON on nlohmann-json. Without them the
# client is left out (SKORVIA_REGISTRY OFF): servers can't register and the
# game lists no Internet servers. cpp-httplib serves the tests' fake
# registries and the benchmarks' client.
#
# Windows builds the client alone, on the system's WinHTTP, with the same
# header-only nlohmann-json: no registry service there.
# Game servers announce themselves; the game reads the lists.
function(link_registry_client)
  if(TARGET skorvia_dedicated)
    target_link_libraries(skorvia_dedicated PUBLIC skorvia_registry_client)
  endif()
  if(TARGET skorvia_game)
    target_link_libraries(skorvia_game PUBLIC skorvia_registry_client)
  endif()
endfunction()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/build_windows.cmake)
  return()
endif()
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(MICROHTTPD QUIET IMPORTED_TARGET libmicrohttpd)
  pkg_check_modules(CURL QUIET IMPORTED_TARGET libcurl)
  pkg_check_modules(HTTPLIB QUIET IMPORTED_TARGET cpp-httplib)
endif()
find_package(nlohmann_json 3 QUIET)
if(MICROHTTPD_FOUND AND CURL_FOUND AND nlohmann_json_FOUND)
  set(_registry_default ON)
else()
  set(_registry_default OFF)
endif()
option(SKORVIA_REGISTRY "Build the server registry and its client (needs libmicrohttpd, libcurl and nlohmann-json)"
  ${_registry_default})

if(SKORVIA_REGISTRY)
  if(NOT MICROHTTPD_FOUND OR NOT CURL_FOUND OR NOT nlohmann_json_FOUND)
    message(FATAL_ERROR "SKORVIA_REGISTRY needs libmicrohttpd, libcurl (pkg-config) and nlohmann-json")
  endif()
  # What reads and writes the registry's messages, its table and its
  # checker: no HTTP, so the fuzz targets and the benchmarks take it alone.
  add_library(skorvia_registry_listing STATIC
    ${CMAKE_CURRENT_LIST_DIR}/listing.cpp ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/checker.cpp)
  target_link_libraries(skorvia_registry_listing PUBLIC skorvia_core nlohmann_json::nlohmann_json)

  add_library(skorvia_registry_client STATIC ${CMAKE_CURRENT_LIST_DIR}/registry_client.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_url.cpp)
  target_link_libraries(skorvia_registry_client PUBLIC skorvia_registry_listing PRIVATE PkgConfig::CURL)
  target_compile_definitions(skorvia_registry_client PUBLIC SKORVIA_HAS_REGISTRY=1)

  if(NOT SKORVIA_FUZZ)
    add_library(skorvia_registry_service STATIC ${CMAKE_CURRENT_LIST_DIR}/service.cpp)
    target_link_libraries(skorvia_registry_service PUBLIC skorvia_registry_listing PRIVATE PkgConfig::MICROHTTPD)
    add_executable(skorvia-registry ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
    target_link_libraries(skorvia-registry PRIVATE skorvia_registry_service)
  endif()
endif()

if(NOT SKORVIA_REGISTRY)
  # The same calls, each answering that this build has no registry.
  add_library(skorvia_registry_client STATIC ${CMAKE_CURRENT_LIST_DIR}/registry_client_none.cpp)
  target_link_libraries(skorvia_registry_client PUBLIC skorvia_core)
endif()
link_registry_client()

if(SKORVIA_REGISTRY AND HTTPLIB_FOUND AND SKORVIA_BUILD_BENCH AND NOT SKORVIA_FUZZ)
  find_package(benchmark REQUIRED)
  add_executable(skorvia_registry_bench ${PROJECT_SOURCE_DIR}/bench/registry_bench/registry_bench.cpp)
  target_link_libraries(skorvia_registry_bench PRIVATE skorvia_registry_service PkgConfig::HTTPLIB
    benchmark::benchmark benchmark::benchmark_main)
endif()
