#include "platform/ui/headless/headless_ui.h"

#include <algorithm>

namespace ui::headless {

namespace {

const char* ChangeName(Change c) {
  switch (c) {
    case Change::Text: return "Text";
    case Change::Bounds: return "Bounds";
    case Change::Visible: return "Visible";
    case Change::Enabled: return "Enabled";
    case Change::Font: return "Font";
    case Change::Color: return "Color";
    case Change::Cursor: return "Cursor";
    case Change::State: return "State";
    case Change::Items: return "Items";
    case Change::Range: return "Range";
    case Change::Timer: return "Timer";
    case Change::Image: return "Image";
    case Change::Style: return "Style";
    case Change::Children: return "Children";
    case Change::Hint: return "Hint";
  }
  return "?";
}

}  // namespace

// Records what happens to one component.
class Peer : public ui::Peer {
 public:
  Peer(Backend& backend, Component& c) : backend_(backend), c_(c) {}
  ~Peer() override {
    if (backend_.focused_ == &c_) backend_.focused_ = nullptr;
  }
  void Changed(Change what) override { backend_.log.push_back(c_.Name() + "." + ChangeName(what)); }
  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(&c_); }
  void SetFocus() override {
    if (auto* control = dynamic_cast<Control*>(&c_)) backend_.Focus(*control);
  }
  bool Focused() const override { return backend_.focused_ == &c_; }
  void Invalidate() override { backend_.log.push_back(c_.Name() + ".Invalidate"); }
  Point ClientOrigin() const override {
    // No frames: a form's client area starts at its Left/Top.
    auto& control = static_cast<Control&>(c_);
    Point origin;
    for (const Control* k = &control; k; k = k->Parent()) {
      origin.x += k->Left();
      origin.y += k->Top();
    }
    return origin;
  }
  void Popup(Point p) override {
    auto& menu = static_cast<PopupMenu&>(c_);
    backend_.log.push_back(c_.Name() + ".Popup " + std::to_string(p.x) + "," + std::to_string(p.y));
    backend_.popups.push_back(&menu);
    if (backend_.onPopup) backend_.onPopup(menu);
  }
  void RunModal() override {
    auto& form = static_cast<Form&>(c_);
    backend_.log.push_back(c_.Name() + ".RunModal");
    if (backend_.onModal) backend_.Guard([&] { backend_.onModal(form); });
  }
  void BringToFront() override { backend_.log.push_back(c_.Name() + ".BringToFront"); }

 private:
  Backend& backend_;
  Component& c_;
};

Backend::Backend() = default;
Backend::~Backend() = default;

std::unique_ptr<ui::Peer> Backend::CreatePeer(Component& component) {
  log.push_back(component.Name() + ".Create");
  return std::make_unique<Peer>(*this, component);
}

void Backend::Run(Application& app) {
  // No real loop: run what is queued until the program ends or nothing is left.
  log.push_back("Run");
  app.RunQueued();
}

void Backend::ProcessMessages(Application& app) { app.RunQueued(); }

int Backend::TextWidth(const Control& control, const std::string& text) {
  Form* f = control.OwnerForm();
  return NominalTextWidth(control.GetFont(), f ? f->Dpi() : dpi, text);
}

void Backend::Guard(const std::function<void()>& f) { SafeCall(f); }

void Backend::Click(Control& c) {
  if (!c.Enabled() || !c.Visible()) return;
  Guard([&] { c.Click(); });
}

void Backend::MouseDown(Control& c, MouseButton b, int x, int y, unsigned shift) {
  Guard([&] { c.MouseDown(b, shift, x, y); });
}

void Backend::MouseUp(Control& c, MouseButton b, int x, int y, unsigned shift) {
  Guard([&] { c.MouseUp(b, shift, x, y); });
}

void Backend::Focus(Control& c) {
  if (focused_ == &c) return;
  Control* old = focused_;
  focused_ = &c;
  if (old) Guard([&] { old->FocusLeft(); });
  Guard([&] { c.FocusEntered(); });
}

