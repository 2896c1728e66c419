# The GUI toolkit: its portable core with the built-in window definitions, and the
# backend of this build (headless natively, Win32 on Windows).
file(GLOB CIFRONA_FORM_FILES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/resources/forms/*.form")
list(SORT CIFRONA_FORM_FILES)
set(CIFRONA_FORMS_CPP "${CMAKE_BINARY_DIR}/generated/ui/forms_data.cpp")
add_custom_command(OUTPUT "${CIFRONA_FORMS_CPP}"
  COMMAND ${CMAKE_COMMAND} "-DFORMS=${CIFRONA_FORM_FILES}" "-DOUT=${CIFRONA_FORMS_CPP}"
          "-DMAIL_1=${CIFRONA_MAIL_1}" "-DMAIL_2=${CIFRONA_MAIL_2}"
          -P "${CMAKE_SOURCE_DIR}/cmake/EmbedForms.cmake"
  DEPENDS ${CIFRONA_FORM_FILES} "${CMAKE_SOURCE_DIR}/cmake/EmbedForms.cmake"
  COMMENT "Embedding the window definitions" VERBATIM)

add_library(cifrona_ui STATIC
  platform/ui/types.cpp
  platform/ui/prop_values.cpp
  platform/ui/component.cpp
  platform/ui/controls.cpp
  platform/ui/menus.cpp
  platform/ui/nonvisual.cpp
  platform/ui/form.cpp
  platform/ui/fit_texts.cpp
  platform/ui/application.cpp
  platform/ui/style.cpp
  platform/ui/form_loader.cpp
  "${CIFRONA_FORMS_CPP}"
)
target_link_libraries(cifrona_ui PUBLIC cifrona_platform)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(cifrona_ui PRIVATE -Wall -Wextra)
endif()

if(WIN32)
  file(GLOB CIFRONA_UI_WIN32_SOURCES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/platform/ui/win32/*.cpp")
  if(CIFRONA_UI_WIN32_SOURCES)
    add_library(cifrona_ui_win32 STATIC ${CIFRONA_UI_WIN32_SOURCES})
    target_link_libraries(cifrona_ui_win32 PUBLIC cifrona_ui cifrona_win32 comctl32 gdi32 user32 shell32 uxtheme dwmapi)
    target_compile_options(cifrona_ui_win32 PRIVATE -Wall -Wextra)
  endif()
else()
  add_library(cifrona_ui_headless STATIC platform/ui/headless/headless_ui.cpp)
  target_link_libraries(cifrona_ui_headless PUBLIC cifrona_ui)
endif()
