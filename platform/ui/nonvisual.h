// Components without a place in the window: the timer, the notification-area icon and
// the image list that holds its pictures.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace ui {

class PopupMenu;

class Timer : public Component {
 public:
  Timer(std::string name, Component* owner);
  ~Timer() override;
  unsigned Interval() const { return interval_; }  // milliseconds
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  NotifyEvent OnTimer;
  // One tick, as the backend delivers it.
  void Tick();

  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;
  void EnsurePeer() override;  // timers run without their form's window

 private:
  unsigned interval_ = 1000;
  bool enabled_ = true;
};

// Pictures by icon resource name, loaded by the backend at the size the DPI asks for.
class ImageList : public Component {
 public:
  ImageList(std::string name, Component* owner);
  const std::vector<std::string>& Icons() const { return icons_; }
  void SetIcons(std::vector<std::string> resourceNames);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(icons_.size()); }
  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  std::vector<std::string> icons_;
  int width_ = 16;
  int height_ = 16;
};

class TrayIcon : public Component {
 public:
  TrayIcon(std::string name, Component* owner);
  ~TrayIcon() override;
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // The tooltip; Windows keeps its first 127 characters.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& h);
  ImageList* Icons() const { return icons_; }
  void SetIcons(ImageList* list);
  int IconIndex() const { return iconIndex_; }
  // A different index replaces the picture at once; the same index changes nothing.
  void SetIconIndex(int i);
  PopupMenu* GetPopupMenu() const { return popupMenu_; }
  void SetPopupMenu(PopupMenu* m) { popupMenu_ = m; }
  const std::string& BalloonHint() const { return balloonHint_; }
  const std::string& BalloonTitle() const { return balloonTitle_; }

  NotifyEvent OnClick;
  NotifyEvent OnDblClick;
  MouseMoveEvent OnMouseMove;
  MouseEvent OnMouseUp;

  // Pointer input over the icon, as the backend reports it. A right-button release opens
  // the popup menu: the application comes to the foreground, pending messages run, the menu's
  // automatic opening is switched off, its popup component becomes the icon's owner.
  void MouseMoved(Point screenPos);
  void ButtonUp(MouseButton button, Point screenPos);
  void DoubleClicked();

  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;
  void EnsurePeer() override;

 private:
  bool visible_ = false;
  std::string hint_;
  ImageList* icons_ = nullptr;
  int iconIndex_ = 0;
  PopupMenu* popupMenu_ = nullptr;
  std::string balloonHint_;
  std::string balloonTitle_;
};

}  // namespace ui
