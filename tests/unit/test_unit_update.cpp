// The update window on the headless platform: the start-up question, the window's check
// and its states, the download with its progress, Cancel, and the two quick installs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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
#include "tests/support/zip_writer.h"

namespace {

constexpr const char* kTemp = "C:\\Users\\User\\AppData\\Local\\Temp\\";

// NAME.sig for bytes, made by the release signing tool with the build's test key (or key).
std::string Sign(const std::string& name, const std::string& bytes, const std::string& version,
                 const std::string& key = CIFRONA_TEST_RELEASE_KEY,
                 const std::string& arch = updater::ProgramArch()) {
  // A folder of this process's own: CTest runs the tests as parallel processes.
  const std::string dir = ::testing::TempDir() + "cifrona-sign-" + std::to_string(getpid()) + "/";
  std::system(("mkdir -p '" + dir + "'").c_str());
  std::ofstream(dir + name, std::ios::binary) << bytes;
  const std::string cmd = "bash '" CIFRONA_SOURCE_DIR "/tools/sign-update.sh' '" + key + "' '" + dir + name + "' '" +
                          version + "' '" + arch + "'";
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
  // The download asked no version again: the signed statement first, with the check's
  // limits, then the file, capped at the signed size, with every header of the check.
  ASSERT_EQ(sys.http.requests.size(), 3u);
  EXPECT_EQ(sys.http.requests[1].url, Folder(0) + "Cifrona-setup.exe.sig");
  EXPECT_EQ(sys.http.requests[1].settings.readTimeoutMs, 5000);
  EXPECT_EQ(sys.http.requests[1].settings.maxBytes, 4096u);
  EXPECT_GT(sys.http.requests[1].settings.deadlineMs, 0);
  EXPECT_EQ(sys.http.requests[2].url, Folder(0) + "Cifrona-setup.exe");
  EXPECT_EQ(sys.http.requests[2].settings.maxBytes, 9u);
  EXPECT_EQ(sys.http.requests[2].settings.accept, updater::kAccept);
  EXPECT_EQ(sys.http.requests[2].settings.userAgent, updater::kUserAgent);
  EXPECT_TRUE(sys.http.requests[2].settings.basicAuthentication);
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
  sys.http.replies[Folder(0) + "Cifrona-setup.exe.sig"] = {200, Sign("Cifrona-setup.exe", r.body, "3.0")};
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

TEST_F(UpdateWindowTest, ClosingTheWindowDuringADownloadCancelsItAndInstallsNothing) {
  ServeVersion("3.0");
  ServeFile("Cifrona-setup.exe", std::string(1000, 'x'), 100);
  const std::string target = std::string(kTemp) + "Cifrona-setup.exe";
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  Open([&](TForm10& w) {
    sys.http.afterChunk = [&](const std::string& url, std::int64_t received) {
      if (!text::EndsWith(url, ".sig") && received == 300) w.Close();
    };
    w.ButtonDownload->Click();
    EXPECT_TRUE(w.AbortUpdate);
    EXPECT_EQ(w.ButtonDownload->Tag(), 0);
  });
  EXPECT_FALSE(sys.files.FileExists(target));
  EXPECT_TRUE(sys.process.shellCalls.empty());
  EXPECT_TRUE(sys.session.held.empty());
  EXPECT_FALSE(app->Terminated());
}

TEST_F(UpdateWindowTest, ACheckEndingDuringADownloadLeavesItsCancelAlone) {
  ServeVersion("3.0");
  TForm10& f = StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  // What the Download action sets when it starts, as after a Yes to the start-up question
  // while the window's own check still waited for the server.
  f.ButtonDownload->SetTag(1);
  f.ButtonDownload->SetCaption(f.LangCancel->Caption());
  f.ButtonDownload->SetEnabled(true);
  CheckThread().Execute();
  EXPECT_EQ(f.ButtonDownload->Tag(), 1);
  EXPECT_EQ(f.ButtonDownload->Caption(), "Отмена");
  EXPECT_TRUE(f.ButtonDownload->Enabled());
  f.ButtonDownload->SetTag(0);
  CheckThread().Execute();
  EXPECT_EQ(f.ButtonDownload->Caption(), "Скачать");
  EXPECT_TRUE(f.ButtonDownload->Enabled());
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

TEST_F(PortableUpdateTest, QuickStagesTheArchiveStartsTheScriptInTheProgramFolderAndEndsAtOnce) {
  const std::string folder = "D:\\Tools\\50% Cifrona\\";
  sys.files.AddFile(folder + "update.staging\\left-over.txt", "from an earlier try");
  ServeVersion("3.0");
  ServeFile("Cifrona.zip", testzip::Zip({{"Cifrona.exe", "MZ v3"},
                                         {"Language/", ""},
                                         {"Language/English.ini", "[Cifrona]\r\n", false, true},
                                         {"portable.ini", ""}}));
  StartWindow();  // the start-up check, answered No
  sys.session.RunWorkers();
  Open([](TForm10& w) { w.ButtonDownload->Click(); });
  // Unpacked by the program from the verified bytes; the archive is gone, the program as it was.
  EXPECT_EQ(sys.files.ReadAll(folder + "update.staging\\Cifrona.exe"), "MZ v3");
  EXPECT_EQ(sys.files.ReadAll(folder + "update.staging\\Language\\English.ini"), "[Cifrona]\r\n");
  EXPECT_EQ(sys.files.ReadAll(folder + "update.staging\\portable.ini"), "");
  EXPECT_FALSE(sys.files.FileExists(folder + "update.staging\\left-over.txt"));
  EXPECT_FALSE(sys.files.FileExists(folder + "Cifrona.zip"));
  EXPECT_EQ(sys.files.ReadAll(folder + "Cifrona.exe"), "MZ");
  // The script names no folder: it is started in the program folder.
  const std::string script = std::string(kTemp) + "update_214000.bat";
  auto bytes = sys.files.ReadAll(script);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, updater::UpdateScriptText("Cifrona.exe"));
  ASSERT_EQ(sys.process.shellCalls.size(), 1u);
  EXPECT_EQ(sys.process.shellCalls[0].file, script);
  EXPECT_EQ(sys.process.shellCalls[0].folder, folder);
  EXPECT_EQ(sys.process.shellCalls[0].show, platform::ShowCommand::Hide);
  EXPECT_EQ(sys.session.processEnds, 1);
  EXPECT_TRUE(sys.session.held.empty());
  EXPECT_FALSE(sys.files.FileExists(folder + "Config\\Option.ini"));
}

TEST_F(PortableUpdateTest, AnArchiveThatCannotBeUnpackedWholeLeavesTheProgramAsItWas) {
  const std::string folder = "D:\\Tools\\50% Cifrona\\";
  ServeVersion("3.0");
  ServeFile("Cifrona.zip", testzip::Zip({{"Cifrona.exe", "MZ v3"}, {"..\\..\\Windows\\evil.exe", "MZ evil"}}));
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  const std::vector<std::string> before = sys.files.AllFiles();
  State after{};
  Open([&](TForm10& w) {
    w.ButtonDownload->Click();
    after = Now(w);
  });
  EXPECT_EQ(after.status, "Не удалось распаковать обновление");
  EXPECT_EQ(after.button, "Скачать");
  EXPECT_TRUE(after.closeEnabled);
  EXPECT_TRUE(sys.process.shellCalls.empty());
  EXPECT_EQ(sys.session.processEnds, 0);
  EXPECT_TRUE(sys.session.held.empty());
  EXPECT_FALSE(sys.files.FolderExists(folder + "update.staging"));
  EXPECT_FALSE(sys.files.FileExists("D:\\Windows\\evil.exe"));
  EXPECT_EQ(sys.files.AllFiles(), before);
}

TEST_F(PortableUpdateTest, AFailedScriptWriteReleasesTheHoldOnTheDownload) {
  ServeVersion("3.0");
  ServeFile("Cifrona.zip", testzip::Zip({{"Cifrona.exe", "MZ v3"}}));
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  sys.files.SetReadOnlyFolder(kTemp);
  Open([](TForm10& w) { w.ButtonDownload->Click(); });
  EXPECT_TRUE(sys.session.held.empty());
  EXPECT_TRUE(sys.process.shellCalls.empty());
  EXPECT_EQ(sys.session.processEnds, 0);
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

// A statement signed with the test key, whatever it says (the release tool only writes true ones).
std::string SignStatement(const std::string& statement) {
  const std::string dir = ::testing::TempDir() + "cifrona-sign-" + std::to_string(getpid()) + "/";
  std::system(("mkdir -p '" + dir + "'").c_str());
  std::ofstream(dir + "statement", std::ios::binary) << statement;
  const std::string cmd = "openssl dgst -sha256 -sign '" CIFRONA_TEST_RELEASE_KEY "' '" + dir +
                          "statement' | od -An -tx1 -v | tr -d ' \\n' > '" + dir + "signature'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(dir + "signature");
  std::string hex;
  in >> hex;
  return statement + "signature=" + hex + "\n";
}

std::string Statement(const std::string& product, const std::string& arch, const std::string& file,
                      const std::string& version, const std::string& bytes) {
  headless::Crypto crypto;
  return "product=" + product + "\narch=" + arch + "\nfile=" + file + "\nversion=" + version +
         "\nsize=" + std::to_string(bytes.size()) + "\nsha256=" + updater::ToHex(crypto.Sha256(bytes)) + "\n";
}

TEST_F(UpdateWindowTest, ADownloadThatMayNotBeInstalledIsRefusedWithItsReasonAndNothingStarts) {
  const std::string installer = "INSTALLER v3";
  const std::string otherKey = ::testing::TempDir() + "cifrona-other-key-" + std::to_string(getpid()) + ".pem";
  ASSERT_EQ(std::system(("bash '" CIFRONA_SOURCE_DIR "/tools/sign-update.sh' --new-key '" + otherKey + "'").c_str()), 0);
  const std::string otherArch = std::string(updater::ProgramArch()) == "x64" ? "x86" : "x64";
  const char* kNotAuthentic = "Файл обновления не прошёл проверку подлинности!";
  const char* kNotNewer = "Версия на сервере не новее установленной";
  const char* kNoSignature = "На сервере нет подписи обновления";
  struct Case {
    const char* what;
    std::string served;                 // version.txt
    std::string body;                   // what the server sends
    std::optional<std::string> sig;     // the .sig it sends
    const char* status;
    bool downloaded;                    // the file itself was asked for
  } cases[] = {
      {"tampered installer, longer than signed", "3.0", "INSTALLER v3 + payload",
       Sign("Cifrona-setup.exe", installer, "3.0"), kNotAuthentic, true},
      {"tampered installer, same size", "3.0", "INSTALLER v4", Sign("Cifrona-setup.exe", installer, "3.0"),
       kNotAuthentic, true},
      {"no signature", "3.0", installer, std::string("404"), kNoSignature, false},
      {"a signature file larger than any statement", "3.0", installer,
       Sign("Cifrona-setup.exe", installer, "3.0") + std::string(5000, '\n'), kNoSignature, false},
      {"garbled signature", "3.0", installer, std::string("file=Cifrona-setup.exe\nsignature=00\n"), kNotAuthentic,
       false},
      {"signed with another key", "3.0", installer, Sign("Cifrona-setup.exe", installer, "3.0", otherKey),
       kNotAuthentic, false},
      {"signed for the other architecture", "3.0", installer,
       Sign("Cifrona-setup.exe", installer, "3.0", CIFRONA_TEST_RELEASE_KEY, otherArch), kNotAuthentic, false},
      {"signed for another product", "3.0", installer,
       SignStatement(Statement("Other", updater::ProgramArch(), "Cifrona-setup.exe", "3.0", installer)),
       kNotAuthentic, false},
      {"a field given twice", "3.0", installer,
       SignStatement(Statement("Cifrona", updater::ProgramArch(), "Cifrona-setup.exe", "3.0", installer) +
                     "version=9.0\n"),
       kNotAuthentic, false},
      {"signed for an older version", "3.0", installer, Sign("Cifrona-setup.exe", installer, "1.0"), kNotAuthentic,
       false},
      {"version.txt lies", "3.0", installer, Sign("Cifrona-setup.exe", installer, "2.0.26.307"), kNotAuthentic, false},
      {"older than this one", "1.0", installer, Sign("Cifrona-setup.exe", installer, "1.0"), kNotNewer, false},
      {"signature for another file", "3.0", installer, Sign("Cifrona.zip", installer, "3.0"), kNotAuthentic, false},
  };
  const std::string target = std::string(kTemp) + "Cifrona-setup.exe";
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  for (const Case& c : cases) {
    sys.http.replies.clear();
    sys.http.requests.clear();
    ServeVersion(c.served);
    sys.http.replies[Folder(0) + "Cifrona-setup.exe"] = {200, c.body};
    if (c.sig) sys.http.replies[Folder(0) + "Cifrona-setup.exe.sig"] = {*c.sig == "404" ? 404 : 200, *c.sig};
    State after{};
    Open([&](TForm10& w) {
      w.CheckBoxForceUpdate->SetChecked(true);  // the check may have found nothing newer
      w.ButtonDownload->Click();
      after = Now(w);
    });
    EXPECT_EQ(after.status, c.status) << c.what;
    EXPECT_EQ(after.button, "Скачать") << c.what;
    EXPECT_TRUE(after.closeEnabled) << c.what;
    EXPECT_FALSE(after.progressVisible) << c.what;
    EXPECT_FALSE(sys.files.FileExists(target)) << c.what;
    EXPECT_TRUE(sys.process.shellCalls.empty()) << c.what;
    EXPECT_TRUE(sys.session.held.empty()) << c.what;
    EXPECT_FALSE(app->Terminated()) << c.what;
    const bool asked = std::any_of(sys.http.requests.begin(), sys.http.requests.end(), [&](const auto& r) {
      return r.url == Folder(0) + "Cifrona-setup.exe";
    });
    EXPECT_EQ(asked, c.downloaded) << c.what;
  }
}

TEST_F(UpdateWindowTest, ForceReinstallsTheRunningVersion) {
  ServeVersion("2.0.26.307");
  ServeFile("Cifrona-setup.exe", "INSTALLER", 0, "2.0.26.307");
  StartWindow("[Option]\r\nCheckBoxAutoCheck=0\r\n");
  State after{};
  Open([&](TForm10& w) {
    EXPECT_FALSE(w.ButtonDownload->Enabled());  // not newer: nothing offered
    w.CheckBoxForceUpdate->SetChecked(true);
    w.CheckBoxQuickUpdate->SetChecked(false);
    w.ButtonDownload->Click();
    after = Now(w);
  });
  EXPECT_EQ(after.status, "Файлы обновления загружены!");
  ASSERT_EQ(sys.process.shellCalls.size(), 1u);
  EXPECT_EQ(sys.process.shellCalls[0].file, std::string(kTemp) + "Cifrona-setup.exe");
  EXPECT_TRUE(sys.session.held.empty());
}

TEST_F(UpdateWindowTest, SignatureFileParsing) {
  const std::string good = Sign("Cifrona.zip", "zip", "3.0");
  auto s = updater::ParseSignatureFile(good);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->file, "Cifrona.zip");
  EXPECT_EQ(s->version, "3.0");
  EXPECT_EQ(s->size, 3u);
  EXPECT_EQ(s->product, "Cifrona");
  EXPECT_EQ(s->arch, updater::ProgramArch());
  EXPECT_EQ(updater::StatementText(*s), good.substr(0, good.find("signature=")));
  // Line ends may change on the way; the statement does not.
  std::string crlf;
  for (char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", "zip", crlf, "3.0", "2.0"), updater::Verdict::Ok);
  EXPECT_EQ(updater::VerifyUpdate("cifrona.ZIP", "zip", good, "3.0", "2.0"), updater::Verdict::Ok);
  for (const char* bad : {"", "file=a\n", "size=x\n", "what\n", "sha256=zz\n"})
    EXPECT_FALSE(updater::ParseSignatureFile(bad)) << bad;
  // Without the product and architecture lines a statement is not one.
  const std::string old = good.substr(good.find("file="));
  EXPECT_FALSE(updater::ParseSignatureFile(old));
  EXPECT_FALSE(updater::DerSignatureToRaw(std::string("\x30\x02\x02\x00", 4)));
}

}  // namespace
