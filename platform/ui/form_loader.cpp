#include "platform/ui/form_loader.h"

#include <cctype>
#include <charconv>

#include "platform/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/nonvisual.h"

namespace ui {

namespace {

class Parser {
 public:
  Parser(std::string_view text, int line) : s_(text), line_(line) {}

  PropValue Value() {
    PropValue v;
    v.line = line_;
    SkipBlanks();
    if (AtEnd()) Fail("a value is expected after \"=\"");
    char c = s_[pos_];
    if (c == '"') {
      v.type = PropValue::Type::Text;
      v.text = Quoted();
    } else if (c == '[') {
      v.type = PropValue::Type::List;
      ++pos_;
      SkipBlanks();
      if (!AtEnd() && s_[pos_] == ']') {
        ++pos_;
      } else {
        for (;;) {
          SkipBlanks();
          if (AtEnd() || s_[pos_] != '"') Fail("a list holds texts in quotes");
          v.list.push_back(Quoted());
          SkipBlanks();
          if (AtEnd()) Fail("the list is not closed with \"]\"");
          if (s_[pos_] == ']') {
            ++pos_;
            break;
          }
          if (s_[pos_] != ',') Fail("\",\" or \"]\" is expected in the list");
          ++pos_;
        }
      }
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      v.integers.push_back(Integer());
      SkipBlanks();
      while (!AtEnd() && s_[pos_] == ',') {
        ++pos_;
        SkipBlanks();
        v.integers.push_back(Integer());
        SkipBlanks();
      }
      if (v.integers.size() == 1) {
        v.type = PropValue::Type::Integer;
        v.integer = v.integers[0];
        v.integers.clear();
      } else {
        v.type = PropValue::Type::Integers;
      }
    } else {
      std::string id = Identifier();
      if (id == "true" || id == "false") {
        v.type = PropValue::Type::Boolean;
        v.boolean = id == "true";
      } else {
        v.type = PropValue::Type::Ident;
        v.text = id;
      }
    }
    SkipBlanks();
    if (!AtEnd()) Fail("unexpected text after the value: " + std::string(s_.substr(pos_)));
    return v;
  }

  std::string Identifier() {
    size_t start = pos_;
    while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_' || s_[pos_] == '.')) ++pos_;
    if (start == pos_) Fail("a name is expected");
    return std::string(s_.substr(start, pos_ - start));
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw DefinitionError("line " + std::to_string(line_) + ": " + what);
  }

 private:
  bool AtEnd() const { return pos_ >= s_.size(); }
  void SkipBlanks() {
    while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  std::string Quoted() {
    ++pos_;  // the opening quote
    std::string out;
    for (;;) {
      if (AtEnd()) Fail("the text is not closed with a quote");
      char c = s_[pos_++];
      if (c == '"') return out;
      if (c == '\\') {
        if (AtEnd()) Fail("the text is not closed with a quote");
        char e = s_[pos_++];
        if (e == 'n') out += '\n';
        else if (e == 'r') out += '\r';
        else if (e == '"' || e == '\\') out += e;
        else Fail(std::string("unknown escape \\") + e);
      } else {
        out += c;
      }
    }
  }
  std::int64_t Integer() {
    bool negative = false;
    if (!AtEnd() && s_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    int base = 10;
    if (s_.substr(pos_, 2) == "0x" || s_.substr(pos_, 2) == "0X") {
      base = 16;
      pos_ += 2;
    }
    std::int64_t v = 0;
    auto [end, ec] = std::from_chars(s_.data() + pos_, s_.data() + s_.size(), v, base);
    if (ec != std::errc()) Fail("an integer is expected");
    pos_ = static_cast<size_t>(end - s_.data());
    return negative ? -v : v;
  }

  std::string_view s_;
  int line_;
  size_t pos_ = 0;
};

// The line without its comment and surrounding blanks; "#" inside quotes is text.
std::string_view StripLine(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && quoted) {
      ++i;
    } else if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == '#' && !quoted) {
      line = line.substr(0, i);
      break;
    }
  }
  size_t a = line.find_first_not_of(" \t\r");
  if (a == std::string_view::npos) return {};
  size_t b = line.find_last_not_of(" \t\r");
  return line.substr(a, b - a + 1);
}

// '=' outside quotes.
size_t FindEquals(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '=' && !quoted) return i;
  }
  return std::string_view::npos;
}

std::unique_ptr<Component> MakeComponent(Kind kind, const std::string& name, Component* owner) {
  switch (kind) {
    case Kind::Label: return std::make_unique<Label>(name, owner);
    case Kind::Button: return std::make_unique<Button>(name, owner);
    case Kind::CheckBox: return std::make_unique<CheckBox>(name, owner);
    case Kind::RadioButton: return std::make_unique<RadioButton>(name, owner);
    case Kind::SpinEdit: return std::make_unique<SpinEdit>(name, owner);
    case Kind::TrackBar: return std::make_unique<TrackBar>(name, owner);
    case Kind::ComboBox: return std::make_unique<ComboBox>(name, owner);
    case Kind::ColorBox: return std::make_unique<ColorBox>(name, owner);
    case Kind::GroupBox: return std::make_unique<GroupBox>(name, owner);
    case Kind::ProgressBar: return std::make_unique<ProgressBar>(name, owner);
    case Kind::TabControl: return std::make_unique<TabControl>(name, owner);
    case Kind::Image: return std::make_unique<Image>(name, owner);
    case Kind::PopupMenu: return std::make_unique<PopupMenu>(name, owner);
    case Kind::MenuItem: return std::make_unique<MenuItem>(name, owner);
    case Kind::Timer: return std::make_unique<Timer>(name, owner);
    case Kind::TrayIcon: return std::make_unique<TrayIcon>(name, owner);
    case Kind::ImageList: return std::make_unique<ImageList>(name, owner);
    case Kind::Form:
    case Kind::Other: break;
  }
  return nullptr;
}

