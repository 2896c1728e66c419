// The drop-down lists: the combo box of texts and the colour list, whose items are drawn
// here (a swatch and the colour's name).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

// A combo box window's height includes its drop-down list.
constexpr int kDropDownHeight = 300;

class ListPeer : public ChildPeer {
 public:
  ListPeer(Backend& backend, Control& control) : ChildPeer(backend, control) {}

  void OnCommand(WORD code) override {
    if (code == CBN_SELCHANGE) UserSelected(static_cast<int>(Send(CB_GETCURSEL)));
  }

 protected:
  virtual void UserSelected(int index) = 0;
  virtual int ItemIndex() const = 0;
  virtual std::vector<std::string> ItemTexts() const = 0;

  void MakeList(DWORD style) { Create({WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | style, 0, {}}); }
  SIZE WindowSize() const override { return {control().Width(), std::max(control().Height(), kDropDownHeight)}; }
  // Item height follows the font.
  void SyncFont() override { Send(CB_SETITEMHEIGHT, 0, MulDiv(18, DpiOf(control()), 96)); }
  void SyncState() override { Send(CB_SETCURSEL, static_cast<WPARAM>(ItemIndex())); }
  void SyncItems() override {
    Send(CB_RESETCONTENT);
    for (const auto& item : ItemTexts()) Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    Send(CB_SETCURSEL, static_cast<WPARAM>(ItemIndex()));
  }
};

class ComboBoxPeer final : public ListPeer {
 public:
  ComboBoxPeer(Backend& backend, ComboBox& combo) : ListPeer(backend, combo), combo_(combo) {
    MakeList(0);
    Sync();
  }

 protected:
  void UserSelected(int index) override { combo_.UserSelected(index); }
  int ItemIndex() const override { return combo_.ItemIndex(); }
  std::vector<std::string> ItemTexts() const override { return combo_.Items(); }

 private:
  ComboBox& combo_;
};

class ColorBoxPeer final : public ListPeer {
 public:
  ColorBoxPeer(Backend& backend, ColorBox& colors) : ListPeer(backend, colors), colors_(colors) {
    MakeList(CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
    Sync();
  }

  bool OnDrawItem(const DRAWITEMSTRUCT& d) override {
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    bool selected = d.itemState & ODS_SELECTED;
    const Palette& p = Styles().Active();
    ControlColors colors = ColorsOf(colors_);
    COLORREF back = selected ? Backend::ToColorRef(p.highlight) : colors.back;
    COLORREF fore = selected ? Backend::ToColorRef(p.highlightText) : colors.text;
    FillRect(dc, &r, backend().BrushFor(back));
    int index = static_cast<int>(d.itemID);
    if (index < 0 || index >= static_cast<int>(colors_.Items().size())) return true;
    const auto& entry = colors_.Items()[index];
    int pad = MulDiv(2, DpiOf(colors_), 96);
    RECT swatch{r.left + pad, r.top + pad, r.left + (r.bottom - r.top) * 3 / 2, r.bottom - pad};
    FillRect(dc, &swatch, backend().BrushFor(Backend::ToColorRef(entry.color)));
    FrameRect(dc, &swatch, backend().BrushFor(RGB(0, 0, 0)));
    RECT textRect{swatch.right + pad * 2, r.top, r.right, r.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, fore);
    std::wstring name = Wide(entry.name);
    DrawTextW(dc, name.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (d.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return true;
  }

 protected:
  void UserSelected(int index) override { colors_.UserSelected(index); }
  int ItemIndex() const override { return colors_.ItemIndex(); }
  std::vector<std::string> ItemTexts() const override {
    std::vector<std::string> names;
    for (const auto& item : colors_.Items()) names.push_back(item.name);
    return names;
  }

 private:
  ColorBox& colors_;
};

}  // namespace

std::unique_ptr<Peer> MakeComboBoxPeer(Backend& backend, ComboBox& combo) {
  return std::make_unique<ComboBoxPeer>(backend, combo);
}
std::unique_ptr<Peer> MakeColorBoxPeer(Backend& backend, ColorBox& colors) {
  return std::make_unique<ColorBoxPeer>(backend, colors);
}

}  // namespace ui::win32
