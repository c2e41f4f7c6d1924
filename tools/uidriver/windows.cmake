# The UI driver: a console program that finds the wizard window and drives it
# like a user would (clicks, selections, message boxes) for the end-to-end tests.
vellam_add_windows_program(uidriver SOURCES ${CMAKE_CURRENT_LIST_DIR}/uidriver.cpp
                           LIBRARIES user32 gdi32)
