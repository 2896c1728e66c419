#include "platform/ui/win32/peers.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/ui/win32/styled_controls.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

const wchar_t kPeerProp[] = L"CifronaPeer";
constexpr int kFirstControlId = 100;  // above IDOK/IDCANCEL, which the dialog keys send
int g_nextControlId = kFirstControlId;

StyleManager& Styles() { return StyleManager::Instance(); }

unsigned ShiftState() {
  unsigned s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= kAlt;
  return s;
}

int DpiOf(const Control& c) {
  Form* f = c.OwnerForm();
  return f ? f->Dpi() : 96;
}

HCURSOR CursorFor(Cursor c) {
  return LoadCursorW(nullptr, c == Cursor::Hand ? IDC_HAND : IDC_ARROW);
}

bool DrawnByContainer(const Control& c) { return c.GetKind() == Kind::Label || c.GetKind() == Kind::Image; }

// Draws one label or image of a container into dc (container coordinates).
void DrawLight(Backend& backend, HDC dc, Control& c) {
  RECT r{c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()};
  if (c.GetKind() == Kind::Image) {
    auto& image = static_cast<Image&>(c);
    if (image.IconResource().empty()) return;
    int side = std::min(c.Width(), c.Height());
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), Wide(image.IconResource()).c_str(), IMAGE_ICON,
                                               side, side, LR_DEFAULTCOLOR));
    if (!icon) return;
    int x = r.left + (c.Width() - side) / 2, y = r.top + (c.Height() - side) / 2;
    DrawIconEx(dc, x, y, icon, side, side, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    return;
  }
  auto& label = static_cast<Label&>(c);
  if (!label.Transparent()) FillRect(dc, &r, backend.BrushFor(Backend::ToColorRef(Styles().BackgroundOf(label))));
  Selected font(dc, backend.FontFor(Styles().FontOf(label), DpiOf(label)));
  SetBkMode(dc, TRANSPARENT);
  COLORREF textColor = Backend::ToColorRef(Styles().TextColorOf(label));
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
    format |= DT_SINGLELINE;
    if (label.Layout() == VerticalAlignment::Center) format |= DT_VCENTER;
    if (label.Layout() == VerticalAlignment::Bottom) format |= DT_BOTTOM;
  }
  DrawTextW(dc, text.c_str(), -1, &r, format);
}

// Sends a message to every descendant window (EnumChildWindows walks them all).
void ForwardToChildren(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
  struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  } m{msg, wParam, lParam};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        const auto* m = reinterpret_cast<const Message*>(data);
        SendMessageW(child, m->msg, m->wParam, m->lParam);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&m));
}

Control* LightAt(Control& container, POINT p) {
  const auto& kids = container.Children();
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    Control* c = *it;
    if (DrawnByContainer(*c) && c->Visible() && c->BoundsRect().Contains({p.x, p.y})) return c;
  }
  return nullptr;
}

class ChildPeer;
ChildPeer* ChildOf(HWND hwnd) { return static_cast<ChildPeer*>(GetPropW(hwnd, kPeerProp)); }

// Hints: one tooltip control per form, owned by the form's window (so it goes with it) and
// kept as a property of that window; each windowed control with a shown hint is one tool.
const wchar_t kTooltipProp[] = L"CifronaTooltip";

HWND TooltipOf(HWND form, bool create) {
  if (auto* tip = static_cast<HWND>(GetPropW(form, kTooltipProp)); tip || !create) return tip;
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tip) SetPropW(form, kTooltipProp, tip);
  return tip;
}

