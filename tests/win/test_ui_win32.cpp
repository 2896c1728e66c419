// The toolkit's Win32 backend against the real API: a layered widget-like form with a
// label, popup menu item states and command dispatch, timers, and exceptions that stop at
// the window procedure.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ui.h"
#include "platform/ui/win32/win32_ui.h"
#include "win_test_util.h"

namespace {

// Closes a menu that a test left open; a plain function, as the 32-bit calling convention needs.
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }


struct ErrorBoxes {
  std::vector<std::pair<std::string, std::string>> shown;
  ErrorBoxes() {
    ui::win32::Backend::SetErrorBoxHookForTests([this](const std::string& t, const std::string& x) { shown.emplace_back(t, x); });
  }
  ~ErrorBoxes() { ui::win32::Backend::SetErrorBoxHookForTests(nullptr); }
};

class WidgetLike : public ui::Form {
 public:
  WidgetLike() : ui::Form("Form1") {
    ui::HandlerMap h;
    h.Add("ItemClick", this, &WidgetLike::ItemClick);
    ui::LoadForm(*this,
                 "form Form1\n"
                 "  BorderStyle = None\n"
                 "  Left = 100\n"
                 "  Top = 80\n"
                 "  ClientSize = 201, 269\n"
                 "  Color = clGray\n"
                 "  TransparentColor = true\n"
                 "  TransparentColorValue = clGray\n"
                 "  AlphaBlendValue = 50\n"
                 "  DoubleBuffered = true\n"
                 "  PopupMenu = PopupMenu1\n"
                 "  Label LabelNumber\n"
                 "    Align = Client\n"
                 "    Alignment = Center\n"
                 "    Layout = Center\n"
                 "    Caption = \"8\"\n"
                 "    Font.Size = 100\n"
                 "    Font.Color = 0x0000FF\n"
                 "    StyleExempt = true\n"
                 "  end\n"
                 "  PopupMenu PopupMenu1\n"
                 "    MenuItem Disabled\n"
                 "      Caption = \"Disabled\"\n"
                 "      Enabled = false\n"
                 "    end\n"
                 "    MenuItem Sub\n"
                 "      Caption = \"Sub\"\n"
                 "      MenuItem Radio\n"
                 "        Caption = \"Radio\"\n"
                 "        RadioItem = true\n"
                 "        Checked = true\n"
                 "      end\n"
                 "    end\n"
                 "    MenuItem N1\n"
                 "      Caption = \"-\"\n"
                 "    end\n"
                 "    MenuItem Last\n"
                 "      Caption = \"Выход\"\n"
                 "      OnClick = ItemClick\n"
                 "    end\n"
                 "  end\n"
                 "end\n",
                 h);
  }
  int itemClicks = 0;
  std::vector<UINT> rootStates;  // fState of the root menu's items while it is open
  std::vector<UINT> rootTypes;
  bool throwOnMoving = false;
  std::vector<std::pair<ui::SystemSetting, std::string>> settings;  // SettingChange calls

 protected:
  void CreateParams(ui::CreateParams& p) override {
    p.exStyle |= ui::exstyle::kToolWindow | ui::exstyle::kNoActivate;
    p.owner = ui::CreateParams::Owner::Desktop;
  }
  void SettingChange(ui::SystemSetting setting, const std::string& area) override {
    settings.emplace_back(setting, area);
  }
  void Moving(ui::Rect& r) override {
    if (throwOnMoving) throw std::runtime_error("moving failed");
    r = {0, 0, r.Width(), r.Height()};
  }
  std::optional<std::intptr_t> RawMessage(unsigned msg, std::uintptr_t w, std::intptr_t) override {
    if (msg == WM_INITMENUPOPUP && rootStates.empty()) {
      HMENU menu = reinterpret_cast<HMENU>(w);
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
        rootStates.push_back(mii.fState);
        rootTypes.push_back(mii.fType);
        if (mii.hSubMenu) {
          MENUITEMINFOW sub{};
          sub.cbSize = sizeof sub;
          sub.fMask = MIIM_STATE | MIIM_FTYPE;
          GetMenuItemInfoW(mii.hSubMenu, 0, TRUE, &sub);
          subState = sub.fState;
          subType = sub.fType;
        }
      }
      // Choose the last item from the keyboard, as a user would: Up, then Enter. The menu's
      // own loop reads these keys from the thread's queue.
      HWND self = reinterpret_cast<HWND>(Handle());
      PostMessageW(self, WM_KEYDOWN, VK_UP, 0);
      PostMessageW(self, WM_KEYUP, VK_UP, 0);
      PostMessageW(self, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(self, WM_KEYUP, VK_RETURN, 0);
    }
    return std::nullopt;
  }

