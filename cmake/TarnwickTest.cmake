# tarnwick_add_test(NAME <name> LABEL <unit|gui|e2e|sqlsim> SOURCES <files...> LIBS <targets...>
#                   [TIMEOUT <seconds>])
# Builds one test executable and registers it with ctest. Every test runs with the offscreen
# platform, so no test opens a real window; TARNWICK_TEST_DATA points at tests/data.
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
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS ${T_LABEL}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
