# The reference server (configuration, analytics and file hosts on localhost),
# a host program built with the native preset. See tools/devserver/README.md.
find_package(OpenSSL REQUIRED)
find_library(cpp_httplib_lib cpp-httplib REQUIRED)
add_executable(vellam-devserver ${CMAKE_CURRENT_LIST_DIR}/main.cpp
               ${CMAKE_CURRENT_LIST_DIR}/connection.cpp ${CMAKE_CURRENT_LIST_DIR}/file_routes.cpp)
target_compile_definitions(vellam-devserver PRIVATE CPPHTTPLIB_OPENSSL_SUPPORT)
target_link_libraries(vellam-devserver PRIVATE vellam_json ${cpp_httplib_lib} OpenSSL::SSL
                      OpenSSL::Crypto pthread)
# A tool, not code under test: it streams large files, so no sanitizers.
target_compile_options(vellam-devserver PRIVATE -fno-sanitize=all)
target_link_options(vellam-devserver PRIVATE -fno-sanitize=all)

# The server from outside: scripted answers, logs, report checks, file
# faults. Runs it on ports of its own through serve (which still takes the
# port lock, so it never races another server start).
add_executable(devserver_tests ${CMAKE_CURRENT_LIST_DIR}/routes_test.cpp)
target_compile_definitions(devserver_tests PRIVATE CPPHTTPLIB_OPENSSL_SUPPORT)
target_link_libraries(devserver_tests PRIVATE vellam_json ${cpp_httplib_lib} OpenSSL::SSL
                      OpenSSL::Crypto GTest::gtest GTest::gtest_main pthread)
target_compile_options(devserver_tests PRIVATE -fno-sanitize=all)
target_link_options(devserver_tests PRIVATE -fno-sanitize=all)
add_test(NAME devserver_routes
         COMMAND env VELLAM_DEVSERVER_BINARY=$<TARGET_FILE:vellam-devserver>
                 ${CMAKE_CURRENT_LIST_DIR}/serve --server $<TARGET_FILE:vellam-devserver>
                 --https-port 28443 --http-port 28080
                 --logs ${CMAKE_BINARY_DIR}/devserver/devserver_routes
                 --state ${CMAKE_BINARY_DIR}/devserver/state
                 run $<TARGET_FILE:devserver_tests> --gtest_brief=1)
set_tests_properties(devserver_routes PROPERTIES RESOURCE_LOCK devserver_ports TIMEOUT 600)
