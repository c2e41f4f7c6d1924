# The installer executables, the Windows-side tests (run under Wine) and the
# end-to-end tools.
set(system_libraries user32 gdi32 kernel32 advapi32 shell32 shlwapi ole32 oleaut32)

add_library(vellam_win32 STATIC ${win32_sources})
target_link_libraries(vellam_win32 PUBLIC vellam_portable ${system_libraries})

set(rc_sources ${PROJECT_SOURCE_DIR}/src/resources/vellam.rc)
# Everything the resource script pulls in (templates, pictures, locale documents).
file(GLOB_RECURSE rc_inputs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/resources/*
     ${PROJECT_SOURCE_DIR}/src/locale/resources/*)
include(${PROJECT_SOURCE_DIR}/cmake/LocaleResources.cmake)
set_property(SOURCE ${rc_sources} APPEND PROPERTY OBJECT_DEPENDS ${rc_inputs}
             ${deflated_locale_documents})

# Every Windows program of the project: the installers, the Windows-side
# suites, the page gallery, the end-to-end tools and the benchmark programs.
#   vellam_add_windows_program(TARGET [GUI | WMAIN] [WIZARD name]
#                              SOURCES file... [LIBRARIES library...])
# GUI: a window program starting at wWinMain; WMAIN: a console program
# starting at wmain (otherwise main). WIZARD: built on the installer's own
# parts, with the built-in product constants of that wizard name (its
# generated header), every resource and the Win32 layer.
function(vellam_add_windows_program target)
  cmake_parse_arguments(arg "GUI;WMAIN" "WIZARD" "SOURCES;LIBRARIES" ${ARGN})
  set(kind "")
  if(arg_GUI)
    set(kind WIN32)
  endif()
  set(installer_parts "")
  if(arg_WIZARD)
    set(installer_parts ${PROJECT_SOURCE_DIR}/src/app/win32/built_in_constants.cpp ${rc_sources})
  endif()
  add_executable(${target} ${kind} ${arg_SOURCES} ${installer_parts})
  # The platform headers (the owners of system handles) serve every program.
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  if(arg_WIZARD)
    set(generated ${CMAKE_BINARY_DIR}/generated/${arg_WIZARD})
    vellam_generate_build_config(${arg_WIZARD} ${generated})
    target_include_directories(${target} PRIVATE ${generated} ${PROJECT_SOURCE_DIR}/src/resources
                               ${PROJECT_SOURCE_DIR}/src/locale/resources ${VELLAM_DEFLATED_LOCALE_DIR})
    target_link_libraries(${target} PRIVATE vellam_win32)
  endif()
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES})
  if(arg_GUI OR arg_WMAIN)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# The shipped i686 build takes the exception classes' string members from
# here rather than from the library (see the file).
set(exception_string_members ${PROJECT_SOURCE_DIR}/cmake/exception_string_members.cpp)
set_source_files_properties(${exception_string_members} PROPERTIES
                            COMPILE_DEFINITIONS _GLIBCXX_USE_CXX11_ABI=0)

# One installer executable for one wizard name, stripped.
function(vellam_add_installer target wizard)
  vellam_add_windows_program(${target} GUI WIZARD ${wizard} SOURCES
    ${PROJECT_SOURCE_DIR}/src/app/win32/main.cpp
    ${PROJECT_SOURCE_DIR}/src/app/win32/terminate_handler.cpp)
  target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_sources(${target} PRIVATE ${exception_string_members})
  endif()
endfunction()

vellam_add_installer(Vellam ${VELLAM_WIZARD})
vellam_add_installer(VellamDLM DLM)

# --- Security baseline --------------------------------------------------------
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(pe_kind "PE32 executable (GUI) Intel 80386")
else()
  set(pe_kind "PE32+ executable (GUI) x86-64")
endif()
# The size budget holds for the shipped i686 build only.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(size_budget ${VELLAM_SIZE_BUDGET})
else()
  set(size_budget "")
endif()
foreach(installer Vellam VellamDLM)
  add_test(NAME ${installer}_imports_and_hardening
           COMMAND ${PROJECT_SOURCE_DIR}/tests/check-pe $<TARGET_FILE:${installer}> ${pe_kind}
                   ${size_budget})
endforeach()

# Everything that runs under Wine lives in the x86-64 build (see
# cmake/toolchain-mingw-x86_64.cmake for why). Where the kernel can execute
# 32-bit code, the shipped i686 build registers the same suites and
# scenarios, run by the 32-bit loader in a 64-bit prefix (WOW64: IsWow64,
# registry redirection, Program Files (x86)); the suites expect what a
# process of their own bitness sees. Off by default, as most of our machines
# cannot run 32-bit code; scripts/test checks the machine and sets it.
option(VELLAM_WOW64_TESTS "i686 build: run the Windows-side tests under WOW64" OFF)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VELLAM_WINE_LOADER /usr/lib/wine/wine64)
  include(cmake/WineTests.cmake)
elseif(VELLAM_WOW64_TESTS)
  set(VELLAM_WINE_LOADER /usr/lib/wine/wine)
  include(cmake/WineTests.cmake)
endif()