 public:
  UINT subState = 0, subType = 0;

 private:
  void ItemClick(ui::Component&) { ++itemClicks; }
};

struct UiWin32 : ::testing::Test {
  ErrorBoxes boxes;
  ui::win32::Backend backend;
  ui::Application app;
  UiWin32() { app.SetTitle("Cifrona"); }
  // A form made from a definition's text, created and shown.
  wintest::DefinedForm& ShowDefinition(const std::string& name, const std::string& definition) {
    wintest::DefinedForm* form = nullptr;
    app.CreateForm(form, name, definition);
    form->Show();
    app.ProcessMessages();
    return *form;
  }
};

TEST_F(UiWin32, LayeredWidgetFormHasItsStylesKeyAndPaintsTheLabelOverTheKeyColour) {
  WidgetLike* form = nullptr;
  app.CreateForm(form);
  HWND hwnd = reinterpret_cast<HWND>(form->Handle());
  ASSERT_NE(hwnd, nullptr);
  LONG_PTR ex = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_LAYERED);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_POPUP);
  EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(128, 128, 128));
  // Wine keeps the alpha value only together with LWA_ALPHA; Windows returns what was set.
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) EXPECT_EQ(alpha, 50);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
  EXPECT_NE(GetWindow(hwnd, GW_OWNER), reinterpret_cast<HWND>(app.Handle()));

  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 201);
  EXPECT_EQ(client.bottom, 269);
  RECT window;
  GetWindowRect(hwnd, &window);
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.top, 80);

  // The label measures in its own font: wider for more digits.
  auto& label = form->Get<ui::Label>("LabelNumber");
  int one = label.TextWidth("8"), four = label.TextWidth("8888");
  EXPECT_GT(one, 20);
  EXPECT_NEAR(four, 4 * one, 4);

  // Paint into a bitmap through the window's own painting: the corner stays the key colour,
  // the middle of the digit is drawn in the label's colour.
  form->Show();
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(form->BoundsRect().left, 100);
  app.ProcessMessages();
  HDC screen = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(mem, bmp);
  PrintWindow(hwnd, mem, PW_CLIENTONLY);
  COLORREF corner = GetPixel(mem, 2, 2);
  int red = 0;
  for (int y = 0; y < client.bottom; y += 2)
    for (int x = 0; x < client.right; x += 2)
      if (GetPixel(mem, x, y) == RGB(255, 0, 0)) ++red;
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(hwnd, screen);
  EXPECT_EQ(corner, RGB(128, 128, 128));
  EXPECT_GT(red, 50);
  EXPECT_EQ(SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(GetDC(hwnd)), 0), 1);
}

