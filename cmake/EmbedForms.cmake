# Writes OUT: a C++ source holding the window definitions FORMS (a ;-list of .form files)
# as string literals, named after their files (Form1.form -> "Form1"); MAIL_1 and MAIL_2
# replace @CIFRONA_MAIL_1@ and @CIFRONA_MAIL_2@.
set(_body "")
set(_names "")
foreach(_file IN LISTS FORMS)
  get_filename_component(_name "${_file}" NAME_WE)
  file(READ "${_file}" _text)
  # Build options that appear as design texts (the About dialog's mail addresses).
  string(REPLACE "@CIFRONA_MAIL_1@" "${MAIL_1}" _text "${_text}")
  string(REPLACE "@CIFRONA_MAIL_2@" "${MAIL_2}" _text "${_text}")
  string(FIND "${_text}" ")cifrona_form\"" _clash)
  if(NOT _clash EQUAL -1)
    message(FATAL_ERROR "${_file} contains the literal's closing delimiter")
  endif()
  string(APPEND _body "    {\"${_name}\", R\"cifrona_form(${_text})cifrona_form\"},\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from resources/forms/*.form by cmake/EmbedForms.cmake; do not edit.
#include \"platform/ui/form_loader.h\"

namespace ui {
namespace {
struct Definition {
  std::string_view name;
  std::string_view text;
};
const Definition kDefinitions[] = {
${_body}};
}  // namespace

std::string_view BuiltInDefinition(std::string_view formName) {
  for (const auto& d : kDefinitions)
    if (d.name == formName) return d.text;
  return {};
}

std::vector<std::string> BuiltInDefinitionNames() {
  std::vector<std::string> names;
  for (const auto& d : kDefinitions) names.emplace_back(d.name);
  return names;
}

}  // namespace ui
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
