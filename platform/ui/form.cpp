#include "platform/ui/form.h"

#include <algorithm>
#include <stdexcept>

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/prop_values.h"
#include "platform/ui/style.h"

namespace ui {

Form::Form(std::string name) : Control(Kind::Form, std::move(name), nullptr) {
  SetVisible(false);
  SetParentFont(false);
}

Form::~Form() {
  // Windows go before the objects: the controls' own first, then the form's, so no
  // message reaches a half-destroyed component.
  for (auto it = owned_.rbegin(); it != owned_.rend(); ++it) (*it)->SetPeer(nullptr);
  SetPeer(nullptr);
  // Children die in reverse creation order; each detaches itself from its parent.
  while (!owned_.empty()) owned_.pop_back();
}

void Form::SetCaption(const std::string& c) {
  if (c == caption_) return;
  caption_ = c;
  Notify(Change::Text);
}

Component* Form::FindComponent(std::string_view name) const {
  for (Component* c : order_)
    if (c->Name() == name) return c;
  return nullptr;
}

Component* Form::FindComponentOrThrow(const PropValue& reference) const {
  if (reference.type != PropValue::Type::Ident) prop::Fail(reference, "a component name is expected");
  Component* c = FindComponent(reference.text);
  if (!c) prop::Fail(reference, Name() + " has no component " + reference.text);
  return c;
}

Component& Form::Adopt(std::unique_ptr<Component> c) {
  if (!c->Name().empty() && FindComponent(c->Name()))
    throw DefinitionError(Name() + " already has a component " + c->Name());
  Component& ref = *c;
  owned_.push_back(std::move(c));
  order_.push_back(&ref);
  if (auto* control = dynamic_cast<Control*>(&ref); control && !control->Parent()) control->SetParent(this);
  if (HandleAllocated()) ref.EnsurePeer();
  return ref;
}

void Form::SetClientSize(int width, int height) {
  if (width == clientWidth_ && height == clientHeight_) return;
  int frameW = Width() - clientWidth_, frameH = Height() - clientHeight_;
  clientWidth_ = std::max(0, width);
  clientHeight_ = std::max(0, height);
  Control::SetBounds(Left(), Top(), clientWidth_ + frameW, clientHeight_ + frameH);
  Realign();
}

void Form::SetBounds(int left, int top, int width, int height) {
  // The frame keeps its size; the backend reports the true client size once the window exists.
  int frameW = Width() - clientWidth_, frameH = Height() - clientHeight_;
  int oldCw = clientWidth_, oldCh = clientHeight_;
  clientWidth_ = std::max(0, width - frameW);
  clientHeight_ = std::max(0, height - frameH);
  Control::SetBounds(left, top, width, height);
  if (clientWidth_ != oldCw || clientHeight_ != oldCh) Realign();
}

void Form::WindowMoved(const Rect& r, int clientWidth, int clientHeight) {
  bool resized = clientWidth != clientWidth_ || clientHeight != clientHeight_;
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  // The window is already there; its peer ignores the echo of its own report.
  Control::SetBounds(r.left, r.top, r.Width(), r.Height());
  if (resized) Realign();
}

void Form::SetBorderStyle(BorderStyle b) {
  if (b == borderStyle_) return;
  borderStyle_ = b;
  Notify(Change::Style);
}

void Form::SetTransparentColor(bool v) {
  if (v == transparentColor_) return;
  transparentColor_ = v;
  Notify(Change::Style);
}

void Form::SetTransparentColorValue(Color c) {
  if (c == transparentColorValue_) return;
  transparentColorValue_ = c;
  Notify(Change::Style);
}

void Form::SetAlphaBlend(bool v) {
  if (v == alphaBlend_) return;
  alphaBlend_ = v;
  Notify(Change::Style);
}

void Form::SetAlphaBlendValue(int v) {
  v = std::clamp(v, 0, 255);
  if (v == alphaBlendValue_) return;
  alphaBlendValue_ = v;
  Notify(Change::Style);
}

Control* Form::ActiveControl() const {
  for (Component* c : order_)
    if (auto* control = dynamic_cast<Control*>(c); control && control->Focused()) return control;
  return nullptr;
}

std::uintptr_t Form::Handle() {
  CreateHandle();
  return GetPeer() ? GetPeer()->Handle() : 0;
}

void Form::SystemSettingChanged(SystemSetting setting, const std::string& area) {
  FollowSystemContrast();
  SettingChange(setting, area);
}

void Form::CreateHandle() {
  if (GetPeer()) return;
  Backend* backend = Backend::Current();
  if (!backend) return;
  FollowSystemContrast();
  int dpi = backend->DefaultDpi();
  if (dpi != dpi_) {
    ScaleControls(dpi, dpi_);
    dpi_ = dpi;
  }
  SetPeer(backend->CreatePeer(*this));
  for (Component* c : order_) c->EnsurePeer();
  FitTexts();
}

void Form::EnsurePeer() { CreateHandle(); }

void Form::ScaleControls(int num, int den) {
  auto scale = [&](int v) { return static_cast<int>((static_cast<long long>(v) * num + den / 2) / den); };
  SetClientSize(scale(clientWidth_), scale(clientHeight_));
  minWidth_ = scale(minWidth_);
  minHeight_ = scale(minHeight_);
  // Aligned controls too: their own height or width (a button bar's) follows the DPI, and
  // the last Realign gives every one its place.
  auto scalePadding = [&](Control& c) {
    const Rect p = c.Padding();
    c.SetPadding({scale(p.left), scale(p.top), scale(p.right), scale(p.bottom)});
  };
  scalePadding(*this);
  for (Component* c : order_)
    if (auto* control = dynamic_cast<Control*>(c)) {
      scalePadding(*control);
      control->SetBounds(scale(control->Left()), scale(control->Top()), scale(control->Width()), scale(control->Height()));
    }
  Realign();
}

void Form::DpiChanged(int newDpi) {
  if (newDpi <= 0 || newDpi == dpi_) return;
  int old = dpi_;
  dpi_ = newDpi;
  ScaleControls(newDpi, old);
  NotifyFontChanged();
  FitTexts();
}

void Form::SetVisible(bool v) {
  if (v == Visible()) return;
  if (v) {
    CreateHandle();
    if (OnShow) OnShow(*this);
    Control::SetVisible(true);
  } else {
    Control::SetVisible(false);
    if (OnHide) OnHide(*this);
  }
}

void Form::Show() {
  SetVisible(true);
  BringToFront();
}

void Form::Hide() { SetVisible(false); }

int Form::ShowModal() {
  if (Visible() || modal_) throw std::logic_error("Cannot make a visible window modal");
  modal_ = true;
  modalResult_ = kMrNone;
  struct Reset {
    Form& f;
    ~Reset() {
      f.modal_ = false;
      f.Hide();
    }
  } reset{*this};
  Show();
  if (GetPeer()) GetPeer()->RunModal();
  if (modalResult_ == kMrNone) modalResult_ = kMrCancel;
  return modalResult_;
}

void Form::Close() {
  if (closing_) return;
  closing_ = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{closing_};
  CloseAction action = CloseAction::Hide;
  if (OnClose) OnClose(*this, action);
  if (action == CloseAction::None) {
    if (modal_) modalResult_ = kMrNone;
    return;
  }
  if (modal_) {
    if (modalResult_ == kMrNone) modalResult_ = kMrCancel;
    return;  // the modal loop ends and hides the form
  }
  Application* app = Application::Current();
  if (app && app->MainForm() == this) {
    app->Terminate();
    return;
  }
  Hide();
}

void Form::Invalidate() {
  if (GetPeer()) GetPeer()->Invalidate();
}

void Form::BringToFront() {
  if (GetPeer()) GetPeer()->BringToFront();
}

void Form::DoCreate() {
  if (OnCreate) OnCreate(*this);
}

bool Form::DispatchMouseWheel(Control& receiver, unsigned shift, int wheelDelta, Point screenPos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(*this, shift, wheelDelta, screenPos, handled);
  if (handled) return true;
  if (&receiver == this) return false;
  return receiver.DoMouseWheel(shift, wheelDelta, screenPos);
}

namespace {
Control* Deepest(const Control& parent, Point p) {
  const auto& kids = parent.Children();
  // The last child is on top.
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    Control* c = *it;
    if (!c->Visible() || !c->BoundsRect().Contains(p)) continue;
    Point inner{p.x - c->Left(), p.y - c->Top()};
    Control* deeper = Deepest(*c, inner);
    return deeper ? deeper : c;
  }
  return nullptr;
}
}  // namespace

