# build-windows/skorvia-windows.zip: what a Windows player unpacks and runs.
#   skorvia/skorvia.exe           the game (SDL3 and the C++ runtime linked in:
#   skorvia/skorvia-server.exe    the dedicated server        no DLLs needed)
#   skorvia/skorvia-sounds.exe    the sound tool
#   skorvia/README.txt            how to play, what the game keeps, how to
#                                 host (packaging/windows)
#   skorvia/FiraSans-OFL.txt      the licence of the font built into the game
# The programs are stripped of their debugging information on the way in.
set(_package_dir ${CMAKE_BINARY_DIR}/package)
set(_zip ${CMAKE_BINARY_DIR}/skorvia-windows.zip)
set(_copy_steps)
set(_packaged)
foreach(program skorvia skorvia-server skorvia-sounds)
  if(TARGET ${program})
    list(APPEND _copy_steps COMMAND ${CMAKE_STRIP} -o ${_package_dir}/skorvia/${program}.exe $<TARGET_FILE:${program}>)
    list(APPEND _packaged ${program})
  endif()
endforeach()
if(NOT TARGET skorvia)
  return()  # no client, no zip
endif()
add_custom_command(OUTPUT ${_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_package_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_package_dir}/skorvia
  ${_copy_steps}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
    ${PROJECT_SOURCE_DIR}/assets/FiraSans-OFL.txt ${_package_dir}/skorvia/
  COMMAND ${CMAKE_COMMAND} -E chdir ${_package_dir} ${CMAKE_COMMAND} -E tar cf ${_zip}.tmp --format=zip skorvia
  COMMAND ${CMAKE_COMMAND} -E rename ${_zip}.tmp ${_zip}
  DEPENDS ${_packaged} ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt ${PROJECT_SOURCE_DIR}/assets/FiraSans-OFL.txt
  COMMENT "Packing skorvia-windows.zip"
  VERBATIM)
add_custom_target(skorvia_windows_zip ALL DEPENDS ${_zip})