TEST_F(UiWin32, PopupMenuShowsItemStatesAndDispatchesTheChosenItemFromTheQueue) {
  WidgetLike* form = nullptr;
  app.CreateForm(form);
  form->Show();
  SetForegroundWindow(reinterpret_cast<HWND>(form->Handle()));
  auto& menu = form->Get<ui::PopupMenu>("PopupMenu1");
  menu.SetPopupComponent(&form->Get<ui::Label>("LabelNumber"));
  // Should the keys get lost, the menu closes anyway and the test fails instead of hanging.
  UINT_PTR safety = SetTimer(nullptr, 0, 5000, EndMenuTimer);
  menu.Popup(150, 150);
  KillTimer(nullptr, safety);
  ASSERT_EQ(form->rootStates.size(), 4u);
  EXPECT_TRUE(form->rootStates[0] & MFS_DISABLED);
  EXPECT_TRUE(form->rootTypes[2] & MFT_SEPARATOR);
  EXPECT_FALSE(form->rootStates[3] & MFS_DISABLED);
  EXPECT_TRUE(form->subType & MFT_RADIOCHECK);
  EXPECT_TRUE(form->subState & MFS_CHECKED);
  EXPECT_EQ(form->itemClicks, 0);  // posted, as Windows delivers a menu command
  app.ProcessMessages();
  EXPECT_EQ(form->itemClicks, 1);
}

TEST_F(UiWin32, TimersTickThroughTheLoopAndAThrowingHandlerShowsTheErrorBoxAndTheLoopGoesOn) {
  WidgetLike* form = nullptr;
  app.CreateForm(form);
  auto& timer = form->Create<ui::Timer>("Timer1");
  auto& guard = form->Create<ui::Timer>("Guard");
  int ticks = 0;
  timer.SetInterval(20);
  timer.OnTimer = [&](ui::Component&) {
    if (++ticks == 1) throw std::runtime_error("Cannot create file \"x\". Access is denied");
    if (ticks == 3) app.Terminate();
  };
  guard.SetInterval(10000);
  guard.OnTimer = [&](ui::Component&) { app.Terminate(); };
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  app.Run();
  EXPECT_EQ(ticks, 3);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].first, "Cifrona");
  EXPECT_EQ(boxes.shown[0].second, "Cannot create file \"x\". Access is denied");
}

TEST_F(UiWin32, WindowEventsReachTheFormAndTheirExceptionsStopAtTheWindowProcedure) {
  WidgetLike* form = nullptr;
  app.CreateForm(form);
  HWND hwnd = reinterpret_cast<HWND>(form->Handle());
  RECT r{300, 200, 501, 469};
  SendMessageW(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 0);  // changed in place by Moving
  EXPECT_EQ(r.right, 201);
  form->throwOnMoving = true;
  SendMessageW(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].second, "moving failed");

  // Only SPI_SETWORKAREA (47) is the work area; the area text comes along either way.
  SendMessageW(hwnd, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  SendMessageW(hwnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  SendMessageW(hwnd, WM_SETTINGCHANGE, SPI_SETWORKAREA - 1, 0);
  using S = ui::SystemSetting;
  EXPECT_EQ(form->settings, (std::vector<std::pair<S, std::string>>{
                                {S::WorkArea, ""}, {S::Other, "ImmersiveColorSet"}, {S::Other, ""}}));
}

TEST_F(UiWin32, QueuedStepsFromAWorkerRunOnTheUiThread) {
  DWORD uiThread = GetCurrentThreadId();
  DWORD ranOn = 0;
  std::thread worker([&] { app.Queue([&] { ranOn = GetCurrentThreadId(); }); });
  worker.join();
  for (int i = 0; i < 50 && !ranOn; ++i) {
    app.ProcessMessages();
    Sleep(5);
  }
  EXPECT_EQ(ranOn, uiThread);
}

}  // namespace

