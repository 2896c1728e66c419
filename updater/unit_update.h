// The update window TForm10 and the updater's process-wide state: the window's check and
// the start-up check, the download with its progress, the install step and the abort.
// Created once at start-up, hidden, shown modally from the widget's menu and after a Yes
// to the start-up question.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/ui.h"
#include "platform/update_services.h"

class TForm10 : public ui::Form {
 public:
  TForm10();
  ~TForm10() override;

  ui::GroupBox* GroupBox1 = nullptr;
  ui::Label* LabelUpDate = nullptr;
  ui::Label* LabelLocalTitle = nullptr;
  ui::Label* LabelLocalVersion = nullptr;
  ui::Label* LabelServerTitle = nullptr;
  ui::Label* LabelServerVersion = nullptr;
  ui::ProgressBar* ProgressBarUpdate = nullptr;
  ui::GroupBox* GroupBoxOption = nullptr;
  ui::CheckBox* CheckBoxQuickUpdate = nullptr;
  ui::CheckBox* CheckBoxForceUpdate = nullptr;
  ui::CheckBox* CheckBoxAutoCheck = nullptr;
  ui::TabControl* TabControlButtons = nullptr;
  ui::Button* ButtonDownload = nullptr;
  ui::Button* ButtonClose = nullptr;
  ui::PopupMenu* PopupMenuLanguage = nullptr;
  ui::MenuItem* LangNoDownload = nullptr;
  ui::MenuItem* LangDownloadComplet = nullptr;
  ui::MenuItem* LangNoUpdate = nullptr;
  ui::MenuItem* LangServerVersion = nullptr;
  ui::MenuItem* LangVersionComputer = nullptr;
  ui::MenuItem* LangUpdateAvailable = nullptr;
  ui::MenuItem* LangDownload = nullptr;
  ui::MenuItem* LangCancel = nullptr;
  ui::MenuItem* LangUpdateNow = nullptr;
  ui::MenuItem* LangYes = nullptr;
  ui::MenuItem* LangNo = nullptr;
  ui::MenuItem* LangCheckUpdate = nullptr;
  ui::MenuItem* LangFailedCheckUpdates = nullptr;
  ui::MenuItem* LangConnectionError = nullptr;
  ui::MenuItem* LangNotVerified = nullptr;
  ui::MenuItem* LangNotNewer = nullptr;
  ui::MenuItem* LangNoSignature = nullptr;
  ui::MenuItem* LangUnpackFailed = nullptr;

  // The start-up check found a newer version.
  bool UpdateAvailable = false;
  // Set by Cancel; the running download's notifications then disconnect.
  bool AbortUpdate = false;
  // Bytes per percent of the running download.
  std::int64_t ProgressStep = 0;

  void LoadNastr();
  void SaveNastr();
  // Starts the start-up check on a worker and returns at once.
  void CheckForUpdatesInBackground();
  // The start-up check's question, on the UI thread.
  void PromptForUpdate();
  void QuickStartUpdate();
  // The window's check: fetch on the calling thread, results on the UI thread.
  static void Check(const std::string& localVersion);
  // Fetches and checks server's signed statement, downloads server within the size it
  // names, checks the bytes and writes them to the download target, held against other
  // writers until the install step is done. Throws on any failure; a download that may not
  // be installed throws Refused with the status text to show, and nothing is left on disk.
  void UpdateApp(const std::string& server);
  // Unpacks the verified archive into the staging folder beside the executable, then writes
  // and starts the update script and ends the process; returns only when the script is
  // missing after writing. Throws Refused when the archive cannot be unpacked whole.
  void SimplePortableUpdate(const std::string& zipInAppDir, const std::string& currentExePath);

  // An update that may not be installed, with the message item that says why.
  struct Refused {
    ui::MenuItem* reason;
  };
  // Cancel during a download.
  void AbortDownload();

  // Event handlers.
  void FormCreate(ui::Component& sender);
  void FormShow(ui::Component& sender);
  void FormClose(ui::Component& sender, ui::CloseAction& action);
  void ButtonDownloadClick(ui::Component& sender);
  void CheckBoxForceUpdateClick(ui::Component& sender);
  void ButtonCloseClick(ui::Component& sender);
  // The download's notifications.
  void IdHTTP1WorkBegin(std::int64_t total);
  void IdHTTP1Work(std::int64_t received);
  void IdHTTP1WorkEnd();

 protected:
  void CreateParams(ui::CreateParams& params) override;

 private:
  void SetIdle();
  // Lets other writers at the downloaded file again (once the install step is over).
  void ReleaseHeldTarget();
  void InstallStep();
  std::string DownloadTarget(const std::string& url) const;
  ui::MenuItem* ReasonFor(int verdict) const;
  // One GET on a worker while this thread goes on handling messages, so the window stays
  // responsive whatever the server does; progress reaches the IdHTTP1Work* handlers here.
  // Throws what the request threw, or HttpError once Cancel was pressed.
  std::string Fetch(const std::string& url, const platform::HttpSettings& settings, bool withProgress);
  // The client of the running request, owned by Fetch.
  platform::HttpClient* IdHTTP1 = nullptr;
  // The bytes of the last download that passed its checks, and the file they were written to
  // and are held in until the install step is done.
  std::string verified_;
  std::string heldTarget_;
  // The URL of the running download: a check that ends meanwhile may change DownloadUrl.
  std::string downloadUrl_;
};

// The update window, once its construction has begun; empty before and after.
extern TForm10* Form10;

// The window's check: one run step on a worker of its own.
class CheckThread {
 public:
  static void Start();
  void Execute();
};

namespace updater {

// The updater's state.
extern std::string DownloadUrl;
extern std::string ServerVersion;
extern int CompareResult;
extern std::string BackgroundServerVersion;
extern std::string BackgroundDownloadUrl;
extern bool QuickStartPending;

// Runs step on the UI thread and waits for it; false when the program's windows are
// gone (the step then does not run). Worker threads call it.
bool RunOnUi(const std::function<void()>& step);

}  // namespace updater
