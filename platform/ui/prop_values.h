// Reading window-definition values as the types properties need (internal to the toolkit).
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "platform/ui/component.h"

namespace ui::prop {

[[noreturn]] void Fail(const PropValue& v, const std::string& what);
std::string Text(const PropValue& v);
int Int(const PropValue& v);
bool Bool(const PropValue& v);
Color ColorValue(const PropValue& v);  // integer or clName
std::vector<int> Ints(const PropValue& v, size_t count);
std::vector<std::string> List(const PropValue& v);
// One of the named values: {"Client", int(Align::Client)}, ...
int Enum(const PropValue& v, std::initializer_list<std::pair<const char*, int>> names);

}  // namespace ui::prop