// Shows, changes or removes the tool of a control window; gives whether the tool is there
// now. The tooltip control copies the text; changing it while the tip is up redraws the
// tip with the new text.
bool SetToolHint(HWND control, const Control& c, bool added) {
  HWND form = GetAncestor(control, GA_ROOT);
  if (!form || form == control) return false;
  HWND tip = TooltipOf(form, c.HintShown());
  if (!tip) return false;
  std::wstring text = Wide(c.Hint());
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = text.data();
  if (!c.HintShown()) {
    if (added) SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return false;
  }
  if (added) {
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    return true;
  }
  return SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

void RemoveToolHint(HWND control) {
  HWND form = GetAncestor(control, GA_ROOT);
  HWND tip = form && form != control ? TooltipOf(form, false) : nullptr;
  if (!tip) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

HWND ContainerHwnd(const Control& c) {
  for (Control* p = c.Parent(); p; p = p->Parent())
    if (p->GetPeer() && p->GetPeer()->Handle()) return reinterpret_cast<HWND>(p->GetPeer()->Handle());
  return nullptr;
}

// Position of a control inside the window of its nearest windowed ancestor.
POINT OffsetInContainer(const Control& c) {
  POINT o{c.Left(), c.Top()};
  for (Control* p = c.Parent(); p && !(p->GetPeer() && p->GetPeer()->Handle()); p = p->Parent()) {
    o.x += p->Left();
    o.y += p->Top();
  }
  return o;
}

// ---------------------------------------------------------------- windowed controls

class ChildPeer : public Peer {
 public:
  ChildPeer(Backend& backend, Control& control) : backend_(backend), control_(control) {
    HWND parent = ContainerHwnd(control);
    POINT o = OffsetInContainer(control);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0) | (control.TabStop() ? WS_TABSTOP : 0);
    DWORD ex = 0;
    const wchar_t* cls = WC_BUTTONW;
    std::wstring text;
    int w = control.Width(), h = control.Height();
    switch (control.GetKind()) {
      case Kind::Button:
        text = Wide(static_cast<Button&>(control).Caption());
        style |= static_cast<Button&>(control).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
      case Kind::CheckBox:
        text = Wide(static_cast<CheckBox&>(control).Caption());
        style |= BS_CHECKBOX;
        break;
      case Kind::RadioButton:
        text = Wide(static_cast<RadioButton&>(control).Caption());
        style |= BS_RADIOBUTTON;
        break;
      case Kind::SpinEdit:
        cls = WC_EDITW;
        ex = WS_EX_CLIENTEDGE;
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        // Edit controls take their alignment at creation; later changes are only a hint.
        if (static_cast<SpinEdit&>(control).TextAlignment() == Alignment::Center) style |= ES_CENTER;
        if (static_cast<SpinEdit&>(control).TextAlignment() == Alignment::Right) style |= ES_RIGHT;
        text = Wide(static_cast<SpinEdit&>(control).Text());
        w -= UpDownWidth();
        break;
      case Kind::TrackBar:
        cls = TRACKBAR_CLASSW;
        style |= TBS_HORZ | TBS_BOTH | (static_cast<TrackBar&>(control).TickMarks() ? TBS_AUTOTICKS : TBS_NOTICKS);
        break;
      case Kind::ComboBox:
        cls = WC_COMBOBOXW;
        style |= CBS_DROPDOWNLIST | WS_VSCROLL;
        h = std::max(h, 200);  // the height includes the drop-down list
        break;
      case Kind::ColorBox:
        cls = WC_COMBOBOXW;
        style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL;
        h = std::max(h, 300);
        break;
      case Kind::ProgressBar:
        cls = PROGRESS_CLASSW;
        break;
      default:
        break;
    }
    id_ = g_nextControlId++;
    hwnd_ = CreateWindowExW(ex, cls, text.c_str(), style, o.x, o.y, w, h, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return;
    SetPropW(hwnd_, kPeerProp, this);
    SetWindowSubclass(hwnd_, &ChildPeer::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    styled::Attach(hwnd_, control);
    if (control.GetKind() == Kind::SpinEdit) {
      upDown_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | (control.Visible() ? WS_VISIBLE : 0) | UDS_ALIGNRIGHT,
                                o.x + w, o.y, UpDownWidth(), control.Height(), parent, nullptr, GetModuleHandleW(nullptr), nullptr);
      // The control takes its default width on creation (16 pixels, whatever the DPI).
      SetWindowPos(upDown_, nullptr, 0, 0, UpDownWidth(), control.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageW(upDown_, UDM_SETRANGE32, 0, 100);
      SendMessageW(upDown_, UDM_SETPOS32, 0, 50);
      SetPropW(upDown_, kPeerProp, this);
      styled::AttachUpDown(upDown_, control);
    }
    for (Change c : {Change::Font, Change::State, Change::Range, Change::Items, Change::Enabled, Change::Style, Change::Hint})
      Changed(c);
  }

  ~ChildPeer() override {
    if (hwnd_ && toolAdded_) RemoveToolHint(hwnd_);
    if (upDown_) {
      RemovePropW(upDown_, kPeerProp);
      DestroyWindow(upDown_);
    }
    if (hwnd_) {
      RemoveWindowSubclass(hwnd_, &ChildPeer::SubclassProc, 1);
      RemovePropW(hwnd_, kPeerProp);
      DestroyWindow(hwnd_);
    }
  }

  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
  int Id() const { return id_; }
  Control& GetControl() const { return control_; }
  void SetFocus() override { ::SetFocus(hwnd_); }
  bool Focused() const override { return hwnd_ && GetFocus() == hwnd_; }
  Point ClientOrigin() const override {
    POINT p{0, 0};
    ClientToScreen(hwnd_, &p);
    return {p.x, p.y};
  }
  void Invalidate() override { InvalidateRect(hwnd_, nullptr, TRUE); }

  void Changed(Change what) override {
    if (!hwnd_) return;
    switch (what) {
      case Change::Text:
        SetText();
        break;
      case Change::Bounds: {
        POINT o = OffsetInContainer(control_);
        int w = control_.Width() - (upDown_ ? UpDownWidth() : 0);
        int h = control_.Height();
        if (control_.GetKind() == Kind::ComboBox || control_.GetKind() == Kind::ColorBox) h = std::max(h, 300);
        SetWindowPos(hwnd_, nullptr, o.x, o.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        if (upDown_) SetWindowPos(upDown_, nullptr, o.x + w, o.y, UpDownWidth(), control_.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      }
      case Change::Visible:
        ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
        if (upDown_) ShowWindow(upDown_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
      case Change::Enabled:
        EnableWindow(hwnd_, control_.Enabled());
        if (upDown_) EnableWindow(upDown_, control_.Enabled());
        break;
      case Change::Font:
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(backend_.FontFor(Styles().FontOf(control_), DpiOf(control_))), TRUE);
        if (control_.GetKind() == Kind::ColorBox || control_.GetKind() == Kind::ComboBox) {
          // Item height follows the font.
          SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, MulDiv(18, DpiOf(control_), 96));
        }
        break;
      case Change::State:
        SetState();
        break;
      case Change::Range:
        if (auto* t = dynamic_cast<TrackBar*>(&control_)) {
          SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, t->Min());
          SendMessageW(hwnd_, TBM_SETRANGEMAX, TRUE, t->Max());
          SendMessageW(hwnd_, TBM_SETPOS, TRUE, t->Position());
        } else if (auto* p = dynamic_cast<ProgressBar*>(&control_)) {
          SendMessageW(hwnd_, PBM_SETRANGE32, p->Min(), p->Max());
          SendMessageW(hwnd_, PBM_SETPOS, p->Position(), 0);
        }
        break;
      case Change::Items:
        SetItems();
        break;
      case Change::Style:
        SetStyleBits();
        break;
      case Change::Hint:
        toolAdded_ = SetToolHint(hwnd_, control_, toolAdded_);
        break;
      default:
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    }
  }

  // Notifications that reach the container.
  void OnCommand(WORD code) {
    switch (control_.GetKind()) {
      case Kind::Button:
      case Kind::CheckBox:
      case Kind::RadioButton:
        if (code == BN_CLICKED) control_.Click();
        break;
      case Kind::SpinEdit:
        if (code == EN_CHANGE && !settingText_) static_cast<SpinEdit&>(control_).UserEditedText(WindowText());
        break;
      case Kind::ComboBox:
        if (code == CBN_SELCHANGE)
          static_cast<ComboBox&>(control_).UserSelected(static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
        break;
      case Kind::ColorBox:
        if (code == CBN_SELCHANGE)
          static_cast<ColorBox&>(control_).UserSelected(static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
        break;
      default:
        break;
    }
  }

  bool OnNotify(NMHDR* n, LRESULT& result) {
    if (n->hwndFrom == upDown_ && n->code == UDN_DELTAPOS) {
      auto* d = reinterpret_cast<NMUPDOWN*>(n);
      auto& spin = static_cast<SpinEdit&>(control_);
      if (d->iDelta > 0) spin.StepUp();
      else if (d->iDelta < 0) spin.StepDown();
      result = 1;  // the value is ours; the arrows keep no position of their own
      return true;
    }
    return false;
  }

  void OnScroll() {
    if (pressing_) {
      scrolledWhilePressing_ = true;
      return;
    }
    if (auto* t = dynamic_cast<TrackBar*>(&control_)) t->UserMoved(static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0)));
  }

  void DrawItem(DRAWITEMSTRUCT* d) {
    auto* box = dynamic_cast<ColorBox*>(&control_);
    if (!box) return;
    HDC dc = d->hDC;
    RECT r = d->rcItem;
    bool selected = d->itemState & ODS_SELECTED;
    const Palette& p = Styles().Active();
    COLORREF back = Backend::ToColorRef(selected ? p.highlight : Styles().BackgroundOf(control_));
    COLORREF fore = Backend::ToColorRef(selected ? p.highlightText : Styles().TextColorOf(control_));
    FillRect(dc, &r, backend_.BrushFor(back));
    int index = static_cast<int>(d->itemID);
    if (index < 0 || index >= static_cast<int>(box->Items().size())) return;
    const auto& entry = box->Items()[index];
    int pad = MulDiv(2, DpiOf(control_), 96);
    RECT swatch{r.left + pad, r.top + pad, r.left + (r.bottom - r.top) * 3 / 2, r.bottom - pad};
    FillRect(dc, &swatch, backend_.BrushFor(Backend::ToColorRef(entry.color)));
    FrameRect(dc, &swatch, backend_.BrushFor(RGB(0, 0, 0)));
    RECT textRect{swatch.right + pad * 2, r.top, r.right, r.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, fore);
    std::wstring name = Wide(entry.name);
    DrawTextW(dc, name.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (d->itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
  }

  HBRUSH ColorMessage(HDC dc) {
    COLORREF back = Backend::ToColorRef(Styles().BackgroundOf(control_));
    SetTextColor(dc, Backend::ToColorRef(Styles().TextColorOf(control_)));
    SetBkColor(dc, back);
    return backend_.BrushFor(back);
  }

 private:
  int UpDownWidth() const { return MulDiv(17, DpiOf(control_), 96); }

  std::string WindowText() const {
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd_, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return Narrow(w);
  }

  void SetText() {
    std::string text;
    if (auto* b = dynamic_cast<Button*>(&control_)) text = b->Caption();
    else if (auto* c = dynamic_cast<CheckBox*>(&control_)) text = c->Caption();
    else if (auto* r = dynamic_cast<RadioButton*>(&control_)) text = r->Caption();
    else if (auto* s = dynamic_cast<SpinEdit*>(&control_)) text = s->Text();
    else return;
    if (WindowText() == text) return;
    settingText_ = true;
    SetWindowTextW(hwnd_, Wide(text).c_str());
    settingText_ = false;
  }

  void SetState() {
    if (auto* c = dynamic_cast<CheckBox*>(&control_)) SendMessageW(hwnd_, BM_SETCHECK, c->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    else if (auto* r = dynamic_cast<RadioButton*>(&control_)) {
      SendMessageW(hwnd_, BM_SETCHECK, r->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
      SetWindowLongPtrW(hwnd_, GWL_STYLE, r->TabStop() ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    } else if (auto* t = dynamic_cast<TrackBar*>(&control_)) SendMessageW(hwnd_, TBM_SETPOS, TRUE, t->Position());
    else if (auto* cb = dynamic_cast<ComboBox*>(&control_)) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(cb->ItemIndex()), 0);
    else if (auto* colors = dynamic_cast<ColorBox*>(&control_))
      SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(colors->ItemIndex()), 0);
    else if (auto* p = dynamic_cast<ProgressBar*>(&control_)) SendMessageW(hwnd_, PBM_SETPOS, p->Position(), 0);
    else if (auto* b = dynamic_cast<Button*>(&control_))
      SendMessageW(hwnd_, BM_SETSTYLE, b->Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    else if (auto* s = dynamic_cast<SpinEdit*>(&control_)) {
      // Selection offsets are UTF-8 bytes in the core; the digits of a number field are ASCII.
      SendMessageW(hwnd_, EM_SETSEL, s->SelStart(), s->SelStart() + s->SelLength());
    }
  }

  void SetItems() {
    if (auto* cb = dynamic_cast<ComboBox*>(&control_)) {
      SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
      for (const auto& item : cb->Items()) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
      SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(cb->ItemIndex()), 0);
    } else if (auto* colors = dynamic_cast<ColorBox*>(&control_)) {
      SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
      for (const auto& item : colors->Items())
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item.name).c_str()));
      SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(colors->ItemIndex()), 0);
    }
  }

  void SetStyleBits() {
    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    if (auto* s = dynamic_cast<SpinEdit*>(&control_)) {
      style &= ~static_cast<LONG_PTR>(ES_CENTER | ES_RIGHT);
      if (s->TextAlignment() == Alignment::Center) style |= ES_CENTER;
      if (s->TextAlignment() == Alignment::Right) style |= ES_RIGHT;
    } else if (auto* t = dynamic_cast<TrackBar*>(&control_)) {
      style &= ~static_cast<LONG_PTR>(TBS_NOTICKS | TBS_AUTOTICKS);
      style |= t->TickMarks() ? TBS_AUTOTICKS : TBS_NOTICKS;
    } else {
      return;
    }
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<ChildPeer*>(data);
    LRESULT result = 0;
    bool handled = false;
    SafeCall([&] { handled = self->Handle(msg, wParam, lParam, result); });
    return handled ? result : DefSubclassProc(hwnd, msg, wParam, lParam);
  }

  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    Control& c = control_;
    switch (msg) {
      case WM_KEYDOWN: {
        int key = static_cast<int>(wParam);
        if (!c.KeyDown(key, ShiftState())) return true;
        if (key != static_cast<int>(wParam)) {
          result = DefSubclassProc(hwnd_, msg, static_cast<WPARAM>(key), lParam);
          return true;
        }
        return false;
      }
      case WM_CHAR: {
        char16_t ch = static_cast<char16_t>(wParam);
        if (!c.KeyPress(ch)) return true;
        if (ch != static_cast<char16_t>(wParam)) {
          result = DefSubclassProc(hwnd_, msg, ch, lParam);
          return true;
        }
        return false;
      }
      case WM_SETFOCUS:
        result = DefSubclassProc(hwnd_, msg, wParam, lParam);
        c.FocusEntered();
        return true;
      case WM_KILLFOCUS:
        result = DefSubclassProc(hwnd_, msg, wParam, lParam);
        c.FocusLeft();
        return true;
      case WM_MOUSEWHEEL: {
        Form* form = c.OwnerForm();
        Point screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        bool used = form ? form->DispatchMouseWheel(c, ShiftState(), delta, screen) : c.DoMouseWheel(ShiftState(), delta, screen);
        return used;  // unused: the control's own wheel treatment
      }
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
        // A slider pages or starts its thumb drag on the press; a handler that places the
        // thumb itself must come after that, or the slider's own paging would undo it.
        if (c.GetKind() == Kind::TrackBar) {
          // Its scroll notifications wait until the press is handled: the change handlers
          // let pending messages run, and a button release run inside the press would
          // leave the slider holding the mouse for good.
          pressing_ = true;
          result = DefSubclassProc(hwnd_, msg, wParam, lParam);
          pressing_ = false;
          if (scrolledWhilePressing_) {
            scrolledWhilePressing_ = false;
            OnScroll();
          }
        }
        c.MouseDown(msg == WM_LBUTTONDOWN ? MouseButton::Left : MouseButton::Right, ShiftState(), GET_X_LPARAM(lParam),
                    GET_Y_LPARAM(lParam));
        return c.GetKind() == Kind::TrackBar;
      case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && c.GetCursor() != Cursor::Default) {
          ::SetCursor(CursorFor(c.GetCursor()));
          result = TRUE;
          return true;
        }
        return false;
      default:
        return false;
    }
  }

  Backend& backend_;
  Control& control_;
  HWND hwnd_ = nullptr;
  HWND upDown_ = nullptr;
  int id_ = 0;
  bool settingText_ = false;
  bool toolAdded_ = false;
  bool pressing_ = false;
  bool scrolledWhilePressing_ = false;
};

