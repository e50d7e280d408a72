# What `cmake --install` (and `make install`) puts where, under the usual
# prefix layout:
#   bin/skorvia, bin/skorvia-server          the programs (and bin/skorvia-registry
#                                            when the registry is built)
#   share/applications/skorvia.desktop       the menu entry
#   share/icons/hicolor/256x256/apps/        the icon
#   share/man/man6/                          skorvia(6), skorvia-server(6),
#                                            skorvia-registry(6)
#   share/doc/skorvia/                       the font's licence
#   lib/systemd/system/                      skorvia-server.service, the
#                                            per-port skorvia-server@.service,
#                                            skorvia-registry.service
# The client's files only when the client is built. The programs go to bin/,
# which is on every user's PATH and every service manager's; a distribution
# that keeps games apart sets CMAKE_INSTALL_BINDIR=games, and the units follow.
#
# Cache variables a packager may set:
#   SKORVIA_SYSTEMD_UNIT_DIR   where the units go (relative: under the prefix)
include(GNUInstallDirs)

set(SKORVIA_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
  "Folder of the systemd units: relative to the install prefix, or absolute")

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)

# The icon tool draws with the renderer, so it exists only beside the client.
if(TARGET skorvia_render_scenes)
  include(${PROJECT_SOURCE_DIR}/tools/icon/build.cmake)
endif()

# Everything that gets installed, so one command builds just that.
add_custom_target(skorvia_programs)

if(TARGET skorvia)
  add_dependencies(skorvia_programs skorvia)
  install(TARGETS skorvia RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_packaging}/skorvia.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/skorvia.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
  install(FILES ${_packaging}/skorvia.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  # The font is compiled into the client; its licence travels with it.
  install(FILES ${PROJECT_SOURCE_DIR}/assets/FiraSans-OFL.txt DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# A service program: the program, its man page, and its units. The units name
# the program by its full path, which is only known at install time: `cmake
# --install --prefix` may choose another prefix than the configured one. So
# they are written out as the install runs, with @<variable>@ in each
# packaging/<unit>.in replaced by that path.
function(skorvia_install_service program variable)
  add_dependencies(skorvia_programs ${program})
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_packaging}/${program}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(path "${CMAKE_INSTALL_BINDIR}/${program}")
  else()
    set(path "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}")
  endif()
  set(unit_files)
  foreach(unit ${ARGN})
    set(unit_out ${CMAKE_BINARY_DIR}/packaging/${unit})
    install(CODE "
      set(${variable} \"${path}\")
      configure_file(\"${_packaging}/${unit}.in\" \"${unit_out}\" @ONLY)
    ")
    list(APPEND unit_files ${unit_out})
  endforeach()
  install(FILES ${unit_files} DESTINATION ${SKORVIA_SYSTEMD_UNIT_DIR})
endfunction()

if(TARGET skorvia-server)
  skorvia_install_service(skorvia-server SKORVIA_SERVER_PATH skorvia-server.service skorvia-server@.service)
endif()
if(TARGET skorvia-registry)
  skorvia_install_service(skorvia-registry SKORVIA_REGISTRY_PATH skorvia-registry.service)
endif()
