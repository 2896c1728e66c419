# The language files, beside the executable in "Language": the build's own e-mail addresses
# go in (the About dialog shows them), lines end in CR LF as the program writes them.
file(GLOB CIFRONA_LANGUAGE_FILES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/Language/*.ini")
set(CIFRONA_LANGUAGE_DIR "${CMAKE_BINARY_DIR}/Language")
foreach(language IN LISTS CIFRONA_LANGUAGE_FILES)
  get_filename_component(name "${language}" NAME)
  configure_file("${language}" "${CIFRONA_LANGUAGE_DIR}/${name}" @ONLY NEWLINE_STYLE CRLF)
endforeach()