// ---------------------------------------------------------------- labels and images

class LightPeer : public Peer {
 public:
  explicit LightPeer(Control& c) : c_(c) { Invalidate(); }
  ~LightPeer() override = default;
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

// ---------------------------------------------------------------- forms and panels

// A window that holds controls and paints itself and its labels in one pass through a
// back buffer: the form, a group box, a tab control used as a panel.
class ContainerPeer : public Window, public Peer {
 public:
  ContainerPeer(Backend& backend, Control& control) : backend_(backend), control_(control) {
    form_ = dynamic_cast<Form*>(&control);
    if (form_) CreateTopLevel();
    else CreateChild();
  }

  ~ContainerPeer() override {
    if (form_ && hwnd()) RemovePropW(hwnd(), kTooltipProp);  // the tooltip itself goes with its owner
    if (hwnd()) backend_.UnregisterForm(hwnd());
    if (modalDisabled_) ReenableOthers();
  }

  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd()); }
  void Invalidate() override { InvalidateRect(hwnd(), nullptr, FALSE); }
  Point ClientOrigin() const override {
    POINT p{0, 0};
    ClientToScreen(hwnd(), &p);
    return {p.x, p.y};
  }
  void SetFocus() override { ::SetFocus(hwnd()); }
  bool Focused() const override { return GetFocus() == hwnd(); }
  void BringToFront() override {
    if (!form_) return;
    if (!(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE)) SetForegroundWindow(hwnd());
    // A window that never takes the focus is raised without being activated.
    else SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void Changed(Change what) override {
    if (!hwnd()) return;
    switch (what) {
      case Change::Text:
        if (form_) SetWindowTextW(hwnd(), Wide(form_->Caption()).c_str());
        else InvalidateRect(hwnd(), nullptr, FALSE);
        break;
      case Change::Bounds:
        if (!reporting_) PlaceWindow();
        break;
      case Change::Visible:
        if (form_) ShowForm();
        else ShowWindow(hwnd(), control_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
      case Change::Enabled:
        EnableWindow(hwnd(), control_.Enabled());
        break;
      case Change::Style:
        if (form_) ApplyLayering();
        InvalidateRect(hwnd(), nullptr, FALSE);
        break;
      case Change::Font:
        for (Control* c : control_.Children())
          if (c->ParentFont() && c->GetPeer()) c->GetPeer()->Changed(Change::Font);
        InvalidateRect(hwnd(), nullptr, FALSE);
        break;
      default:
        InvalidateRect(hwnd(), nullptr, FALSE);
        break;
    }
  }

  void RunModal() override {
    Application* app = Application::Current();
    DisableOthers();
    MSG msg;
    while (form_->ModalResult() == kMrNone && !(app && app->Terminated())) {
      BOOL r = GetMessageW(&msg, nullptr, 0, 0);
      if (r <= 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
        break;
      }
      if (!backend_.PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    ReenableOthers();
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (form_)
      if (auto answer = form_->RawMessage(msg, wParam, static_cast<std::intptr_t>(lParam))) return static_cast<LRESULT>(*answer);
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;  // painting happens in one pass in WM_PAINT
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        Paint(dc);
        EndPaint(hwnd(), &ps);
        return 0;
      }
      case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
      case WM_COMMAND:
        return Command(wParam, lParam);
      case WM_NOTIFY: {
        auto* n = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (ChildPeer* child = ChildOf(n->hwndFrom); child && child->OnNotify(n, result)) return result;
        break;
      }
      case WM_HSCROLL:
      case WM_VSCROLL:
        if (ChildPeer* child = ChildOf(reinterpret_cast<HWND>(lParam))) {
          child->OnScroll();
          return 0;
        }
        break;
      case WM_DRAWITEM:
        if (ChildPeer* child = ChildOf(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem)) {
          child->DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
          return TRUE;
        }
        break;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
        if (ChildPeer* child = ChildOf(reinterpret_cast<HWND>(lParam)))
          return reinterpret_cast<LRESULT>(child->ColorMessage(reinterpret_cast<HDC>(wParam)));
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP:
        Mouse(msg, lParam);
        return 0;
      case WM_MOUSEMOVE: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        Control* target = LightAt(control_, p);
        if (target) target->MouseMove(ShiftState(), p.x - target->Left(), p.y - target->Top());
        else control_.MouseMove(ShiftState(), p.x, p.y);
        return 0;
      }
      case WM_MOUSEWHEEL: {
        Form* form = control_.OwnerForm();
        Point screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (form && form->DispatchMouseWheel(control_, ShiftState(), GET_WHEEL_DELTA_WPARAM(wParam), screen)) return 0;
        break;
      }
      case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
          POINT p;
          GetCursorPos(&p);
          ScreenToClient(hwnd(), &p);
          Control* target = LightAt(control_, p);
          Cursor cursor = target ? target->GetCursor() : control_.GetCursor();
          if (cursor != Cursor::Default) {
            ::SetCursor(CursorFor(cursor));
            return TRUE;
          }
        }
        break;
      case WM_CTLCOLORDLG:
        break;
      default:
        break;
    }
    if (form_) {
      LRESULT result = 0;
      if (FormMessage(msg, wParam, lParam, result)) return result;
    }
    return Window::HandleMessage(msg, wParam, lParam);
  }

 private:
  DWORD FormStyle() const {
    DWORD style = WS_CLIPCHILDREN;
    switch (form_->GetBorderStyle()) {
      case BorderStyle::None: style |= WS_POPUP; break;
      case BorderStyle::Single: style |= WS_POPUP | WS_CAPTION | WS_BORDER; break;
      case BorderStyle::Dialog: style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME; break;
      case BorderStyle::Sizeable: style |= WS_OVERLAPPEDWINDOW; break;
    }
    if (form_->GetBorderStyle() != BorderStyle::None && form_->SystemMenu()) style |= WS_SYSMENU;
    return style;
  }

  DWORD FormExStyle(const CreateParams& params) const {
    DWORD ex = params.exStyle | WS_EX_CONTROLPARENT;
    if (form_->GetBorderStyle() == BorderStyle::Dialog) ex |= WS_EX_DLGMODALFRAME;
    if (form_->TransparentColor() || form_->AlphaBlend()) ex |= WS_EX_LAYERED;
    return ex;
  }

  RECT WindowRectFor(DWORD style, DWORD ex) const {
    RECT r{0, 0, form_->ClientWidth(), form_->ClientHeight()};
    AdjustWindowRectExForDpi(&r, style, FALSE, ex, static_cast<UINT>(form_->Dpi()));
    // The smallest outer size holds at creation too, where WM_GETMINMAXINFO comes before the
    // window is ours and popups are never clamped: a thin frame grows the client area instead.
    r.right = std::max(r.right, r.left + form_->MinWidth());
    r.bottom = std::max(r.bottom, r.top + form_->MinHeight());
    OffsetRect(&r, form_->Left() - r.left, form_->Top() - r.top);
    return r;
  }

  void CreateTopLevel() {
    CreateParams params;
    form_->CreateParams(params);
    DWORD style = FormStyle();
    DWORD ex = FormExStyle(params);
    RECT r = WindowRectFor(style, ex);
    HWND owner = params.owner == CreateParams::Owner::Desktop ? GetDesktopWindow() : backend_.AppHwnd();
    Create(L"CifronaForm", CS_DBLCLKS, ex, style, Wide(form_->Caption()), r.left, r.top, r.right - r.left,
           r.bottom - r.top, owner, nullptr);
    if (!hwnd()) return;
    backend_.RegisterForm(hwnd(), form_);
    ApplyLayering();
    styled::ApplyTitleBar(hwnd());
    if (form_->GetBorderStyle() != BorderStyle::None) {
      // Rounded corners where the system offers them (Windows 11); elsewhere nothing happens.
      DWORD corner = form_->RoundedCorners() ? 2 /*DWMWCP_ROUND*/ : 1 /*DWMWCP_DONOTROUND*/;
      DwmSetWindowAttribute(hwnd(), 33 /*DWMWA_WINDOW_CORNER_PREFERENCE*/, &corner, sizeof corner);
    } else if (!form_->RoundedCorners()) {
      DWORD corner = 1;
      DwmSetWindowAttribute(hwnd(), 33, &corner, sizeof corner);
    }
    ReportBounds();
  }

  void CreateChild() {
    HWND parent = ContainerHwnd(control_);
    POINT o = OffsetInContainer(control_);
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (control_.Visible() ? WS_VISIBLE : 0);
    Create(L"CifronaPanel", CS_DBLCLKS, WS_EX_CONTROLPARENT, style, L"", o.x, o.y, control_.Width(), control_.Height(), parent,
           nullptr);
  }

  void ApplyLayering() {
    LONG_PTR ex = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
    bool layered = form_->TransparentColor() || form_->AlphaBlend();
    if (layered != ((ex & WS_EX_LAYERED) != 0))
      SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, layered ? (ex | WS_EX_LAYERED) : (ex & ~WS_EX_LAYERED));
    if (!layered) return;
    DWORD flags = (form_->TransparentColor() ? LWA_COLORKEY : 0) | (form_->AlphaBlend() ? LWA_ALPHA : 0);
    SetLayeredWindowAttributes(hwnd(), Backend::ToColorRef(form_->TransparentColorValue()),
                               static_cast<BYTE>(form_->AlphaBlendValue()), flags);
  }

  void PlaceWindow() {
    if (form_) {
      LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE), ex = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
      RECT r = WindowRectFor(static_cast<DWORD>(style), static_cast<DWORD>(ex));
      SetWindowPos(hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      POINT o = OffsetInContainer(control_);
      SetWindowPos(hwnd(), nullptr, o.x, o.y, control_.Width(), control_.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  bool NoActivate() const { return (GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0; }

  void ReportBounds() {
    if (!form_) return;
    RECT w, c;
    GetWindowRect(hwnd(), &w);
    GetClientRect(hwnd(), &c);
    reporting_ = true;
    form_->WindowMoved({w.left, w.top, w.right, w.bottom}, c.right, c.bottom);
    reporting_ = false;
  }

  void ShowForm() {
    if (!control_.Visible()) {
      ShowWindow(hwnd(), SW_HIDE);
      return;
    }
    if (form_->Position() == FormPosition::ScreenCenter && !centred_) {
      centred_ = true;
      RECT work;
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      RECT r;
      GetWindowRect(hwnd(), &r);
      int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(hwnd(), nullptr, work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2,
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    bool noActivate = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE;
    ShowWindow(hwnd(), noActivate || form_->GetBorderStyle() == BorderStyle::None ? SW_SHOWNA : SW_SHOW);
    UpdateWindow(hwnd());
  }

  void DisableOthers() {
    for (auto* f : Application::Current() ? Application::Current()->Forms() : std::vector<Form*>{}) {
      if (f == form_ || !f->GetPeer()) continue;
      HWND h = reinterpret_cast<HWND>(f->GetPeer()->Handle());
      if (IsWindowVisible(h) && IsWindowEnabled(h)) {
        EnableWindow(h, FALSE);
        disabled_.push_back(h);
      }
    }
    modalDisabled_ = true;
  }

  void ReenableOthers() {
    for (HWND h : disabled_)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    disabled_.clear();
    modalDisabled_ = false;
  }

  void Paint(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    {
      // One pass: the back buffer takes the background (the widget's key colour), then the
      // frame and the labels, then goes to the screen at once.
      BackBuffer buffer(dc, client.right, client.bottom);
      HDC mem = buffer.dc();
      COLORREF back = Backend::ToColorRef(form_ ? form_->GetColor() != kClDefault ? form_->GetColor()
                                                                                     : Styles().BackgroundOf(control_)
                                                : Styles().BackgroundOf(control_));
      FillRect(mem, &client, backend_.BrushFor(back));
      if (auto* group = dynamic_cast<GroupBox*>(&control_)) PaintGroupFrame(mem, *group, client, back);
      if (auto* tabs = dynamic_cast<TabControl*>(&control_); tabs && tabs->Tabs().empty()) {
        // A panel: a thin line along its top edge separates it from what lies above.
        RECT line{0, 0, client.right, 1};
        FillRect(mem, &line, backend_.BrushFor(Backend::ToColorRef(Styles().Active().border)));
      }
      for (Control* c : control_.Children())
        if (DrawnByContainer(*c) && c->Visible()) DrawLight(backend_, mem, *c);
      buffer.BlitTo(dc);
    }
  }

  void PaintGroupFrame(HDC dc, GroupBox& group, const RECT& client, COLORREF back) {
    Selected font(dc, backend_.FontFor(Styles().FontOf(group), DpiOf(group)));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    RECT frame{0, tm.tmHeight / 2, client.right, client.bottom};
    HBRUSH border = backend_.BrushFor(Backend::ToColorRef(Styles().Active().border));
    FrameRect(dc, &frame, border);
    if (group.Caption().empty()) return;
    std::wstring text = Wide(group.Caption());
    SIZE size;
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    int pad = MulDiv(8, DpiOf(group), 96);
    RECT caption{pad - 2, 0, pad + size.cx + 2, tm.tmHeight};
    FillRect(dc, &caption, backend_.BrushFor(back));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Backend::ToColorRef(Styles().TextColorOf(group)));
    RECT textRect{pad, 0, pad + size.cx, tm.tmHeight};
    DrawTextW(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_NOPREFIX);
  }

  LRESULT Command(WPARAM wParam, LPARAM lParam) {
    HWND from = reinterpret_cast<HWND>(lParam);
    if (from) {
      if (ChildPeer* child = ChildOf(from)) child->OnCommand(HIWORD(wParam));
      return 0;
    }
    // The dialog keys (IsDialogMessage): IDOK for Enter without a default button, IDCANCEL for Esc.
    Form* form = control_.OwnerForm();
    if (!form) return 0;
    WORD id = LOWORD(wParam);
    if (id == IDCANCEL) form->DialogKey(key::kEscape);
    else if (id == IDOK) form->DialogKey(key::kReturn);
    else if (Button* b = form->DefaultButton(); b && b->GetPeer() && id == static_cast<ChildPeer*>(b->GetPeer())->Id())
      b->Click();
    return 0;
  }

  void Mouse(UINT msg, LPARAM lParam) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MouseButton button = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP)   ? MouseButton::Left
                         : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP) ? MouseButton::Right
                                                                          : MouseButton::Middle;
    bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
    Control* target = LightAt(control_, p);
    Control& c = target ? *target : control_;
    int x = target ? p.x - target->Left() : p.x, y = target ? p.y - target->Top() : p.y;
    if (down) {
      pressed_ = &c;
      c.MouseDown(button, ShiftState(), x, y);
    } else {
      bool click = button == MouseButton::Left && pressed_ == &c;
      pressed_ = nullptr;
      c.MouseUp(button, ShiftState(), x, y);
      if (click && target) target->Click();
    }
  }

  bool FormMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
      case WM_CLOSE:
        form_->Close();
        return true;
      case WM_ACTIVATE:
        // The keyboard goes back where it was when the window was last left, or to the
        // first control a Tab would reach, so a dialog is usable from the keyboard at once.
        if (LOWORD(wParam) == WA_INACTIVE) {
          if (HWND f = GetFocus(); f && IsChild(hwnd(), f)) lastFocus_ = f;
          return false;
        }
        if (HWND f = GetFocus(); f && IsChild(hwnd(), f)) return false;
        if (HWND target = lastFocus_ && IsChild(hwnd(), lastFocus_) ? lastFocus_ : GetNextDlgTabItem(hwnd(), nullptr, FALSE)) {
          ::SetFocus(target);
          result = 0;
          return true;
        }
        return false;
      case WM_MOVING: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        Rect rect{r->left, r->top, r->right, r->bottom};
        form_->Moving(rect);
        *r = {rect.left, rect.top, rect.right, rect.bottom};
        result = TRUE;
        return true;
      }
      case WM_MOUSEACTIVATE:
        // A window that must never take the focus is not activated by a click (Windows
        // does this itself; Wine's default activates it).
        if (!NoActivate()) return false;
        result = MA_NOACTIVATE;
        return true;
      case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        // Nor by a move: the system's move loop repositions without SWP_NOACTIVATE, which
        // activates the window and raises it to the top. Under Wine's X11 driver an active
        // window also becomes a managed one, re-mapped on the spot, and the re-mapping
        // ends the pointer grab, so a drag would stop after its first step.
        if (NoActivate()) pos->flags |= SWP_NOACTIVATE;
        if (form_->ScreenSnap() && !(pos->flags & SWP_NOMOVE)) {
          RECT now;
          GetWindowRect(hwnd(), &now);
          bool sameSize = (pos->flags & SWP_NOSIZE) || (pos->cx == now.right - now.left && pos->cy == now.bottom - now.top);
          if (sameSize) {
            int w = now.right - now.left, h = now.bottom - now.top;
            RECT target{pos->x, pos->y, pos->x + w, pos->y + h};
            MONITORINFO mi{};
            mi.cbSize = sizeof mi;
            GetMonitorInfoW(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &mi);
            Rect snapped = SnapToWorkArea({target.left, target.top, target.right, target.bottom},
                                          {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom}, form_->SnapBuffer());
            pos->x = snapped.left;
            pos->y = snapped.top;
          }
        }
        return false;
      }
      case WM_WINDOWPOSCHANGED:
        result = Window::HandleMessage(msg, wParam, lParam);
        ReportBounds();
        return true;
      case WM_EXITSIZEMOVE:
        result = Window::HandleMessage(msg, wParam, lParam);
        form_->ExitSizeMove();
        return true;
      case WM_SETTINGCHANGE:
        form_->SettingChange(wParam, lParam ? Narrow(reinterpret_cast<const wchar_t*>(lParam)) : std::string());
        return false;
      case WM_SYSCOLORCHANGE:
        // Only top-level windows are told; common controls cache system colours and
        // brushes, so they must hear it from their parent.
        ForwardToChildren(hwnd(), msg, wParam, lParam);
        return false;
      case WM_DPICHANGED: {
        form_->DpiChanged(LOWORD(wParam));
        auto* r = reinterpret_cast<RECT*>(lParam);
        SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
      }
      case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        if (form_->MinWidth() > 0) mm->ptMinTrackSize.x = form_->MinWidth();
        if (form_->MinHeight() > 0) mm->ptMinTrackSize.y = form_->MinHeight();
        return true;
      }
      case DM_GETDEFID:
        if (Button* b = form_->DefaultButton(); b && b->GetPeer()) {
          result = MAKELRESULT(static_cast<ChildPeer*>(b->GetPeer())->Id(), DC_HASDEFID);
          return true;
        }
        return false;
      case WM_CONTEXTMENU: {
        PopupMenu* menu = form_->GetPopupMenu();
        if (!menu || !menu->AutoPopup()) return false;
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) GetCursorPos(&p);
        POINT client = p;
        ScreenToClient(hwnd(), &client);
        Control* target = LightAt(control_, client);
        menu->SetPopupComponent(target ? static_cast<Component*>(target) : form_);
        menu->Popup(p.x, p.y);
        return true;
      }
      default:
        return false;
    }
  }

  Backend& backend_;
  Control& control_;
  Form* form_ = nullptr;
  bool reporting_ = false;
  bool centred_ = false;
  bool modalDisabled_ = false;
  std::vector<HWND> disabled_;
  Control* pressed_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the keyboard when the form was left
};

