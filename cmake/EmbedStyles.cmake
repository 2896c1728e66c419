# Writes OUT: a C++ source holding the visual styles STYLES (a ;-list of .style files) as
# string literals, in the list's order.
set(_body "")
foreach(_file IN LISTS STYLES)
  file(READ "${_file}" _text)
  string(FIND "${_text}" ")cifrona_style\"" _clash)
  if(NOT _clash EQUAL -1)
    message(FATAL_ERROR "${_file} contains the literal's closing delimiter")
  endif()
  string(APPEND _body "      R\"cifrona_style(${_text})cifrona_style\",\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from resources/styles/*.style by cmake/EmbedStyles.cmake; do not edit.
#include \"platform/ui/style.h\"

namespace ui {

const std::vector<std::string>& BuiltInStyleTexts() {
  static const std::vector<std::string> texts = {
${_body}  };
  return texts;
}

}  // namespace ui
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
