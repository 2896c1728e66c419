// Popup menus: built afresh from the items each time they open, so they always show the
// items' present captions, checks and visibility.
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

class MenuPeer final : public Peer {
 public:
  explicit MenuPeer(PopupMenu& menu) : menu_(menu) {}
  void Changed(Change) override {}
  void Popup(Point p) override {
    std::vector<MenuItem*> commands;
    HMENU h = Build(menu_.Items(), commands);
    Component* source = menu_.PopupComponent();
    Form* form = source ? source->OwnerForm() : menu_.OwnerForm();
    HWND owner = form && form->GetPeer() ? reinterpret_cast<HWND>(form->GetPeer()->Handle()) : Backend::Instance().AppHwnd();
    // The menu needs a foreground window of ours to close when the user clicks elsewhere.
    UINT cmd = static_cast<UINT>(TrackPopupMenu(h, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(h);
    if (cmd >= 1 && cmd <= commands.size()) PopupMenu::ItemChosen(*commands[cmd - 1]);
  }

 private:
  // Command ids are positions in commands, from 1 (TrackPopupMenu gives 0 for no choice).
  static HMENU Build(const std::vector<MenuItem*>& items, std::vector<MenuItem*>& commands) {
    HMENU h = CreatePopupMenu();
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
        if (!item->Items().empty()) {
          mii.fMask |= MIIM_SUBMENU;
          mii.hSubMenu = Build(item->Items(), commands);
        }
      }
      InsertMenuItemW(h, GetMenuItemCount(h), TRUE, &mii);
    }
    return h;
  }
  PopupMenu& menu_;
};

}  // namespace

std::unique_ptr<Peer> MakeMenuPeer(PopupMenu& menu) { return std::make_unique<MenuPeer>(menu); }

}  // namespace ui::win32
