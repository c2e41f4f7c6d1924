# The clean-up runs with junction stand-ins planted from outside the prefix.
foreach(windows win10 win7)
  add_test(NAME ${target}_${windows}
           COMMAND env VELLAM_WINDOWS=${windows} ${CMAKE_CURRENT_LIST_DIR}/with-links
                   ${VELLAM_PREFIX} $<TARGET_FILE:${target}> --gtest_brief=1)
  set_tests_properties(${target}_${windows} PROPERTIES FIXTURES_REQUIRED wine_prefix
                       RESOURCE_LOCK vellam_links TIMEOUT 300)
endforeach()
