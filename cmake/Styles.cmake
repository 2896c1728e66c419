# The two visual styles, carried in the program as data (resources/styles/*.style) and
# registered by name at start-up.
file(GLOB CIFRONA_STYLE_FILES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/resources/styles/*.style")
list(SORT CIFRONA_STYLE_FILES)
set(CIFRONA_STYLES_CPP "${CMAKE_BINARY_DIR}/generated/ui/styles_data.cpp")
add_custom_command(OUTPUT "${CIFRONA_STYLES_CPP}"
  COMMAND ${CMAKE_COMMAND} "-DSTYLES=${CIFRONA_STYLE_FILES}" "-DOUT=${CIFRONA_STYLES_CPP}"
          -P "${CMAKE_SOURCE_DIR}/cmake/EmbedStyles.cmake"
  DEPENDS ${CIFRONA_STYLE_FILES} "${CMAKE_SOURCE_DIR}/cmake/EmbedStyles.cmake"
  COMMENT "Embedding the visual styles" VERBATIM)
target_sources(cifrona_ui PRIVATE "${CIFRONA_STYLES_CPP}")