// ---------------------------------------------------------------- menus and timers

class MenuPeer : public Peer {
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
  static HMENU Build(const std::vector<MenuItem*>& items, std::vector<MenuItem*>& commands) {
    HMENU h = CreatePopupMenu();
    for (MenuItem* item : items) {
      if (!item->Visible()) continue;
      MENUITEMINFOW mii{};
      mii.cbSize = sizeof mii;
      std::wstring caption = Wide(item->Caption());
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

class TimerPeer : public Peer {
 public:
  TimerPeer(Backend& backend, Timer& timer) : backend_(backend), timer_(timer), id_(backend.AddTimerTarget(&timer)) {
    Changed(Change::Timer);
  }
  ~TimerPeer() override { backend_.RemoveTimerTarget(id_); }
  void Changed(Change what) override {
    if (what != Change::Timer) return;
    HWND h = backend_.AppHwnd();
    KillTimer(h, id_);
    if (timer_.Enabled() && timer_.Interval() > 0) SetTimer(h, id_, timer_.Interval(), nullptr);
  }

 private:
  Backend& backend_;
  Timer& timer_;
  UINT_PTR id_;
};

}  // namespace

// ---------------------------------------------------------------- tray icon

TrayPeer::TrayPeer(Backend& backend, TrayIcon& icon) : backend_(backend), icon_(icon), id_(backend.AddTrayTarget(&icon)) {
  LoadPicture();
  Changed(Change::Visible);
}

TrayPeer::~TrayPeer() {
  StopRetry();
  if (added_) {
    NOTIFYICONDATAW d{};
    Fill(d);
    Backend::ShellNotifyIcon(NIM_DELETE, &d);
  }
  backend_.RemoveTrayTarget(id_);
  if (picture_) DestroyIcon(picture_);
}

void TrayPeer::Fill(NOTIFYICONDATAW& d) const {
  d.cbSize = sizeof d;
  d.hWnd = backend_.AppHwnd();
  d.uID = id_;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = WM_APP + 2;
  d.hIcon = picture_;
  // Windows keeps 127 characters of a tooltip (UTF-16 units, as it counts them).
  wcsncpy(d.szTip, tip_.c_str(), 127);
  d.szTip[127] = L'\0';
}

namespace {

// The small-icon size at a DPI; GetSystemMetricsForDpi only exists from Windows 10 1607.
SIZE SmallIconSize(UINT dpi) {
  using ForDpi = int(WINAPI*)(int, UINT);
  static const auto forDpi =
      reinterpret_cast<ForDpi>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  if (forDpi) return {forDpi(SM_CXSMICON, dpi), forDpi(SM_CYSMICON, dpi)};
  return {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
}

}  // namespace

void TrayPeer::LoadPicture() {
  if (picture_) DestroyIcon(picture_);
  picture_ = nullptr;
  ImageList* list = icon_.Icons();
  if (!list || icon_.IconIndex() < 0 || icon_.IconIndex() >= list->Count()) return;
  // The notification area shows small icons: pick the size for the owner window's DPI,
  // not the list's 32, so the shell never scales a picture down (16 px at 96 DPI).
  const Form* form = icon_.OwnerForm();
  const UINT dpi = form && form->Dpi() > 0 ? static_cast<UINT>(form->Dpi()) : GetDpiForSystem();
  const SIZE size = SmallIconSize(dpi);
  picture_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), Wide(list->Icons()[icon_.IconIndex()]).c_str(),
                                           IMAGE_ICON, size.cx, size.cy, LR_DEFAULTCOLOR));
}

