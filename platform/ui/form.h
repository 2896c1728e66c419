// Forms: top-level windows that own their components in creation order (the order the
// translation engine walks). A form class derives from Form, loads its definition in its
// constructor and overrides the window events it needs:
//
//   class TForm1 : public ui::Form {
//    public:
//     TForm1() : ui::Form("Form1") {
//       ui::HandlerMap h;
//       h.Add("Timer1Timer", this, &TForm1::Timer1Timer);
//       ui::LoadForm(*this, h);
//       LabelNumber = &Get<ui::Label>("LabelNumber");
//     }
//    protected:
//     void CreateParams(ui::CreateParams& p) override { p.exStyle |= ui::exstyle::kToolWindow; }
//     void Moving(ui::Rect& r) override;
//   };
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace ui {

class PopupMenu;
class Button;

enum class BorderStyle { None, Single, Dialog, Sizeable };
enum class FormPosition { Designed, ScreenCenter };
// The system setting a WM_SETTINGCHANGE names; only the work area matters to the forms.
enum class SystemSetting { WorkArea, Other };

// Window-creation parameters a form class may change before its window exists.
struct CreateParams {
  std::uint32_t exStyle = 0;  // extended styles added to those of the border style (exstyle::)
  enum class Owner { Application, Desktop } owner = Owner::Application;
};

class Form : public Control {
 public:
  explicit Form(std::string name);
  ~Form() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c);

  // Components in creation order (definition order). A form owns what it creates.
  const std::vector<Component*>& Components() const { return order_; }
  Component* FindComponent(std::string_view name) const;
  // The named component as T; throws DefinitionError when missing or of another kind.
  template <class T>
  T& Get(std::string_view name) const {
    Component* c = FindComponent(name);
    if (!c) throw DefinitionError(Name() + " has no component " + std::string(name));
    return As<T>(*c);
  }
  template <class T>
  T& Create(const std::string& name) {
    return static_cast<T&>(Adopt(std::make_unique<T>(name, this)));
  }
  Component& Adopt(std::unique_ptr<Component> c);
  // A definition's reference to a component (PopupMenu = PopupMenu1); DefinitionError if none.
  Component* FindComponentOrThrow(const PropValue& reference) const;

  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);
  Rect ClientRect() const override { return {0, 0, clientWidth_, clientHeight_}; }
  void SetBounds(int left, int top, int width, int height) override;
  BorderStyle GetBorderStyle() const { return borderStyle_; }
  void SetBorderStyle(BorderStyle b);
  bool SystemMenu() const { return systemMenu_; }
  void SetSystemMenu(bool v) { systemMenu_ = v; }
  FormPosition Position() const { return position_; }
  void SetPosition(FormPosition p) { position_ = p; }
  int MinWidth() const { return minWidth_; }
  int MinHeight() const { return minHeight_; }
  void SetMinSize(int w, int h) { minWidth_ = w, minHeight_ = h; }
  bool RoundedCorners() const { return roundedCorners_; }
  void SetRoundedCorners(bool v) { roundedCorners_ = v; }

  // Colour key: pixels of exactly this colour are invisible and let the mouse through.
  bool TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(bool v);
  Color TransparentColorValue() const { return transparentColorValue_; }
  void SetTransparentColorValue(Color c);
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool v);
  int AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(int v);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }
  // Snaps the window's edges to the work area while it moves (distance in pixels).
  bool ScreenSnap() const { return screenSnap_; }
  void SetScreenSnap(bool v) { screenSnap_ = v; }
  int SnapBuffer() const { return snapBuffer_; }
  void SetSnapBuffer(int v) { snapBuffer_ = v; }

  PopupMenu* GetPopupMenu() const { return popupMenu_; }
  void SetPopupMenu(PopupMenu* m) { popupMenu_ = m; }
  Control* ActiveControl() const;

  // The window: created on first need (showing, Handle()), with CreateParams applied.
  std::uintptr_t Handle();
  bool HandleAllocated() const { return GetPeer() != nullptr; }
  void CreateHandle();
  int Dpi() const { return dpi_; }

  void SetVisible(bool v) override;
  void Show();
  void Hide();
  // Shows the form and returns its ModalResult when a button or Close() ends the showing.
  // Throws std::logic_error when the form is already visible.
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r) { modalResult_ = r; }
  // Asks OnClose (action Hide by default): Hide hides, Free closes for good. Closing the
  // application's main form ends the message loop; closing a modal form ends the showing.
  void Close();
  void Invalidate();
  void BringToFront();

  NotifyEvent OnCreate;
  NotifyEvent OnShow;
  NotifyEvent OnHide;
  CloseEvent OnClose;
  NotifyEvent OnDestroy;

  // The wheel reached receiver: the form's OnMouseWheel sees it first, then the control's
  // own DoMouseWheel. True when one of them consumed it.
  bool DispatchMouseWheel(Control& receiver, unsigned shift, int wheelDelta, Point screenPos);
  // The deepest visible control at a point of the client area (nullptr: the form itself).
  Control* ControlAt(Point client) const;
  // Enter: the default button; Esc: the cancel button, or Close() when there is none.
  // True when the key was used.
  bool DialogKey(int key);
  Button* DefaultButton() const;

  // Window events, for form classes to override. They run on the UI thread; the backend
  // guards them (an exception shows the error box).
  virtual void CreateParams(ui::CreateParams& params) { (void)params; }
  // The window is being moved by the user to r (screen pixels); change r to restrict it.
  virtual void Moving(Rect& r) { (void)r; }
  virtual void ExitSizeMove() {}
  // WM_SETTINGCHANGE: which setting changed, area the text lParam points to ("" when none).
  virtual void SettingChange(SystemSetting setting, const std::string& area) { (void)setting, (void)area; }
  // What a backend calls for WM_SETTINGCHANGE: the toolkit's own step (high contrast), then
  // SettingChange.
  void SystemSettingChanged(SystemSetting setting, const std::string& area);
  // Any other message, before the default handling; a value answers it and stops the rest.
  virtual std::optional<std::intptr_t> RawMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    (void)msg, (void)wParam, (void)lParam;
    return std::nullopt;
  }
  // OnCreate, after the definition is loaded and the window exists (Application::CreateForm).
  void DoCreate();
  // The backend reports the window's new bounds after a move or resize by the system.
  void WindowMoved(const Rect& r, int clientWidth, int clientHeight);
  void DpiChanged(int newDpi);

  // Captions get the room their text takes in the control's font at the window's DPI,
  // which the design's fonts may not give (other fonts, larger text, a longer translation):
  // from the design layout, a row of controls first shares the room its captions leave
  // over, and only a row that is too narrow as a whole widens the window. A window whose
  // texts fit keeps its design layout. For windows that ask for it in their definition
  // (FitTexts = true); run when the window is made, at a new DPI and after a translation.
  bool FitsTexts() const { return fitTexts_; }
  void SetFitsTexts(bool v) { fitTexts_ = v; }
  void FitTexts();

  std::optional<std::string> GetTextProperty(std::string_view property) const override;
  bool SetTextProperty(std::string_view property, const std::string& value) override;
  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;
  void EnsurePeer() override;

 private:
  void ScaleControls(int num, int den);
  // The layout FitTexts starts from: every control's bounds and the client width, at
  // designDpi_, and whether its text is filled at run time (empty in the design).
  struct DesignPlace {
    Control* control;
    Rect bounds;
    bool runTimeText;
  };
  bool fitTexts_ = false;
  std::vector<DesignPlace> design_;
  int designDpi_ = 0;
  int designClientWidth_ = 0;
  std::string caption_;
  std::vector<std::unique_ptr<Component>> owned_;
  std::vector<Component*> order_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  BorderStyle borderStyle_ = BorderStyle::Sizeable;
  bool systemMenu_ = true;
  FormPosition position_ = FormPosition::Designed;
  int minWidth_ = 0;
  int minHeight_ = 0;
  bool roundedCorners_ = true;
  bool transparentColor_ = false;
  Color transparentColorValue_ = kClBlack;
  bool alphaBlend_ = false;
  int alphaBlendValue_ = 255;
  bool doubleBuffered_ = false;
  bool screenSnap_ = false;
  int snapBuffer_ = 10;
  PopupMenu* popupMenu_ = nullptr;
  bool modal_ = false;
  int modalResult_ = kMrNone;
  int dpi_ = 96;
  bool closing_ = false;
};

// The window edge snapping of ScreenSnap: each edge closer than distance to the same edge of
// the work area goes onto it (left, then top, right, bottom). A rectangle at (0, 0) is left alone.
Rect SnapToWorkArea(Rect r, const Rect& workArea, int distance);

}  // namespace ui
