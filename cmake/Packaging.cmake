# Install rules and the two Debian packages that `cpack -G DEB` builds from them:
#   tarnwick  the program, its command-line twin tarnwick-cli, its desktop entry and icon;
#   sqlsim    the emulator and the demo scenarios under /usr/share/sqlsim.
# Included last from the top-level CMakeLists.txt, once both targets exist.
include(GNUInstallDirs)

install(TARGETS tarnwick tarnwick-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tarnwick)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarnwick.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT tarnwick)
foreach(size 16 32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/tarnwick-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME tarnwick.png COMPONENT tarnwick)
endforeach()

install(TARGETS sqlsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sqlsim)
file(GLOB SQLSIM_SCENARIOS ${PROJECT_SOURCE_DIR}/sqlsim/scenarios/*.json)
install(FILES ${SQLSIM_SCENARIOS} ${PROJECT_SOURCE_DIR}/sqlsim/scenarios/README.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/sqlsim COMPONENT sqlsim)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "Tarnwick developers")
set(CPACK_PACKAGE_CONTACT "Tarnwick developers <tarnwick@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tarnwick sqlsim)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Library dependencies (Qt 6, libodbc) come from dpkg-shlibdeps; what the program loads at run
# time without linking it is named here: the FreeTDS ODBC driver and the unixODBC driver manager
# that finds it, Qt's platform plugins, Qt's own Chinese texts, and the Song-style CJK font the
# windows ask for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_TARNWICK_PACKAGE_NAME tarnwick)
set(CPACK_DEBIAN_TARNWICK_PACKAGE_DEPENDS "tdsodbc, unixodbc, qt6-qpa-plugins, qt6-translations-l10n, fonts-arphic-uming")
set(CPACK_DEBIAN_TARNWICK_DESCRIPTION
  "Maintenance tool for SQL Server 7.0 and 2000 databases
 Checks and repairs databases with DBCC, shrinks log and data files, rebuilds
 indexes and attaches databases from their files, over ODBC with FreeTDS.")
set(CPACK_DEBIAN_SQLSIM_PACKAGE_NAME sqlsim)
set(CPACK_DEBIAN_SQLSIM_DESCRIPTION
  "SQL Server 7.0/2000 emulator speaking TDS, for Tarnwick's tests and demo
 Serves a JSON scenario on 127.0.0.1; demo scenarios are in /usr/share/sqlsim.")
include(CPack)
