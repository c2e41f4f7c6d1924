# The page gallery: the wizard with every page, shown on request, for the
# end-to-end screenshots of every page. Built with the shipped ISV constants.
add_executable(pagegallery WIN32
  ${CMAKE_CURRENT_LIST_DIR}/pagegallery.cpp
  ${PROJECT_SOURCE_DIR}/src/app/win32/built_in_constants.cpp
  ${rc_sources})
target_include_directories(pagegallery PRIVATE ${CMAKE_BINARY_DIR}/generated/ISV
                           ${PROJECT_SOURCE_DIR}/src/resources ${PROJECT_SOURCE_DIR}/src/locale/resources)
target_link_libraries(pagegallery PRIVATE vellam_win32)
target_link_options(pagegallery PRIVATE -municode)
