# Packages against the reference server over real TLS (reports, pictures):
# each run starts it (tools/devserver/serve holds the port lock meanwhile)
# with this folder's scenario, in a prefix that trusts the test CA.
set(devserver_args)
if(VELLAM_DEVSERVER)
  list(APPEND devserver_args --server ${VELLAM_DEVSERVER})
endif()
foreach(windows win10 win7)
  set(name ${target}_${windows})
  add_test(NAME ${name}
           COMMAND env VELLAM_WINDOWS=${windows}
                   ${PROJECT_SOURCE_DIR}/tools/devserver/serve ${devserver_args}
                   --scenario ${area_dir}/scenario.json
                   --logs ${CMAKE_BINARY_DIR}/devserver/${name}
                   run ${VELLAM_WINE_RUN} ${VELLAM_PREFIX} $<TARGET_FILE:${target}> --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;wine_ca"
                       RESOURCE_LOCK devserver_ports TIMEOUT 900)
endforeach()
