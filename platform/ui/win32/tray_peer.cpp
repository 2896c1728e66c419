// The notification-area icon: its picture at the taskbar's DPI, its tooltip, and adding
// it again when the shell restarts or was too busy to answer.
#include "platform/ui/win32/tray_peer.h"

#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

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
}

void TrayPeer::Fill(NOTIFYICONDATAW& d) const {
  d.cbSize = sizeof d;
  d.hWnd = backend_.AppHwnd();
  d.uID = id_;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = Backend::kTrayMessage;
  d.hIcon = picture_.get();
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
  picture_.reset();
  ImageList* list = icon_.Icons();
  if (!list || icon_.IconIndex() < 0 || icon_.IconIndex() >= list->Count()) return;
  // The notification area shows small icons: pick the size for the owner window's DPI,
  // not the list's 32, so the shell never scales a picture down (16 px at 96 DPI).
  const Form* form = icon_.OwnerForm();
  const UINT dpi = form && form->Dpi() > 0 ? static_cast<UINT>(form->Dpi()) : GetDpiForSystem();
  const SIZE size = SmallIconSize(dpi);
  picture_.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), Wide(list->Icons()[icon_.IconIndex()]).c_str(),
                                              IMAGE_ICON, size.cx, size.cy, LR_DEFAULTCOLOR)));
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

std::unique_ptr<Peer> MakeTrayPeer(Backend& backend, TrayIcon& icon) { return std::make_unique<TrayPeer>(backend, icon); }

}  // namespace ui::win32
