// The dialog controls. Their rules for values set from code live here, so they hold on
// every backend: a check box runs its click handler whenever its state changes, a radio
// button when it becomes selected (clearing its siblings), a spin edit parses and clamps
// and runs its change handler when its text changes, the slider clamps and notifies only
// real moves; a combo index or a colour assigned from code runs no handler.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace ui {

// A control that shows a caption, readable and writable by name as "Caption".
class CaptionedControl : public Control {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c);

  std::optional<std::string> GetTextProperty(std::string_view property) const override;
  bool SetTextProperty(std::string_view property, const std::string& value) override;
  void SetProperty(const std::string& name, const PropValue& value) override;

 protected:
  using Control::Control;
  std::string caption_;
};

class Label : public CaptionedControl {
 public:
  Label(std::string name, Component* owner);
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment a);
  VerticalAlignment Layout() const { return layout_; }
  void SetLayout(VerticalAlignment l);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  // "&" marks an accelerator when on; off draws it as it is.
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Pixel width of text in this label's font, at its window's DPI (headless: see backend.h).
  int TextWidth(const std::string& text) const;

  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  Alignment alignment_ = Alignment::Left;
  VerticalAlignment layout_ = VerticalAlignment::Top;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool autoSize_ = true;
  bool transparent_ = true;
};

class Button : public CaptionedControl {
 public:
  Button(std::string name, Component* owner);
  bool Default() const { return default_; }  // Enter presses it
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }  // Esc presses it
  void SetCancel(bool v) { cancel_ = v; }
  int ModalResult() const { return modalResult_; }  // set on the form when pressed
  void SetModalResult(int v) { modalResult_ = v; }
  void Click() override;

  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = kMrNone;
};

class CheckBox : public CaptionedControl {
 public:
  CheckBox(std::string name, Component* owner);
  bool Checked() const { return checked_; }
  // Runs OnClick when the state changes, as a user's click would.
  void SetChecked(bool v);
  void Click() override;  // the user's click: toggles

  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  bool checked_ = false;
};

// Radio buttons with the same parent form one group.
class RadioButton : public CaptionedControl {
 public:
  RadioButton(std::string name, Component* owner);
  bool Checked() const { return checked_; }
  // Selecting clears the siblings and runs OnClick; clearing runs nothing.
  void SetChecked(bool v);
  void Click() override;  // the user's click: selects

  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  // Tab reaches a group at its selected button, or at its first one while none is selected.
  void UpdateGroupTabStops();
  bool checked_ = false;
};

// A number field with up and down buttons. The text is the truth; the value is read from it:
// an empty or non-numeric text reads as MinValue, a number out of range reads as it is
// ("000" reads 0) until the field loses the focus, which writes back the clamped value.
// Setting the value clamps it first. OnChange runs whenever the text changes.
class SpinEdit : public Control {
 public:
  SpinEdit(std::string name, Component* owner);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& t);
  int Value() const;
  void SetValue(int v);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  void SetMinValue(int v);
  void SetMaxValue(int v);
  int Increment() const { return increment_; }
  void SetIncrement(int v) { increment_ = v; }
  // Clamps into MinValue..MaxValue; equal limits mean "no limits".
  int CheckValue(int v) const;
  Alignment TextAlignment() const { return textAlign_; }
  void SetTextAlignment(Alignment a);
  // Caret position (in UTF-8 bytes of Text) and whole-text selection, kept for the headless editor.
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelection(int start, int length);
  void SelectAll();
  void StepUp() { SetValue(Value() + increment_); }
  void StepDown() { SetValue(Value() - increment_); }

  NotifyEvent OnChange;

  // Up and Down step the value before OnKeyDown sees the key.
  bool KeyDown(int& key, unsigned shift) override;
  void FocusLeft() override;
  // The backend reports an edit of the text by the user (typing, Delete, Backspace).
  void UserEditedText(const std::string& newText);

  std::optional<std::string> GetTextProperty(std::string_view property) const override;
  bool SetTextProperty(std::string_view property, const std::string& value) override;
  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;

 private:
  std::string text_ = "0";
  int min_ = 0;
  int max_ = 0;
  int increment_ = 1;
  Alignment textAlign_ = Alignment::Left;
  int selStart_ = 0;
  int selLength_ = 0;
};

