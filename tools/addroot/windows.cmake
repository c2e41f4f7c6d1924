# addroot: trusts the reference server's test CA in a Wine prefix (see
# tools/devserver/README.md). The fixture wine_ca does it for the tests' prefix.
vellam_add_windows_program(addroot WMAIN SOURCES ${CMAKE_CURRENT_LIST_DIR}/addroot.cpp
                           LIBRARIES crypt32)

add_test(NAME wine_ca COMMAND ${CMAKE_CURRENT_LIST_DIR}/install-ca ${VELLAM_PREFIX}
                              $<TARGET_FILE:addroot>)
set_tests_properties(wine_ca PROPERTIES FIXTURES_SETUP wine_ca FIXTURES_REQUIRED wine_prefix
                     TIMEOUT 300)
