# Native unit tests of the portable logic, and the native tools (the
# reference server).
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB_RECURSE native_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${native_test_sources})
target_include_directories(native_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/native)
target_link_libraries(native_tests PRIVATE vellam_portable vellam_json vellam_zlib GTest::gtest
                      GTest::gtest_main)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60)
# The deflated locale documents as the Windows builds store them, read back by
# the locale tests.
include(${PROJECT_SOURCE_DIR}/cmake/LocaleResources.cmake)
add_dependencies(native_tests deflated_locale_documents)
target_compile_definitions(native_tests PRIVATE
                           VELLAM_DEFLATED_LOCALE_DIR="${VELLAM_DEFLATED_LOCALE_DIR}/")

file(GLOB tool_dirs LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tools/*)
foreach(tool_dir ${tool_dirs})
  if(EXISTS ${tool_dir}/native.cmake)
    include(${tool_dir}/native.cmake)
  endif()
endforeach()
include(${PROJECT_SOURCE_DIR}/bench/native.cmake)
