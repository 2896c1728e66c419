#include "platform/ui/nonvisual.h"

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/form.h"
#include "platform/ui/menus.h"
#include "platform/ui/prop_values.h"

namespace ui {

// ---------------------------------------------------------------- Timer

Timer::Timer(std::string name, Component* owner) : Component(Kind::Timer, std::move(name), owner) {}
Timer::~Timer() { SetPeer(nullptr); }

void Timer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Notify(Change::Timer);
}

void Timer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Notify(Change::Timer);
}

void Timer::Tick() {
  if (enabled_ && interval_ > 0 && OnTimer) OnTimer(*this);
}

void Timer::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Interval") SetInterval(static_cast<unsigned>(prop::Int(v)));
  else if (name == "Enabled") SetEnabled(prop::Bool(v));
  else Component::SetProperty(name, v);
}

void Timer::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnTimer") {
    OnTimer = Expect<NotifyEvent>(h, *this, event);
    Notify(Change::Timer);  // a timer without handler need not run
  } else {
    Component::BindEvent(event, h);
  }
}

void Timer::EnsurePeer() { Component::EnsurePeer(); }

// ---------------------------------------------------------------- ImageList

ImageList::ImageList(std::string name, Component* owner) : Component(Kind::ImageList, std::move(name), owner) {}

void ImageList::SetIcons(std::vector<std::string> names) {
  icons_ = std::move(names);
  Notify(Change::Image);
}

void ImageList::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Icons") SetIcons(prop::List(v));
  else if (name == "Width") width_ = prop::Int(v);
  else if (name == "Height") height_ = prop::Int(v);
  else Component::SetProperty(name, v);
}

// ---------------------------------------------------------------- TrayIcon

TrayIcon::TrayIcon(std::string name, Component* owner) : Component(Kind::TrayIcon, std::move(name), owner) {}
TrayIcon::~TrayIcon() { SetPeer(nullptr); }

void TrayIcon::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Notify(Change::Visible);
}

void TrayIcon::SetHint(const std::string& h) {
  if (h == hint_) return;
  hint_ = h;
  Notify(Change::Text);
}

void TrayIcon::SetIcons(ImageList* list) {
  if (list == icons_) return;
  icons_ = list;
  Notify(Change::Image);
}

void TrayIcon::SetIconIndex(int i) {
  if (i == iconIndex_) return;
  iconIndex_ = i;
  Notify(Change::Image);
}

void TrayIcon::MouseMoved(Point p) {
  if (OnMouseMove) OnMouseMove(*this, 0, p.x, p.y);
}

void TrayIcon::ButtonUp(MouseButton button, Point p) {
  if (OnMouseUp) OnMouseUp(*this, button, 0, p.x, p.y);
  if (button == MouseButton::Left) {
    if (OnClick) OnClick(*this);
    return;
  }
  if (button != MouseButton::Right || !popupMenu_) return;
  if (Backend* b = Backend::Current()) b->ForegroundApplication();
  ProcessPendingMessages();
  popupMenu_->SetAutoPopup(false);
  popupMenu_->SetPopupComponent(Owner());
  popupMenu_->Popup(p.x, p.y);
}

void TrayIcon::DoubleClicked() {
  if (OnDblClick) OnDblClick(*this);
}

void TrayIcon::SetProperty(const std::string& name, const PropValue& v) {
  Form* form = OwnerForm();
  if (name == "Visible") SetVisible(prop::Bool(v));
  else if (name == "Hint") SetHint(prop::Text(v));
  else if (name == "IconIndex") SetIconIndex(prop::Int(v));
  else if (name == "BalloonHint") balloonHint_ = prop::Text(v);
  else if (name == "BalloonTitle") balloonTitle_ = prop::Text(v);
  else if (name == "Icons" && form) SetIcons(&As<ImageList>(*form->FindComponentOrThrow(v)));
  else if (name == "PopupMenu" && form) SetPopupMenu(&As<PopupMenu>(*form->FindComponentOrThrow(v)));
  else Component::SetProperty(name, v);
}

void TrayIcon::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnClick") OnClick = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnDblClick") OnDblClick = Expect<NotifyEvent>(h, *this, event);
  else if (event == "OnMouseMove") OnMouseMove = Expect<MouseMoveEvent>(h, *this, event);
  else if (event == "OnMouseUp") OnMouseUp = Expect<MouseEvent>(h, *this, event);
  else Component::BindEvent(event, h);
}

void TrayIcon::EnsurePeer() { Component::EnsurePeer(); }

}  // namespace ui
