// The notification-area icon, kept on the application's hidden window.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/ui/ui.h"
#include "platform/win32/handles.h"

namespace ui::win32 {

class Backend;

class TrayPeer : public Peer {
 public:
  TrayPeer(Backend& backend, TrayIcon& icon);
  ~TrayPeer() override;
  void Changed(Change what) override;
  // The taskbar was created anew: add the icon again with its picture and tooltip.
  void Readd();
  // The retry timer's tick after the shell timed out.
  void Retry();

 private:
  void Fill(NOTIFYICONDATAW& d) const;
  void LoadPicture();
  // Adds, changes or removes the icon to match the component.
  void Apply();
  void StartRetry();
  void StopRetry();
  bool retrying_ = false;
  Backend& backend_;
  TrayIcon& icon_;
  UINT id_;
  bool added_ = false;
  ::win32::UniqueIcon picture_;
  std::wstring tip_;
};

}  // namespace ui::win32
