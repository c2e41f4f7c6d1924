# libFuzzer harnesses (tests/fuzz/<name>_fuzz.cpp), one per untrusted-input
# entry point, over the portable logic and the native test fakes. ctest runs
# each once over its corpus as a regression check; bench/fuzz/run fuzzes.
file(GLOB fuzz_fake_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/native/fakes/*.cpp)
add_library(vellam_fuzz_fakes STATIC ${fuzz_fake_sources})
target_include_directories(vellam_fuzz_fakes PUBLIC ${PROJECT_SOURCE_DIR}/tests/native)
target_link_libraries(vellam_fuzz_fakes PUBLIC vellam_portable vellam_json vellam_zlib)

# Seeds too large to check in (deep nesting, very large bodies) are made at
# build time next to the checked-in corpus.
set(fuzz_seed_dir ${CMAKE_BINARY_DIR}/fuzz-seeds)
add_executable(make_fuzz_seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/make_seeds.cpp)
target_link_libraries(make_fuzz_seeds PRIVATE vellam_zlib)
add_custom_command(
  OUTPUT ${fuzz_seed_dir}/.made
  COMMAND make_fuzz_seeds ${fuzz_seed_dir}
  COMMAND ${CMAKE_COMMAND} -E touch ${fuzz_seed_dir}/.made
  DEPENDS make_fuzz_seeds
  COMMENT "Generating the large fuzz seeds")
add_custom_target(fuzz_seeds ALL DEPENDS ${fuzz_seed_dir}/.made)

file(GLOB fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(fuzz_source ${fuzz_sources})
  get_filename_component(fuzz_target ${fuzz_source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" fuzz_name ${fuzz_target})
  add_executable(${fuzz_target} ${fuzz_source})
  target_link_libraries(${fuzz_target} PRIVATE vellam_fuzz_fakes)
  target_link_options(${fuzz_target} PRIVATE -fsanitize=fuzzer)
  add_dependencies(${fuzz_target} fuzz_seeds)
  # -runs=0: every corpus file is executed once, nothing is mutated.
  add_test(NAME fuzz_${fuzz_name}
           COMMAND ${fuzz_target} -runs=0 -max_len=4194304 -rss_limit_mb=4096
                   ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${fuzz_name} ${fuzz_seed_dir}/${fuzz_name})
  set_tests_properties(fuzz_${fuzz_name} PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1;ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer")
endforeach()
