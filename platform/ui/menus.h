// Popup menus and their items. Items of a window definition are owned by the form (so the
// translation engine sees them); items created at run time are owned by their parent item
// and die with it or with Clear().
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace ui {

class PopupMenu;

class MenuItem : public Component {
 public:
  MenuItem(std::string name, Component* owner);
  ~MenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c);
  bool IsSeparator() const { return caption_ == "-"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Checking a radio item clears the other radio items of its group under the same parent.
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v) { autoCheck_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& h) { hint_ = h; }
  // Off: an "&" in the caption is shown as itself, not as the mark of a mnemonic.
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // The caption as a menu shows it: "&&" for a literal "&" when ShowAccelChar is off, and
  // a run of tabs as one (the first tab starts the right-hand column).
  std::string ShownCaption() const;

  // Children (submenu), in display order.
  const std::vector<MenuItem*>& Items() const { return items_; }
  MenuItem* Parent() const { return parentItem_; }
  PopupMenu* Menu() const;  // the popup menu at the root, if any
  void Add(MenuItem& child);  // a child owned elsewhere (the form)
  // A new child owned by this item (run-time items: the language submenu's).
  MenuItem& CreateItem(const std::string& name = {});
  void Remove(MenuItem& child);
  // Removes every child; the children this item owns are destroyed, or, while a click
  // handler runs, when the outermost one returns (a handler may rebuild the submenu that
  // holds its own item).
  void Clear();

  NotifyEvent OnClick;
  // The user chose the item: an auto-check item toggles its mark first, then OnClick runs.
  void Click();
  // A token that expires with the item, for clicks queued after a menu closes.
  std::weak_ptr<bool> AliveToken() const { return alive_; }

  std::optional<std::string> GetTextProperty(std::string_view property) const override;
  bool SetTextProperty(std::string_view property, const std::string& value) override;
  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;

 private:
  friend class PopupMenu;
  void NotifyMenu() const;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool radioItem_ = false;
  int groupIndex_ = 0;
  bool autoCheck_ = false;
  bool showAccelChar_ = true;
  std::string hint_;
  std::vector<MenuItem*> items_;
  std::vector<std::unique_ptr<MenuItem>> owned_;
  MenuItem* parentItem_ = nullptr;
  PopupMenu* menu_ = nullptr;  // set on top-level items
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class PopupMenu : public Component {
 public:
  PopupMenu(std::string name, Component* owner);
  ~PopupMenu() override;

  const std::vector<MenuItem*>& Items() const { return items_; }
  void Add(MenuItem& item);
  void Remove(MenuItem& item);

  // Opens on a right click of the form or control that names this menu as its PopupMenu.
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  // The component the menu was last opened for.
  Component* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(Component* c) { popupComponent_ = c; }
  Point PopupPoint() const { return popupPoint_; }

  // Runs OnPopup, then shows the menu at the screen point; returns when it closes. The
  // chosen item's Click() runs afterwards, from the message loop, as Windows posts it.
  void Popup(int x, int y);
  NotifyEvent OnPopup;
  // The backend reports the item the user chose; its Click() is queued on the UI thread
  // (run at once without an Application), and skipped if the item is gone by then.
  static void ItemChosen(MenuItem& item);

  // Any item of the tree changed; the peer rebuilds what it shows.
  void ItemsChanged() const { Notify(Change::Items); }

  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;
  void EnsurePeer() override;

 private:
  friend class MenuItem;
  std::vector<MenuItem*> items_;
  bool autoPopup_ = true;
  Component* popupComponent_ = nullptr;
  Point popupPoint_;
};

}  // namespace ui
