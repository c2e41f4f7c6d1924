# Windows-side GoogleTest suites, tools and end-to-end scenarios, run under
# Wine in one prefix per build folder. Each suite runs twice: as Windows 10
# and as Windows 7 SP1 (tests/wine-run switches the version per program).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

set(VELLAM_WINE_RUN ${PROJECT_SOURCE_DIR}/tests/wine-run)
set(VELLAM_PREFIX ${CMAKE_BINARY_DIR}/wine/prefix)

add_test(NAME wine_prefix COMMAND ${PROJECT_SOURCE_DIR}/tests/wine-prefix ${VELLAM_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 600)

set(VELLAM_DEVSERVER "" CACHE FILEPATH
    "Reference server for the Wine tests (default: build/native/vellam-devserver)")

# A suite that talks to the reference server over real TLS: each run starts
# it (tools/devserver/serve holds the port lock meanwhile, so a run may wait
# for another's) with the area's scenario.json where there is one, logging to
# its own folder, in a prefix that trusts the test CA. An area's ctest.cmake
# calls it.
function(vellam_add_server_suite target area_dir)
  set(server_args)
  if(VELLAM_DEVSERVER)
    list(APPEND server_args --server ${VELLAM_DEVSERVER})
  endif()
  if(EXISTS ${area_dir}/scenario.json)
    list(APPEND server_args --scenario ${area_dir}/scenario.json)
  endif()
  foreach(windows win10 win7)
    set(name ${target}_${windows})
    add_test(NAME ${name}
             COMMAND env VELLAM_WINDOWS=${windows}
                     ${PROJECT_SOURCE_DIR}/tools/devserver/serve ${server_args}
                     --logs ${CMAKE_BINARY_DIR}/devserver/${name}
                     run ${VELLAM_WINE_RUN} ${VELLAM_PREFIX} $<TARGET_FILE:${target}>
                     --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;wine_ca"
                         RESOURCE_LOCK devserver_ports TIMEOUT 900)
  endforeach()
endfunction()

file(GLOB win32_test_areas LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tests/win32/*)
foreach(area_dir ${win32_test_areas})
  if(NOT IS_DIRECTORY ${area_dir})
    continue()
  endif()
  get_filename_component(area ${area_dir} NAME)
  file(GLOB area_sources CONFIGURE_DEPENDS ${area_dir}/*.cpp)
  if(NOT area_sources)
    continue()
  endif()
  set(target win32_${area}_tests)
  # The real built-in constants, as in the installer (the ISV header).
  vellam_add_windows_program(${target} WIZARD ISV SOURCES ${area_sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/win32)
  target_link_libraries(${target} PRIVATE gtest_main)
  if(EXISTS ${area_dir}/ctest.cmake)
    # The area registers its runs itself (e.g. against the reference server).
    include(${area_dir}/ctest.cmake)
    continue()
  endif()
  foreach(windows win10 win7)
    add_test(NAME ${target}_${windows}
             COMMAND env VELLAM_WINDOWS=${windows} ${VELLAM_WINE_RUN} ${VELLAM_PREFIX}
                     $<TARGET_FILE:${target}> --gtest_brief=1)
    set_tests_properties(${target}_${windows} PROPERTIES FIXTURES_REQUIRED wine_prefix
                         TIMEOUT 300)
  endforeach()
endforeach()

file(GLOB tool_dirs LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tools/*)
foreach(tool_dir ${tool_dirs})
  if(EXISTS ${tool_dir}/windows.cmake)
    include(${tool_dir}/windows.cmake)
  endif()
endforeach()

# Benchmark programs that run under Wine (by hand, never by ctest).
if(EXISTS ${PROJECT_SOURCE_DIR}/bench/windows.cmake)
  include(${PROJECT_SOURCE_DIR}/bench/windows.cmake)
endif()

# End-to-end scenarios: tests/e2e/*.test.sh BUILD_DIR PREFIX, in a prefix of
# their own (each scenario ends that prefix's processes when it finishes).
set(VELLAM_E2E_PREFIX ${CMAKE_BINARY_DIR}/wine/e2e-prefix)
# What the reference server hands out as installers in the install scenarios.
vellam_add_windows_program(e2e_stand_in_installer WMAIN
                           SOURCES ${PROJECT_SOURCE_DIR}/tests/e2e/stand_in/stand_in_installer.cpp)
add_test(NAME wine_e2e_prefix
         COMMAND ${PROJECT_SOURCE_DIR}/tests/wine-prefix ${VELLAM_E2E_PREFIX} desktop)
set_tests_properties(wine_e2e_prefix PROPERTIES FIXTURES_SETUP wine_e2e_prefix TIMEOUT 600)
file(GLOB e2e_scenarios CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.test.sh)
foreach(scenario ${e2e_scenarios})
  get_filename_component(name ${scenario} NAME_WE)
  add_test(NAME e2e_${name} COMMAND ${scenario} ${CMAKE_BINARY_DIR} ${VELLAM_E2E_PREFIX})
  # One wizard at a time: it claims a machine-wide mutex. A scenario that
  # starts the reference server also takes its ports' lock from ctest, so its
  # time limit never runs while it waits for another test's server.
  set(locks vellam_wizard)
  file(STRINGS ${scenario} starts_server REGEX "devserver/serve")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${scenario})
  if(starts_server)
    list(APPEND locks devserver_ports)
  endif()
  # A scenario drives several whole wizard runs: about two minutes for the
  # longest on an idle machine, and up to five times that on a loaded one.
  set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED wine_e2e_prefix
                       RESOURCE_LOCK "${locks}" TIMEOUT 600)
endforeach()

# Every run above goes through tests/wine-run, which starts the program with
# this loader (the prefixes themselves are always made 64-bit).
get_property(wine_tests DIRECTORY PROPERTY TESTS)
foreach(wine_test ${wine_tests})
  set_property(TEST ${wine_test} APPEND PROPERTY ENVIRONMENT VELLAM_WINE_LOADER=${VELLAM_WINE_LOADER})
endforeach()
