# What `cmake --install` puts on a host, and the Debian package made from the same (cpack -G DEB).
# Neither builds: they take what the last build made (scripts/package.sh builds first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS nimbral2 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY help bots DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbral2)
install(FILES packaging/settings.ini.example DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbral2)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The unit names the program by its installed path, which is known only when installing (the
# package installs to /usr, a plain install to /usr/local by default).
install(CODE "
  set(NB_BINARY \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/nimbral2\")
  set(NB_README \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/README.md\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/nimbral2.service.in\" \"${PROJECT_BINARY_DIR}/unit/nimbral2.service\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/unit/nimbral2.service\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
")

set(CPACK_PACKAGE_NAME nimbral2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Nimbral II maintainers <admin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "IRC network services (NickServ, ChanServ, OperServ, MemoServ)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# adduser for the system user; the helpers that enable the unit come with every Debian system.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser, init-system-helpers")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ngircd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
