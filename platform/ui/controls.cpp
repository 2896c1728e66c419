#include "platform/ui/controls.h"

#include <algorithm>
#include <charconv>

#include "platform/text.h"
#include "platform/ui/backend.h"
#include "platform/ui/form.h"
#include "platform/ui/prop_values.h"

namespace ui {

// ---------------------------------------------------------------- CaptionedControl

void CaptionedControl::SetCaption(const std::string& c) {
  if (caption_ == c) return;
  caption_ = c;
  Notify(Change::Text);
}

std::optional<std::string> CaptionedControl::GetTextProperty(std::string_view p) const {
  if (p == "Caption") return caption_;
  return Control::GetTextProperty(p);
}

bool CaptionedControl::SetTextProperty(std::string_view p, const std::string& v) {
  if (p != "Caption") return Control::SetTextProperty(p, v);
  SetCaption(v);
  return true;
}

void CaptionedControl::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Caption") SetCaption(prop::Text(v));
  else Control::SetProperty(name, v);
}

// ---------------------------------------------------------------- Label

Label::Label(std::string name, Component* owner) : CaptionedControl(Kind::Label, std::move(name), owner) {}

void Label::SetAlignment(Alignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Notify(Change::Text);
}
void Label::SetLayout(VerticalAlignment l) {
  if (l == layout_) return;
  layout_ = l;
  Notify(Change::Text);
}
void Label::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  Notify(Change::Text);
}
void Label::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  Notify(Change::Text);
}
void Label::SetAutoSize(bool v) { autoSize_ = v; }
void Label::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Notify(Change::Color);
}

// Without a backend the headless rule applies (README): 0.6 em per character at the DPI.
int NominalTextWidth(const Font& font, int dpi, const std::string& text) {
  int px = PointsToPixels(font.size, dpi);
  int perChar = (px * 6 + 5) / 10;
  size_t pos = 0;
  int n = 0;
  while (pos < text.size()) {
    text::NextCodePoint(text, pos);
    ++n;
  }
  return n * perChar;
}

int Label::TextWidth(const std::string& text) const {
  if (Backend* b = Backend::Current()) return b->TextWidth(*this, text);
  Form* f = OwnerForm();
  return NominalTextWidth(GetFont(), f ? f->Dpi() : 96, text);
}

void Label::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Alignment")
    SetAlignment(Alignment(prop::Enum(v, {{"Left", int(Alignment::Left)}, {"Center", int(Alignment::Center)}, {"Right", int(Alignment::Right)}})));
  else if (name == "Layout")
    SetLayout(VerticalAlignment(prop::Enum(
        v, {{"Top", int(VerticalAlignment::Top)}, {"Center", int(VerticalAlignment::Center)}, {"Bottom", int(VerticalAlignment::Bottom)}})));
  else if (name == "WordWrap") SetWordWrap(prop::Bool(v));
  else if (name == "ShowAccelChar") SetShowAccelChar(prop::Bool(v));
  else if (name == "AutoSize") SetAutoSize(prop::Bool(v));
  else if (name == "Transparent") SetTransparent(prop::Bool(v));
  else CaptionedControl::SetProperty(name, v);
}

// ---------------------------------------------------------------- Button

Button::Button(std::string name, Component* owner) : CaptionedControl(Kind::Button, std::move(name), owner) { SetTabStop(true); }

void Button::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  Notify(Change::State);
}

void Button::Click() {
  if (modalResult_ != kMrNone)
    if (Form* f = OwnerForm()) f->SetModalResult(modalResult_);
  Control::Click();
}

void Button::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Default") SetDefault(prop::Bool(v));
  else if (name == "Cancel") SetCancel(prop::Bool(v));
  else if (name == "ModalResult")
    SetModalResult(prop::Enum(v, {{"None", kMrNone}, {"Ok", kMrOk}, {"Cancel", kMrCancel}, {"Yes", kMrYes}, {"No", kMrNo}}));
  else CaptionedControl::SetProperty(name, v);
}

// ---------------------------------------------------------------- CheckBox

CheckBox::CheckBox(std::string name, Component* owner) : CaptionedControl(Kind::CheckBox, std::move(name), owner) { SetTabStop(true); }

void CheckBox::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Notify(Change::State);
  Control::Click();
}

void CheckBox::Click() { SetChecked(!checked_); }

void CheckBox::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Checked") SetChecked(prop::Bool(v));
  else CaptionedControl::SetProperty(name, v);
}

// ---------------------------------------------------------------- RadioButton

RadioButton::RadioButton(std::string name, Component* owner) : CaptionedControl(Kind::RadioButton, std::move(name), owner) {}

void RadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (v && Parent()) {
    for (Control* c : Parent()->Children()) {
      auto* r = dynamic_cast<RadioButton*>(c);
      if (r && r != this && r->checked_) {
        r->checked_ = false;
        r->Notify(Change::State);
      }
    }
  }
  Notify(Change::State);
  UpdateGroupTabStops();
  if (v) Control::Click();
}