void TrayPeer::Readd() {
  // The shell also announces a new taskbar after a DPI change: load the picture afresh.
  added_ = false;
  LoadPicture();
  Apply();
}

void TrayPeer::Changed(Change what) {
  if (what == Change::Image) LoadPicture();
  Apply();
}

void TrayPeer::Apply() {
  tip_ = Wide(icon_.Hint());
  NOTIFYICONDATAW d{};
  Fill(d);
  if (!icon_.Visible()) {
    StopRetry();
    if (added_) Backend::ShellNotifyIcon(NIM_DELETE, &d);
    added_ = false;
    return;
  }
  DWORD error = ERROR_SUCCESS;
  if (added_) {
    if (!Backend::ShellNotifyIcon(NIM_MODIFY, &d)) error = GetLastError();
  } else if (Backend::ShellNotifyIcon(NIM_ADD, &d)) {
    added_ = true;
  } else {
    error = GetLastError();
    // A busy shell may have taken the icon although the call timed out, and a taskbar
    // re-announced without a restart still holds it: then changing it is what works.
    if (Backend::ShellNotifyIcon(NIM_MODIFY, &d)) {
      added_ = true;
      error = ERROR_SUCCESS;
    }
  }
  // While the shell is too busy to answer (at logon, above all), try again every few
  // seconds; other failures wait for the next taskbar announcement.
  if (error == ERROR_TIMEOUT) StartRetry();
  else StopRetry();
}

