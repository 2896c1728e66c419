#include "platform/ui/menus.h"

#include <algorithm>

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/form.h"
#include "platform/ui/prop_values.h"

namespace ui {

namespace {
// Clicks running on the UI thread, and the items cleared away meanwhile. A handler that
// rebuilds its own submenu must not destroy the item (and the handler) still running.
int g_clicksRunning = 0;
std::vector<std::unique_ptr<MenuItem>> g_clearedDuringClick;
}  // namespace

// ---------------------------------------------------------------- MenuItem

MenuItem::MenuItem(std::string name, Component* owner) : Component(Kind::MenuItem, std::move(name), owner) {}

MenuItem::~MenuItem() {
  *alive_ = false;
  for (MenuItem* c : items_) c->parentItem_ = nullptr;
  if (parentItem_) {
    auto& sib = parentItem_->items_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
  if (menu_) {
    auto& sib = menu_->items_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
  // The children this item owns go with it (owned_ is destroyed after this body; they
  // already know their parent is gone).
}

PopupMenu* MenuItem::Menu() const {
  const MenuItem* i = this;
  while (i->parentItem_) i = i->parentItem_;
  return i->menu_;
}

void MenuItem::NotifyMenu() const {
  Notify(Change::Items);
  if (PopupMenu* m = Menu()) m->ItemsChanged();
}

void MenuItem::SetCaption(const std::string& c) {
  if (c == caption_) return;
  caption_ = c;
  NotifyMenu();
}

void MenuItem::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  NotifyMenu();
}

void MenuItem::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  NotifyMenu();
}

void MenuItem::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (v && radioItem_) {
    const auto& siblings = parentItem_ ? parentItem_->items_ : (menu_ ? menu_->items_ : std::vector<MenuItem*>{});
    for (MenuItem* s : siblings)
      if (s != this && s->radioItem_ && s->groupIndex_ == groupIndex_) s->checked_ = false;
  }
  NotifyMenu();
}

void MenuItem::SetRadioItem(bool v) {
  if (v == radioItem_) return;
  radioItem_ = v;
  NotifyMenu();
}

void MenuItem::Add(MenuItem& child) {
  if (child.parentItem_ == this) return;
  if (child.parentItem_) child.parentItem_->Remove(child);
  if (child.menu_) child.menu_->Remove(child);
  items_.push_back(&child);
  child.parentItem_ = this;
  NotifyMenu();
}

MenuItem& MenuItem::CreateItem(const std::string& name) {
  owned_.push_back(std::make_unique<MenuItem>(name, this));
  MenuItem& item = *owned_.back();
  items_.push_back(&item);
  item.parentItem_ = this;
  NotifyMenu();
  return item;
}

void MenuItem::Remove(MenuItem& child) {
  auto it = std::find(items_.begin(), items_.end(), &child);
  if (it == items_.end()) return;
  items_.erase(it);
  child.parentItem_ = nullptr;
  NotifyMenu();
}

void MenuItem::Clear() {
  for (MenuItem* c : items_) c->parentItem_ = nullptr;
  items_.clear();
  if (g_clicksRunning > 0) {
    for (auto& item : owned_) {
      *item->alive_ = false;  // a click queued for it is dropped, as for a destroyed item
      g_clearedDuringClick.push_back(std::move(item));
    }
  }
  owned_.clear();
  NotifyMenu();
}

void MenuItem::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  NotifyMenu();
}

std::string MenuItem::ShownCaption() const {
  // A menu puts what follows the first tab into its right-hand column; further tabs in a
  // row would be drawn as boxes ("English\t\tEnglish" shows as "English  English").
  std::string out;
  for (char c : caption_) {
    if (c == '\t' && !out.empty() && out.back() == '\t') continue;
    out += c;
    if (c == '&' && !showAccelChar_) out += '&';
  }
  return out;
}

void MenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_) SetChecked(!checked_);
  if (!OnClick) return;
  struct Running {
    Running() { ++g_clicksRunning; }
    ~Running() {
      if (--g_clicksRunning == 0) g_clearedDuringClick.clear();
    }
  } running;
  OnClick(*this);
}

std::optional<std::string> MenuItem::GetTextProperty(std::string_view p) const {
  if (p == "Caption") return caption_;
  if (p == "Hint") return hint_;
  return std::nullopt;
}

bool MenuItem::SetTextProperty(std::string_view p, const std::string& v) {
  if (p == "Caption") SetCaption(v);
  else if (p == "Hint") SetHint(v);
  else return false;
  return true;
}

void MenuItem::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "Caption") SetCaption(prop::Text(v));
  else if (name == "Enabled") SetEnabled(prop::Bool(v));
  else if (name == "Visible") SetVisible(prop::Bool(v));
  else if (name == "Checked") SetChecked(prop::Bool(v));
  else if (name == "RadioItem") SetRadioItem(prop::Bool(v));
  else if (name == "GroupIndex") SetGroupIndex(prop::Int(v));
  else if (name == "AutoCheck") SetAutoCheck(prop::Bool(v));
  else if (name == "Hint") SetHint(prop::Text(v));
  else if (name == "ShowAccelChar") SetShowAccelChar(prop::Bool(v));
  else Component::SetProperty(name, v);
}

void MenuItem::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnClick") OnClick = Expect<NotifyEvent>(h, *this, event);
  else Component::BindEvent(event, h);
}

// ---------------------------------------------------------------- PopupMenu

PopupMenu::PopupMenu(std::string name, Component* owner) : Component(Kind::PopupMenu, std::move(name), owner) {}

PopupMenu::~PopupMenu() {
  for (MenuItem* i : items_) i->menu_ = nullptr;
}

void PopupMenu::Add(MenuItem& item) {
  if (item.menu_ == this) return;
  if (item.parentItem_) item.parentItem_->Remove(item);
  if (item.menu_) item.menu_->Remove(item);
  items_.push_back(&item);
  item.menu_ = this;
  ItemsChanged();
}

void PopupMenu::Remove(MenuItem& item) {
  auto it = std::find(items_.begin(), items_.end(), &item);
  if (it == items_.end()) return;
  items_.erase(it);
  item.menu_ = nullptr;
  ItemsChanged();
}

void PopupMenu::Popup(int x, int y) {
  popupPoint_ = {x, y};
  if (OnPopup) OnPopup(*this);
  EnsurePeer();
  if (GetPeer()) GetPeer()->Popup(popupPoint_);
}

void PopupMenu::ItemChosen(MenuItem& item) {
  Application* app = Application::Current();
  if (!app) {
    item.Click();
    return;
  }
  app->Queue([token = item.AliveToken(), &item] {
    if (auto alive = token.lock(); alive && *alive) item.Click();
  });
}

void PopupMenu::SetProperty(const std::string& name, const PropValue& v) {
  if (name == "AutoPopup") SetAutoPopup(prop::Bool(v));
  else Component::SetProperty(name, v);
}

void PopupMenu::BindEvent(const std::string& event, const Handler& h) {
  if (event == "OnPopup") OnPopup = Expect<NotifyEvent>(h, *this, event);
  else Component::BindEvent(event, h);
}

void PopupMenu::EnsurePeer() { Component::EnsurePeer(); }

}  // namespace ui
