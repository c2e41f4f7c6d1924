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
