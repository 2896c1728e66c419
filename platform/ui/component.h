// Components and controls: the objects a window definition creates. A component has a
// name, a kind, an owner and its place in the owner's creation order; a control adds
// a parent, bounds, visibility, font, colours and the input events. The state lives
// here; a backend's peer only mirrors it on screen and reports user input back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/events.h"
#include "platform/ui/types.h"

namespace ui {

class Form;
class Control;

enum class Kind {
  Form, Label, Button, CheckBox, RadioButton, SpinEdit, TrackBar, ComboBox, ColorBox, GroupBox,
  ProgressBar, TabControl, Image, PopupMenu, MenuItem, Timer, TrayIcon, ImageList, Other
};
// "Label", "SpinEdit", ...: the kind's name in window definitions. KindFromName: nullopt if unknown.
std::string_view KindName(Kind kind);
std::optional<Kind> KindFromName(std::string_view name);

// The text properties the translation engine walks, in its order.
inline constexpr std::string_view kTextProperties[] = {"Caption", "Hint", "Title", "Text", "TextHint"};

// What changed on a component, so that its peer refreshes only that.
enum class Change { Text, Bounds, Visible, Enabled, Font, Color, Cursor, State, Items, Range, Timer, Image, Style, Children, Hint };

// A backend's object behind one component (a window, a menu, a timer id, a notify icon).
// Operations that only some kinds use have do-nothing defaults.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual void Changed(Change what) = 0;
  // The native handle (HWND, HMENU) as an integer, 0 when there is none.
  virtual std::uintptr_t Handle() const { return 0; }
  virtual void SetFocus() {}
  virtual bool Focused() const { return false; }
  virtual void Invalidate() {}
  // Screen position of the client area's top-left corner.
  virtual Point ClientOrigin() const { return {}; }
  // Menus: show at a screen point; returns when the menu closes.
  virtual void Popup(Point) {}
  // Forms: runs a message loop until the form's ModalResult is set or the program ends.
  virtual void RunModal() {}
  virtual void BringToFront() {}
};

// A window definition's property value: text, integer, boolean, identifier or list of texts.
struct PropValue {
  enum class Type { Text, Integer, Boolean, Ident, List, Integers } type = Type::Text;
  std::string text;  // Text and Ident
  std::int64_t integer = 0;
  bool boolean = false;
  std::vector<std::string> list;
  std::vector<std::int64_t> integers;  // "8, 8, 284, 50"
  int line = 0;  // in the definition, for messages
};

// A fault in a window definition or its bindings; the text names the line and the cause.
class DefinitionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Component {
 public:
  Component(Kind kind, std::string name, Component* owner);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::string& Name() const { return name_; }
  // The same, for classes with a member called Name (a form's component "Name" hides Name()).
  const std::string& ComponentName() const { return name_; }
  Kind GetKind() const { return kind_; }
  Component* Owner() const { return owner_; }
  // The form this component belongs to, through its owners (itself for a form).
  Form* OwnerForm() const;
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // The text properties this kind has ("Caption", "Hint", "Title", "Text", "TextHint").
  // Get gives nullopt and Set false for a property the kind does not have.
  virtual std::optional<std::string> GetTextProperty(std::string_view property) const;
  virtual bool SetTextProperty(std::string_view property, const std::string& value);
  bool HasTextProperty(std::string_view property) const { return GetTextProperty(property).has_value(); }

  // Loader entry points; both throw DefinitionError for a name the kind does not know.
  virtual void SetProperty(const std::string& name, const PropValue& value);
  virtual void BindEvent(const std::string& event, const Handler& handler);

  Peer* GetPeer() const { return peer_.get(); }
  void SetPeer(std::unique_ptr<Peer> peer);
  // Creates the backend's peer if a backend is installed and the component's form has its window.
  virtual void EnsurePeer();

 protected:
  void Notify(Change what) const {
    if (peer_) peer_->Changed(what);
  }
  [[noreturn]] void UnknownProperty(const std::string& name, const PropValue& value) const;
  [[noreturn]] void UnknownEvent(const std::string& event) const;
  template <class E>
  static E Expect(const Handler& h, const Component& self, const std::string& event);

 private:
  Kind kind_;
  std::string name_;
  Component* owner_;
  int tag_ = 0;
  std::unique_ptr<Peer> peer_;
};