// The slider. Position is clamped into Min..Max; OnChange runs only when it really moves.
class TrackBar : public Control {
 public:
  TrackBar(std::string name, Component* owner);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetMin(int v);
  void SetMax(int v);
  bool TickMarks() const { return tickMarks_; }
  void SetTickMarks(bool v);
  int Frequency() const { return frequency_; }
  void SetFrequency(int v) { frequency_ = v; }

  NotifyEvent OnChange;
  // The user dragged the thumb or pressed a key: the backend reports the new position.
  void UserMoved(int position) { SetPosition(position); }

  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;

 private:
  int position_ = 0;
  int min_ = 0;
  int max_ = 10;
  bool tickMarks_ = true;
  int frequency_ = 1;
};

// A drop-down list. ItemIndex set from code runs nothing; an index outside the items
// leaves no selection (-1). Text is the selected item's text.
class ComboBox : public Control {
 public:
  ComboBox(std::string name, Component* owner);
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int i);
  std::string Text() const;
  NotifyEvent OnChange;
  // The user picked an item (the backend's CBN_SELCHANGE): selects it and runs OnChange.
  void UserSelected(int index);

  std::optional<std::string> GetTextProperty(std::string_view property) const override;
  bool SetTextProperty(std::string_view property, const std::string& value) override;
  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

// A list of named colours, each drawn with a swatch. Selected set from code runs nothing;
// a colour not in the list leaves no selection but is kept as Selected(), so nothing the
// program stored is lost. The user's pick runs OnChange and then OnClick.
class ColorBox : public Control {
 public:
  struct Entry {
    std::string name;
    Color color;
  };
  ColorBox(std::string name, Component* owner);
  const std::vector<Entry>& Items() const { return items_; }
  void SetItems(std::vector<Entry> items);
  Color Selected() const { return selected_; }
  void SetSelected(Color c);
  int ItemIndex() const { return itemIndex_; }
  NotifyEvent OnChange;
  void UserSelected(int index);

  void SetProperty(const std::string& name, const PropValue& value) override;
  void BindEvent(const std::string& event, const Handler& handler) override;

 private:
  std::vector<Entry> items_;
  Color selected_ = kClBlack;
  int itemIndex_ = -1;
};

class GroupBox : public CaptionedControl {
 public:
  GroupBox(std::string name, Component* owner);
  Rect ClientRect() const override;  // inside the frame, below the caption line
};

class ProgressBar : public Control {
 public:
  ProgressBar(std::string name, Component* owner);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetRange(int min, int max);
  void SetPosition(int v);  // clamped into Min..Max
  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

// A tab control; without tabs it serves as a panel for other controls.
class TabControl : public Control {
 public:
  TabControl(std::string name, Component* owner);
  const std::vector<std::string>& Tabs() const { return tabs_; }
  void SetTabs(std::vector<std::string> tabs);
  void SetTab(int index, const std::string& caption);
  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  std::vector<std::string> tabs_;
};

// A picture: an icon from the executable's resources, by name.
class Image : public Control {
 public:
  Image(std::string name, Component* owner);
  const std::string& IconResource() const { return iconResource_; }
  void SetIconResource(const std::string& name);
  bool Proportional() const { return proportional_; }
  bool Center() const { return center_; }
  bool Stretch() const { return stretch_; }
  void SetProperty(const std::string& name, const PropValue& value) override;

 private:
  std::string iconResource_;
  bool proportional_ = false;
  bool center_ = false;
  bool stretch_ = false;
};

}  // namespace ui
