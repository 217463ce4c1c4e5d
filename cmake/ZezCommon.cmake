# Shared helpers for the project's CMake files.

# Warnings for our own code; third-party code is built without them.
function(zez_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
endfunction()

# zez_core_library(name src...): portable C++20, no windows.h; linked into the
# host unit tests and into every Windows target.
function(zez_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  zez_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY ZEZ_CORE_LIBS ${name})
endfunction()

# zez_win32_library(name src...): thin bindings that call Win32.
function(zez_win32_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  zez_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY ZEZ_WIN32_LIBS ${name})
endfunction()

# zez_add_wine_test(name target [args...]): one CTest test that runs a Win32
# program under the Wine bench (private prefix, private Xvfb display).
set(ZEZ_BENCH_DIR ${CMAKE_BINARY_DIR}/wine CACHE INTERNAL "")
function(zez_add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_bench
    ENVIRONMENT "ZEZ_BENCH_DIR=${ZEZ_BENCH_DIR};ZEZ_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    TIMEOUT 300)
endfunction()
