# Windows-side benchmark programs, built with the win64 preset and run by hand
# under Wine (never by ctest; see bench/README.md).
add_executable(download_bench ${PROJECT_SOURCE_DIR}/bench/download/download_bench.cpp)
target_link_libraries(download_bench PRIVATE vellam_win32 psapi)
target_link_options(download_bench PRIVATE -municode)

# The start-up benchmark's baseline (bench/startup/run): a bare dialog from a
# resource template with the installer's manifest, same flags, static.
add_executable(bare_dialog WIN32 ${PROJECT_SOURCE_DIR}/bench/startup/bare_dialog.cpp
               ${PROJECT_SOURCE_DIR}/bench/startup/bare_dialog.rc)
target_include_directories(bare_dialog PRIVATE ${PROJECT_SOURCE_DIR}/src/resources)
target_link_libraries(bare_dialog PRIVATE user32)
target_link_options(bare_dialog PRIVATE -municode)