void TrayPeer::StartRetry() {
  if (retrying_) return;
  retrying_ = SetTimer(backend_.AppHwnd(), Backend::kTrayRetryTimer + id_, Backend::kTrayRetryMs, nullptr) != 0;
}

void TrayPeer::StopRetry() {
  if (!retrying_) return;
  KillTimer(backend_.AppHwnd(), Backend::kTrayRetryTimer + id_);
  retrying_ = false;
}

void TrayPeer::Retry() {
  StopRetry();
  Apply();
}

std::unique_ptr<Peer> MakePeer(Backend& backend, Component& c) {
  switch (c.GetKind()) {
    case Kind::Form:
    case Kind::GroupBox:
    case Kind::TabControl:
      return std::make_unique<ContainerPeer>(backend, static_cast<Control&>(c));
    case Kind::Label:
    case Kind::Image:
      return std::make_unique<LightPeer>(static_cast<Control&>(c));
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::RadioButton:
    case Kind::SpinEdit:
    case Kind::TrackBar:
    case Kind::ComboBox:
    case Kind::ColorBox:
    case Kind::ProgressBar:
      return std::make_unique<ChildPeer>(backend, static_cast<Control&>(c));
    case Kind::PopupMenu:
      return std::make_unique<MenuPeer>(static_cast<PopupMenu&>(c));
    case Kind::Timer:
      return std::make_unique<TimerPeer>(backend, static_cast<Timer&>(c));
    case Kind::TrayIcon:
      return std::make_unique<TrayPeer>(backend, static_cast<TrayIcon&>(c));
    default:
      return nullptr;
  }
}

}  // namespace ui::win32
