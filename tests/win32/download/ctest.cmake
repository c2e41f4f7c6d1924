# The download tests talk to the reference server: each run starts it with
# tools/devserver/serve (which holds the port lock for as long as it listens)
# and runs the test program under Wine inside it. serve finds the server
# program through $VELLAM_DEVSERVER or build/native/vellam-devserver.
foreach(windows win10 win7)
  add_test(NAME ${target}_${windows}
           COMMAND ${PROJECT_SOURCE_DIR}/tools/devserver/serve run
                   env VELLAM_WINDOWS=${windows} ${VELLAM_WINE_RUN} ${VELLAM_PREFIX}
                   $<TARGET_FILE:${target}> --gtest_brief=1)
  # serve may wait for another run's port lock first.
  set_tests_properties(${target}_${windows} PROPERTIES FIXTURES_REQUIRED "wine_prefix;wine_ca"
                       RESOURCE_LOCK devserver_ports TIMEOUT 900)
endforeach()
