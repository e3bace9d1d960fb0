# tarnwick_add_test(NAME <name> LABEL <unit|gui|e2e|sqlsim> SOURCES <files...> LIBS <targets...>
#                   [TIMEOUT <seconds>])
# Builds one test executable and registers each of its cases with ctest, so one case can be run
# alone (ctest -R 'Suite.Case'). Every case runs with the offscreen platform, so no test opens a
# real window; TARNWICK_TEST_DATA points at tests/data. The repair history and the settings go to
# folders of the build tree, never to the user's own.
include(GoogleTest)

function(tarnwick_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE tarnwick_settings ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE
    TARNWICK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    TARNWICK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TARNWICK_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${T_NAME}
    TEST_PREFIX "${T_NAME}:"
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_STATE_HOME=${PROJECT_BINARY_DIR}/test-state;XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-config")
endfunction()
