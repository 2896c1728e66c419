// The one place where controls get their colours and fonts. A style is a palette
// registered by name; at most one is active, and before any is, windows have the
// system's plain look. Controls marked StyleExempt keep their own colours and font.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/ui/types.h"

namespace ui {

class Control;

struct Palette {
  Color windowBackground;  // forms, group boxes, tab panels
  Color text;
  Color disabledText;
  Color controlBackground;  // buttons
  Color editBackground;     // spin edits, combo boxes, colour list
  Color editText;
  Color border;
  Color highlight;  // selection, progress, slider thumb
  Color highlightText;
  Color link;
  bool dark = false;
  // The system's plain look (system colours, resolved when drawn).
  static Palette SystemLook();
};

class StyleManager {
 public:
  static StyleManager& Instance();

  // Names compare without regard to case.
  void Register(const std::string& name, const Palette& palette);
  bool IsRegistered(const std::string& name) const;
  // Activates a registered style: an unknown name or the active one changes nothing.
  // True when the style changed (OnChange has run then).
  bool SetStyle(const std::string& name);
  // The active style's name, "" before any is set.
  const std::string& ActiveName() const { return active_; }
  const Palette& Active() const;
  std::function<void()> OnChange;  // the backend repaints every window
  void Reset();                    // no style active, none registered (tests)

  // What a control is drawn with.
  Color BackgroundOf(const Control& c) const;
  Color TextColorOf(const Control& c) const;
  Font FontOf(const Control& c) const;

 private:
  std::map<std::string, Palette> styles_;  // keyed by upper-cased name
  std::string active_;
  Palette plain_ = Palette::SystemLook();
};

}  // namespace ui
