// The toolkit's notification-area icon against the real shell (Wine's tray): added with
// the form, added again when the taskbar is announced anew, removed with the form.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/ui/ui.h"
#include "platform/ui/win32/win32_ui.h"
#include "win_test_util.h"

namespace {

constexpr const char* kTrayDefinition =
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
    "end\n";

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
    wintest::DefinedForm* form = nullptr;
    app.CreateForm(form, "Form1", kTrayDefinition);
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

// Runs the application's messages for a while, so its timers fire.
void RunMessagesFor(ui::Application& app, DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    app.ProcessMessages();
    Sleep(20);
  }
}

// A shell that refuses our icon with an error code until told to answer again; counts
// the attempts to add it.
struct RefusingShell {
  DWORD error;
  bool refusing = true;
  int adds = 0;
  explicit RefusingShell(DWORD e) : error(e) {
    ui::win32::Backend::SetShellNotifyHookForTests([this](DWORD message, NOTIFYICONDATAW* d) -> BOOL {
      if (message == NIM_ADD) ++adds;
      if (refusing && message != NIM_DELETE) {
        SetLastError(error);
        return FALSE;
      }
      return Shell_NotifyIconW(message, d);
    });
  }
  ~RefusingShell() { ui::win32::Backend::SetShellNotifyHookForTests(nullptr); }
};

// A shell too busy to answer (a time-out) is asked again every few seconds until the icon
// is in, then no more; any other refusal waits for the next taskbar announcement.
TEST(TrayWin32, ABusyShellIsAskedAgainUntilTheIconIsInOtherRefusalsWaitForTheTaskbar) {
  constexpr DWORD kPeriod = ui::win32::Backend::kTrayRetryMs + 600;
  struct Case {
    DWORD error;
    bool retried;
  };
  for (const Case c : std::vector<Case>{{ERROR_TIMEOUT, true}, {ERROR_ACCESS_DENIED, false}}) {
    SCOPED_TRACE(c.error);
    ui::win32::Backend backend;
    HWND owner = backend.AppHwnd();
    RefusingShell shell(c.error);
    ui::Application app;
    wintest::DefinedForm* form = nullptr;
    app.CreateForm(form, "Form1", kTrayDefinition);
    app.ProcessMessages();
    ASSERT_EQ(shell.adds, 1);
    ASSERT_FALSE(ShellHasIcon(owner, 1));

    RunMessagesFor(app, kPeriod);
    if (!c.retried) {
      EXPECT_EQ(shell.adds, 1) << "asked again although the shell did not time out";
      shell.refusing = false;
      SendMessageW(owner, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
      EXPECT_TRUE(ShellHasIcon(owner, 1)) << "not added at the taskbar's announcement";
      continue;
    }
    EXPECT_GE(shell.adds, 2) << "not asked again while the shell timed out";
    EXPECT_FALSE(ShellHasIcon(owner, 1));

    shell.refusing = false;
    RunMessagesFor(app, kPeriod);
    EXPECT_TRUE(ShellHasIcon(owner, 1)) << "not added once the shell answered";
    const int adds = shell.adds;
    RunMessagesFor(app, kPeriod);
    EXPECT_EQ(shell.adds, adds) << "still asking after the icon was in";
  }
}

}  // namespace