namespace {

// The caret's neighbours in UTF-8.
size_t PrevBoundary(const std::string& s, size_t pos) {
  if (pos == 0) return 0;
  --pos;
  while (pos > 0 && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) --pos;
  return pos;
}
size_t NextBoundary(const std::string& s, size_t pos) {
  if (pos >= s.size()) return s.size();
  ++pos;
  while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
  return pos;
}

void EditKey(SpinEdit& e, int key) {
  std::string text = e.Text();
  size_t start = static_cast<size_t>(e.SelStart());
  size_t length = static_cast<size_t>(e.SelLength());
  switch (key) {
    case key::kLeft:
      e.SetSelection(static_cast<int>(length ? start : PrevBoundary(text, start)), 0);
      return;
    case key::kRight:
      e.SetSelection(static_cast<int>(length ? start + length : NextBoundary(text, start)), 0);
      return;
    case key::kHome:
      e.SetSelection(0, 0);
      return;
    case key::kEnd:
      e.SetSelection(static_cast<int>(text.size()), 0);
      return;
    case key::kDelete:
    case key::kBack: {
      if (length == 0) {
        if (key == key::kDelete) {
          length = NextBoundary(text, start) - start;
        } else {
          size_t prev = PrevBoundary(text, start);
          length = start - prev;
          start = prev;
        }
      }
      if (length == 0) return;
      text.erase(start, length);
      e.SetSelection(static_cast<int>(start), 0);
      e.UserEditedText(text);
      e.SetSelection(static_cast<int>(start), 0);
      return;
    }
    default:
      return;
  }
}

}  // namespace

void Backend::Key(Control& c, int key, unsigned shift) {
  Guard([&] {
    int k = key;
    if (!c.KeyDown(k, shift)) return;
    Form* form = c.OwnerForm();
    if ((k == key::kReturn || k == key::kEscape) && form && form->DialogKey(k)) return;
    if (auto* e = dynamic_cast<SpinEdit*>(&c)) EditKey(*e, k);
  });
}

void Backend::Char(Control& c, char16_t ch) {
  Guard([&] {
    char16_t typed = ch;
    if (!c.KeyPress(typed)) return;
    auto* e = dynamic_cast<SpinEdit*>(&c);
    if (!e || typed < 0x20) return;
    std::string text = e->Text();
    std::string insert;
    text::AppendUtf8(insert, typed);
    size_t start = static_cast<size_t>(e->SelStart());
    text.replace(start, static_cast<size_t>(e->SelLength()), insert);
    e->SetSelection(static_cast<int>(start), 0);
    e->UserEditedText(text);
    e->SetSelection(static_cast<int>(start + insert.size()), 0);
  });
}

void Backend::Wheel(Control& receiver, int delta, Point screenPos, unsigned shift) {
  Guard([&] {
    Form* form = receiver.OwnerForm();
    bool handled = form ? form->DispatchMouseWheel(receiver, shift, delta, screenPos)
                        : receiver.DoMouseWheel(shift, delta, screenPos);
    if (!handled) log.push_back(receiver.Name() + ".DefaultWheel " + std::to_string(delta));
  });
}

void Backend::MoveSlider(TrackBar& t, int position) {
  Guard([&] { t.UserMoved(position); });
}

void Backend::SelectItem(ComboBox& c, int index) {
  Guard([&] { c.UserSelected(index); });
}

void Backend::SelectColor(ColorBox& c, int index) {
  Guard([&] { c.UserSelected(index); });
}

void Backend::ChooseMenuItem(MenuItem& item) {
  if (!item.Enabled() || !item.Visible() || item.IsSeparator()) return;
  Guard([&] { PopupMenu::ItemChosen(item); });
}

void Backend::FireTimer(Timer& t) {
  Guard([&] { t.Tick(); });
}

void Backend::FireTimers(Form& f) {
  for (Component* c : f.Components())
    if (auto* t = dynamic_cast<Timer*>(c); t && t->Enabled() && t->OnTimer) FireTimer(*t);
}

Rect Backend::Move(Form& f, Rect r) {
  Guard([&] {
    f.Moving(r);
    if (f.ScreenSnap()) r = SnapToWorkArea(r, workArea, f.SnapBuffer());
    f.WindowMoved(r, f.ClientWidth(), f.ClientHeight());
  });
  return r;
}

void Backend::EndMove(Form& f) {
  Guard([&] { f.ExitSizeMove(); });
}

void Backend::SettingChange(Form& f, SystemSetting setting, const std::string& area) {
  Guard([&] { f.SystemSettingChanged(setting, area); });
}

void Backend::TrayMouseMove(TrayIcon& t, Point p) {
  Guard([&] { t.MouseMoved(p); });
}

void Backend::TrayButtonUp(TrayIcon& t, MouseButton b, Point p) {
  Guard([&] { t.ButtonUp(b, p); });
}

void Backend::TrayDoubleClick(TrayIcon& t) {
  Guard([&] { t.DoubleClicked(); });
}

void Backend::CloseBox(Form& f) {
  Guard([&] { f.Close(); });
}

}  // namespace ui::headless