void RadioButton::UpdateGroupTabStops() {
  std::vector<RadioButton*> group;
  if (Parent()) {
    for (Control* c : Parent()->Children())
      if (auto* r = dynamic_cast<RadioButton*>(c)) group.push_back(r);
  } else {
    group.push_back(this);
  }
  const bool anySelected = std::any_of(group.begin(), group.end(), [](const RadioButton* r) { return r->checked_; });
  for (size_t i = 0; i < group.size(); ++i) {
    const bool stop = anySelected ? group[i]->checked_ : i == 0;
    if (group[i]->TabStop() == stop) continue;
    group[i]->SetTabStop(stop);
    group[i]->Notify(Change::State);
  }
}

void RadioButton::Click() { SetChecked(true); }

void RadioButton::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Checked") SetChecked(prop::Bool(v));
  else CaptionedControl::SetProperty(name, v);
}

// ---------------------------------------------------------------- SpinEdit

SpinEdit::SpinEdit(std::string name, Component* owner) : Control(Kind::SpinEdit, std::move(name), owner) { SetTabStop(true); }

void SpinEdit::SetText(const std::string& t) {
  if (t == text_) return;
  text_ = t;
  int size = static_cast<int>(text_.size());
  selStart_ = std::min(selStart_, size);
  selLength_ = std::min(selLength_, size - selStart_);
  Notify(Change::Text);
  if (OnChange) OnChange(*this);
}

int SpinEdit::Value() const {
  // Blanks around the number are allowed; anything else, or a number beyond 32 bits,
  // reads as the minimum.
  std::string_view s = text::TrimBlanks(text_);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return min_;
  return v;
}

int SpinEdit::CheckValue(int v) const {
  if (max_ == min_) return v;
  return std::clamp(v, std::min(min_, max_), std::max(min_, max_));
}

void SpinEdit::SetValue(int v) { SetText(std::to_string(CheckValue(v))); }

void SpinEdit::SetMinValue(int v) {
  if (v == min_) return;
  min_ = v;
  Notify(Change::Range);
}

void SpinEdit::SetMaxValue(int v) {
  if (v == max_) return;
  max_ = v;
  Notify(Change::Range);
}

void SpinEdit::SetTextAlignment(Alignment a) {
  if (a == textAlign_) return;
  textAlign_ = a;
  Notify(Change::Style);
}

void SpinEdit::SetSelection(int start, int length) {
  int size = static_cast<int>(text_.size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
  Notify(Change::State);
}

void SpinEdit::SelectAll() { SetSelection(0, static_cast<int>(text_.size())); }

bool SpinEdit::KeyDown(int& key, unsigned shift) {
  if (key == key::kUp) StepUp();
  else if (key == key::kDown) StepDown();
  return Control::KeyDown(key, shift);
}

void SpinEdit::FocusLeft() {
  int v = Value();
  if (CheckValue(v) != v) SetValue(v);
  Control::FocusLeft();
}

void SpinEdit::UserEditedText(const std::string& newText) { SetText(newText); }

std::optional<std::string> SpinEdit::GetTextProperty(std::string_view p) const {
  if (p == "Text") return text_;
  return Control::GetTextProperty(p);
}

bool SpinEdit::SetTextProperty(std::string_view p, const std::string& v) {
  if (p == "Text") {
    SetText(v);
    return true;
  }
  return Control::SetTextProperty(p, v);
}

void SpinEdit::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "MinValue") SetMinValue(prop::Int(v));
  else if (name == "MaxValue") SetMaxValue(prop::Int(v));
  else if (name == "Value") SetValue(prop::Int(v));
  else if (name == "Increment") SetIncrement(prop::Int(v));
  else if (name == "TextAlignment")
    SetTextAlignment(Alignment(prop::Enum(v, {{"Left", int(Alignment::Left)}, {"Center", int(Alignment::Center)}, {"Right", int(Alignment::Right)}})));
  else Control::SetProperty(name, v);
}

void SpinEdit::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnChange") OnChange = Expect<NotifyEvent>(h, *this, event);
  else Control::BindEvent(event, h);
}

// ---------------------------------------------------------------- TrackBar

TrackBar::TrackBar(std::string name, Component* owner) : Control(Kind::TrackBar, std::move(name), owner) { SetTabStop(true); }

void TrackBar::SetPosition(int v) {
  v = std::clamp(v, min_, std::max(min_, max_));
  if (v == position_) return;
  position_ = v;
  Notify(Change::State);
  if (OnChange) OnChange(*this);
}

// A new range pulls the position inside without a change notification, as the native
// control does.
void TrackBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  position_ = std::clamp(position_, min_, max_);
  Notify(Change::Range);
}

void TrackBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  position_ = std::clamp(position_, min_, max_);
  Notify(Change::Range);
}

void TrackBar::SetTickMarks(bool v) {
  if (v == tickMarks_) return;
  tickMarks_ = v;
  Notify(Change::Style);
}

