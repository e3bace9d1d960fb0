# The manual pages tarnwick(1), tarnwick-cli(1) and sqlsim(1), made at build time by help2man from
# each program's --help (and packaging/man/<program>.h2m for the sections --help does not hold),
# so a page always lists the options its program takes. Installed gzipped, as Debian wants.
# Off in sanitizer builds, whose programs are not run during the build.
include(GNUInstallDirs)
option(TARNWICK_MAN_PAGES "Make the manual pages with help2man" ON)
if(NOT TARNWICK_MAN_PAGES OR ENABLE_SANITIZERS)
  return()
endif()
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

function(tarnwick_man_page program component name)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  set(include ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
  add_custom_command(OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
      ${HELP2MAN} --no-info --section=1 --name=${name} --version-string=${PROJECT_VERSION}
      --include=${include} --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP} -9 -n -k -f ${page}
    DEPENDS ${program} ${include}
    COMMENT "Manual page ${program}(1) from ${program} --help"
    VERBATIM)
  add_custom_target(${program}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

tarnwick_man_page(tarnwick tarnwick "maintenance tool for SQL Server 7.0 and 2000 databases")
tarnwick_man_page(tarnwick-cli tarnwick
  "run Tarnwick's database maintenance operations from the command line")
tarnwick_man_page(sqlsim sqlsim "SQL Server 7.0 and 2000 emulator for Tarnwick's tests and demo")
add_custom_target(man DEPENDS tarnwick-man tarnwick-cli-man sqlsim-man)
