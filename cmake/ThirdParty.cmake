# nlohmann/json (header only), for the native tools (the reference server)
# and as the oracle of the native and fuzz tests; the installer has its own
# (src/json). Its own folder, so that nothing else of /usr/include comes in.
if(NOT WIN32)
  set(json_include ${CMAKE_BINARY_DIR}/third_party/json-include)
  if(NOT EXISTS ${json_include}/nlohmann)
    file(MAKE_DIRECTORY ${json_include})
    file(CREATE_LINK /usr/include/nlohmann ${json_include}/nlohmann SYMBOLIC)
  endif()
  add_library(vellam_json INTERFACE)
  target_include_directories(vellam_json SYSTEM INTERFACE ${json_include})
endif()

# tinyxml2: the system library natively; its own source (fetched by
# scripts/setup) for the cross build, and for the fuzz build so that the
# fuzzer sees coverage inside the parser.
if(WIN32 OR VELLAM_FUZZ)
  set(tinyxml2_src ${PROJECT_SOURCE_DIR}/build/third_party/tinyxml2)
  if(NOT EXISTS ${tinyxml2_src}/tinyxml2.cpp)
    message(FATAL_ERROR "tinyxml2 source missing: run scripts/setup")
  endif()
  add_library(vellam_tinyxml2 STATIC ${tinyxml2_src}/tinyxml2.cpp)
  target_include_directories(vellam_tinyxml2 SYSTEM PUBLIC ${tinyxml2_src})
  target_compile_options(vellam_tinyxml2 PRIVATE -w)
  if(WIN32)
    # libstdc++ turns on mingw's own C99 printf/scanf for C++; the parser's
    # number helpers would bring its ~40 KB formatter and scanner (with the
    # gdtoa conversions) into the installer. Its <stdio.h> is included first
    # with the system C library's functions selected, which the header guard
    # then keeps.
    target_compile_options(vellam_tinyxml2 PRIVATE -D__USE_MINGW_ANSI_STDIO=0 -include stdio.h)
  endif()
else()
  find_library(tinyxml2_lib tinyxml2 REQUIRED)
  add_library(vellam_tinyxml2 INTERFACE)
  target_link_libraries(vellam_tinyxml2 INTERFACE ${tinyxml2_lib})
endif()

# zlib, never in the installers (they inflate with src/compression): the
# oracle of the native tests, the benchmark's yardstick and the fuzz seeds'
# compressor, so the native and fuzz builds only.
if(NOT WIN32)
  find_package(ZLIB REQUIRED)
  add_library(vellam_zlib INTERFACE)
  target_link_libraries(vellam_zlib INTERFACE ZLIB::ZLIB)
endif()
