# One INTERFACE target carries every compile setting; each target of the project links it.
option(ENABLE_SANITIZERS "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# Off for a user building from source with another compiler; on in CI and scripts/test.sh.
option(TARNWICK_WERROR "Treat warnings as errors" OFF)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

add_library(tarnwick_settings INTERFACE)
# One include root: every include names its folder, so a file shows which layer it reaches.
target_include_directories(tarnwick_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(tarnwick_settings INTERFACE
  -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
  $<$<CXX_COMPILER_ID:Clang>:-Wshadow-uncaptured-local>
  $<$<BOOL:${TARNWICK_WERROR}>:-Werror>
  # GCC 12 reports false overflows inside QStringBuilder at -O2, and at -O3 false "maybe
  # uninitialized" members of std::variant alternatives moved inside a vector; the latter stays a
  # warning.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-stringop-overflow>
  $<$<CXX_COMPILER_ID:GNU>:-Wno-error=maybe-uninitialized>)
target_compile_definitions(tarnwick_settings INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING QT_NO_CONTEXTLESS_CONNECT QT_USE_QSTRINGBUILDER
  QT_NO_KEYWORDS _GLIBCXX_ASSERTIONS)

if(ENABLE_SANITIZERS)
  target_compile_options(tarnwick_settings INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tarnwick_settings INTERFACE -fsanitize=address,undefined)
endif()
