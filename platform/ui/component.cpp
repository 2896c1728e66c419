#include "platform/ui/component.h"

#include <algorithm>
#include <array>

#include "platform/ui/backend.h"
#include "platform/ui/form.h"
#include "platform/ui/prop_values.h"

namespace ui {

namespace {
constexpr std::array<std::pair<Kind, std::string_view>, 19> kKindNames = {{
    {Kind::Form, "Form"},           {Kind::Label, "Label"},         {Kind::Button, "Button"},
    {Kind::CheckBox, "CheckBox"},   {Kind::RadioButton, "RadioButton"}, {Kind::SpinEdit, "SpinEdit"},
    {Kind::TrackBar, "TrackBar"},   {Kind::ComboBox, "ComboBox"},   {Kind::ColorBox, "ColorBox"},
    {Kind::GroupBox, "GroupBox"},   {Kind::ProgressBar, "ProgressBar"}, {Kind::TabControl, "TabControl"},
    {Kind::Image, "Image"},         {Kind::PopupMenu, "PopupMenu"}, {Kind::MenuItem, "MenuItem"},
    {Kind::Timer, "Timer"},         {Kind::TrayIcon, "TrayIcon"},   {Kind::ImageList, "ImageList"},
    {Kind::Other, "Other"},
}};
}  // namespace

std::string_view KindName(Kind kind) {
  for (const auto& [k, n] : kKindNames)
    if (k == kind) return n;
  return "Other";
}

std::optional<Kind> KindFromName(std::string_view name) {
  for (const auto& [k, n] : kKindNames)
    if (n == name && k != Kind::Other) return k;
  return std::nullopt;
}

Component::Component(Kind kind, std::string name, Component* owner)
    : kind_(kind), name_(std::move(name)), owner_(owner) {}

Component::~Component() = default;

Form* Component::OwnerForm() const {
  const Component* c = this;
  while (c && c->kind_ != Kind::Form) c = c->owner_;
  return c ? static_cast<Form*>(const_cast<Component*>(c)) : nullptr;
}

std::optional<std::string> Component::GetTextProperty(std::string_view) const { return std::nullopt; }
bool Component::SetTextProperty(std::string_view, const std::string&) { return false; }

void Component::SetProperty(const std::string& name, const PropValue& value) {
  if (name == "Tag") {
    tag_ = prop::Int(value);
    return;
  }
  UnknownProperty(name, value);
}

void Component::BindEvent(const std::string& event, const Handler&) { UnknownEvent(event); }

void Component::SetPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }

void Component::EnsurePeer() {
  if (peer_) return;
  Backend* backend = Backend::Current();
  Form* form = OwnerForm();
  if (!backend || !form || form == this || !form->HandleAllocated()) return;
  peer_ = backend->CreatePeer(*this);
}

void Component::UnknownProperty(const std::string& name, const PropValue& value) const {
  prop::Fail(value, std::string(KindName(kind_)) + " " + name_ + " has no property " + name);
}

void Component::UnknownEvent(const std::string& event) const {
  throw DefinitionError(std::string(KindName(kind_)) + " " + name_ + " has no event " + event);
}

// ---------------------------------------------------------------- Control

Control::Control(Kind kind, std::string name, Component* owner) : Component(kind, std::move(name), owner) {}

