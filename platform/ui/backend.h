// The interface a backend implements: peers for components, the message loop, the error
// box and text measurement. One backend is installed at a time (headless for native tests,
// Win32 in the program); installing is done by the backend object's constructor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/component.h"

namespace ui {

class Application;
class Control;

// The headless text measurement (README): n code points in s points at dpi are
// n * round(0.6 * pixel height) wide.
int NominalTextWidth(const Font& font, int dpi, const std::string& text);

class Backend {
 public:
  Backend();  // installs itself
  virtual ~Backend();
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;
  static Backend* Current();

  // The peer of a component, or nullptr for a kind the backend does not show.
  virtual std::unique_ptr<Peer> CreatePeer(Component& component) = 0;
  // Runs the message loop until app.Terminated().
  virtual void Run(Application& app) = 0;
  virtual void ProcessMessages(Application& app) = 0;
  virtual void Terminate() = 0;
  // Thread-safe: the application's queue has work; get the UI thread to RunQueued().
  virtual void WakeUp() = 0;
  virtual void ShowErrorBox(const std::string& title, const std::string& text) = 0;
  // Pixel width of text drawn in the control's font (at its window's DPI).
  virtual int TextWidth(const Control& control, const std::string& text) = 0;
  virtual Point CursorPos() const = 0;
  // Brings the program to the foreground (before a menu opens from the tray).
  virtual void ForegroundApplication() = 0;
  virtual std::uintptr_t ApplicationHandle() const { return 0; }
  // The DPI of the monitor a new window opens on.
  virtual int DefaultDpi() const { return 96; }
  // Whether Windows' high contrast is on.
  virtual bool HighContrast() const { return false; }
};

}  // namespace ui
