// The update window on the headless platform: the start-up question, the window's check
// and its states, the download with its progress, Cancel, and the two quick installs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/storage_locations.h"
#include "platform/text.h"
#include "updater/unit_update.h"
#include "updater/update_check.h"
#include "updater/update_signature.h"
#include "widget/current_language.h"

#include "widget_fixture.h"

namespace {

constexpr const char* kTemp = "C:\\Users\\User\\AppData\\Local\\Temp\\";

// NAME.sig for bytes, made by the release signing tool with the build's test key (or key).
std::string Sign(const std::string& name, const std::string& bytes, const std::string& version,
                 const std::string& key = CIFRONA_TEST_RELEASE_KEY) {
  // A folder of this process's own: CTest runs the tests as parallel processes.
  const std::string dir = ::testing::TempDir() + "cifrona-sign-" + std::to_string(getpid()) + "/";
  std::system(("mkdir -p '" + dir + "'").c_str());
  std::ofstream(dir + name, std::ios::binary) << bytes;
  const std::string cmd = "bash '" CIFRONA_SOURCE_DIR "/tools/sign-update.sh' '" + key + "' '" + dir + name + "' '" +
                          version + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::ifstream in(dir + name + ".sig", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class UpdateWindowTest : public ::testing::Test, public widget_test::Program {
 protected:
  UpdateWindowTest() {
    updater::DownloadUrl.clear();
    updater::ServerVersion.clear();
    updater::CompareResult = 0;
    updater::BackgroundServerVersion.clear();
    updater::BackgroundDownloadUrl.clear();
    updater::QuickStartPending = false;
    CurrentLanguage.clear();
    sys.files.AddFolder(kTemp);
  }
  ~UpdateWindowTest() override {
    app.reset();
    Form10 = nullptr;
    app::DecidePortableMode();
  }
  std::string Folder(int server) { return updater::UpdateServers()[server] + "Cifrona/"; }
  void ServeVersion(const std::string& v) { sys.http.replies[Folder(0) + "version.txt"] = {200, v}; }
  // The file and, unless signedAs is empty, its signature for that version.
  void ServeFile(const std::string& name, const std::string& body, size_t chunk = 0,
                 const std::string& signedAs = "3.0") {
    headless::Http::Reply r;
    r.body = body;
    r.chunk = chunk;
    sys.http.replies[Folder(0) + name] = r;
    if (!signedAs.empty()) sys.http.replies[Folder(0) + name + ".sig"] = {200, Sign(name, body, signedAs)};
  }
  TForm10& StartWindow(const std::string& settings = "") {
    if (!settings.empty()) sys.files.AddFile(widget_test::kSettingsPath, settings);
    Start();
    app->CreateForm(Form10);
    return *Form10;
  }
  // Opens the window from the menu; inside its modal loop the check runs, then `inside`.
  void Open(const std::function<void(TForm10&)>& inside = {}) {
    backend.onModal = [&, inside](ui::Form&) {
      sys.session.RunWorkers();
      if (inside) inside(*Form10);
    };
    Form1->MenuCheckUpdate->Click();
    app->RunQueued();
  }
  struct State {
    std::string status, server, button;
    bool downloadEnabled, closeEnabled, optionsEnabled, progressVisible;
  };
  static State Now(TForm10& f) {
    return {f.LabelUpDate->Caption(),     f.LabelServerVersion->Caption(), f.ButtonDownload->Caption(),
            f.ButtonDownload->Enabled(), f.ButtonClose->Enabled(),         f.GroupBoxOption->Enabled(),
            f.ProgressBarUpdate->Visible()};
  }
};

TEST_F(UpdateWindowTest, StartupQuestionOnYesDownloadsAndStartsTheInstallerQuietlyWithoutSaving) {
  ServeVersion("2.1");
  ServeFile("Cifrona-setup.exe", "INSTALLER", 0, "2.1");
  TForm10& f = StartWindow();
  CurrentLanguage = "English";  // after start-up, whose language step reads the stored (empty) choice
  EXPECT_TRUE(sys.session.questions.empty());  // the check runs on its worker
  sys.session.answer = platform::kIdYes;
  backend.onModal = [&](ui::Form&) { sys.session.RunWorkers(); };
  sys.session.RunWorkers();
  ASSERT_EQ(sys.session.questions.size(), 1u);
  EXPECT_EQ(sys.session.questions[0].text, "Доступно обновление 2.1\r\nХотите обновить приложение сейчас?");
  EXPECT_EQ(sys.session.questions[0].caption, "Cifrona");
  EXPECT_EQ(sys.session.questions[0].yes, "Да");
  EXPECT_EQ(sys.session.questions[0].no, "Нет");
  EXPECT_EQ(sys.files.ReadAll(std::string(kTemp) + "Cifrona-setup.exe"), "INSTALLER");
  ASSERT_EQ(sys.process.shellCalls.size(), 1u);
  EXPECT_EQ(sys.process.shellCalls[0].file, std::string(kTemp) + "Cifrona-setup.exe");
  EXPECT_EQ(sys.process.shellCalls[0].parameters,
            "/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG=English /MERGETASKS=\"runcmd1\"");
  EXPECT_EQ(sys.process.shellCalls[0].show, platform::ShowCommand::Normal);
  EXPECT_TRUE(app->Terminated());
  EXPECT_EQ(f.LabelUpDate->Caption(), "Файлы обновления загружены!");
  EXPECT_FALSE(updater::QuickStartPending);
  EXPECT_EQ(Settings(), "<none>");  // ended without writing the settings
  EXPECT_TRUE(sys.session.held.empty());
  // The download asked no version again and used the download client's settings.
  ASSERT_EQ(sys.http.requests.size(), 3u);
  EXPECT_EQ(sys.http.requests[1].kind, "memory");
  EXPECT_EQ(sys.http.requests[1].settings.readTimeoutMs, 0);
}

TEST_F(UpdateWindowTest, StartupCheckAsksNothingWithoutANewerVersionAndNoLeavesAllAsItWas) {
  for (const char* served : {"2.0.26.307", "1.9", ""}) {
    sys.http.replies.clear();
    if (*served) ServeVersion(served);
    sys.session.answer = platform::kIdYes;
    StartWindow();
    sys.session.RunWorkers();
    EXPECT_TRUE(sys.session.questions.empty()) << served;
    app = std::make_unique<ui::Application>();
    Form10 = nullptr;
  }
  ServeVersion("3.0");
  sys.session.answer = platform::kIdNo;
  StartWindow();
  sys.session.RunWorkers();
  EXPECT_EQ(sys.session.questions.size(), 1u);
  EXPECT_EQ(updater::DownloadUrl, "");
  EXPECT_FALSE(updater::QuickStartPending);
  EXPECT_FALSE(Form10->Visible());
}

TEST_F(UpdateWindowTest, AutoCheckOffStartsNoCheckAndClosingStoresIt) {
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  EXPECT_FALSE(f.CheckBoxAutoCheck->Checked());
  EXPECT_TRUE(sys.session.workers.empty());
  EXPECT_TRUE(sys.http.requests.empty());
  Open([](TForm10& w) {
    w.CheckBoxAutoCheck->SetChecked(true);
    w.ButtonClose->Click();
  });
  EXPECT_NE(Settings().find("CheckBoxAutoCheck=1"), std::string::npos);
  EXPECT_EQ(f.LabelUpDate->Caption(), "");
  EXPECT_EQ(f.LabelLocalVersion->Caption(), "");
}

TEST_F(UpdateWindowTest, TheCheckEndsInOneOfItsThreeStates) {
  struct Case {
    const char* served;  // nullptr: no server answers
    State state;
    int compare;
  } cases[] = {
      {"2.1", {"Доступно обновление 2.0.26.307 ---> 2.1", "2.1", "Скачать", true, true, true, true}, 1},
      {"2.0.26.307", {"Нет обновления", "2.0.26.307", "Скачать", false, true, true, true}, 0},
      {"1.0", {"Нет обновления", "1.0", "Скачать", false, true, true, true}, -1},
      {nullptr, {"Не удалось проверить обновления", "Ошибка соединения", "Скачать", false, true, true, true}, 0},
  };
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  for (const Case& c : cases) {
    sys.http.replies.clear();
    if (c.served) ServeVersion(c.served);
    State checking{}, after{};
    backend.onModal = [&](ui::Form&) {
      checking = Now(f);
      sys.session.RunWorkers();
      after = Now(f);
    };
    Form1->MenuCheckUpdate->Click();
    EXPECT_EQ(checking.status, "Проверка обновления...");
    EXPECT_EQ(checking.server, "");
    EXPECT_EQ(after.status, c.state.status);
    EXPECT_EQ(after.server, c.state.server);
    EXPECT_EQ(after.downloadEnabled, c.state.downloadEnabled);
    EXPECT_EQ(after.optionsEnabled, c.state.optionsEnabled);
    EXPECT_EQ(updater::CompareResult, c.compare);
    EXPECT_EQ(updater::DownloadUrl, c.served ? Folder(0) + "Cifrona-setup.exe" : "");
  }
}

TEST_F(UpdateWindowTest, ForceEnablesDownloadAndUntickingDisablesItWhateverTheCheckFound) {
  ServeVersion("3.0");
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  Open([](TForm10& w) {
    EXPECT_TRUE(w.ButtonDownload->Enabled());
    w.CheckBoxForceUpdate->SetChecked(true);
    EXPECT_TRUE(w.ButtonDownload->Enabled());
    w.CheckBoxForceUpdate->SetChecked(false);
    EXPECT_FALSE(w.ButtonDownload->Enabled());
  });
  // A forced download after a failed check has no URL: it fails and stays downloading.
  sys.http.replies.clear();
  Open([&](TForm10& w) {
    w.CheckBoxForceUpdate->SetChecked(true);
    w.ButtonDownload->Click();
    EXPECT_EQ(w.ButtonDownload->Caption(), "Отмена");
    EXPECT_FALSE(w.ButtonClose->Enabled());
    w.ButtonDownload->Click();  // Cancel
    EXPECT_EQ(w.LabelUpDate->Caption(), "Файлы обновления не загружены!");
  });
  EXPECT_TRUE(sys.process.shellCalls.empty());
  // Force is cleared at every showing.
  Open([](TForm10& w) { EXPECT_FALSE(w.CheckBoxForceUpdate->Checked()); });
  EXPECT_FALSE(f.CheckBoxForceUpdate->Checked());
}

TEST_F(UpdateWindowTest, DownloadShowsProgressOnTheBarAndTheTaskbarAndNonQuickOpensTheInstaller) {
  ServeVersion("3.0");
  ServeFile("Cifrona-setup.exe", std::string(149, 'x'), 50);
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  std::vector<int> positions;
  State during{}, after{};
  Open([&](TForm10& w) {
    w.CheckBoxQuickUpdate->SetChecked(false);
    sys.http.afterChunk = [&](const std::string& url, std::int64_t) {
      if (text::EndsWith(url, ".sig")) return;
      positions.push_back(w.ProgressBarUpdate->Position());
      during = Now(w);
    };
    w.ButtonDownload->Click();
    after = Now(w);
  });
  EXPECT_EQ(positions, (std::vector<int>{50, 100, 100}));  // step 1: 149 passes 100
  EXPECT_EQ(sys.taskbar.changes,
            (std::vector<std::string>{"max 100", "state Normal", "value 50", "state Normal", "value 100", "state Normal",
                                      "value 100", "state None"}));
  EXPECT_EQ(during.button, "Отмена");
  EXPECT_TRUE(during.downloadEnabled);
  EXPECT_FALSE(during.closeEnabled);
  EXPECT_FALSE(during.optionsEnabled);
  EXPECT_TRUE(during.progressVisible);
  EXPECT_EQ(after.status, "Файлы обновления загружены!");
  EXPECT_EQ(after.button, "Скачать");
  EXPECT_TRUE(after.closeEnabled);
  EXPECT_TRUE(after.optionsEnabled);
  EXPECT_FALSE(after.progressVisible);
  ASSERT_EQ(sys.process.shellCalls.size(), 1u);
  EXPECT_EQ(sys.process.shellCalls[0].parameters, "");
  EXPECT_FALSE(app->Terminated());
}

TEST_F(UpdateWindowTest, NoLengthOrTinyTotalLeavesTheBarStillButShowsNormalState) {
  ServeVersion("3.0");
  headless::Http::Reply r;
  r.body = std::string(40, 'x');
  r.chunk = 10;
  r.length = 0;
  sys.http.replies[Folder(0) + "Cifrona-setup.exe"] = r;
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  Open([](TForm10& w) {
    w.CheckBoxQuickUpdate->SetChecked(false);
    w.ButtonDownload->Click();
  });
  EXPECT_EQ(sys.taskbar.changes, (std::vector<std::string>{"max 100", "state Normal", "state Normal", "state Normal",
                                                           "state Normal", "state None"}));
}

TEST_F(UpdateWindowTest, CancelDuringTheDownloadSavesNothingAndDeletesAnEarlierInstaller) {
  ServeVersion("3.0");
  ServeFile("Cifrona-setup.exe", std::string(1000, 'x'), 100);
  const std::string target = std::string(kTemp) + "Cifrona-setup.exe";
  sys.files.AddFile(target, "an earlier download");
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  State cancelled{};
  Open([&](TForm10& w) {
    sys.http.afterChunk = [&](const std::string&, std::int64_t received) {
      if (received == 300) w.ButtonDownload->Click();
    };
    w.ButtonDownload->Click();
    cancelled = Now(w);
  });
  EXPECT_EQ(cancelled.status, "Файлы обновления не загружены!");
  EXPECT_EQ(cancelled.button, "Скачать");
  EXPECT_TRUE(cancelled.downloadEnabled);
  EXPECT_TRUE(cancelled.closeEnabled);
  EXPECT_TRUE(cancelled.optionsEnabled);
  EXPECT_FALSE(cancelled.progressVisible);
  EXPECT_EQ(f.ProgressBarUpdate->Position(), 0);
  EXPECT_FALSE(sys.files.FileExists(target));
  EXPECT_TRUE(sys.process.shellCalls.empty());
  EXPECT_GE(sys.http.disconnects, 1);
  // Reopened, the window shows no progress bar until the next download.
  Open([](TForm10& w) { EXPECT_FALSE(w.ProgressBarUpdate->Visible()); });
}

class PortableUpdateTest : public UpdateWindowTest {
 protected:
  PortableUpdateTest() {
    sys.system.exePath = "D:\\Tools\\50% Cifrona\\Cifrona.exe";
    sys.files.AddFile(sys.system.exePath, "MZ");
    widget_test::GiveVersion(sys, u"2.0.26.307");
    sys.files.AddFile("D:\\Tools\\50% Cifrona\\portable.ini", "");
    sys.session.now = {21, 40, 0};
  }
};

TEST_F(PortableUpdateTest, QuickWritesTheScriptStartsItHiddenAndEndsAtOnce) {
  ServeVersion("3.0");
  ServeFile("Cifrona.zip", "PK-archive");
  StartWindow();  // the start-up check, answered No
  sys.session.RunWorkers();
  Open([](TForm10& w) { w.ButtonDownload->Click(); });
  EXPECT_EQ(sys.files.ReadAll("D:\\Tools\\50% Cifrona\\Cifrona.zip"), "PK-archive");
  const std::string script = std::string(kTemp) + "update_214000.bat";
  auto bytes = sys.files.ReadAll(script);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, updater::UpdateScriptText(sys.system.exePath, "D:\\Tools\\50% Cifrona\\Cifrona.zip"));
  EXPECT_NE(bytes->find("cd /d \"D:\\Tools\\50%% Cifrona\\\"\r\n"), std::string::npos);
  ASSERT_EQ(sys.process.shellCalls.size(), 1u);
  EXPECT_EQ(sys.process.shellCalls[0].file, script);
  EXPECT_EQ(sys.process.shellCalls[0].show, platform::ShowCommand::Hide);
  EXPECT_EQ(sys.session.processEnds, 1);
  EXPECT_FALSE(sys.files.FileExists("D:\\Tools\\50% Cifrona\\Config\\Option.ini"));
}

TEST_F(PortableUpdateTest, NotQuickLeavesTheArchiveInTheProgramFolder) {
  ServeVersion("3.0");
  ServeFile("Cifrona.zip", "PK-archive");
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  Open([](TForm10& w) {
    w.CheckBoxQuickUpdate->SetChecked(false);
    w.ButtonDownload->Click();
    EXPECT_EQ(w.LabelUpDate->Caption(), "Файлы обновления загружены!");
  });
  EXPECT_EQ(sys.files.ReadAll("D:\\Tools\\50% Cifrona\\Cifrona.zip"), "PK-archive");
  EXPECT_TRUE(sys.process.shellCalls.empty());
  EXPECT_EQ(sys.session.processEnds, 0);
}

TEST_F(UpdateWindowTest, WidgetStoresTheQuickBoxOfTheUpdateWindow) {
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  f.CheckBoxQuickUpdate->SetChecked(false);
  Form1->SaveNastr();
  EXPECT_NE(Settings().find("CheckBoxQuickUpdate=0"), std::string::npos);
  EXPECT_NE(Settings().find("CheckBoxAutoCheck=0"), std::string::npos);  // left to the window
}

TEST_F(UpdateWindowTest, AnUnauthenticatedDownloadIsDeletedAndNothingStarts) {
  const std::string installer = "INSTALLER v3";
  const std::string otherKey = ::testing::TempDir() + "cifrona-other-key-" + std::to_string(getpid()) + ".pem";
  ASSERT_EQ(std::system(("bash '" CIFRONA_SOURCE_DIR "/tools/sign-update.sh' --new-key '" + otherKey + "'").c_str()), 0);
  struct Case {
    const char* what;
    std::string served;                 // version.txt
    std::string body;                   // what the server sends
    std::optional<std::string> sig;     // the .sig it sends
  } cases[] = {
      {"tampered installer", "3.0", "INSTALLER v3 + payload", Sign("Cifrona-setup.exe", installer, "3.0")},
      {"no signature", "3.0", installer, std::nullopt},
      {"garbled signature", "3.0", installer, std::string("file=Cifrona-setup.exe\nsignature=00\n")},
      {"signed with another key", "3.0", installer, Sign("Cifrona-setup.exe", installer, "3.0", otherKey)},
      {"signed for an older version", "3.0", installer, Sign("Cifrona-setup.exe", installer, "1.0")},
      {"version.txt lies", "3.0", installer, Sign("Cifrona-setup.exe", installer, "2.0.26.307")},
      {"not newer than this one", "2.0.26.307", installer, Sign("Cifrona-setup.exe", installer, "2.0.26.307")},
      {"signature for another file", "3.0", installer, Sign("Cifrona.zip", installer, "3.0")},
  };
  const std::string target = std::string(kTemp) + "Cifrona-setup.exe";
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  for (const Case& c : cases) {
    sys.http.replies.clear();
    ServeVersion(c.served);
    sys.http.replies[Folder(0) + "Cifrona-setup.exe"] = {200, c.body};
    if (c.sig) sys.http.replies[Folder(0) + "Cifrona-setup.exe.sig"] = {200, *c.sig};
    State after{};
    Open([&](TForm10& w) {
      w.CheckBoxForceUpdate->SetChecked(true);  // the check may have found nothing newer
      w.ButtonDownload->Click();
      after = Now(w);
    });
    EXPECT_EQ(after.status, "Файл обновления не прошёл проверку подлинности!") << c.what;
    EXPECT_EQ(after.button, "Скачать") << c.what;
    EXPECT_TRUE(after.closeEnabled) << c.what;
    EXPECT_FALSE(after.progressVisible) << c.what;
    EXPECT_FALSE(sys.files.FileExists(target)) << c.what;
    EXPECT_TRUE(sys.process.shellCalls.empty()) << c.what;
    EXPECT_TRUE(sys.session.held.empty()) << c.what;
    EXPECT_FALSE(app->Terminated()) << c.what;
  }
}

TEST_F(UpdateWindowTest, SignatureFileParsing) {
  const std::string good = Sign("Cifrona.zip", "zip", "3.0");
  auto s = updater::ParseSignatureFile(good);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->file, "Cifrona.zip");
  EXPECT_EQ(s->version, "3.0");
  EXPECT_EQ(s->size, 3u);
  EXPECT_EQ(updater::StatementText(*s), good.substr(0, good.find("signature=")));
  // Line ends may change on the way; the statement does not.
  std::string crlf;
  for (char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", "zip", crlf, "3.0", "2.0"), updater::Verdict::Ok);
  EXPECT_EQ(updater::VerifyUpdate("cifrona.ZIP", "zip", good, "3.0", "2.0"), updater::Verdict::Ok);
  for (const char* bad : {"", "file=a\n", "size=x\n", "what\n", "sha256=zz\n"})
    EXPECT_FALSE(updater::ParseSignatureFile(bad)) << bad;
  EXPECT_FALSE(updater::DerSignatureToRaw(std::string("\x30\x02\x02\x00", 4)));
}

}  // namespace
