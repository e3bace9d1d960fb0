# Install rules and the two Debian packages that `cpack -G DEB` builds from them:
#   tarnwick  the program, its command-line twin tarnwick-cli with its bash completion, the desktop
#             entry and icon, the manual pages and the nightly-check examples;
#   sqlsim    the emulator and the demo scenarios under /usr/share/sqlsim.
# Each package carries /usr/share/doc/<package>/copyright (machine-readable, made from LICENSE) and
# changelog.gz (packaging/changelog, whose newest entry must carry the project's version).
# Included last from the top-level CMakeLists.txt, once both targets exist.
include(GNUInstallDirs)

set(TARNWICK_PACKAGE_MAINTAINER "Tarnwick developers <maintainers@tarnwick.org>"
  CACHE STRING "The Maintainer field of the Debian packages")

# The copyright file in the machine-readable format, from LICENSE: its copyright line and its text.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
list(GET license_lines 2 license_copyright)
string(REGEX REPLACE "^Copyright \\(c\\) " "" license_copyright "${license_copyright}")
list(SUBLIST license_lines 4 -1 license_text)
set(license_body "")
foreach(line IN LISTS license_text)
  if(line STREQUAL "")
    string(APPEND license_body " .\n")
  else()
    string(APPEND license_body " ${line}\n")
  endif()
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/packaging/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Tarnwick\n\n"
  "Files: *\nCopyright: ${license_copyright}\nLicense: Expat\n\n"
  "License: Expat\n${license_body}")

# The changelog: its newest entry names the version being packaged.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^tarnwick \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is \"${changelog_head}\"; "
    "add an entry for version ${PROJECT_VERSION}")
endif()
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog
    ${PROJECT_BINARY_DIR}/packaging/changelog
  COMMAND gzip -9 -n -f ${PROJECT_BINARY_DIR}/packaging/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(package-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
foreach(component tarnwick sqlsim)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright
    ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${component} COMPONENT ${component})
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/bash-completion/tarnwick-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT tarnwick)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/examples/README
  ${PROJECT_SOURCE_DIR}/packaging/examples/nightly.conf
  ${PROJECT_SOURCE_DIR}/packaging/examples/tarnwick-nightly
  ${PROJECT_SOURCE_DIR}/packaging/examples/tarnwick-nightly.service
  ${PROJECT_SOURCE_DIR}/packaging/examples/tarnwick-nightly.timer
  ${PROJECT_SOURCE_DIR}/packaging/examples/tarnwick-nightly.cron
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnwick/examples COMPONENT tarnwick)

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
set(CPACK_PACKAGE_CONTACT "${TARNWICK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE tarnwick)
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
# The first line is the synopsis; CPack indents the lines after it by one blank itself.
set(CPACK_DEBIAN_TARNWICK_DESCRIPTION
  "maintenance tool for SQL Server 7.0 and 2000 databases
Checks and repairs databases with DBCC, shrinks log and data files, rebuilds
indexes and attaches databases from their files, over ODBC with FreeTDS: in a
window (tarnwick) or from scripts and nightly checks (tarnwick-cli).")
set(CPACK_DEBIAN_SQLSIM_PACKAGE_NAME sqlsim)
set(CPACK_DEBIAN_SQLSIM_DESCRIPTION
  "SQL Server 7.0 and 2000 emulator speaking TDS, for Tarnwick
Serves a server described by a JSON scenario on 127.0.0.1, for Tarnwick's tests
and demonstrations; the demo scenarios are in /usr/share/sqlsim.")
include(CPack)
