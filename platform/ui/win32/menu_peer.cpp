// Popup menus: built afresh from the items each time they open, so they always show the
// items' present captions, checks and visibility.
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"
#include "platform/ui/win32/window.h"

namespace ui::win32 {

namespace {

class MenuPeer final : public Peer {
 public:
  explicit MenuPeer(PopupMenu& menu) : menu_(menu) {}
  void Changed(Change) override {}
  void Popup(Point p) override {
    std::vector<MenuItem*> commands;
    UniqueMenu menu(Build(menu_.Items(), commands));
    Component* source = menu_.PopupComponent();
    Form* form = source ? source->OwnerForm() : menu_.OwnerForm();
    HWND owner = form && form->GetPeer() ? reinterpret_cast<HWND>(form->GetPeer()->Handle()) : Backend::Instance().AppHwnd();
    // The menu needs a foreground window of ours to close when the user clicks elsewhere.
    UINT cmd = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    menu.reset();
    if (cmd >= 1 && cmd <= commands.size()) PopupMenu::ItemChosen(*commands[cmd - 1]);
  }

 private:
  // Command ids are positions in commands, from 1 (TrackPopupMenu gives 0 for no choice).
  // A submenu belongs to its menu once inserted, and goes with it.
  static HMENU Build(const std::vector<MenuItem*>& items, std::vector<MenuItem*>& commands) {
    UniqueMenu menu(CreatePopupMenu());
    HMENU h = menu.get();
    for (MenuItem* item : items) {
      if (!item->Visible()) continue;
      MENUITEMINFOW mii{};
      mii.cbSize = sizeof mii;
      std::wstring caption = Wide(item->ShownCaption());
      if (item->IsSeparator()) {
        mii.fMask = MIIM_FTYPE;
        mii.fType = MFT_SEPARATOR;
      } else {
        mii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
        mii.fType = item->RadioItem() ? MFT_RADIOCHECK : MFT_STRING;
        mii.dwTypeData = caption.data();
        mii.fState = (item->Enabled() ? MFS_ENABLED : MFS_DISABLED) | (item->Checked() ? MFS_CHECKED : MFS_UNCHECKED);
        commands.push_back(item);
        mii.wID = static_cast<UINT>(commands.size());
      }
      UniqueMenu submenu;
      if (!item->IsSeparator() && !item->Items().empty()) {
        submenu.reset(Build(item->Items(), commands));
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = submenu.get();
      }
      if (InsertMenuItemW(h, GetMenuItemCount(h), TRUE, &mii)) submenu.release();
    }
    return menu.release();
  }
  PopupMenu& menu_;
};

}  // namespace

std::unique_ptr<Peer> MakeMenuPeer(PopupMenu& menu) { return std::make_unique<MenuPeer>(menu); }

}  // namespace ui::win32