template <class E>
E Component::Expect(const Handler& h, const Component& self, const std::string& event) {
  if (const E* e = std::get_if<E>(&h)) return *e;
  throw DefinitionError(self.Name() + "." + event + ": the handler has the wrong signature");
}

// A visual component: it sits in a parent (a form, a group box, a tab control).
class Control : public Component {
 public:
  Control(Kind kind, std::string name, Component* owner);
  ~Control() override;

  Control* Parent() const { return parent_; }
  void SetParent(Control* parent);  // nullptr detaches; the order of children is the tab order
  const std::vector<Control*>& Children() const { return children_; }

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  Rect BoundsRect() const { return bounds_; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  // The area aligned children fill, in the control's own coordinates; children's bounds are
  // relative to the control's top-left corner.
  virtual Rect ClientRect() const { return {0, 0, Width(), Height()}; }
  Align GetAlign() const { return align_; }
  void SetAlign(Align a);
  // Space kept free inside the client area when aligning children (left, top, right, bottom).
  Rect Padding() const { return padding_; }
  void SetPadding(Rect padding);
  // Re-places aligned children in the client area (called on every size change).
  void Realign();

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // The hint is the control's tooltip: shown while ShowHint is on and the hint is not empty
  // (HintShown); a change of either shows at once, also while the tooltip is up.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& h);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  bool HintShown() const { return showHint_ && !hint_.empty(); }
  Cursor GetCursor() const { return cursor_; }
  void SetCursor(Cursor c);

  // Font and colours: ParentFont (default on) takes the parent's font; Color kClDefault takes
  // the active style's colour. Drawing asks the style manager (style.h), never these directly.
  const Font& GetFont() const;
  void SetFont(const Font& f);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  Color GetColor() const { return color_; }
  void SetColor(Color c);
  // Excluded from the active style: keeps its own font and colours (the widget's digits).
  bool StyleExempt() const { return styleExempt_; }
  void SetStyleExempt(bool v);

  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v) { tabStop_ = v; }
  void SetFocus();
  bool Focused() const;

  // Screen position of a point of this control's client area, and back (through the backend;
  // without a window the form's Left/Top is taken as its client origin).
  Point ClientToScreen(Point p) const;
  Point ScreenToClient(Point p) const;

  NotifyEvent OnClick;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  MouseWheelEvent OnMouseWheel;
  KeyEvent OnKeyDown;
  KeyPressEvent OnKeyPress;
  NotifyEvent OnEnter;
  NotifyEvent OnExit;

  // User input, as backends (and headless tests) report it. Each runs the control's own
  // behaviour and its handlers; exceptions reach the caller (the backend guards them).
  virtual void Click();
  virtual void MouseDown(MouseButton button, unsigned shift, int x, int y);
  virtual void MouseUp(MouseButton button, unsigned shift, int x, int y);
  virtual void MouseMove(unsigned shift, int x, int y);
  // The control's own wheel behaviour, after the form's handler left the wheel unhandled.
  // True when consumed; false leaves the backend's default treatment.
  virtual bool DoMouseWheel(unsigned shift, int wheelDelta, Point screenPos);
  // Key-down: false when a handler discarded the key (set it to 0).
  virtual bool KeyDown(int& key, unsigned shift);
  virtual bool KeyPress(char16_t& ch);
  virtual void FocusEntered();
  virtual void FocusLeft();

  std::optional<std::string> GetTextProperty(std::string_view property) const override;
  bool SetTextProperty(std::string_view property, const std::string& value) override;
  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;
  void EnsurePeer() override;

 protected:
  void NotifyFontChanged();  // to itself and every child that takes its parent's font

 private:
  Control* parent_ = nullptr;
  std::vector<Control*> children_;
  Rect bounds_{0, 0, 0, 0};
  Align align_ = Align::None;
  Rect padding_{0, 0, 0, 0};
  bool visible_ = true;
  bool enabled_ = true;
  std::string hint_;
  bool showHint_ = false;
  Cursor cursor_ = Cursor::Default;
  Font font_;
  bool parentFont_ = true;
  Color color_ = kClDefault;
  bool styleExempt_ = false;
  bool tabStop_ = false;
  bool aligning_ = false;  // Realign is placing the children
};

// Finds a component's typed self or throws DefinitionError naming what was expected.
template <class T>
T& As(Component& c) {
  if (auto* t = dynamic_cast<T*>(&c)) return *t;
  throw DefinitionError(c.Name() + " is a " + std::string(KindName(c.GetKind())) + ", not the kind expected");
}

}  // namespace ui
