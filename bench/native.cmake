# Benchmarks: bench/*_bench.cpp, one program each, built with the native
# preset and run by hand (never by ctest; see bench/README.md). They link the
# portable logic and the native test fakes.
find_package(benchmark QUIET)
if(NOT benchmark_FOUND)
  # A warning, not a status line: scripts/test hides the configure output.
  message(WARNING "Google Benchmark not found (libbenchmark-dev; scripts/setup installs it): "
                  "the native benchmarks are not built")
  return()
endif()

file(GLOB bench_fake_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/native/fakes/*.cpp)
add_library(vellam_bench_fakes STATIC ${bench_fake_sources})
target_include_directories(vellam_bench_fakes PUBLIC ${PROJECT_SOURCE_DIR}/tests/native)
target_link_libraries(vellam_bench_fakes PUBLIC vellam_portable vellam_zlib)

file(GLOB bench_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/*_bench.cpp)
foreach(bench_source ${bench_sources})
  get_filename_component(bench_name ${bench_source} NAME_WE)
  add_executable(${bench_name} ${bench_source})
  target_link_libraries(${bench_name} PRIVATE vellam_bench_fakes benchmark::benchmark)
endforeach()