Control::~Control() {
  for (Control* c : children_) c->parent_ = nullptr;
  if (parent_) {
    auto& sib = parent_->children_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
}

void Control::SetParent(Control* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& sib = parent_->children_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
  parent_ = parent;
  if (parent_) {
    parent_->children_.push_back(this);
    if (align_ != Align::None) parent_->Realign();
  }
}

void Control::SetBounds(int left, int top, int width, int height) {
  Rect r{left, top, left + std::max(0, width), top + std::max(0, height)};
  if (r == bounds_) return;
  bool resized = r.Width() != bounds_.Width() || r.Height() != bounds_.Height();
  bounds_ = r;
  Notify(Change::Bounds);
  if (resized) Realign();
  // An aligned control that changes its own size moves its siblings.
  if (align_ != Align::None && parent_ && !parent_->aligning_) parent_->Realign();
}

void Control::SetAlign(Align a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->Realign();
}

void Control::SetPadding(Rect padding) {
  if (padding == padding_) return;
  padding_ = padding;
  Realign();
}

void Control::Realign() {
  if (aligning_) return;
  aligning_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{aligning_};
  Rect area = ClientRect();
  area = {area.left + padding_.left, area.top + padding_.top, area.right - padding_.right, area.bottom - padding_.bottom};
  // Top and bottom first, then left and right, then the client filler, as the order of
  // children says within each group.
  for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
    for (Control* c : children_) {
      if (c->align_ != pass || !c->visible_) continue;
      switch (pass) {
        case Align::Top:
          c->SetBounds(area.left, area.top, area.Width(), c->Height());
          area.top += c->Height();
          break;
        case Align::Bottom:
          c->SetBounds(area.left, area.bottom - c->Height(), area.Width(), c->Height());
          area.bottom -= c->Height();
          break;
        case Align::Left:
          c->SetBounds(area.left, area.top, c->Width(), area.Height());
          area.left += c->Width();
          break;
        case Align::Right:
          c->SetBounds(area.right - c->Width(), area.top, c->Width(), area.Height());
          area.right -= c->Width();
          break;
        case Align::Client:
          c->SetBounds(area.left, area.top, area.Width(), area.Height());
          break;
        case Align::None:
          break;
      }
    }
  }
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Notify(Change::Visible);
  if (parent_ && align_ != Align::None) parent_->Realign();
}

void Control::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Notify(Change::Enabled);
}

void Control::SetHint(const std::string& h) {
  if (h == hint_) return;
  hint_ = h;
  Notify(Change::Hint);
}

void Control::SetShowHint(bool v) {
  if (v == showHint_) return;
  showHint_ = v;
  Notify(Change::Hint);
}

void Control::SetCursor(Cursor c) {
  if (c == cursor_) return;
  cursor_ = c;
  Notify(Change::Cursor);
}

const Font& Control::GetFont() const {
  const Control* c = this;
  while (c->parentFont_ && c->parent_) c = c->parent_;
  return c->font_;
}

void Control::SetFont(const Font& f) {
  if (!parentFont_ && f == font_) return;
  font_ = f;
  parentFont_ = false;
  NotifyFontChanged();
}

void Control::SetParentFont(bool v) {
  if (v == parentFont_) return;
  if (!v) font_ = GetFont();
  parentFont_ = v;
  NotifyFontChanged();
}

void Control::NotifyFontChanged() {
  Notify(Change::Font);
  for (Control* c : children_)
    if (c->parentFont_) c->NotifyFontChanged();
}

void Control::SetColor(Color c) {
  if (c == color_) return;
  color_ = c;
  Notify(Change::Color);
}

void Control::SetStyleExempt(bool v) {
  if (v == styleExempt_) return;
  styleExempt_ = v;
  Notify(Change::Style);
}

void Control::SetFocus() {
  if (GetPeer()) GetPeer()->SetFocus();
}

bool Control::Focused() const { return GetPeer() && GetPeer()->Focused(); }

Point Control::ClientToScreen(Point p) const {
  Point origin;
  if (GetPeer()) {
    origin = GetPeer()->ClientOrigin();
  } else {
    // Without windows: the sum of the offsets up to the form, whose Left/Top is its client origin.
    // Children's bounds are relative to their parent's top-left corner.
    for (const Control* c = this; c; c = c->parent_) {
      origin.x += c->Left();
      origin.y += c->Top();
    }
  }
  return {p.x + origin.x, p.y + origin.y};
}

Point Control::ScreenToClient(Point p) const {
  Point origin = ClientToScreen({0, 0});
  return {p.x - origin.x, p.y - origin.y};
}

void Control::Click() {
  if (OnClick) OnClick(*this);
}

