#include "platform/ui/style.h"

#include "platform/text.h"
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

const Palette& StyleManager::Active() const {
  if (!active_.empty()) {
    auto it = styles_.find(Key(active_));
    if (it != styles_.end()) return it->second;
  }
  return plain_;
}

void StyleManager::Reset() {
  styles_.clear();
  active_.clear();
}

Color StyleManager::BackgroundOf(const Control& c) const {
  if (c.GetColor() != kClDefault) return c.GetColor();
  if (c.StyleExempt()) return kClBtnFace;
  const Palette& p = Active();
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
  // A colour of the control's own (the digits, link labels) wins over the style.
  Color own = c.GetFont().color;
  if (own != kClDefault) return own;
  const Palette& p = Active();
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
