# The rule suites: the registry contract and path macros on the prefix's
# machine, and the offer rule engine, whose rejection reports go to the
# reference server over real TLS. Each run starts the server (tools/devserver/
# serve holds the port lock meanwhile) in a prefix that trusts the test CA.
set(devserver_args)
if(VELLAM_DEVSERVER)
  list(APPEND devserver_args --server ${VELLAM_DEVSERVER})
endif()
foreach(windows win10 win7)
  set(name ${target}_${windows})
  add_test(NAME ${name}
           COMMAND env VELLAM_WINDOWS=${windows}
                   ${PROJECT_SOURCE_DIR}/tools/devserver/serve ${devserver_args}
                   --logs ${CMAKE_BINARY_DIR}/devserver/${name}
                   run ${VELLAM_WINE_RUN} ${VELLAM_PREFIX} $<TARGET_FILE:${target}> --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;wine_ca"
                       RESOURCE_LOCK devserver_ports TIMEOUT 900)
endforeach()
