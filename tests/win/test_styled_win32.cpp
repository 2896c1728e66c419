// The dialogs' controls under the two built-in styles, drawn by the real controls into a
// bitmap: every kind paints from the active palette, a style change reaches every child
// window at once, and the plain look leaves the native drawing alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <dwmapi.h>

#include <map>
#include <string>

#include "platform/ui/ui.h"
#include "platform/ui/win32/win32_ui.h"
#include "win_test_util.h"

namespace {

constexpr const char* kDialog =
    "form Form2\n"
    "  Caption = \"Styled\"\n"
    "  BorderStyle = Single\n"
    "  ClientSize = 320, 220\n"
    "  Font.Name = \"Tahoma\"\n"
    "  Font.Color = clBlack\n"
    "  GroupBox Group\n"
    "    Caption = \"Группа\"\n"
    "    Bounds = 4, 4, 312, 120\n"
    "    CheckBox Box\n"
    "      Caption = \"Флажок\"\n"
    "      Bounds = 10, 20, 140, 20\n"
    "      Checked = true\n"
    "    end\n"
    "    RadioButton Radio\n"
    "      Caption = \"Выбор\"\n"
    "      Bounds = 160, 20, 140, 20\n"
    "    end\n"
    "    SpinEdit Spin\n"
    "      Bounds = 10, 50, 90, 23\n"
    "      MinValue = 1\n"
    "      MaxValue = 5000\n"
    "      Value = 42\n"
    "    end\n"
    "    ComboBox Combo\n"
    "      Bounds = 160, 50, 140, 23\n"
    "    end\n"
    "    TrackBar Slider\n"
    "      Bounds = 10, 80, 290, 30\n"
    "      Min = 30\n"
    "      Max = 500\n"
    "      Position = 250\n"
    "      TickMarks = false\n"
    "    end\n"
    "  end\n"
    "  ProgressBar Progress\n"
    "    Bounds = 4, 130, 312, 16\n"
    "    Position = 40\n"
    "  end\n"
    "  ColorBox Colors\n"
    "    Bounds = 4, 160, 110, 24\n"
    "  end\n"
    "  Button Ok\n"
    "    Caption = \"Ok\"\n"
    "    Bounds = 120, 160, 80, 28\n"
    "    Default = true\n"
    "  end\n"
    "end\n";

// The colours a window draws into its client area, counted.
std::map<COLORREF, int> Colours(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  HDC screen = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = SelectObject(mem, bmp);
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
  std::map<COLORREF, int> counts;
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) ++counts[GetPixel(mem, x, y)];
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(hwnd, screen);
  return counts;
}

COLORREF Commonest(const std::map<COLORREF, int>& counts) {
  COLORREF best = 0;
  int n = -1;
  for (auto [c, k] : counts)
    if (k > n) best = c, n = k;
  return best;
}

struct StyledWin32 : ::testing::Test {
  ui::win32::Backend backend;
  ui::Application app;
  StyledWin32() {
    app.SetTitle("Cifrona");
    ui::StyleManager::Instance().Reset();
    ui::RegisterBuiltInStyles();
  }
  ~StyledWin32() override { ui::StyleManager::Instance().Reset(); }
};

TEST_F(StyledWin32, EveryControlPaintsFromTheActivePaletteAndFollowsAChangeAtOnce) {
  wintest::DefinedForm* form = nullptr;
  app.CreateForm(form, "Form2", kDialog);
  form->Get<ui::ComboBox>("Combo").SetItems({"Digital-7", "Segoe UI"});
  form->Get<ui::ComboBox>("Combo").SetItemIndex(0);
  form->Show();
  app.ProcessMessages();
  auto hwndOf = [&](const char* name) {
    return reinterpret_cast<HWND>(form->Get<ui::Control>(name).GetPeer()->Handle());
  };

  struct Look {
    const char* style;
    COLORREF window, field, button, accent, text;
  } looks[] = {
      {"Windows11 Modern Dark", RGB(0x20, 0x20, 0x20), RGB(0x2B, 0x2B, 0x2B), RGB(0x2D, 0x2D, 0x2D), RGB(0x60, 0xCD, 0xFF),
       RGB(0xFF, 0xFF, 0xFF)},
      {"Windows11 Modern Light", RGB(0xF3, 0xF3, 0xF3), RGB(0xFF, 0xFF, 0xFF), RGB(0xFB, 0xFB, 0xFB), RGB(0x00, 0x5F, 0xB8),
       RGB(0x1A, 0x1A, 0x1A)},
  };
  for (const Look& look : looks) {
    ASSERT_TRUE(ui::StyleManager::Instance().SetStyle(look.style));
    const auto box = Colours(hwndOf("Box"));
    EXPECT_EQ(Commonest(box), look.window) << look.style << ": check box";
    EXPECT_GT(box.count(look.accent) ? box.at(look.accent) : 0, 20) << look.style << ": the tick's box";
    EXPECT_GT(box.count(look.text) ? box.at(look.text) : 0, 5) << look.style << ": the caption";
    EXPECT_EQ(Commonest(Colours(hwndOf("Radio"))), look.window) << look.style << ": radio button";
    EXPECT_EQ(Commonest(Colours(hwndOf("Combo"))), look.field) << look.style << ": combo box";
    EXPECT_EQ(Commonest(Colours(hwndOf("Slider"))), look.window) << look.style << ": slider";
    const auto progress = Colours(hwndOf("Progress"));
    EXPECT_EQ(Commonest(progress), look.field) << look.style << ": progress bar";
    EXPECT_GT(progress.count(look.accent) ? progress.at(look.accent) : 0, 50) << look.style << ": progress";
    const auto ok = Colours(hwndOf("Ok"));
    EXPECT_EQ(Commonest(ok), look.button) << look.style << ": button";
    EXPECT_GT(ok.count(look.accent) ? ok.at(look.accent) : 0, 100) << look.style << ": the default button's ring";
    // The form and its group draw their own background, the definition's black text aside.
    EXPECT_EQ(Commonest(Colours(reinterpret_cast<HWND>(form->Handle()))), look.window) << look.style;
    EXPECT_EQ(Commonest(Colours(hwndOf("Group"))), look.window) << look.style;
  }

  // The plain look leaves the controls to the system.
  ui::StyleManager::Instance().Reset();
  EXPECT_EQ(Commonest(Colours(hwndOf("Box"))), GetSysColor(COLOR_BTNFACE));
}

