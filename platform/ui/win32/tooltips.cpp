#include "platform/ui/win32/tooltips.h"

#include <commctrl.h>

#include "platform/ui/win32/window.h"

namespace ui::win32 {

namespace {

const wchar_t kTooltipProp[] = L"CifronaTooltip";

HWND TooltipOf(HWND form, bool create) {
  if (auto* tip = static_cast<HWND>(GetPropW(form, kTooltipProp)); tip || !create) return tip;
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tip) SetPropW(form, kTooltipProp, tip);
  return tip;
}

// The tooltip of the form a control window lies in, if there is one.
HWND FormTooltip(HWND control, bool create) {
  HWND form = GetAncestor(control, GA_ROOT);
  return form && form != control ? TooltipOf(form, create) : nullptr;
}

TTTOOLINFOW ToolOf(HWND control) {
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  return ti;
}

}  // namespace

bool SetToolHint(HWND control, const Control& c, bool added) {
  HWND tip = FormTooltip(control, c.HintShown());
  if (!tip) return false;
  std::wstring text = Wide(c.Hint());
  TTTOOLINFOW ti = ToolOf(control);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
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
  HWND tip = FormTooltip(control, false);
  if (!tip) return;
  TTTOOLINFOW ti = ToolOf(control);
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void ForgetTooltip(HWND form) { RemovePropW(form, kTooltipProp); }

}  // namespace ui::win32
