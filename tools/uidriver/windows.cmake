# The UI driver: a console program that finds the wizard window and drives it
# like a user would (clicks, selections, message boxes) for the end-to-end tests.
add_executable(uidriver ${CMAKE_CURRENT_LIST_DIR}/uidriver.cpp)
target_link_libraries(uidriver PRIVATE user32 gdi32)
