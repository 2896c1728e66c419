// Group boxes and panels (a tab control without tabs): child windows that hold controls.
#include <algorithm>

#include "platform/ui/win32/container_peer.h"
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

class PanelPeer : public ContainerPeer {
 public:
  PanelPeer(Backend& backend, Control& control) : ContainerPeer(backend, control) {
    HWND parent = ContainerHwnd(control);
    POINT o = OffsetInContainer(control);
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0);
    Create(control.Name(), L"CifronaPanel", CS_DBLCLKS, WS_EX_CONTROLPARENT, style, L"", o.x, o.y, control.Width(), control.Height(), parent,
           nullptr);
  }

  void Changed(Change what) override {
    if (!hwnd()) return;
    switch (what) {
      case Change::Bounds: {
        POINT o = OffsetInContainer(control());
        SetWindowPos(hwnd(), nullptr, o.x, o.y, control().Width(), control().Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      }
      case Change::Visible:
        ShowWindow(hwnd(), control().Visible() ? SW_SHOWNA : SW_HIDE);
        break;
      default:
        ContainerPeer::Changed(what);
        break;
    }
  }
};

// A panel: a thin line along its top edge separates it from what lies above.
class TabPanelPeer final : public PanelPeer {
 public:
  TabPanelPeer(Backend& backend, TabControl& tabs) : PanelPeer(backend, tabs), tabs_(tabs) {}

 protected:
  void PaintFrame(HDC dc, const RECT& client, COLORREF) override {
    if (!tabs_.Tabs().empty()) return;
    RECT line{0, 0, client.right, 1};
    FillRect(dc, &line, backend().BrushFor(Backend::ToColorRef(Styles().Active().border)));
  }

 private:
  TabControl& tabs_;
};

// A group box: a frame with the caption set into its top edge.
class GroupBoxPeer final : public PanelPeer {
 public:
  GroupBoxPeer(Backend& backend, GroupBox& group) : PanelPeer(backend, group), group_(group) {}

 protected:
  void PaintFrame(HDC dc, const RECT& client, COLORREF back) override {
    Selected font(dc, backend().FontFor(Styles().FontOf(group_), DpiOf(group_)));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    RECT frame{0, tm.tmHeight / 2, client.right, client.bottom};
    HBRUSH border = backend().BrushFor(Backend::ToColorRef(Styles().Active().border));
    FrameRect(dc, &frame, border);
    if (group_.Caption().empty()) return;
    std::wstring text = Wide(group_.Caption());
    SIZE size;
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int pad = MulDiv(8, DpiOf(group_), 96), gap = MulDiv(2, DpiOf(group_), 96);
    // A last letter's ink may reach past its advance: the gap in the frame leaves it room,
    // and the text is not clipped at the advance.
    const int ink = std::max<int>(tm.tmOverhang, gap);
    RECT caption{pad - gap, 0, std::min<LONG>(pad + size.cx + ink + gap, client.right - gap), tm.tmHeight};
    FillRect(dc, &caption, backend().BrushFor(back));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorsOf(group_).text);
    RECT textRect{pad, 0, caption.right, tm.tmHeight};
    DrawTextW(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_NOPREFIX);
  }

 private:
  GroupBox& group_;
};

}  // namespace

std::unique_ptr<Peer> MakeGroupBoxPeer(Backend& backend, GroupBox& group) {
  return std::make_unique<GroupBoxPeer>(backend, group);
}
std::unique_ptr<Peer> MakePanelPeer(Backend& backend, TabControl& panel) {
  return std::make_unique<TabPanelPeer>(backend, panel);
}

}  // namespace ui::win32