bool IsReference(const std::string& property) { return property == "PopupMenu" || property == "Icons"; }

struct Pending {
  Component* component;
  std::string name;
  PropValue value;
};

void Load(Form& form, std::string_view definition, const HandlerMap& handlers, const ClassMap& classes) {
  std::vector<Component*> stack;
  std::vector<Pending> references;
  std::vector<Pending> events;
  bool finished = false;
  int lineNo = 0;
  size_t pos = 0;
  while (pos <= definition.size()) {
    size_t nl = definition.find('\n', pos);
    if (nl == std::string_view::npos) nl = definition.size();
    std::string_view line = StripLine(definition.substr(pos, nl - pos));
    pos = nl + 1;
    ++lineNo;
    if (line.empty()) continue;
    Parser p(line, lineNo);
    if (finished) p.Fail("text after the form's closing \"end\"");

    if (stack.empty()) {
      if (!line.starts_with("form ")) p.Fail("a definition starts with \"form <Name>\"");
      std::string name(text::TrimBlanks(line.substr(5)));
      if (name != form.Name()) p.Fail("the definition is for " + name + ", not " + form.Name());
      stack.push_back(&form);
      continue;
    }
    if (line == "end") {
      stack.pop_back();
      finished = stack.empty();
      continue;
    }
    size_t eq = FindEquals(line);
    if (eq != std::string_view::npos) {
      std::string property(text::TrimBlanks(line.substr(0, eq)));
      Parser vp(line.substr(eq + 1), lineNo);
      PropValue value = vp.Value();
      Component* target = stack.back();
      if (property.starts_with("On") && value.type == PropValue::Type::Ident) {
        events.push_back({target, property, value});
      } else if (IsReference(property) && value.type == PropValue::Type::Ident) {
        references.push_back({target, property, value});
      } else {
        target->SetProperty(property, value);
      }
      continue;
    }

    // "Kind Name": a component, its parent the enclosing block.
    size_t space = line.find(' ');
    if (space == std::string_view::npos) p.Fail("expected \"Kind Name\", \"Property = value\" or \"end\"");
    std::string kindName(line.substr(0, space));
    std::string name(text::TrimBlanks(line.substr(space + 1)));
    auto kind = KindFromName(kindName);
    if (!kind || *kind == Kind::Form) p.Fail("unknown component kind " + kindName);
    if (name.empty() || name.find(' ') != std::string::npos) p.Fail("a component needs one name");
    if (form.FindComponent(name)) p.Fail("a second component named " + name);
    std::unique_ptr<Component> made;
    if (const ClassMap::Factory* f = classes.Find(name)) {
      made = (*f)(name, &form);
      if (!made || made->GetKind() != *kind) p.Fail("the class given for " + name + " is not a " + kindName);
    } else {
      made = MakeComponent(*kind, name, &form);
    }
    Component* parent = stack.back();
    if (*kind == Kind::MenuItem) {
      auto* item = static_cast<MenuItem*>(made.get());
      if (auto* menu = dynamic_cast<PopupMenu*>(parent)) menu->Add(*item);
      else if (auto* up = dynamic_cast<MenuItem*>(parent)) up->Add(*item);
      else p.Fail("menu item " + name + " must stand inside a popup menu or a menu item");
    } else if (auto* control = dynamic_cast<Control*>(made.get())) {
      auto* container = dynamic_cast<Control*>(parent);
      if (!container) p.Fail(name + " cannot stand inside " + parent->Name());
      control->SetParent(container);
    }
    Component& adopted = form.Adopt(std::move(made));
    stack.push_back(&adopted);
  }
  if (!stack.empty()) throw DefinitionError("line " + std::to_string(lineNo) + ": \"end\" is missing");
  if (!finished) throw DefinitionError("the definition is empty");

  for (const Pending& r : references) r.component->SetProperty(r.name, r.value);
  for (const Pending& e : events) {
    const Handler* h = handlers.Find(e.value.text);
    if (!h)
      throw DefinitionError("line " + std::to_string(e.value.line) + ": " + e.component->Name() + "." + e.name +
                            ": no handler named " + e.value.text);
    try {
      e.component->BindEvent(e.name, *h);
    } catch (const DefinitionError& error) {
      throw DefinitionError("line " + std::to_string(e.value.line) + ": " + error.what());
    }
  }
}

}  // namespace

void LoadForm(Form& form, std::string_view definition, const HandlerMap& handlers, const ClassMap& classes) {
  try {
    Load(form, definition, handlers, classes);
  } catch (const DefinitionError& e) {
    throw DefinitionError("window definition " + form.Name() + ", " + e.what());
  }
}

void LoadForm(Form& form, const HandlerMap& handlers, const ClassMap& classes) {
  std::string_view definition = BuiltInDefinition(form.Name());
  if (definition.empty()) throw DefinitionError("there is no built-in window definition " + form.Name());
  LoadForm(form, definition, handlers, classes);
}

}  // namespace ui
