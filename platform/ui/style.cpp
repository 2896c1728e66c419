#include "platform/ui/style.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/text.h"
#include "platform/ui/backend.h"
#include "platform/ui/component.h"
#include "platform/ui/form.h"

namespace ui {

namespace {
std::string Key(const std::string& name) {
  std::string k;
  for (char c : name) k += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  return k;
}
}  // namespace

Palette Palette::SystemLook() {
  Palette p;
  p.windowBackground = kClBtnFace;
  p.text = kClWindowText;
  p.disabledText = SystemColor(17);  // COLOR_GRAYTEXT
  p.controlBackground = kClBtnFace;
  p.editBackground = kClWindow;
  p.editText = kClWindowText;
  p.border = SystemColor(16);  // COLOR_BTNSHADOW
  p.highlight = SystemColor(13);
  p.highlightText = SystemColor(14);
  p.link = SystemColor(26);  // COLOR_HOTLIGHT
  p.dark = false;
  return p;
}

Palette Palette::HighContrastLook() {
  Palette p = SystemLook();
  // Dialog surfaces are button faces: their text is the button text, which high-contrast
  // themes pair with them (window text belongs on window backgrounds).
  p.text = SystemColor(18);  // COLOR_BTNTEXT
  p.highContrast = true;
  return p;
}

namespace {

std::invalid_argument StyleError(int line, const std::string& what) {
  return std::invalid_argument("style line " + std::to_string(line) + ": " + what);
}

Color ParseColor(std::string_view v, int line) {
  // "#RRGGBB" -> 0x00BBGGRR
  if (v.size() != 7 || v[0] != '#') throw StyleError(line, "colour expected as #RRGGBB");
  char* end = nullptr;
  const std::string hex(v.substr(1));
  const unsigned long rgb = std::strtoul(hex.c_str(), &end, 16);
  if (*end != '\0') throw StyleError(line, "colour expected as #RRGGBB");
  return MakeColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

int ParseMetric(std::string_view v, int line) {
  const std::string s(v);
  char* end = nullptr;
  const long n = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || n < 0 || n > 64) throw StyleError(line, "whole number 0..64 expected");
  return int(n);
}

}  // namespace

NamedPalette ParseStyle(const std::string& text) {
  NamedPalette result;
  Palette& p = result.palette;
  p = Palette{};
  p.styled = true;
  struct ColorKey {
    const char* key;
    Color Palette::*field;
  };
  static const ColorKey colors[] = {
      {"WindowBackground", &Palette::windowBackground}, {"Text", &Palette::text},
      {"DisabledText", &Palette::disabledText},         {"ControlBackground", &Palette::controlBackground},
      {"EditBackground", &Palette::editBackground},     {"EditText", &Palette::editText},
      {"Border", &Palette::border},                     {"Highlight", &Palette::highlight},
      {"HighlightText", &Palette::highlightText},       {"Link", &Palette::link},
      {"ControlHover", &Palette::controlHover},         {"ControlPressed", &Palette::controlPressed},
      {"ControlBorder", &Palette::controlBorder},       {"Accent", &Palette::accent},
      {"AccentHover", &Palette::accentHover},           {"AccentText", &Palette::accentText},
      {"Focus", &Palette::focus},                       {"Track", &Palette::track},
  };
  struct MetricKey {
    const char* key;
    int Palette::*field;
  };
  static const MetricKey metrics[] = {
      {"CornerRadius", &Palette::cornerRadius}, {"BoxSize", &Palette::boxSize}, {"BorderWidth", &Palette::borderWidth}};
  std::vector<bool> seen(std::size(colors), false);
  int lineNo = 0;
  std::string_view rest = text;
  while (!rest.empty()) {
    ++lineNo;
    const std::size_t eol = rest.find('\n');
    std::string_view line = text::TrimBlanks(rest.substr(0, eol));
    rest = eol == std::string_view::npos ? std::string_view{} : rest.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line = text::TrimBlanks(line.substr(0, line.size() - 1));
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) throw StyleError(lineNo, "Key = value expected");
    const std::string key(text::TrimBlanks(line.substr(0, eq)));
    const std::string_view value = text::TrimBlanks(line.substr(eq + 1));
    if (key == "Name") {
      if (value.size() < 3 || value.front() != '"' || value.back() != '"') throw StyleError(lineNo, "quoted name expected");
      result.name = std::string(value.substr(1, value.size() - 2));
      continue;
    }
    if (key == "Dark") {
      if (value != "true" && value != "false") throw StyleError(lineNo, "true or false expected");
      p.dark = value == "true";
      continue;
    }
    bool known = false;
    for (std::size_t i = 0; i < std::size(colors); ++i)
      if (key == colors[i].key) {
        p.*colors[i].field = ParseColor(value, lineNo);
        seen[i] = known = true;
      }
    for (const auto& m : metrics)
      if (key == m.key) {
        p.*m.field = ParseMetric(value, lineNo);
        known = true;
      }
    if (!known) throw StyleError(lineNo, "unknown key " + key);
  }
  if (result.name.empty()) throw StyleError(lineNo, "the style has no Name");
  for (std::size_t i = 0; i < std::size(colors); ++i)
    if (!seen[i]) throw StyleError(lineNo, std::string("the style has no ") + colors[i].key);
  return result;
}