namespace {

// The settings dialog's definition on real common controls: clicks reach the handlers,
// the controls mirror values set from code, Tab and Enter work as in a dialog.
TEST_F(UiWin32, DialogControlsReportUserInputAndFollowValuesSetFromCode) {
  std::vector<std::string> calls;
  ui::HandlerMap h;
  for (const char* n : {"FormCreate", "SpinEditNumberChange", "SpinEditScaleChange", "TrackBarScaleChange", "ComboBoxFontChange",
                        "ColorBoxNumberClick", "CheckBoxAutoColorClick", "MenuColorTrayIconClick", "CheckBoxIgnoreMouseClick",
                        "RadioButtonDefaultPositionClick", "RadioButtonLastPositionClick", "MenuAutostartClick", "ButtonSaveClick"})
    h.Add(n, ui::NotifyEvent([&calls, n](ui::Component&) { calls.push_back(n); }));
  for (const char* n : {"SpinEditNumberKeyDown", "SpinEditScaleKeyDown"})
    h.Add(n, ui::KeyEvent([](ui::Component&, int&, unsigned) {}));
  for (const char* n : {"SpinEditNumberKeyPress", "SpinEditScaleKeyPress"})
    h.Add(n, ui::KeyPressEvent([](ui::Component&, char16_t&) {}));
  struct Dialog : ui::Form {
    explicit Dialog(const ui::HandlerMap& h) : ui::Form("Form2") { ui::LoadForm(*this, h); }
  };
  Dialog* form = nullptr;
  app.CreateForm(form, h);
  form->Show();
  app.ProcessMessages();
  auto hwndOf = [](ui::Control& c) { return reinterpret_cast<HWND>(c.GetPeer()->Handle()); };

  auto& box = form->Get<ui::CheckBox>("CheckBoxAutoColor");
  SendMessageW(hwndOf(box), BM_CLICK, 0, 0);
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(SendMessageW(hwndOf(box), BM_GETCHECK, 0, 0), BST_CHECKED);

  auto& last = form->Get<ui::RadioButton>("RadioButtonLastPosition");
  auto& centre = form->Get<ui::RadioButton>("RadioButtonDefaultPosition");
  SendMessageW(hwndOf(last), BM_CLICK, 0, 0);
  EXPECT_TRUE(last.Checked());
  EXPECT_EQ(SendMessageW(hwndOf(centre), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  auto& number = form->Get<ui::SpinEdit>("SpinEditNumber");
  number.SetValue(42);
  wchar_t text[16];
  GetWindowTextW(hwndOf(number), text, 16);
  EXPECT_STREQ(text, L"42");
  SetWindowTextW(hwndOf(number), L"77");  // the user's edit
  EXPECT_EQ(number.Value(), 77);

  auto& slider = form->Get<ui::TrackBar>("TrackBarScale");
  slider.SetPosition(250);
  EXPECT_EQ(SendMessageW(hwndOf(slider), TBM_GETPOS, 0, 0), 250);

  auto& fonts = form->Get<ui::ComboBox>("ComboBoxFont");
  EXPECT_EQ(SendMessageW(hwndOf(fonts), CB_GETCOUNT, 0, 0), 7);
  fonts.SetItemIndex(6);
  EXPECT_EQ(SendMessageW(hwndOf(fonts), CB_GETCURSEL, 0, 0), 6);

  EXPECT_EQ(calls, (std::vector<std::string>{"FormCreate", "CheckBoxAutoColorClick", "RadioButtonLastPositionClick", "SpinEditNumberChange",
                                             "SpinEditNumberChange", "TrackBarScaleChange"}));

  // Enter in the number field presses the default button "Ok".
  SetFocus(hwndOf(number));
  EXPECT_TRUE(number.Focused());
  calls.clear();
  PostMessageW(hwndOf(number), WM_KEYDOWN, VK_RETURN, 0);
  app.ProcessMessages();
  EXPECT_EQ(calls, std::vector<std::string>{"ButtonSaveClick"});
  if (const char* shot = getenv("CIFRONA_UI_SHOT_MS")) Sleep(static_cast<DWORD>(atoi(shot)));
}

}  // namespace

namespace {

// A window that must never take the focus (the widget) stays inactive whatever the system
// does to it: a click asks it, and the move loop moves it without SWP_NOACTIVATE. Its bounds
// follow such moves, so a later size change keeps the place the user dragged it to.
TEST_F(UiWin32, NoActivateFormStaysInactiveWhenClickedOrMovedByTheSystemAndKeepsItsNewPlace) {
  WidgetLike* form = nullptr;
  app.CreateForm(form);
  form->Show();
  app.ProcessMessages();
  HWND hwnd = reinterpret_cast<HWND>(form->Handle());
  EXPECT_EQ(SendMessageW(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);

  SetWindowPos(hwnd, nullptr, 340, 260, 0, 0, SWP_NOSIZE);  // as the move loop does it
  app.ProcessMessages();
  EXPECT_NE(GetActiveWindow(), hwnd);
  EXPECT_NE(GetForegroundWindow(), hwnd);
  EXPECT_EQ(form->Left(), 340);
  EXPECT_EQ(form->Top(), 260);

  form->SetBounds(form->Left(), form->Top(), 250, 200);
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 340);
  EXPECT_EQ(r.top, 260);
  EXPECT_EQ(r.right - r.left, 250);
}

struct FoundTooltips {
  HWND owner;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTooltip(HWND h, LPARAM data) {
  auto* f = reinterpret_cast<FoundTooltips*>(data);
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (_wcsicmp(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(h, GW_OWNER) == f->owner) f->found.push_back(h);
  return TRUE;
}

// The tooltip controls owned by a form's window.
std::vector<HWND> TooltipsOf(HWND form) {
  FoundTooltips f{form, {}};
  EnumThreadWindows(GetCurrentThreadId(), &CollectTooltip, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

// The text the tooltip shows for a control window ("" when it has no tool for it).
std::wstring TipText(HWND tip, HWND control) {
  wchar_t buffer[1024] = {};
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = buffer;
  SendMessageW(tip, TTM_GETTEXTW, static_cast<WPARAM>(std::size(buffer)), reinterpret_cast<LPARAM>(&ti));
  return buffer;
}

// A window whose frame is thinner than its smallest outer size allows: the window takes the
// smallest size, the client area grows to fill it, and the aligned panels follow.
TEST_F(UiWin32, TheSmallestOuterSizeHoldsFromCreationAndTheClientAreaFillsIt) {
  auto& form = ShowDefinition("FormSmallest",
                              "form FormSmallest\n"
                              "  BorderStyle = Single\n"
                              "  SystemMenu = true\n"
                              "  ClientSize = 120, 40\n"
                              "  MinSize = 350, 200\n"
                              "  TabControl TabControlButtons\n"
                              "    Align = Bottom\n"
                              "    Height = 35\n"
                              "  end\n"
                              "end\n");
  HWND hwnd = reinterpret_cast<HWND>(form.Handle());
  RECT outer, client;
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &client);
  const int dpi = form.Dpi();
  EXPECT_EQ(outer.right - outer.left, MulDiv(350, dpi, 96));
  EXPECT_EQ(outer.bottom - outer.top, MulDiv(200, dpi, 96));
  EXPECT_EQ(form.ClientWidth(), client.right);
  EXPECT_EQ(form.ClientHeight(), client.bottom);
  const ui::Rect bar = form.Get<ui::TabControl>("TabControlButtons").BoundsRect();
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.right, client.right);
}

// A form whose window procedure refuses its window.
class RefusedForm : public ui::Form {
 public:
  RefusedForm() : ui::Form("FormRefused") {
    ui::LoadForm(*this, "form FormRefused\n  ClientSize = 100, 100\nend\n", ui::HandlerMap());
  }

 protected:
  std::optional<std::intptr_t> RawMessage(unsigned msg, std::uintptr_t, std::intptr_t) override {
    if (msg == WM_NCCREATE) return FALSE;
    return std::nullopt;
  }
};

// Creation the system refuses is loud: the error names the window or control, carries the
// system's reason, and the application's error box shows it; nothing is left half made.
TEST_F(UiWin32, CreationTheSystemRefusesRaisesAnErrorWithItsReasonThatTheErrorBoxShows) {
  // A control of a form whose window is gone would be a child window without a parent.
  auto& form = ShowDefinition("FormGone", "form FormGone\n  BorderStyle = Dialog\n  ClientSize = 200, 100\nend\n");
  DestroyWindow(reinterpret_cast<HWND>(form.Handle()));
  ui::Button* late = nullptr;
  app.Guard([&] { late = &form.Create<ui::Button>("ButtonLate"); });
  EXPECT_EQ(late, nullptr);
  RefusedForm* refused = nullptr;
  app.Guard([&] { app.CreateForm(refused); });
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(refused->GetPeer(), nullptr);

  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].first, "Cifrona");
  EXPECT_EQ(boxes.shown[0].second, "Cannot create the control \"ButtonLate\": " + win32::SystemMessage(ERROR_TLW_WITH_WSCHILD));
  EXPECT_EQ(boxes.shown[1].second.rfind("Cannot create the window \"FormRefused\"", 0), 0u) << boxes.shown[1].second;
  // A later change finds no window to ignore it: asking for one tries again, as loudly.
  EXPECT_THROW(refused->Handle(), ui::win32::WindowError);
}

// Hints of the windowed controls: one tooltip per form, its text following every change of
// the hint at once (the settings dialog's slider shows its position while it moves).
TEST_F(UiWin32, ControlHintsShareTheFormsTooltipAndItsTextFollowsEveryChange) {
  auto& form = ShowDefinition("FormHints",
                              "form FormHints\n"
                              "  BorderStyle = Dialog\n"
                              "  ClientSize = 300, 200\n"
                              "  TrackBar TrackBarScale\n"
                              "    Left = 10\n"
                              "    Top = 10\n"
                              "    Width = 200\n"
                              "    Height = 40\n"
                              "    Min = 30\n"
                              "    Max = 500\n"
                              "    Position = 100\n"
                              "  end\n"
                              "  Button ButtonSave\n"
                              "    Left = 10\n"
                              "    Top = 100\n"
                              "    Width = 80\n"
                              "    Height = 25\n"
                              "    Caption = \"OK\"\n"
                              "    Hint = \"Сохранить\"\n"
                              "    ShowHint = true\n"
                              "  end\n"
                              "end\n");
  HWND formHwnd = reinterpret_cast<HWND>(form.Handle());
  auto& slider = form.Get<ui::TrackBar>("TrackBarScale");
  auto& button = form.Get<ui::Button>("ButtonSave");
  HWND sliderHwnd = reinterpret_cast<HWND>(slider.GetPeer()->Handle());
  HWND buttonHwnd = reinterpret_cast<HWND>(button.GetPeer()->Handle());

  // The slider's change handler, as the settings dialog has it.
  slider.OnChange = [&](ui::Component&) {
    slider.SetShowHint(true);
    slider.SetHint(std::to_string(slider.Position()));
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    const wchar_t* sliderTip;
  };
  const Step steps[] = {
      {"no hint yet", [] {}, L""},
      {"moved from code", [&] { slider.SetPosition(250); }, L"250"},
      {"moved by the user", [&] { SendMessageW(sliderHwnd, TBM_SETPOS, TRUE, 251);
                                  SendMessageW(formHwnd, WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(sliderHwnd)); },
       L"251"},
      {"hint by name", [&] { slider.SetTextProperty("Hint", "Масштаб"); }, L"Масштаб"},
      {"switched off", [&] { slider.SetShowHint(false); }, L""},
      {"switched on again", [&] { slider.SetShowHint(true); }, L"Масштаб"},
      {"moved to the end", [&] { slider.SetPosition(500); }, L"500"},
  };
  for (const Step& step : steps) {
    step.act();
    app.ProcessMessages();
    auto tips = TooltipsOf(formHwnd);
    ASSERT_EQ(tips.size(), 1u) << step.what;  // the button's hint made it; one for the whole form
    EXPECT_EQ(TipText(tips[0], sliderHwnd), step.sliderTip) << step.what;
    EXPECT_EQ(TipText(tips[0], buttonHwnd), L"Сохранить") << step.what;
  }
}

}  // namespace
