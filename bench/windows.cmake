# Windows-side benchmark programs, built with the win64 preset and run by hand
# under Wine (never by ctest; see bench/README.md).
add_executable(download_bench ${PROJECT_SOURCE_DIR}/bench/download/download_bench.cpp)
target_link_libraries(download_bench PRIVATE vellam_win32 psapi)
target_link_options(download_bench PRIVATE -municode)
