# Installs the build into a temporary DESTDIR, checks the tree and runs the
# installed server (tests/install/install_test.sh). It installs what the build
# made, so it runs after a full build, as `make test` does.
if(TARGET skorvia-server AND NOT CMAKE_CROSSCOMPILING)
  if(TARGET skorvia)
    set(_install_kind client)
  else()
    set(_install_kind server-only)
  endif()
  add_test(NAME install
    COMMAND ${CMAKE_COMMAND} -E env
      BINDIR=${CMAKE_INSTALL_BINDIR}
      DATADIR=${CMAKE_INSTALL_DATADIR}
      MANDIR=${CMAKE_INSTALL_MANDIR}
      DOCDIR=${CMAKE_INSTALL_DOCDIR}
      UNITDIR=${SKORVIA_SYSTEMD_UNIT_DIR}
      bash ${CMAKE_CURRENT_LIST_DIR}/install_test.sh
        ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/install-test ${_install_kind})
  set_tests_properties(install PROPERTIES TIMEOUT 180)
endif()