void Control::MouseDown(MouseButton button, unsigned shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void Control::MouseUp(MouseButton button, unsigned shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void Control::MouseMove(unsigned shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

bool Control::DoMouseWheel(unsigned shift, int wheelDelta, Point screenPos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(*this, shift, wheelDelta, screenPos, handled);
  return handled;
}

bool Control::KeyDown(int& key, unsigned shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
  return key != 0;
}

bool Control::KeyPress(char16_t& ch) {
  if (OnKeyPress) OnKeyPress(*this, ch);
  return ch != 0;
}

void Control::FocusEntered() {
  if (OnEnter) OnEnter(*this);
}

void Control::FocusLeft() {
  if (OnExit) OnExit(*this);
}

std::optional<std::string> Control::GetTextProperty(std::string_view property) const {
  if (property == "Hint") return hint_;
  return Component::GetTextProperty(property);
}

bool Control::SetTextProperty(std::string_view property, const std::string& value) {
  if (property == "Hint") {
    SetHint(value);
    return true;
  }
  return Component::SetTextProperty(property, value);
}

void Control::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Left") SetLeft(prop::Int(v));
  else if (name == "Top") SetTop(prop::Int(v));
  else if (name == "Width") SetWidth(prop::Int(v));
  else if (name == "Height") SetHeight(prop::Int(v));
  else if (name == "Bounds") {
    auto b = prop::Ints(v, 4);
    SetBounds(b[0], b[1], b[2], b[3]);
  } else if (name == "Padding") {
    auto p = prop::Ints(v, 4);
    SetPadding({p[0], p[1], p[2], p[3]});
  } else if (name == "Align")
    SetAlign(Align(prop::Enum(v, {{"None", int(Align::None)}, {"Client", int(Align::Client)}, {"Top", int(Align::Top)},
                                  {"Bottom", int(Align::Bottom)}, {"Left", int(Align::Left)}, {"Right", int(Align::Right)}})));
  else if (name == "Visible") SetVisible(prop::Bool(v));
  else if (name == "Enabled") SetEnabled(prop::Bool(v));
  else if (name == "Hint") SetHint(prop::Text(v));
  else if (name == "ShowHint") SetShowHint(prop::Bool(v));
  else if (name == "Cursor")
    SetCursor(Cursor(prop::Enum(v, {{"Default", int(Cursor::Default)}, {"Arrow", int(Cursor::Arrow)}, {"Hand", int(Cursor::Hand)}})));
  else if (name == "Color") SetColor(prop::ColorValue(v));
  else if (name == "ParentFont") SetParentFont(prop::Bool(v));
  else if (name == "StyleExempt") SetStyleExempt(prop::Bool(v));
  else if (name == "TabStop") SetTabStop(prop::Bool(v));
  else if (name.starts_with("Font.")) {
    Font f = GetFont();
    std::string field = name.substr(5);
    if (field == "Name") f.name = prop::Text(v);
    else if (field == "Size") f.size = prop::Int(v);
    // A height in pixels at 96 DPI, negative for the character height: -12 is 9 points.
    else if (field == "Height") f.size = (std::abs(prop::Int(v)) * 72 + 48) / 96;
    else if (field == "Color") f.color = prop::ColorValue(v);
    else if (field == "Bold") f.bold = prop::Bool(v);
    else if (field == "Italic") f.italic = prop::Bool(v);
    else if (field == "Underline") f.underline = prop::Bool(v);
    else UnknownProperty(name, v);
    SetFont(f);
  } else Component::SetProperty(name, v);
}

void Control::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnClick") OnClick = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnMouseDown") OnMouseDown = Expect<MouseEvent>(h, *this, event);
  else if (event == "OnMouseUp") OnMouseUp = Expect<MouseEvent>(h, *this, event);
  else if (event == "OnMouseMove") OnMouseMove = Expect<MouseMoveEvent>(h, *this, event);
  else if (event == "OnMouseWheel") OnMouseWheel = Expect<MouseWheelEvent>(h, *this, event);
  else if (event == "OnKeyDown") OnKeyDown = Expect<KeyEvent>(h, *this, event);
  else if (event == "OnKeyPress") OnKeyPress = Expect<KeyPressEvent>(h, *this, event);
  else if (event == "OnEnter") OnEnter = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnExit") OnExit = Expect<NotifyEvent>(h, *this, event);
  else Component::BindEvent(event, h);
}

void Control::EnsurePeer() { Component::EnsurePeer(); }

}  // namespace ui
