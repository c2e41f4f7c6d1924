# addroot: trusts the reference server's test CA in a Wine prefix (see
# tools/devserver/README.md). The fixture wine_ca does it for the tests' prefix.
add_executable(addroot ${CMAKE_CURRENT_LIST_DIR}/addroot.cpp)
target_link_libraries(addroot PRIVATE crypt32)
target_link_options(addroot PRIVATE -municode)

add_test(NAME wine_ca COMMAND ${CMAKE_CURRENT_LIST_DIR}/install-ca ${VELLAM_PREFIX}
                              $<TARGET_FILE:addroot>)
set_tests_properties(wine_ca PROPERTIES FIXTURES_SETUP wine_ca FIXTURES_REQUIRED wine_prefix
                     TIMEOUT 300)
