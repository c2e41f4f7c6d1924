# Windows-side benchmark programs, built with the win64 preset and run by hand
# under Wine (never by ctest; see bench/README.md).
vellam_add_windows_program(download_bench WMAIN
                           SOURCES ${PROJECT_SOURCE_DIR}/bench/download/download_bench.cpp
                           LIBRARIES vellam_win32 psapi)

# The start-up benchmark's baseline (bench/startup/run): a bare dialog from a
# resource template with the installer's manifest, same flags, static.
vellam_add_windows_program(bare_dialog GUI
                           SOURCES ${PROJECT_SOURCE_DIR}/bench/startup/bare_dialog.cpp
                                   ${PROJECT_SOURCE_DIR}/bench/startup/bare_dialog.rc
                           LIBRARIES user32)
target_include_directories(bare_dialog PRIVATE ${PROJECT_SOURCE_DIR}/src/resources)

# One offer walk on the real registry (bench/README.md, "One offer walk").
vellam_add_windows_program(offer_walk_bench WMAIN
                           SOURCES ${PROJECT_SOURCE_DIR}/bench/offer_walk/offer_walk_bench.cpp
                           LIBRARIES vellam_win32)
