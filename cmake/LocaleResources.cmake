# The locale documents are stored in the executables as raw deflate streams,
# about 40% of their size; LanguageManager inflates one when it loads it
# (src/locale/deflated_document.h). Every src/locale/resources/NAME.xml
# becomes ${VELLAM_DEFLATED_LOCALE_DIR}/NAME.xml.deflate, the name locale.rc
# lists. The native build makes them too, for the test that reads them back.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VELLAM_DEFLATED_LOCALE_DIR ${CMAKE_BINARY_DIR}/locale-deflated)
file(GLOB locale_documents CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/locale/resources/*.xml)
set(deflated_locale_documents "")
foreach(document ${locale_documents})
  get_filename_component(name ${document} NAME)
  set(deflated ${VELLAM_DEFLATED_LOCALE_DIR}/${name}.deflate)
  add_custom_command(OUTPUT ${deflated}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELLAM_DEFLATED_LOCALE_DIR}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/deflate_raw.py ${document} ${deflated}
    DEPENDS ${document} ${PROJECT_SOURCE_DIR}/cmake/deflate_raw.py
    COMMENT "Deflating locale document ${name}"
    VERBATIM)
  list(APPEND deflated_locale_documents ${deflated})
endforeach()
add_custom_target(deflated_locale_documents DEPENDS ${deflated_locale_documents})