void TrackBar::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Min") SetMin(prop::Int(v));
  else if (name == "Max") SetMax(prop::Int(v));
  else if (name == "Position") SetPosition(prop::Int(v));
  else if (name == "TickMarks") SetTickMarks(prop::Bool(v));
  else if (name == "Frequency") SetFrequency(prop::Int(v));
  else Control::SetProperty(name, v);
}

void TrackBar::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnChange") OnChange = Expect<NotifyEvent>(h, *this, event);
  else Control::BindEvent(event, h);
}

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(std::string name, Component* owner) : Control(Kind::ComboBox, std::move(name), owner) { SetTabStop(true); }

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
  Notify(Change::Items);
}

void ComboBox::SetItemIndex(int i) {
  if (i < -1 || i >= static_cast<int>(items_.size())) i = -1;
  if (i == itemIndex_) return;
  itemIndex_ = i;
  Notify(Change::State);
}

std::string ComboBox::Text() const { return itemIndex_ >= 0 ? items_[itemIndex_] : std::string(); }

void ComboBox::UserSelected(int index) {
  SetItemIndex(index);
  if (OnChange) OnChange(*this);
}

std::optional<std::string> ComboBox::GetTextProperty(std::string_view p) const {
  if (p == "Text") return Text();
  return Control::GetTextProperty(p);
}

bool ComboBox::SetTextProperty(std::string_view p, const std::string& v) {
  if (p == "Text") {
    // A drop-down list can only show one of its items.
    auto it = std::find(items_.begin(), items_.end(), v);
    SetItemIndex(it == items_.end() ? -1 : static_cast<int>(it - items_.begin()));
    return true;
  }
  return Control::SetTextProperty(p, v);
}

void ComboBox::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Items") SetItems(prop::List(v));
  else if (name == "ItemIndex") SetItemIndex(prop::Int(v));
  else Control::SetProperty(name, v);
}

void ComboBox::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnChange") OnChange = Expect<NotifyEvent>(h, *this, event);
  else Control::BindEvent(event, h);
}

// ---------------------------------------------------------------- ColorBox

ColorBox::ColorBox(std::string name, Component* owner) : Control(Kind::ColorBox, std::move(name), owner) { SetTabStop(true); }

void ColorBox::SetItems(std::vector<Entry> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].color == selected_) itemIndex_ = static_cast<int>(i);
  Notify(Change::Items);
}

void ColorBox::SetSelected(Color c) {
  selected_ = c;
  int index = -1;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].color == c) {
      index = static_cast<int>(i);
      break;
    }
  itemIndex_ = index;
  Notify(Change::State);
}

void ColorBox::UserSelected(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  itemIndex_ = index;
  selected_ = items_[index].color;
  Notify(Change::State);
  if (OnChange) OnChange(*this);
  Control::Click();
}

void ColorBox::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Selected") SetSelected(prop::ColorValue(v));
  else Control::SetProperty(name, v);
}

void ColorBox::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnChange") OnChange = Expect<NotifyEvent>(h, *this, event);
  else Control::BindEvent(event, h);
}

// ---------------------------------------------------------------- GroupBox, ProgressBar, TabControl, Image

GroupBox::GroupBox(std::string name, Component* owner) : CaptionedControl(Kind::GroupBox, std::move(name), owner) {}

Rect GroupBox::ClientRect() const {
  // The frame's caption line takes about one text height at the top.
  int top = caption_.empty() ? 6 : 17;
  return {6, top, std::max(6, Width() - 6), std::max(top, Height() - 6)};
}


ProgressBar::ProgressBar(std::string name, Component* owner) : Control(Kind::ProgressBar, std::move(name), owner) {}

void ProgressBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  position_ = std::clamp(position_, min_, max_);
  Notify(Change::Range);
}

void ProgressBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Notify(Change::State);
}

void ProgressBar::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Min") SetRange(prop::Int(v), max_);
  else if (name == "Max") SetRange(min_, prop::Int(v));
  else if (name == "Position") SetPosition(prop::Int(v));
  else Control::SetProperty(name, v);
}

TabControl::TabControl(std::string name, Component* owner) : Control(Kind::TabControl, std::move(name), owner) {}

void TabControl::SetTabs(std::vector<std::string> tabs) {
  tabs_ = std::move(tabs);
  Notify(Change::Items);
}

void TabControl::SetTab(int index, const std::string& caption) {
  if (index < 0 || index >= static_cast<int>(tabs_.size()) || tabs_[index] == caption) return;
  tabs_[index] = caption;
  Notify(Change::Items);
}

void TabControl::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Tabs") SetTabs(prop::List(v));
  else Control::SetProperty(name, v);
}

Image::Image(std::string name, Component* owner) : Control(Kind::Image, std::move(name), owner) {}

void Image::SetIconResource(const std::string& name) {
  if (name == iconResource_) return;
  iconResource_ = name;
  Notify(Change::Image);
}

void Image::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Icon") SetIconResource(prop::Text(v));
  else if (name == "Proportional") proportional_ = prop::Bool(v);
  else if (name == "Center") center_ = prop::Bool(v);
  else if (name == "Stretch") stretch_ = prop::Bool(v);
  else Control::SetProperty(name, v);
}

}  // namespace ui
