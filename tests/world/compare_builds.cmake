# Runs the determinism program (at -O2) and the float32 function check of
# several builds and fails unless they all computed the same bits: every
# golden-game hash the same, and the same digest of every sin, cos, exp and
# atan2 result, each check also correctly rounded (on Linux; a Windows
# build's own verdict is left out, see tests.cmake).
#   cmake -DPROGRAMS="<label>=<folder with determinism_O2 and fmath_check>|..."
#         [-DRUNNER="<command prefix>"] -P compare_builds.cmake
# A label ending in "(windows)" runs its programs (".exe") through RUNNER.
cmake_minimum_required(VERSION 3.25)
if(NOT PROGRAMS)
  message(FATAL_ERROR "usage: cmake -DPROGRAMS=<label>=<folder>|... [-DRUNNER=<wine command>] -P compare_builds.cmake")
endif()
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")

set(first_label "")
set(failed FALSE)
foreach(entry IN LISTS PROGRAMS)
  string(FIND "${entry}" "=" eq)
  string(SUBSTRING "${entry}" 0 ${eq} label)
  math(EXPR from "${eq} + 1")
  string(SUBSTRING "${entry}" ${from} -1 folder)
  set(prefix)
  set(suffix "")
  if(label MATCHES "\\(windows\\)$")
    separate_arguments(prefix UNIX_COMMAND "${RUNNER}")
    set(suffix ".exe")
  endif()
  foreach(program determinism_O2 fmath_check)
    if(NOT EXISTS "${folder}/${program}${suffix}")
      message(FATAL_ERROR "${label}: ${folder}/${program}${suffix} is not built")
    endif()
  endforeach()

  execute_process(COMMAND ${prefix} "${folder}/determinism_O2${suffix}" --print
    OUTPUT_VARIABLE game RESULT_VARIABLE game_status)
  execute_process(COMMAND ${prefix} "${folder}/fmath_check${suffix}" --quick
    OUTPUT_VARIABLE check RESULT_VARIABLE check_status)
  string(REPLACE "\r" "" game "${game}")
  string(REPLACE "\r" "" check "${check}")
  # The hashes are the lines "    0x...ull,"; the milestones follow them.
  string(REGEX MATCHALL "0x[0-9a-f]+ull" hashes "${game}")
  string(REGEX MATCH "results digest [0-9a-f]+" digest "${check}")
  list(LENGTH hashes hash_count)
  string(REGEX REPLACE ".*;" "" last_hash "${hashes}")
  message(STATUS "${label}: ${hash_count} golden-game hashes (last ${last_hash}), fmath_check ${digest}")
  if(NOT game_status EQUAL 0 OR hash_count EQUAL 0)
    message(SEND_ERROR "${label}: the determinism program failed (${game_status}):\n${game}")
    set(failed TRUE)
  endif()
  # A Windows fmath_check's verdict rests on mingw-w64's long double sinl and
  # cosl, which are wrong for large arguments: there only the digest counts.
  if(suffix STREQUAL ".exe")
    set(check_status 0)
    set(check "${check}\nevery result correctly rounded (judged by the other builds)")
  endif()
  if(NOT check_status EQUAL 0 OR NOT check MATCHES "every result correctly rounded" OR NOT digest)
    message(SEND_ERROR "${label}: fmath_check failed (${check_status}):\n${check}")
    set(failed TRUE)
  endif()
  if(first_label STREQUAL "")
    set(first_label "${label}")
    set(first_hashes "${hashes}")
    set(first_digest "${digest}")
  else()
    if(NOT hashes STREQUAL first_hashes)
      message(SEND_ERROR "${label} and ${first_label} computed different golden-game hashes:\n${hashes}\n${first_hashes}")
      set(failed TRUE)
    endif()
    if(NOT digest STREQUAL first_digest)
      message(SEND_ERROR "${label} and ${first_label} computed different math results: ${digest} against ${first_digest}")
      set(failed TRUE)
    endif()
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "the builds do not compute the same bits")
endif()
message(STATUS "the same bits in every build")
