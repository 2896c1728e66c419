// The widget's real window under Windows: styles, colour key, owner, painting, z-order,
// and the embedded default font on the digits.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/ui/win32/win32_ui.h"
#include "platform/win32/win32_platform.h"
#include "settings_dialog/unit_settings.h"
#include "widget/identity.h"
#include "widget/unit_base.h"

namespace {

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class WidgetWindowTest : public ::testing::Test {
 protected:
  WidgetWindowTest() {
    ui::win32::Backend::SetErrorBoxHookForTests(
        [this](const std::string&, const std::string& text) { errors.push_back(text); });
    app.SetTitle("Cifrona");
    app.CreateForm(Form1);
    app.CreateForm(Form2);
    // As start-up does: the stored settings (none here) reach the widget.
    Form2->LoadNastr();
    Form1->Show();
    hwnd = reinterpret_cast<HWND>(Form1->Handle());
  }
  ~WidgetWindowTest() override {
    Form1 = nullptr;
    Form2 = nullptr;
    ui::win32::Backend::SetErrorBoxHookForTests(nullptr);
  }

  win32::Platform platform;
  ui::win32::Backend backend;
  ui::Application app;
  HWND hwnd = nullptr;
  std::vector<std::string> errors;
};

TEST_F(WidgetWindowTest, WindowIsAColourKeyedToolWindowThatNeverActivates) {
  ASSERT_TRUE(IsWindow(hwnd));
  const LONG_PTR ex = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_TRUE(ex & WS_EX_LAYERED);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  EXPECT_FALSE(ex & WS_EX_TRANSPARENT);  // the mouse is not ignored
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);

  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(128, 128, 128));
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
  // Wine keeps the alpha value only together with LWA_ALPHA and reports 0 otherwise;
  // Windows reports the 50 that was set.
  if (!UnderWine()) EXPECT_EQ(alpha, 50);
}

TEST_F(WidgetWindowTest, BackgroundIsNeverErasedSeparately) {
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  ReleaseDC(hwnd, dc);
}

TEST_F(WidgetWindowTest, CaptionCarriesTheVersionAndThisBuildsBitness) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  const std::string caption = win32::Narrow(text);
  EXPECT_EQ(caption.rfind("Cifrona ", 0), 0u) << caption;
  EXPECT_NE(caption.find(sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)"), std::string::npos) << caption;
}

TEST_F(WidgetWindowTest, TickPutsTheWidgetBelowOtherWindowsAndUnlocksDrawing) {
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(other);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Form1->Timer1->Tick();
  int position = 0, widgetAt = -1, otherAt = -1;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT), ++position) {
    if (w == hwnd) widgetAt = position;
    if (w == other) otherAt = position;
  }
  EXPECT_GT(widgetAt, otherAt);
  EXPECT_GE(otherAt, 0);
  // Only one window can hold the lock: a second lock works only if the tick released its own.
  EXPECT_TRUE(LockWindowUpdate(other));
  LockWindowUpdate(nullptr);
  DestroyWindow(other);
  EXPECT_TRUE(errors.empty());
}

TEST_F(WidgetWindowTest, DigitsUseTheEmbeddedDefaultFont) {
  EXPECT_EQ(Form1->LabelNumber->GetFont().name, "Digital Display Regular");
  HDC dc = GetDC(hwnd);
  HFONT font = CreateFontW(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Digital Display Regular");
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(hwnd, dc);
  EXPECT_EQ(std::wstring(face).rfind(L"Digital Display", 0), 0u);
}

// Pixels of the widget's client area in one colour, as the window paints itself.
int CountPixels(HWND hwnd, COLORREF color) {
  RECT client{};
  GetClientRect(hwnd, &client);
  HDC screen = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(mem, bmp);
  PrintWindow(hwnd, mem, PW_CLIENTONLY);
  int n = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x)
      if (GetPixel(mem, x, y) == color) ++n;
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(hwnd, screen);
  return n;
}

TEST_F(WidgetWindowTest, GrayDigitsStayVisibleOnTheGrayKey) {
  const int index = [] {
    const auto& items = Form2->ColorBoxNumber->Items();
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].color == RGB(128, 128, 128)) return static_cast<int>(i);
    return -1;
  }();
  ASSERT_GE(index, 0);
  Form2->ColorBoxNumber->UserSelected(index);
  EXPECT_EQ(Form1->LabelNumber->GetFont().color, 0x808080);  // the choice itself is kept
  // Drawn one step of blue off the key, so the digits do not vanish with the background.
  EXPECT_GT(CountPixels(hwnd, RGB(128, 128, 129)), 100);
  // Any other colour is drawn as it is.
  Form2->ColorBoxNumber->UserSelected(index - 1);
  EXPECT_GT(CountPixels(hwnd, static_cast<COLORREF>(Form2->ColorBoxNumber->Items()[index - 1].color)), 100);
}

TEST_F(WidgetWindowTest, WindowHasTheScaledSize) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.right - r.left, Form1->Width());
  EXPECT_EQ(r.bottom - r.top, Form1->Height());
  EXPECT_GT(Form1->OriginalWidth(), 0);
}

}  // namespace
