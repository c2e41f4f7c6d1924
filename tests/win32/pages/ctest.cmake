# Pages and pictures need a display: each run gets its own Xvfb and the
# end-to-end prefix (a virtual desktop), one run at a time with the scenarios.
foreach(windows win10 win7)
  add_test(NAME ${target}_${windows}
           COMMAND env VELLAM_WINDOWS=${windows} ${CMAKE_CURRENT_LIST_DIR}/with-display
                   ${CMAKE_BINARY_DIR}/wine/e2e-prefix $<TARGET_FILE:${target}> --gtest_brief=1)
  set_tests_properties(${target}_${windows} PROPERTIES FIXTURES_REQUIRED wine_e2e_prefix
                       RESOURCE_LOCK vellam_wizard TIMEOUT 300)
endforeach()