Control* Form::ControlAt(Point client) const { return Deepest(*this, client); }

Button* Form::DefaultButton() const {
  for (Component* c : order_)
    if (auto* b = dynamic_cast<Button*>(c); b && b->Default() && b->Visible() && b->Enabled()) return b;
  return nullptr;
}

bool Form::DialogKey(int key) {
  if (key == key::kReturn) {
    if (Button* b = DefaultButton()) {
      b->Click();
      return true;
    }
    return false;
  }
  if (key == key::kEscape) {
    for (Component* c : order_)
      if (auto* b = dynamic_cast<Button*>(c); b && b->Cancel() && b->Visible() && b->Enabled()) {
        b->Click();
        return true;
      }
    if (borderStyle_ != BorderStyle::None) {
      Close();
      return true;
    }
  }
  return false;
}

std::optional<std::string> Form::GetTextProperty(std::string_view p) const {
  if (p == "Caption") return caption_;
  return Control::GetTextProperty(p);
}

bool Form::SetTextProperty(std::string_view p, const std::string& v) {
  if (p == "Caption") {
    SetCaption(v);
    return true;
  }
  return Control::SetTextProperty(p, v);
}

void Form::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Caption") SetCaption(prop::Text(v));
  else if (name == "ClientSize") {
    auto s = prop::Ints(v, 2);
    SetClientSize(s[0], s[1]);
  } else if (name == "ClientWidth") SetClientSize(prop::Int(v), clientHeight_);
  else if (name == "ClientHeight") SetClientSize(clientWidth_, prop::Int(v));
  else if (name == "BorderStyle")
    SetBorderStyle(BorderStyle(prop::Enum(v, {{"None", int(BorderStyle::None)}, {"Single", int(BorderStyle::Single)},
                                              {"Dialog", int(BorderStyle::Dialog)}, {"Sizeable", int(BorderStyle::Sizeable)}})));
  else if (name == "SystemMenu") SetSystemMenu(prop::Bool(v));
  else if (name == "Position")
    SetPosition(FormPosition(prop::Enum(v, {{"Designed", int(FormPosition::Designed)}, {"ScreenCenter", int(FormPosition::ScreenCenter)}})));
  else if (name == "MinSize") {
    auto s = prop::Ints(v, 2);
    SetMinSize(s[0], s[1]);
  } else if (name == "RoundedCorners") SetRoundedCorners(prop::Bool(v));
  else if (name == "TransparentColor") SetTransparentColor(prop::Bool(v));
  else if (name == "TransparentColorValue") SetTransparentColorValue(prop::ColorValue(v));
  else if (name == "AlphaBlend") SetAlphaBlend(prop::Bool(v));
  else if (name == "AlphaBlendValue") SetAlphaBlendValue(prop::Int(v));
  else if (name == "DoubleBuffered") SetDoubleBuffered(prop::Bool(v));
  else if (name == "ScreenSnap") SetScreenSnap(prop::Bool(v));
  else if (name == "SnapBuffer") SetSnapBuffer(prop::Int(v));
  else if (name == "FitTexts") SetFitsTexts(prop::Bool(v));
  else if (name == "PopupMenu") SetPopupMenu(&As<PopupMenu>(*FindComponentOrThrow(v)));
  else if (name == "Visible") prop::Fail(v, "a form is shown by the program, not by its definition");
  else Control::SetProperty(name, v);
}

void Form::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnCreate") OnCreate = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnShow") OnShow = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnHide") OnHide = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnClose") OnClose = Expect<CloseEvent>(h, *this, event);
  else if (event == "OnDestroy") OnDestroy = Expect<NotifyEvent>(h, *this, event);
  else Control::BindEvent(event, h);
}

Rect SnapToWorkArea(Rect r, const Rect& m, int d) {
  if (r.left == 0 && r.top == 0) return r;
  int w = r.Width(), h = r.Height();
  auto moveTo = [&](int left, int top) { r = {left, top, left + w, top + h}; };
  if (std::abs(r.left - m.left) < d) moveTo(m.left, r.top);
  if (std::abs(r.top - m.top) < d) moveTo(r.left, m.top);
  if (std::abs(r.right - m.right) < d) moveTo(m.right - w, r.top);
  if (std::abs(r.bottom - m.bottom) < d) moveTo(r.left, m.bottom - h);
  return r;
}

}  // namespace ui
