// The base of the peers that are one system control each (the buttons, the number field,
// the slider, the combo boxes, the progress bar). The base creates and subclasses the
// window and keeps its bounds, visibility, enabled state, font and hint; a family's peer
// says how the control is made and answers the hooks below. The container reflects the
// notifications a control sends its parent (WM_COMMAND, WM_NOTIFY, WM_HSCROLL,
// WM_DRAWITEM, WM_CTLCOLOR*) back to the control's peer.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "platform/ui/ui.h"
#include "platform/ui/win32/peer_common.h"
#include "platform/ui/win32/window.h"

namespace ui::win32 {

class ChildPeer : public Peer {
 public:
  ~ChildPeer() override;
  ChildPeer(const ChildPeer&) = delete;
  ChildPeer& operator=(const ChildPeer&) = delete;

  // The peer of a control window (or of a window that belongs to the control).
  static ChildPeer* Of(HWND hwnd);

  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd()); }
  void SetFocus() override { ::SetFocus(hwnd()); }
  bool Focused() const override { return hwnd_ && GetFocus() == hwnd(); }
  Point ClientOrigin() const override;
  void Invalidate() override { InvalidateRect(hwnd(), nullptr, TRUE); }
  void Changed(Change what) override;

  // The control id, as WM_COMMAND and DM_GETDEFID give it.
  int Id() const { return id_; }
  // The id of a control shown by a child peer; 0 for any other.
  static int IdOf(const Control& c);

  // Reflected notifications.
  virtual void OnCommand(WORD /*code*/) {}
  virtual bool OnNotify(NMHDR* /*n*/, LRESULT& /*result*/) { return false; }
  virtual void OnScroll() {}
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*d*/) { return false; }
  // WM_CTLCOLOR*: sets the DC's colours and gives the background brush.
  virtual HBRUSH OnCtlColor(HDC dc);

 protected:
  // How the system control is made.
  struct Spec {
    const wchar_t* className = nullptr;
    DWORD style = 0;  // added to WS_CHILD, WS_CLIPSIBLINGS, visibility and tab stop
    DWORD exStyle = 0;
    std::string text;
  };
  ChildPeer(Backend& backend, Control& control);
  // Called by the family's constructor: creates the window (WindowError when the system
  // refuses), then Sync() brings it up to date.
  void Create(const Spec& spec);
  void Sync();

  // The size of the window at the control's bounds (a combo box's includes its list).
  virtual SIZE WindowSize() const { return {control_.Width(), control_.Height()}; }
  // The text the window shows, for the kinds that show one.
  virtual std::optional<std::string> Text() const { return std::nullopt; }
  virtual void SyncState() {}
  virtual void SyncRange() {}
  virtual void SyncItems() {}
  virtual void SyncStyle() {}
  virtual void SyncFont() {}
  // A button press before the control's OnMouseDown runs; true when the press is handled.
  virtual bool Pressed(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/) { return false; }

  HWND hwnd() const { return hwnd_.get(); }
  Backend& backend() const { return backend_; }
  Control& control() const { return control_; }
  std::string WindowText() const;
  // True while the peer itself writes the window's text (its change notification is ours).
  bool SettingText() const { return settingText_; }
  // Replaces the style bits in mask by bits and repaints.
  void SetStyleBits(LONG_PTR mask, LONG_PTR bits);
  // The control's own treatment of a message (inside the subclass procedure only).
  LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) const { return DefSubclassProc(hwnd(), msg, wParam, lParam); }
  // Sends a message to the control window.
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const { return SendMessageW(hwnd(), msg, wParam, lParam); }
  // Marks another window (the number field's arrows) as the control's.
  void Adopt(HWND part);
  void Disown(HWND part);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data);
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void SetText();

  Backend& backend_;
  Control& control_;
  UniqueWindow hwnd_;
  int id_ = 0;
  bool settingText_ = false;
  bool toolAdded_ = false;
};

}  // namespace ui::win32
