# The launcher and the installed-files helpers against real processes and
# files: a stand-in installer that records how it was started, and archives
# made by an independent writer (Python's zipfile) with it inside. Both land
# next to the suite, which finds them there.
vellam_add_windows_program(win32_launch_child WMAIN SOURCES ${CMAKE_CURRENT_LIST_DIR}/child/launch_child.cpp)
set(launch_archives ${CMAKE_BINARY_DIR}/launch-archives)
add_custom_command(OUTPUT ${launch_archives}/pack.zip ${launch_archives}/noexe.zip
                          ${launch_archives}/escape.zip ${launch_archives}/pack.7z
                   COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make-archives ${launch_archives}
                           $<TARGET_FILE:win32_launch_child>
                   DEPENDS win32_launch_child ${CMAKE_CURRENT_LIST_DIR}/make-archives
                   COMMENT "Archives for the launch tests")
add_custom_target(win32_launch_archives DEPENDS ${launch_archives}/pack.zip)
add_dependencies(${target} win32_launch_child win32_launch_archives)
foreach(windows win10 win7)
  add_test(NAME ${target}_${windows}
           COMMAND env VELLAM_WINDOWS=${windows} ${VELLAM_WINE_RUN} ${VELLAM_PREFIX}
                   $<TARGET_FILE:${target}> --gtest_brief=1)
  set_tests_properties(${target}_${windows} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300)
endforeach()
