// Window definitions: a small text format, built into the program, that creates a form's
// components in definition order, sets their properties and binds their events to the
// form class's handlers by name.
//
//   form Form2                      # the form's own properties follow
//     Caption = "Настройки"
//     ClientSize = 300, 200
//     OnCreate = FormCreate         # a handler name from the HandlerMap
//     GroupBox GroupBoxNumber       # Kind Name: a component, its parent the enclosing block
//       Bounds = 8, 8, 284, 50      # left, top, width, height
//       SpinEdit SpinEditNumber
//         MinValue = 1
//       end
//     end
//   end
//
// Values: "text" (\" \\ \n escapes), integers, true/false, identifiers (enumerations,
// component names), lists ["a", "b"] and comma-separated integers. A "#" outside quotes
// starts a comment. Events are bound after all properties are set, so values given in the
// definition run no handler.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/events.h"
#include "platform/ui/form.h"

namespace ui {

// Component classes a form substitutes for the toolkit's own, by component name
// (a slider class of the form's own, derived from TrackBar).
class ClassMap {
 public:
  using Factory = std::function<std::unique_ptr<Component>(const std::string& name, Component* owner)>;
  template <class T>
  ClassMap& Use(const std::string& componentName) {
    map_[componentName] = [](const std::string& n, Component* o) { return std::make_unique<T>(n, o); };
    return *this;
  }
  const Factory* Find(const std::string& name) const {
    auto it = map_.find(name);
    return it == map_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, Factory> map_;
};

// Loads definition into form (whose name must match the definition's). Throws
// DefinitionError naming the line: syntax, unknown kind, property or event, an unknown
// handler name, a handler of the wrong signature, a duplicate component name.
void LoadForm(Form& form, std::string_view definition, const HandlerMap& handlers, const ClassMap& classes = {});
// Loads the built-in definition named after the form (Form1, Form2, Form8, Form10).
void LoadForm(Form& form, const HandlerMap& handlers, const ClassMap& classes = {});

// The definitions built into the program: resources/forms/*.form.
std::string_view BuiltInDefinition(std::string_view formName);  // "" when there is none
std::vector<std::string> BuiltInDefinitionNames();

}  // namespace ui
