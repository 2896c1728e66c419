#include "platform/ui/win32/styled_controls.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/ui/win32/win32_ui.h"

namespace ui::win32::styled {

// ---------------------------------------------------------------- palette objects

PaletteGdi& PaletteGdi::Instance() {
  static PaletteGdi gdi;
  return gdi;
}

const Palette& PaletteGdi::Colors() const { return StyleManager::Instance().Active(); }

COLORREF Ref(Color c) { return Backend::ToColorRef(c); }

HBRUSH PaletteGdi::Brush(Color c) {
  const COLORREF ref = Ref(c);
  auto it = brushes_.find(ref);
  if (it == brushes_.end()) it = brushes_.emplace(ref, GdiObject<HBRUSH>(CreateSolidBrush(ref))).first;
  return it->second.get();
}

HPEN PaletteGdi::Pen(Color c, int width) {
  const auto key = std::make_pair(Ref(c), width);
  auto it = pens_.find(key);
  if (it == pens_.end()) it = pens_.emplace(key, GdiObject<HPEN>(CreatePen(PS_SOLID, width, key.first))).first;
  return it->second.get();
}

void PaletteGdi::Clear() {
  brushes_.clear();
  pens_.clear();
}

namespace {

constexpr UINT_PTR kSubclassId = 0x5354;  // one per window, beside the peer's own

enum class Part { Push, Check, Radio, Field, Combo, Slider, Progress, Arrows };

struct State {
  Control* control = nullptr;
  Part part = Part::Push;
  bool hot = false;
  bool tracking = false;
  int hotHalf = 0;  // arrows: 1 up, 2 down
};

const Palette& Colors() { return PaletteGdi::Instance().Colors(); }
HBRUSH Brush(Color c) { return PaletteGdi::Instance().Brush(c); }
HPEN Pen(Color c, int width = 1) { return PaletteGdi::Instance().Pen(c, width); }

int Dpi(HWND h) {
  const UINT dpi = GetDpiForWindow(h);
  return dpi ? static_cast<int>(dpi) : 96;
}
int Px(int v, HWND h) { return MulDiv(v, Dpi(h), 96); }

bool Styled(const State& s) { return Colors().styled && !s.control->StyleExempt(); }

Color BackOf(const Control& c) { return StyleManager::Instance().BackgroundOf(c); }
Color ParentBack(const Control& c) { return c.Parent() ? BackOf(*c.Parent()) : Colors().windowBackground; }
Color TextOf(const Control& c, HWND h) {
  return IsWindowEnabled(h) ? StyleManager::Instance().TextColorOf(c) : Colors().disabledText;
}

std::wstring TextOfWindow(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(n));
  return w;
}

bool HasFocus(HWND h) { return GetFocus() == h; }
bool FocusHidden(HWND h) { return (SendMessageW(h, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0; }
bool PrefixHidden(HWND h) { return (SendMessageW(h, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0; }

void Fill(HDC dc, const RECT& r, Color c) { FillRect(dc, &r, Brush(c)); }

void RoundBox(HDC dc, RECT r, Color fill, Color border, int radius, int width = 1) {
  // A wide pen is centred on the outline: keep it inside the rectangle.
  InflateRect(&r, -(width / 2), -(width / 2));
  Selected b(dc, Brush(fill));
  Selected p(dc, Pen(border, width));
  RoundRect(dc, r.left, r.top, r.right + (width > 1 ? 1 : 0), r.bottom + (width > 1 ? 1 : 0), radius * 2, radius * 2);
}

void DrawFocus(HDC dc, RECT r, Color c) {
  // Dotted, as the system draws it, in the style's colour (DrawFocusRect inverts instead).
  LOGBRUSH lb{BS_SOLID, Ref(c), 0};
  GdiObject<HPEN> pen(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr));
  Selected p(dc, pen.get());
  Selected b(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

void PutText(HDC dc, HWND h, const std::wstring& text, RECT r, Color color, UINT format) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  Selected f(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Ref(color));
  if (PrefixHidden(h)) format |= DT_HIDEPREFIX;
  DrawTextW(dc, text.c_str(), -1, &r, format);
}

// The extent of a single line of text in the control's font.
SIZE Measure(HDC dc, HWND h, const std::wstring& text) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  Selected f(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT | (PrefixHidden(h) ? DT_HIDEPREFIX : 0));
  return {r.right - r.left, r.bottom - r.top};
}

// A chevron pointing down (or up) centred in r.
void Chevron(HDC dc, const RECT& r, Color c, bool up, int size, int width) {
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  const int half = size / 2, rise = std::max(1, size / 4);
  POINT pts[3] = {{cx - half, cy + (up ? rise : -rise)}, {cx, cy + (up ? -rise : rise)}, {cx + half, cy + (up ? rise : -rise)}};
  Selected p(dc, Pen(c, width));
  Polyline(dc, pts, 3);
}

// ---------------------------------------------------------------- the painters

void PaintPush(HWND h, HDC dc, const State& s, const RECT& rc) {
  const Palette& p = Colors();
  Fill(dc, rc, ParentBack(*s.control));
  const LRESULT state = SendMessageW(h, BM_GETSTATE, 0, 0);
  const bool enabled = IsWindowEnabled(h);
  const bool pressed = enabled && (state & BST_PUSHED);
  const bool isDefault = (GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  const Color fill = pressed ? p.controlPressed : (s.hot && enabled ? p.controlHover : p.controlBackground);
  const int radius = Px(p.cornerRadius, h);
  // The default button: a ring in the accent colour.
  if (isDefault && enabled) RoundBox(dc, rc, fill, p.accent, radius, std::max(2, Px(2, h)));
  else RoundBox(dc, rc, fill, p.controlBorder, radius, Px(p.borderWidth, h));
  RECT text = rc;
  if (pressed) OffsetRect(&text, 0, 1);
  PutText(dc, h, TextOfWindow(h), text, TextOf(*s.control, h), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (HasFocus(h) && !FocusHidden(h)) {
    RECT f = rc;
    InflateRect(&f, -Px(4, h), -Px(4, h));
    DrawFocus(dc, f, p.focus);
  }
}

void PaintCheck(HWND h, HDC dc, const State& s, const RECT& rc, bool radio) {
  const Palette& p = Colors();
  Fill(dc, rc, ParentBack(*s.control));
  const bool enabled = IsWindowEnabled(h);
  const LRESULT state = SendMessageW(h, BM_GETSTATE, 0, 0);
  const bool checked = (state & BST_CHECKED) != 0;
  const bool pressed = enabled && (state & BST_PUSHED);
  const int size = Px(p.boxSize, h);
  RECT box{rc.left + Px(1, h), (rc.top + rc.bottom - size) / 2, 0, 0};
  box.right = box.left + size;
  box.bottom = box.top + size;
  const Color accent = enabled ? (s.hot ? p.accentHover : p.accent) : p.disabledText;
  const Color border = enabled ? (s.hot || pressed ? p.text : p.controlBorder) : p.disabledText;
  const Color empty = pressed ? p.controlPressed : (s.hot && enabled ? p.controlHover : p.editBackground);
  if (radio) {
    Selected b(dc, Brush(checked ? accent : empty));
    Selected pen(dc, Pen(checked ? accent : border));
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
    if (checked) {
      RECT dot = box;
      const int inset = size * 3 / 10;
      InflateRect(&dot, -inset, -inset);
      Selected db(dc, Brush(p.accentText));
      Selected dp(dc, Pen(p.accentText));
      Ellipse(dc, dot.left, dot.top, dot.right, dot.bottom);
    }
  } else {
    RoundBox(dc, box, checked ? accent : empty, checked ? accent : border, std::max(1, Px(2, h)));
    if (checked) {
      const int w = box.right - box.left;
      POINT tick[3] = {{box.left + w * 22 / 100, box.top + w * 52 / 100},
                       {box.left + w * 42 / 100, box.top + w * 72 / 100},
                       {box.left + w * 78 / 100, box.top + w * 30 / 100}};
      Selected pen(dc, Pen(p.accentText, std::max(2, Px(2, h))));
      Polyline(dc, tick, 3);
    }
  }
  RECT text{box.right + Px(5, h), rc.top, rc.right, rc.bottom};
  const std::wstring caption = TextOfWindow(h);
  PutText(dc, h, caption, text, TextOf(*s.control, h), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (HasFocus(h) && !FocusHidden(h) && !caption.empty()) {
    const SIZE size = Measure(dc, h, caption);
    RECT f{text.left - 2, std::max(rc.top, (rc.top + rc.bottom - size.cy) / 2 - 1),
           std::min(text.left + size.cx + 2, rc.right), std::min(rc.bottom, (rc.top + rc.bottom + size.cy) / 2 + 1)};
    DrawFocus(dc, f, p.focus);
  }
}

void PaintCombo(HWND h, HDC dc, const State& s, const RECT& rc) {
  const Palette& p = Colors();
  Fill(dc, rc, ParentBack(*s.control));
  const bool enabled = IsWindowEnabled(h);
  const bool dropped = SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
  const bool focused = HasFocus(h) || dropped;
  // The field's own colour (the colour list's automatic colour) or the style's.
  const Color fill = s.hot && enabled && !dropped ? p.controlHover : BackOf(*s.control);
  RoundBox(dc, rc, fill, focused && enabled ? p.accent : p.controlBorder, Px(p.cornerRadius, h), Px(p.borderWidth, h));
  const int arrowWidth = Px(20, h);
  const int inset = Px(3, h);
  RECT field{rc.left + inset, rc.top + inset, rc.right - arrowWidth, rc.bottom - inset};
  const int index = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
  if (s.part == Part::Combo && (GetWindowLongPtrW(h, GWL_STYLE) & CBS_OWNERDRAWFIXED)) {
    // The colour list draws its own entry (swatch and name) from the palette.
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_COMBOBOX;
    d.CtlID = static_cast<UINT>(GetDlgCtrlID(h));
    d.itemID = static_cast<UINT>(index);
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = ODS_COMBOBOXEDIT | (focused && !dropped ? ODS_SELECTED : 0) | (enabled ? 0 : ODS_DISABLED);
    d.hwndItem = h;
    d.hDC = dc;
    d.rcItem = field;
    Fill(dc, field, fill);
    SendMessageW(GetParent(h), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
  } else {
    Color text = enabled ? p.editText : p.disabledText;
    if (focused && !dropped && enabled) {
      Fill(dc, field, p.highlight);
      text = p.highlightText;
    }
    RECT t = field;
    t.left += Px(3, h);
    std::wstring caption;
    if (index >= 0) {
      const LRESULT n = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
      if (n > 0) {
        caption.assign(static_cast<size_t>(n) + 1, L'\0');
        SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(caption.data()));
        caption.resize(static_cast<size_t>(n));
      }
    }
    PutText(dc, h, caption, t, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  RECT arrow{rc.right - arrowWidth, rc.top, rc.right, rc.bottom};
  Chevron(dc, arrow, enabled ? p.text : p.disabledText, false, Px(8, h), std::max(1, Px(1, h)));
}

void PaintSlider(HWND h, HDC dc, const State& s, const RECT& rc) {
  const Palette& p = Colors();
  Fill(dc, rc, BackOf(*s.control));
  const bool enabled = IsWindowEnabled(h);
  RECT channel{}, thumb{};
  SendMessageW(h, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  SendMessageW(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  const int cy = (thumb.top + thumb.bottom) / 2;
  const int cx = (thumb.left + thumb.right) / 2;
  const int line = std::max(2, Px(4, h));
  RECT rail{channel.left, cy - line / 2, channel.right, cy - line / 2 + line};
  RoundBox(dc, rail, p.track, p.track, line / 2);
  RECT done{channel.left, rail.top, cx, rail.bottom};
  if (done.right > done.left) RoundBox(dc, done, enabled ? p.accent : p.disabledText, enabled ? p.accent : p.disabledText, line / 2);
  // Tick marks, when the slider has them, under the rail.
  if (GetWindowLongPtrW(h, GWL_STYLE) & TBS_AUTOTICKS) {
    const int count = static_cast<int>(SendMessageW(h, TBM_GETNUMTICS, 0, 0));
    Selected pen(dc, Pen(p.track));
    for (int i = -1; i < count - 1; ++i) {
      int x = i < 0 ? channel.left : static_cast<int>(SendMessageW(h, TBM_GETTICPOS, static_cast<WPARAM>(i), 0));
      if (i == count - 2) x = channel.right;
      if (x < 0) continue;
      MoveToEx(dc, x, thumb.bottom + Px(2, h), nullptr);
      LineTo(dc, x, thumb.bottom + Px(5, h));
    }
  }
  const int radius = std::min({static_cast<int>(thumb.bottom - thumb.top) / 2,
                               static_cast<int>(thumb.right - thumb.left) / 2 + Px(3, h), Px(10, h)});
  {
    Selected b(dc, Brush(p.controlBackground));
    Selected pen(dc, Pen(p.controlBorder));
    Ellipse(dc, cx - radius, cy - radius, cx + radius + 1, cy + radius + 1);
  }
  const int inner = s.hot && enabled ? radius * 6 / 10 : radius / 2;
  Selected b(dc, Brush(enabled ? p.accent : p.disabledText));
  Selected pen(dc, Pen(enabled ? p.accent : p.disabledText));
  Ellipse(dc, cx - inner, cy - inner, cx + inner + 1, cy + inner + 1);
  if (HasFocus(h) && !FocusHidden(h)) {
    RECT f = rc;
    InflateRect(&f, -1, -1);
    DrawFocus(dc, f, p.focus);
  }
}

void PaintProgress(HWND h, HDC dc, const State& s, const RECT& rc) {
  const Palette& p = Colors();
  Fill(dc, rc, BackOf(*s.control));
  PBRANGE range{};
  SendMessageW(h, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  const int pos = static_cast<int>(SendMessageW(h, PBM_GETPOS, 0, 0));
  const int radius = Px(p.cornerRadius, h);
  RoundBox(dc, rc, p.editBackground, p.controlBorder, radius, Px(p.borderWidth, h));
  if (range.iHigh <= range.iLow || pos <= range.iLow) return;
  RECT bar = rc;
  InflateRect(&bar, -Px(2, h), -Px(2, h));
  const int span = range.iHigh - range.iLow;
  bar.right = bar.left + MulDiv(bar.right - bar.left, std::min(pos, range.iHigh) - range.iLow, span);
  if (bar.right > bar.left) RoundBox(dc, bar, p.accent, p.accent, std::max(0, radius - 1));
}

void PaintArrows(HWND h, HDC dc, const State& s, const RECT& rc) {
  const Palette& p = Colors();
  Fill(dc, rc, ParentBack(*s.control));
  const bool enabled = IsWindowEnabled(h);
  const bool pressed = enabled && GetCapture() == h && (GetKeyState(VK_LBUTTON) < 0);
  const int mid = (rc.top + rc.bottom) / 2;
  RoundBox(dc, rc, p.controlBackground, p.controlBorder, Px(p.cornerRadius, h), Px(p.borderWidth, h));
  for (int half = 1; half <= 2; ++half) {
    RECT r{rc.left + 1, half == 1 ? rc.top + 1 : mid, rc.right - 1, half == 1 ? mid : rc.bottom - 1};
    if (enabled && s.hot && s.hotHalf == half) Fill(dc, r, pressed ? p.controlPressed : p.controlHover);
    Chevron(dc, r, enabled ? p.text : p.disabledText, half == 1, Px(7, h), std::max(1, Px(1, h)));
  }
  Selected pen(dc, Pen(p.controlBorder));
  MoveToEx(dc, rc.left + Px(3, h), mid, nullptr);
  LineTo(dc, rc.right - Px(3, h), mid);
}

// The edit's client-edge frame: one line in the border colour (the accent while it has
// the keyboard), the rest in the field's own background.
void PaintFieldFrame(HWND h, const State&) {
  const Palette& p = Colors();
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  RECT window, client;
  GetWindowRect(h, &window);
  GetClientRect(h, &client);
  MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  OffsetRect(&window, -window.left, -window.top);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  Fill(dc, window, p.editBackground);
  FrameRect(dc, &window, Brush(HasFocus(h) && IsWindowEnabled(h) ? p.accent : p.controlBorder));
  ReleaseDC(h, dc);
}

void Paint(HWND h, HDC target, const State& s) {
  RECT rc;
  GetClientRect(h, &rc);
  if (rc.right <= 0 || rc.bottom <= 0) return;
  BackBuffer buffer(target, rc.right, rc.bottom);
  HDC dc = buffer.dc();
  switch (s.part) {
    case Part::Push: PaintPush(h, dc, s, rc); break;
    case Part::Check: PaintCheck(h, dc, s, rc, false); break;
    case Part::Radio: PaintCheck(h, dc, s, rc, true); break;
    case Part::Combo: PaintCombo(h, dc, s, rc); break;
    case Part::Slider: PaintSlider(h, dc, s, rc); break;
    case Part::Progress: PaintProgress(h, dc, s, rc); break;
    case Part::Arrows: PaintArrows(h, dc, s, rc); break;
    case Part::Field: return;
  }
  buffer.BlitTo(target);
}

// Messages after which a system control may have drawn itself outside WM_PAINT (pressed,
// checked, focused, moved): our drawing goes over it at once.
bool MayDrawNatively(Part part, UINT msg) {
  switch (msg) {
    case WM_SETFOCUS: case WM_KILLFOCUS: case WM_ENABLE: case WM_SETTEXT: case WM_UPDATEUISTATE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: case WM_CAPTURECHANGED:
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYUP:
      return true;
    default:
      break;
  }
  // The controls' own messages share numbers above WM_USER: ask per kind.
  switch (part) {
    case Part::Push: case Part::Check: case Part::Radio:
      return msg == BM_SETCHECK || msg == BM_SETSTATE || msg == BM_SETSTYLE || msg == BM_CLICK;
    case Part::Combo:
      return msg == CB_SETCURSEL || msg == CB_SHOWDROPDOWN;
    case Part::Slider:
      return msg == TBM_SETPOS || msg == TBM_SETRANGEMIN || msg == TBM_SETRANGEMAX;
    case Part::Progress:
      return msg == PBM_SETPOS || msg == PBM_DELTAPOS || msg == PBM_STEPIT || msg == PBM_SETRANGE32;
    default:
      return false;
  }
}

void TrackHover(HWND h, State& s, LPARAM lParam) {
  int half = 0;
  if (s.part == Part::Arrows) {
    RECT rc;
    GetClientRect(h, &rc);
    half = GET_Y_LPARAM(lParam) < (rc.top + rc.bottom) / 2 ? 1 : 2;
  }
  if (!s.tracking) {
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, h, 0};
    s.tracking = TrackMouseEvent(&t) != FALSE;
  }
  if (!s.hot || half != s.hotHalf) {
    s.hot = true;
    s.hotHalf = half;
    InvalidateRect(h, nullptr, FALSE);
  }
}

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* s = reinterpret_cast<State*>(data);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(h, &Proc, kSubclassId);
    delete s;
    return DefSubclassProc(h, msg, wParam, lParam);
  }
  if (msg == WM_MOUSEMOVE) TrackHover(h, *s, lParam);
  if (msg == WM_MOUSELEAVE) {
    s->hot = false;
    s->tracking = false;
    s->hotHalf = 0;
    InvalidateRect(h, nullptr, FALSE);
  }
  if (!Styled(*s)) return DefSubclassProc(h, msg, wParam, lParam);

  if (s->part == Part::Field) {
    // The number field draws its text natively in the colours its parent hands it; only
    // its frame is ours.
    if (msg == WM_NCPAINT) {
      PaintFieldFrame(h, *s);
      return 0;
    }
    const LRESULT r = DefSubclassProc(h, msg, wParam, lParam);
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS || msg == WM_ENABLE) PaintFieldFrame(h, *s);
    return r;
  }
  switch (msg) {
    case WM_CTLCOLORLISTBOX:
      if (s->part == Part::Combo) {
        // The drop-down list asks its combo box, which would pass the question to the
        // dialog under the list's handle, not the control's.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, Ref(Colors().editText));
        SetBkColor(dc, Ref(Colors().editBackground));
        return reinterpret_cast<LRESULT>(Brush(Colors().editBackground));
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      SafeCall([&] { Paint(h, dc, *s); });
      EndPaint(h, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      SafeCall([&] { Paint(h, reinterpret_cast<HDC>(wParam), *s); });
      return 0;
    default:
      break;
  }
  const LRESULT r = DefSubclassProc(h, msg, wParam, lParam);
  // A drag (the slider's thumb, a button held down) redraws natively as it moves.
  const bool dragging = msg == WM_MOUSEMOVE && (wParam & MK_LBUTTON);
  if ((MayDrawNatively(s->part, msg) || dragging) && IsWindow(h)) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW);
  return r;
}

void Install(HWND h, Control& control, Part part) {
  if (!h) return;
  auto* s = new State{&control, part};
  if (!SetWindowSubclass(h, &Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(s))) delete s;
}

// Windows 10 1903 and later give popup menus the app's mode through two functions of
// uxtheme that are exported only by ordinal; earlier builds give those ordinals other
// meanings, and Wine has no such mode, so neither is asked.
void ApplyMenuMode(const Palette& p) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || GetProcAddress(ntdll, "wine_get_version")) return;
  using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto getVersion = reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (!getVersion || getVersion(&v) != 0 || v.dwMajorVersion < 10 || v.dwBuildNumber < 18362) return;
  HMODULE ux = LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!ux) return;
  using SetPreferredAppMode = int(WINAPI*)(int);
  using FlushMenuThemes = void(WINAPI*)();
  auto setMode = reinterpret_cast<SetPreferredAppMode>(reinterpret_cast<void*>(GetProcAddress(ux, MAKEINTRESOURCEA(135))));
  auto flush = reinterpret_cast<FlushMenuThemes>(reinterpret_cast<void*>(GetProcAddress(ux, MAKEINTRESOURCEA(136))));
  // 0 default (light), 2 force dark, 3 force light.
  if (setMode) setMode(!p.styled ? 0 : p.dark ? 2 : 3);
  if (flush) flush();
}

}  // namespace

void Attach(HWND hwnd, Control& control) {
  switch (control.GetKind()) {
    case Kind::Button: Install(hwnd, control, Part::Push); break;
    case Kind::CheckBox: Install(hwnd, control, Part::Check); break;
    case Kind::RadioButton: Install(hwnd, control, Part::Radio); break;
    case Kind::SpinEdit: Install(hwnd, control, Part::Field); break;
    case Kind::ComboBox:
    case Kind::ColorBox: Install(hwnd, control, Part::Combo); break;
    case Kind::TrackBar: Install(hwnd, control, Part::Slider); break;
    case Kind::ProgressBar: Install(hwnd, control, Part::Progress); break;
    default: break;
  }
}

void AttachUpDown(HWND upDown, Control& spinEdit) { Install(upDown, spinEdit, Part::Arrows); }

void ApplyTitleBar(HWND topLevel) {
  if (!topLevel || !(GetWindowLongPtrW(topLevel, GWL_STYLE) & WS_CAPTION)) return;
  const Palette& p = Colors();
  const BOOL dark = p.styled && p.dark;
  // DWMWA_USE_IMMERSIVE_DARK_MODE is 20 from Windows 10 20H1 on, 19 before it.
  if (FAILED(DwmSetWindowAttribute(topLevel, 20, &dark, sizeof dark))) DwmSetWindowAttribute(topLevel, 19, &dark, sizeof dark);
}

void StyleChanged(const std::vector<HWND>& topLevels) {
  PaletteGdi::Instance().Clear();
  ApplyMenuMode(Colors());
  for (HWND h : topLevels) {
    if (!IsWindow(h)) continue;
    ApplyTitleBar(h);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

}  // namespace ui::win32::styled