void RegisterBuiltInStyles() {
  for (const std::string& text : BuiltInStyleTexts()) {
    NamedPalette style = ParseStyle(text);
    StyleManager::Instance().Register(style.name, style.palette);
  }
}

StyleManager& StyleManager::Instance() {
  static StyleManager manager;
  return manager;
}

void StyleManager::Register(const std::string& name, const Palette& palette) { styles_[Key(name)] = palette; }

bool StyleManager::IsRegistered(const std::string& name) const { return styles_.count(Key(name)) != 0; }

bool StyleManager::SetStyle(const std::string& name) {
  auto it = styles_.find(Key(name));
  if (it == styles_.end() || Key(active_) == it->first) return false;
  active_ = name;
  if (OnChange) OnChange();
  return true;
}

void StyleManager::SetHighContrast(bool on) {
  if (on == highContrast_) return;
  highContrast_ = on;
  if (OnChange) OnChange();
}

const Palette& StyleManager::Active() const {
  if (highContrast_) return contrast_;
  if (!active_.empty()) {
    auto it = styles_.find(Key(active_));
    if (it != styles_.end()) return it->second;
  }
  return plain_;
}

void StyleManager::Reset() {
  styles_.clear();
  active_.clear();
  highContrast_ = false;
}

void FollowSystemContrast() {
  if (Backend* backend = Backend::Current()) StyleManager::Instance().SetHighContrast(backend->HighContrast());
}

namespace {

// A colour the window definition gives a control is kept under the system's plain look
// and by exempt controls; under a style it would defeat the style (black text on a dark
// background), so only a form's transparency key survives, and the colour list's own
// colour, which the program sets to show a colour (the automatic one) rather than a look.
bool KeepsOwnBackground(const Control& c, const Palette& p) {
  if (c.StyleExempt() || (!p.styled && !p.highContrast)) return true;
  // High contrast: the field takes the system's colours like every other.
  if (c.GetKind() == Kind::ColorBox && !p.highContrast) return true;
  const auto* form = dynamic_cast<const Form*>(&c);
  return form && form->TransparentColor() && form->TransparentColorValue() == c.GetColor();
}

bool IsLinkColor(Color c) { return c == kClBlue || c == SystemColor(26) /* COLOR_HOTLIGHT */; }

}  // namespace

Color StyleManager::BackgroundOf(const Control& c) const {
  const Palette& p = Active();
  if (c.GetColor() != kClDefault && KeepsOwnBackground(c, p)) return c.GetColor();
  if (c.StyleExempt()) return kClBtnFace;
  switch (c.GetKind()) {
    case Kind::Button:
      return p.controlBackground;
    case Kind::SpinEdit:
    case Kind::ComboBox:
    case Kind::ColorBox:
      return p.editBackground;
    case Kind::Label:
    case Kind::CheckBox:
    case Kind::RadioButton:
      // Transparent controls show their parent.
      return c.Parent() ? BackgroundOf(*c.Parent()) : p.windowBackground;
    default:
      return p.windowBackground;
  }
}

Color StyleManager::TextColorOf(const Control& c) const {
  const Palette& p = Active();
  Color own = c.GetFont().color;
  if (own != kClDefault) {
    // A colour of the control's own (the digits, link labels) wins under the plain look.
    // Under a style only link blue keeps its meaning, in the style's link colour.
    if ((!p.styled && !p.highContrast) || c.StyleExempt()) return own;
    if (IsLinkColor(own) && c.Enabled()) return p.link;
  }
  if (!c.Enabled()) return p.disabledText;
  switch (c.GetKind()) {
    case Kind::SpinEdit:
    case Kind::ComboBox:
    case Kind::ColorBox:
      return p.editText;
    default:
      return p.text;
  }
}

Font StyleManager::FontOf(const Control& c) const {
  Font f = c.GetFont();
  f.color = TextColorOf(c);
  return f;
}

}  // namespace ui
