// The toolkit's notification-area icon against the real shell (Wine's tray): added with
// the form, added again when the taskbar is announced anew, removed with the form.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/ui.h"
#include "platform/ui/win32/win32_ui.h"

namespace {

class TrayForm : public ui::Form {
 public:
  TrayForm() : ui::Form("Form1") {
    ui::LoadForm(*this,
                 "form Form1\n"
                 "  BorderStyle = None\n"
                 "  ClientSize = 50, 50\n"
                 "  TrayIcon TrayIcon1\n"
                 "    Hint = \"Cifrona\"\n"
                 "    Icons = ImageList1\n"
                 "    IconIndex = 0\n"
                 "    Visible = true\n"
                 "  end\n"
                 "  ImageList ImageList1\n"
                 "    Width = 32\n"
                 "    Height = 32\n"
                 "    Icons = [\"TRAY0\", \"TRAY1\", \"TRAY2\"]\n"
                 "  end\n"
                 "end\n",
                 ui::HandlerMap{});
  }
};

// Whether the shell holds our icon: changing nothing about it succeeds only if it is there.
bool ShellHasIcon(HWND owner, UINT id) {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof d;
  d.hWnd = owner;
  d.uID = id;
  d.uFlags = 0;
  return Shell_NotifyIconW(NIM_MODIFY, &d) != FALSE;
}

void RemoveBehindTheProgramsBack(HWND owner, UINT id) {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof d;
  d.hWnd = owner;
  d.uID = id;
  Shell_NotifyIconW(NIM_DELETE, &d);
}

TEST(TrayWin32, IconComesBackWhenTheTaskbarIsCreatedAgainAndGoesWithItsForm) {
  ui::win32::Backend backend;
  HWND owner = backend.AppHwnd();
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  constexpr UINT kFirstIcon = 1;
  {
    ui::Application app;
    TrayForm* form = nullptr;
    app.CreateForm(form);
    app.ProcessMessages();
    ASSERT_TRUE(ShellHasIcon(owner, kFirstIcon)) << "no icon after the form's creation";

    // The shell restarted and lost every icon: the announcement brings ours back.
    RemoveBehindTheProgramsBack(owner, kFirstIcon);
    ASSERT_FALSE(ShellHasIcon(owner, kFirstIcon));
    SendMessageW(owner, taskbarCreated, 0, 0);
    EXPECT_TRUE(ShellHasIcon(owner, kFirstIcon)) << "not re-added after TaskbarCreated";

    // Announced while the icon is still there (as after a DPI change): it stays, and
    // later changes still reach it.
    SendMessageW(owner, taskbarCreated, 0, 0);
    auto& icon = form->Get<ui::TrayIcon>("TrayIcon1");
    icon.SetIconIndex(2);
    icon.SetHint("Cifrona\r1.0.0.1 (64-bit)");
    EXPECT_TRUE(ShellHasIcon(owner, kFirstIcon));
  }
  EXPECT_FALSE(ShellHasIcon(owner, kFirstIcon)) << "the icon outlived its form";
}

}  // namespace
