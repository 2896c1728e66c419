#include "platform/ui/win32/light_peers.h"

#include <algorithm>
#include <vector>

#include "platform/ui/win32/peer_common.h"
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

void DrawImage(Backend& backend, HDC dc, const RECT& r, Image& image) {
  if (image.IconResource().empty()) return;
  int side = std::min(image.Width(), image.Height());
  HICON icon = backend.IconFor(image.IconResource(), side);
  if (!icon) return;
  int x = r.left + (image.Width() - side) / 2, y = r.top + (image.Height() - side) / 2;
  DrawIconEx(dc, x, y, icon, side, side, 0, nullptr, DI_NORMAL);
}

// One line placed from its measured advances (GetTextExtentExPoint), so it ends where it
// was measured to end: Wine's DrawText can draw a line a few pixels wider than it measured
// it, and a right-aligned caption lost its last letter (a colon) at its edge. False when the
// text needs DrawText (a "&" to underline).
bool DrawMeasuredLine(HDC dc, const RECT& r, const std::wstring& text, Alignment align, VerticalAlignment layout, bool prefix) {
  if (text.empty() || (prefix && text.find(L'&') != std::wstring::npos)) return false;
  const int n = static_cast<int>(text.size());
  std::vector<int> ends(static_cast<size_t>(n));
  SIZE size{};
  TEXTMETRICW tm{};
  if (!GetTextExtentExPointW(dc, text.c_str(), n, 0, nullptr, ends.data(), &size) || !GetTextMetricsW(dc, &tm)) return false;
  std::vector<INT> dx(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) dx[static_cast<size_t>(i)] = ends[static_cast<size_t>(i)] - (i ? ends[static_cast<size_t>(i - 1)] : 0);
  int x = r.left;
  if (align == Alignment::Right) x = r.right - size.cx;
  if (align == Alignment::Center) x = r.left + ((r.right - r.left) - size.cx) / 2;
  int y = r.top;
  if (layout == VerticalAlignment::Bottom) y = r.bottom - tm.tmHeight;
  if (layout == VerticalAlignment::Center) y = r.top + ((r.bottom - r.top) - tm.tmHeight) / 2;
  SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  return ExtTextOutW(dc, x, y, ETO_CLIPPED, &r, text.c_str(), static_cast<UINT>(n), dx.data()) != 0;
}

void DrawLabel(Backend& backend, HDC dc, RECT r, Label& label) {
  ControlColors colors = ColorsOf(label);
  if (!label.Transparent()) FillRect(dc, &r, backend.BrushFor(colors.back));
  Selected font(dc, backend.FontFor(Styles().FontOf(label), DpiOf(label)));
  SetBkMode(dc, TRANSPARENT);
  COLORREF textColor = colors.text;
  // Text in a colour-keyed form's key colour would vanish: one step of blue keeps it visible.
  if (const Form* form = label.OwnerForm(); form && form->TransparentColor() &&
                                            textColor == Backend::ToColorRef(form->TransparentColorValue()))
    textColor ^= 0x010000;
  SetTextColor(dc, textColor);
  UINT format = 0;
  if (label.GetAlignment() == Alignment::Center) format |= DT_CENTER;
  if (label.GetAlignment() == Alignment::Right) format |= DT_RIGHT;
  if (!label.ShowAccelChar()) format |= DT_NOPREFIX;
  std::wstring text = Wide(label.Caption());
  if (label.WordWrap()) {
    format |= DT_WORDBREAK;
    if (label.Layout() != VerticalAlignment::Top) {
      RECT measure = r;
      int h = DrawTextW(dc, text.c_str(), -1, &measure, format | DT_CALCRECT);
      int free = (r.bottom - r.top) - h;
      r.top += label.Layout() == VerticalAlignment::Center ? free / 2 : free;
    }
  } else {
    // The widget's digits (exempt from styles) keep the drawing every scenario knows.
    if (!label.StyleExempt() && DrawMeasuredLine(dc, r, text, label.GetAlignment(), label.Layout(), label.ShowAccelChar())) return;
    format |= DT_SINGLELINE;
    if (label.Layout() == VerticalAlignment::Center) format |= DT_VCENTER;
    if (label.Layout() == VerticalAlignment::Bottom) format |= DT_BOTTOM;
  }
  DrawTextW(dc, text.c_str(), -1, &r, format);
}

// A label or image: no window; a change repaints the container.
class LightPeer final : public Peer {
 public:
  explicit LightPeer(Control& c) : c_(c) { Invalidate(); }
  void Changed(Change) override { Invalidate(); }
  void Invalidate() override {
    // The old place and the new one both need repainting; the whole container is cheap.
    if (HWND h = ContainerHwnd(c_)) InvalidateRect(h, nullptr, FALSE);
  }
  Point ClientOrigin() const override {
    POINT p = OffsetInContainer(c_);
    if (HWND h = ContainerHwnd(c_)) ClientToScreen(h, &p);
    return {p.x, p.y};
  }

 private:
  Control& c_;
};

}  // namespace

bool DrawnByContainer(const Control& c) { return c.GetKind() == Kind::Label || c.GetKind() == Kind::Image; }

void DrawLight(Backend& backend, HDC dc, Control& c) {
  RECT r{c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()};
  if (auto* image = dynamic_cast<Image*>(&c)) DrawImage(backend, dc, r, *image);
  else if (auto* label = dynamic_cast<Label*>(&c)) DrawLabel(backend, dc, r, *label);
}

Control* LightAt(Control& container, POINT p) {
  const auto& kids = container.Children();
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    Control* c = *it;
    if (DrawnByContainer(*c) && c->Visible() && c->BoundsRect().Contains({p.x, p.y})) return c;
  }
  return nullptr;
}

std::unique_ptr<Peer> MakeLightPeer(Control& control) { return std::make_unique<LightPeer>(control); }

}  // namespace ui::win32
