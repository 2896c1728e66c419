#include "platform/ui/prop_values.h"

#include <map>

#include "platform/text.h"

namespace ui::prop {

void Fail(const PropValue& v, const std::string& what) {
  throw DefinitionError("line " + std::to_string(v.line) + ": " + what);
}

std::string Text(const PropValue& v) {
  if (v.type != PropValue::Type::Text) Fail(v, "a text in quotes is expected");
  return v.text;
}

int Int(const PropValue& v) {
  if (v.type != PropValue::Type::Integer) Fail(v, "an integer is expected");
  return static_cast<int>(v.integer);
}

bool Bool(const PropValue& v) {
  if (v.type != PropValue::Type::Boolean) Fail(v, "true or false is expected");
  return v.boolean;
}

Color ColorValue(const PropValue& v) {
  if (v.type == PropValue::Type::Integer) return static_cast<Color>(v.integer);
  static const std::map<std::string, Color> names = {
      {"clBlack", kClBlack},     {"clGray", kClGray},         {"clWhite", kClWhite},
      {"clBlue", kClBlue},       {"clWindow", kClWindow},     {"clBtnFace", kClBtnFace},
      {"clWindowText", kClWindowText}, {"clDefault", kClDefault}, {"clNavy", MakeColor(0, 0, 128)},
      {"clRed", MakeColor(255, 0, 0)}, {"clHotLight", SystemColor(26)}};
  if (v.type == PropValue::Type::Ident) {
    auto it = names.find(v.text);
    if (it != names.end()) return it->second;
  }
  Fail(v, "a colour (a number or a name such as clGray) is expected");
}

std::vector<int> Ints(const PropValue& v, size_t count) {
  if (v.type != PropValue::Type::Integers || v.integers.size() != count)
    Fail(v, std::to_string(count) + " comma-separated integers are expected");
  std::vector<int> out;
  for (auto i : v.integers) out.push_back(static_cast<int>(i));
  return out;
}

std::vector<std::string> List(const PropValue& v) {
  if (v.type != PropValue::Type::List) Fail(v, "a list [\"...\", ...] is expected");
  return v.list;
}

int Enum(const PropValue& v, std::initializer_list<std::pair<const char*, int>> names) {
  std::string known;
  if (v.type == PropValue::Type::Ident) {
    for (const auto& [name, value] : names)
      if (v.text == name) return value;
  }
  for (const auto& [name, value] : names) known += (known.empty() ? "" : ", ") + std::string(name);
  Fail(v, "one of " + known + " is expected");
}

}  // namespace ui::prop