// The colour list's own background (the automatic colour, shown while it is disabled)
// under both styles; high contrast (the system's answer faked) gives every control back to
// the system's colours and drawing at once, and its end brings the chosen style back.
TEST_F(StyledWin32, TheColourListKeepsItsOwnColourAndHighContrastStepsInAndOut) {
  wintest::DefinedForm* form = nullptr;
  app.CreateForm(form, "Form2", kDialog);
  auto& colors = form->Get<ui::ColorBox>("Colors");
  colors.SetItems({{"White", ui::kClWhite}, {"Black", ui::kClBlack}});
  colors.SetSelected(ui::kClWhite);
  colors.SetColor(ui::kClBlack);
  colors.SetEnabled(false);
  form->Show();
  app.ProcessMessages();
  auto hwndOf = [&](const char* name) {
    return reinterpret_cast<HWND>(form->Get<ui::Control>(name).GetPeer()->Handle());
  };
  HWND top = reinterpret_cast<HWND>(form->Handle());
  auto& styles = ui::StyleManager::Instance();
  for (const char* style : {"Windows11 Modern Light", "Windows11 Modern Dark"}) {
    ASSERT_TRUE(styles.SetStyle(style));
    EXPECT_EQ(Commonest(Colours(hwndOf("Colors"))), RGB(0, 0, 0)) << style << ": the list's own colour";
  }
  styles.SetHighContrast(true);
  EXPECT_EQ(styles.ActiveName(), "Windows11 Modern Dark");
  EXPECT_EQ(Commonest(Colours(top)), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Commonest(Colours(hwndOf("Group"))), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Commonest(Colours(hwndOf("Box"))), GetSysColor(COLOR_BTNFACE));
  EXPECT_NE(Commonest(Colours(hwndOf("Colors"))), RGB(0, 0, 0)) << "the system's field colours";
  BOOL dark = TRUE;
  if (SUCCEEDED(DwmGetWindowAttribute(top, 20, &dark, sizeof dark))) EXPECT_FALSE(dark) << "the title bar is the system's";
  styles.SetHighContrast(false);
  EXPECT_EQ(Commonest(Colours(top)), RGB(0x20, 0x20, 0x20));
  EXPECT_EQ(Commonest(Colours(hwndOf("Colors"))), RGB(0, 0, 0));
}

TEST_F(StyledWin32, AStyleChangeRepaintsEveryChildWindowWithoutBeingAsked) {
  wintest::DefinedForm* form = nullptr;
  app.CreateForm(form, "Form2", kDialog);
  form->Show();
  app.ProcessMessages();
  HWND box = reinterpret_cast<HWND>(form->Get<ui::Control>("Box").GetPeer()->Handle());
  // Everything painted: nothing is waiting to be drawn.
  RECT pending;
  EXPECT_FALSE(GetUpdateRect(box, &pending, FALSE));
  // The change draws every child at once, without waiting for the message loop: nothing is
  // left merely invalidated.
  ui::StyleManager::Instance().SetStyle("Windows11 Modern Dark");
  EXPECT_FALSE(GetUpdateRect(box, &pending, FALSE));
  HDC dc = GetDC(box);
  RECT r;
  GetClientRect(box, &r);
  const COLORREF corner = GetPixel(dc, r.right - 2, 1);
  ReleaseDC(box, dc);
  // Under Xvfb the screen holds what was drawn; elsewhere GetPixel may give CLR_INVALID.
  if (corner != CLR_INVALID) EXPECT_EQ(corner, RGB(0x20, 0x20, 0x20));
}

}  // namespace
