# The page gallery: the wizard with every page, shown on request, for the
# end-to-end screenshots of every page. Built with the shipped ISV constants.
vellam_add_windows_program(pagegallery GUI WIZARD ISV SOURCES ${CMAKE_CURRENT_LIST_DIR}/pagegallery.cpp)
