# Generated assets: the six digital fonts, the tray pictures and the program
# icon, written by tools/assets/build_assets.py into ${CMAKE_BINARY_DIR}/assets.
# Debian's own Python is used on purpose: it is the one that has
# python3-fonttools and python3-pil (tools/deb-packages-assets.txt).
# Included (not added as a subdirectory), so plain set() reaches the caller.

set(CIFRONA_ASSETS_PYTHON /usr/bin/python3 CACHE FILEPATH "Python with fontTools and Pillow, for the asset generators")
if(NOT EXISTS "${CIFRONA_ASSETS_PYTHON}")
  message(FATAL_ERROR "Assets: ${CIFRONA_ASSETS_PYTHON} not found (install python3, see tools/setup.sh)")
endif()
execute_process(
  COMMAND "${CIFRONA_ASSETS_PYTHON}" -c "import fontTools.fontBuilder, PIL.ImageFont; PIL.ImageFont.core.getfont"
  RESULT_VARIABLE _cifrona_assets_py_ok OUTPUT_QUIET ERROR_QUIET)
if(NOT _cifrona_assets_py_ok EQUAL 0)
  message(FATAL_ERROR "Assets: ${CIFRONA_ASSETS_PYTHON} lacks fontTools or Pillow with FreeType; "
                      "install python3-fonttools and python3-pil (tools/setup.sh)")
endif()

set(_cifrona_root "${CMAKE_CURRENT_LIST_DIR}/..")
cmake_path(NORMAL_PATH _cifrona_root)
set(CIFRONA_ASSETS_DIR "${CMAKE_BINARY_DIR}/assets")
set(CIFRONA_ASSETS_RC "${_cifrona_root}resources/assets.rc")

set(_cifrona_assets_sources
  "${_cifrona_root}tools/assets/build_assets.py"
  "${_cifrona_root}tools/assets/fontgen.py"
  "${_cifrona_root}tools/assets/outline_check.py"
  "${_cifrona_root}tools/assets/pictures.py"
  "${_cifrona_root}tools/assets/icofile.py"
  "${_cifrona_root}tools/assets/contact_sheet.py"
  "${_cifrona_root}resources/fonts/faces.json"
  "${_cifrona_root}resources/pictures/motif.json")

# Files the executables embed (through resources/assets.rc).
set(CIFRONA_ASSET_FILES)
foreach(_n 1 2 3 4 5 6)
  list(APPEND CIFRONA_ASSET_FILES "${CIFRONA_ASSETS_DIR}/font${_n}.ttf")
endforeach()
foreach(_n tray0 tray1 tray2 mainicon)
  list(APPEND CIFRONA_ASSET_FILES "${CIFRONA_ASSETS_DIR}/${_n}.ico")
endforeach()

add_custom_command(
  OUTPUT ${CIFRONA_ASSET_FILES} "${CIFRONA_ASSETS_DIR}/contact_sheet.png"
  COMMAND "${CIFRONA_ASSETS_PYTHON}" -B "${_cifrona_root}tools/assets/build_assets.py" "${CIFRONA_ASSETS_DIR}"
  DEPENDS ${_cifrona_assets_sources}
  COMMENT "Generating fonts, tray pictures and program icon"
  VERBATIM)
add_custom_target(cifrona_assets ALL
  DEPENDS ${CIFRONA_ASSET_FILES} "${CIFRONA_ASSETS_DIR}/contact_sheet.png")

# The resource compiler does not see the files an .rc names: recompile the
# .rc when an asset changes. Other directories that compile assets.rc need
# the same property (set_source_files_properties there).
set_source_files_properties("${CIFRONA_ASSETS_RC}" PROPERTIES OBJECT_DEPENDS "${CIFRONA_ASSET_FILES}")

# The generator's own tests run in the native build (not the fuzz build, which makes no
# assets); the fonts it writes are the same for every target.
if(NOT WIN32 AND NOT CIFRONA_FUZZ)
  add_test(NAME assets.outline_check
           COMMAND "${CIFRONA_ASSETS_PYTHON}" -B "${_cifrona_root}tests/assets/test_outline_check.py")
  add_test(NAME assets.generated
           COMMAND "${CIFRONA_ASSETS_PYTHON}" -B "${_cifrona_root}tests/assets/test_generated_assets.py"
                   "${CIFRONA_ASSETS_DIR}")
endif()
