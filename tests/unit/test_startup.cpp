// Start-up and its ends: one copy per logon, the order of the first steps, the
// operating-system gate.
#include <gtest/gtest.h>

#include "app/cifrona.h"
#include "widget_fixture.h"

namespace {

constexpr const char* kVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    sys.files.AddFile(sys.system.exePath, "MZ");
    widget_test::GiveVersion(sys, u"2.0.26.307");
    SetWindows(10, "19045");
  }
  void SetWindows(std::int32_t major, const std::string& build) {
    sys.registry.SetInteger(platform::RegRoot::LocalMachine, kVersionKey, "CurrentMajorVersionNumber", major);
    sys.registry.SetString(platform::RegRoot::LocalMachine, kVersionKey, "CurrentBuild", build);
  }
  headless::Platform sys;
  ui::headless::Backend backend;
};

TEST_F(StartupTest, SecondCopyEndsAtOnceTouchingNothing) {
  sys.process.mutexes.insert("Cifrona");  // the first copy's
  EXPECT_EQ(app::Cifrona(), 0);
  EXPECT_EQ(sys.calls.lines, std::vector<std::string>{"MutexExists Cifrona"});
  EXPECT_EQ(sys.process.threadLocale, 0u);
  EXPECT_EQ(sys.files.writes, 0);
  EXPECT_EQ(sys.files.AllFiles().size(), 1u);  // the executable alone
  EXPECT_FALSE(sys.files.FolderExists("C:\\Users\\User\\AppData\\Roaming\\Cifrona Project"));
  EXPECT_TRUE(sys.windows.boxes.empty());
}

TEST_F(StartupTest, CopyStartedTogetherWithAnotherEndsWhenItsCreationFindsTheMutex) {
  sys.process.madeMeanwhile.insert("Cifrona");  // the other copy's, made after this one looked
  EXPECT_EQ(app::Cifrona(), 0);
  EXPECT_EQ(sys.calls.lines, (std::vector<std::string>{"MutexExists Cifrona", "CreateNamedMutex Cifrona"}));
  EXPECT_EQ(sys.process.threadLocale, 0u);
  EXPECT_EQ(sys.files.writes, 0);
  EXPECT_TRUE(sys.windows.boxes.empty());
}

TEST_F(StartupTest, FirstStepsRunInTheirOrder) {
  EXPECT_EQ(app::Cifrona(), 0);
  ASSERT_GE(sys.calls.lines.size(), 5u);
  EXPECT_EQ(sys.calls.lines[0], "MutexExists Cifrona");
  EXPECT_EQ(sys.calls.lines[1], "CreateNamedMutex Cifrona");
  EXPECT_EQ(sys.calls.lines[2], "SetThreadLocale 1049");
  // The widget's creation: bottom of the stack, then the priority.
  auto at = [&](const std::string& prefix) {
    for (size_t i = 0; i < sys.calls.lines.size(); ++i)
      if (sys.calls.lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
  };
  EXPECT_GT(at("SetWindowPosBottom"), 2);
  EXPECT_GT(at("LowerPriority"), at("SetWindowPosBottom"));
  // The default font is registered after the widget exists.
  EXPECT_GT(at("AddFontFromResource 1"), at("LowerPriority"));
  EXPECT_TRUE(sys.process.mutexes.count("Cifrona"));
  EXPECT_EQ(sys.files.writes, 0);  // settings are written only at exit
  EXPECT_TRUE(sys.windows.boxes.empty());
  EXPECT_EQ(Form1, nullptr);  // the reference does not outlive the window
}

TEST_F(StartupTest, OldWindowsGetsTheErrorBoxAndNoSettingsAreWritten) {
  struct Case {
    std::int32_t major;
    const char* build;
  } cases[] = {{6, "9600"}, {10, "10239"}, {11, "30000"}};
  for (const Case& c : cases) {
    sys.windows.boxes.clear();
    sys.process.mutexes.clear();
    SetWindows(c.major, c.build);
    EXPECT_EQ(app::Cifrona(), 0);
    ASSERT_EQ(sys.windows.boxes.size(), 1u) << c.major << "." << c.build;
    EXPECT_EQ(sys.windows.boxes[0].text, "Эта программа совместима только с Windows 10 и Windows 11.");
    EXPECT_EQ(sys.windows.boxes[0].title, "Ошибка");
    EXPECT_EQ(sys.windows.boxes[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(sys.files.writes, 0);
  }
}

}  // namespace
