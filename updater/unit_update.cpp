#include "updater/unit_update.h"

#include <future>
#include <mutex>

#include "app/storage_locations.h"
#include "info/file_info_utils.h"
#include "platform/services.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "updater/update_check.h"
#include "updater/update_signature.h"
#include "widget/current_language.h"

TForm10* Form10 = nullptr;

namespace updater {

std::string DownloadUrl;
std::string ServerVersion;
int CompareResult = 0;
std::string BackgroundServerVersion;
std::string BackgroundDownloadUrl;
bool QuickStartPending = false;

namespace {

// Closed when the update window goes, so a worker that finishes late hands nothing to an
// application that is being taken down.
std::mutex g_gateMutex;
bool g_gateOpen = false;

std::string LocalVersion() {
  return FileInfoUtils::GetFileVersion(platform::Current().system->ExecutablePath());
}

void StartWorker(std::function<void()> work) {
  if (platform::Session* s = platform::Current().session) s->StartWorker(std::move(work));
}

}  // namespace

bool RunOnUi(const std::function<void()>& step) {
  std::future<void> done;
  {
    std::unique_lock lock(g_gateMutex);
    ui::Application* app = ui::Application::Current();
    if (!g_gateOpen || !app) return false;
    if (app->IsUiThread()) {
      // The step may show windows and start workers that hand steps over in turn.
      lock.unlock();
      step();
      return true;
    }
    auto promise = std::make_shared<std::promise<void>>();
    done = promise->get_future();
    app->Queue([step, promise] {
      try {
        step();
        promise->set_value();
      } catch (...) {
        promise->set_exception(std::current_exception());
      }
    });
  }
  try {
    done.get();
  } catch (const std::future_error&) {
    return false;  // the application ended before the step ran
  }
  return true;
}

}  // namespace updater

using namespace updater;

TForm10::TForm10() : ui::Form("Form10") {
  ui::HandlerMap h;
  h.Add("FormCreate", this, &TForm10::FormCreate)
      .Add("FormShow", this, &TForm10::FormShow)
      .Add("FormClose", this, &TForm10::FormClose)
      .Add("CheckBoxForceUpdateClick", this, &TForm10::CheckBoxForceUpdateClick)
      .Add("ButtonDownloadClick", this, &TForm10::ButtonDownloadClick)
      .Add("ButtonCloseClick", this, &TForm10::ButtonCloseClick);
  ui::LoadForm(*this, h);

  GroupBox1 = &Get<ui::GroupBox>("GroupBox1");
  LabelUpDate = &Get<ui::Label>("LabelUpDate");
  LabelLocalTitle = &Get<ui::Label>("LabelLocalTitle");
  LabelLocalVersion = &Get<ui::Label>("LabelLocalVersion");
  LabelServerTitle = &Get<ui::Label>("LabelServerTitle");
  LabelServerVersion = &Get<ui::Label>("LabelServerVersion");
  ProgressBarUpdate = &Get<ui::ProgressBar>("ProgressBarUpdate");
  GroupBoxOption = &Get<ui::GroupBox>("GroupBoxOption");
  CheckBoxQuickUpdate = &Get<ui::CheckBox>("CheckBoxQuickUpdate");
  CheckBoxForceUpdate = &Get<ui::CheckBox>("CheckBoxForceUpdate");
  CheckBoxAutoCheck = &Get<ui::CheckBox>("CheckBoxAutoCheck");
  TabControlButtons = &Get<ui::TabControl>("TabControlButtons");
  ButtonDownload = &Get<ui::Button>("ButtonDownload");
  ButtonClose = &Get<ui::Button>("ButtonClose");
  PopupMenuLanguage = &Get<ui::PopupMenu>("PopupMenuLanguage");
  LangNoDownload = &Get<ui::MenuItem>("LangNoDownload");
  LangDownloadComplet = &Get<ui::MenuItem>("LangDownloadComplet");
  LangNoUpdate = &Get<ui::MenuItem>("LangNoUpdate");
  LangServerVersion = &Get<ui::MenuItem>("LangServerVersion");
  LangVersionComputer = &Get<ui::MenuItem>("LangVersionComputer");
  LangUpdateAvailable = &Get<ui::MenuItem>("LangUpdateAvailable");
  LangDownload = &Get<ui::MenuItem>("LangDownload");
  LangCancel = &Get<ui::MenuItem>("LangCancel");
  LangUpdateNow = &Get<ui::MenuItem>("LangUpdateNow");
  LangYes = &Get<ui::MenuItem>("LangYes");
  LangNo = &Get<ui::MenuItem>("LangNo");
  LangCheckUpdate = &Get<ui::MenuItem>("LangCheckUpdate");
  LangFailedCheckUpdates = &Get<ui::MenuItem>("LangFailedCheckUpdates");
  LangConnectionError = &Get<ui::MenuItem>("LangConnectionError");
  LangNotVerified = &Get<ui::MenuItem>("LangNotVerified");

  std::lock_guard lock(g_gateMutex);
  g_gateOpen = true;
}

TForm10::~TForm10() {
  std::lock_guard lock(g_gateMutex);
  g_gateOpen = false;
}

void TForm10::CreateParams(ui::CreateParams& params) {
  // A taskbar button of its own, which shows the download's progress, and no owner.
  params.exStyle |= ui::exstyle::kAppWindow;
  params.owner = ui::CreateParams::Owner::Desktop;
}

// ---- settings ----------------------------------------------------------------

void TForm10::FormCreate(ui::Component&) { LoadNastr(); }

void TForm10::LoadNastr() {
  {
    settings::IniFile ini(app::PortablePath());
    CheckBoxAutoCheck->SetChecked(
        ini.ReadBool(settings::keys::kOption, settings::keys::kCheckBoxAutoCheck, settings::keys::kDefaultAutoCheck));
  }
  if (CheckBoxAutoCheck->Checked()) {
    CheckForUpdatesInBackground();
    ui::ProcessPendingMessages();
  }
}

void TForm10::SaveNastr() {
  settings::IniFile ini(app::PortablePath());
  ini.WriteBool(settings::keys::kOption, settings::keys::kCheckBoxAutoCheck, CheckBoxAutoCheck->Checked());
  ini.Update();
}

// ---- the start-up check ------------------------------------------------------

void TForm10::CheckForUpdatesInBackground() {
  StartWorker([] {
    std::string version, url;
    bool found = FetchServerVersion(version, url);
    const std::string local = found ? LocalVersion() : std::string();
    RunOnUi([&] {
      if (found) {
        BackgroundServerVersion = version;
        BackgroundDownloadUrl = url;
      } else {
        BackgroundServerVersion.clear();
        BackgroundDownloadUrl.clear();
      }
      if (!Form10) return;
      Form10->UpdateAvailable = found && CompareVersions(version, local) == 1;
      Form10->PromptForUpdate();
    });
  });
}

void TForm10::PromptForUpdate() {
  if (!UpdateAvailable || BackgroundDownloadUrl.empty()) return;
  platform::Session* session = platform::Current().session;
  if (!session) return;
  const std::string message =
      LangUpdateAvailable->Caption() + " " + BackgroundServerVersion + "\r\n" + LangUpdateNow->Caption();
  int answer = session->AskYesNo(0, message, app::kAppTitle, LangYes->Caption(), LangNo->Caption());
  if (answer != platform::kIdYes) return;
  DownloadUrl = BackgroundDownloadUrl;
  ServerVersion = BackgroundServerVersion;
  LabelServerVersion->SetCaption(BackgroundServerVersion);
  QuickStartPending = true;
  if (Visible()) {
    // The window is open already (the user opened it while the question waited): start
    // the download in it, unless one is running; then the flag waits for the next showing.
    if (ButtonDownload->Tag() == 0) {
      QuickStartPending = false;
      QuickStartUpdate();
    }
    return;
  }
  ShowModal();
}

// ---- the window's check ------------------------------------------------------

void CheckThread::Start() {
  StartWorker([] {
    CheckThread thread;
    thread.Execute();
  });
}

void CheckThread::Execute() {
  RunOnUi([] {
    if (!Form10) return;
    Form10->GroupBoxOption->SetEnabled(false);
    Form10->ButtonDownload->SetEnabled(false);
  });
  TForm10::Check(LocalVersion());
  RunOnUi([] {
    TForm10* f = Form10;
    if (!f || f->CheckBoxForceUpdate->Checked()) return;
    f->ButtonDownload->SetTag(0);
    f->ButtonDownload->SetCaption(f->LangDownload->Caption());
    f->ButtonDownload->SetEnabled(CompareResult == 1);
    f->GroupBoxOption->SetEnabled(true);
  });
}

void TForm10::Check(const std::string& localVersion) {
  std::string version, url;
  bool found = FetchServerVersion(version, url);
  RunOnUi([&] {
    TForm10* f = Form10;
    if (found) {
      DownloadUrl = url;
      ServerVersion = version;
      CompareResult = CompareVersions(version, localVersion);
      if (!f) return;
      if (CompareResult == 1)
        f->LabelUpDate->SetCaption(f->LangUpdateAvailable->Caption() + " " + localVersion + " ---> " + version);
      else
        f->LabelUpDate->SetCaption(f->LangNoUpdate->Caption());
      f->LabelServerVersion->SetCaption(version);
    } else {
      CompareResult = 0;
      DownloadUrl.clear();
      ServerVersion.clear();
      if (!f) return;
      f->LabelUpDate->SetCaption(f->LangFailedCheckUpdates->Caption());
      f->LabelServerVersion->SetCaption(f->LangConnectionError->Caption());
    }
  });
}

// ---- showing and closing -----------------------------------------------------

void TForm10::FormShow(ui::Component&) {
  LabelUpDate->SetCaption("");
  LabelLocalVersion->SetCaption(LocalVersion());
  LabelServerVersion->SetCaption("");
  LabelUpDate->SetCaption(LangCheckUpdate->Caption());
  CheckBoxForceUpdate->SetChecked(false);
  if (QuickStartPending) {
    QuickStartPending = false;
    QuickStartUpdate();
  } else {
    CheckThread::Start();
  }
}

void TForm10::QuickStartUpdate() {
  DownloadUrl = BackgroundDownloadUrl;
  ServerVersion = BackgroundServerVersion;
  LabelUpDate->SetCaption(LangUpdateAvailable->Caption() + " " + LocalVersion() + " ---> " + ServerVersion);
  LabelServerVersion->SetCaption(ServerVersion);
  ui::ProcessPendingMessages();
  // Through a worker, so the download starts once the window's modal loop runs, that is
  // after the window has become visible.
  StartWorker([] {
    try {
      RunOnUi([] {
        if (Form10) Form10->ButtonDownloadClick(*Form10->ButtonDownload);
      });
    } catch (...) {
    }
  });
}

void TForm10::CheckBoxForceUpdateClick(ui::Component&) {
  ButtonDownload->SetTag(0);
  ButtonDownload->SetEnabled(CheckBoxForceUpdate->Checked());
}

void TForm10::ButtonCloseClick(ui::Component&) {
  try {
    Close();
  } catch (...) {
  }
}

void TForm10::FormClose(ui::Component&, ui::CloseAction&) {
  LabelUpDate->SetCaption("");
  LabelLocalVersion->SetCaption("");
  LabelServerVersion->SetCaption("");
  SaveNastr();
}

// ---- download and install ----------------------------------------------------

void TForm10::SetIdle() {
  ButtonDownload->SetTag(0);
  ButtonDownload->SetCaption(LangDownload->Caption());
  ButtonClose->SetEnabled(true);
  ProgressBarUpdate->SetVisible(false);
  GroupBoxOption->SetEnabled(true);
}

void TForm10::ButtonDownloadClick(ui::Component&) {
  switch (ButtonDownload->Tag()) {
    case 0:
      try {
        AbortUpdate = false;
        ButtonDownload->SetTag(1);
        ButtonDownload->SetCaption(LangCancel->Caption());
        ButtonClose->SetEnabled(false);
        ProgressBarUpdate->SetPosition(0);
        ProgressBarUpdate->SetVisible(true);
        GroupBoxOption->SetEnabled(false);
        UpdateApp(DownloadUrl);
        const std::string target = DownloadTarget(DownloadUrl);
        if (!Authenticated(target)) {
          LabelUpDate->SetCaption(LangNotVerified->Caption());
          SetIdle();
          ui::ProcessPendingMessages();
          break;
        }
        LabelUpDate->SetCaption(LangDownloadComplet->Caption());
        InstallStep();
        // Started (or left for the user): other programs may change the file again.
        platform::Current().session->ReleaseHold(target);
        SetIdle();
        ui::ProcessPendingMessages();
      } catch (...) {
        // Silently: the window stays as far as it got; Cancel brings it back.
      }
      break;
    case 1:
      try {
        SetIdle();
        ProgressBarUpdate->SetPosition(0);
        AbortDownload();
      } catch (...) {
      }
      break;
    default:
      break;
  }
}

std::string TForm10::DownloadTarget(const std::string& url) const {
  const std::string folder = app::IsPortable() ? app::ExecutableFolder() : GetTempFolder();
  return folder + FileNameFromUrl(url);
}

void TForm10::UpdateApp(const std::string& server) {
  platform::Services& os = platform::Current();
  if (!os.http) throw platform::HttpError("No HTTP client");
  platform::HttpSettings settings;
  settings.userAgent = kUserAgent;
  settings.basicAuthentication = true;
  settings.followRedirects = true;
  settings.tls12Only = true;
  if (GetSystemProxy(ProxyServer, ProxyPort, ProxyEnabled) && ProxyEnabled) {
    settings.proxyHost = ProxyServer;
    settings.proxyPort = ProxyPort;
  }
  std::unique_ptr<platform::HttpClient> client = os.http->NewClient(settings);
  // The client is reachable by Cancel and the notifications for as long as the GET runs.
  struct Attach {
    platform::HttpClient*& slot;
    platform::HttpClient* previous;
    ~Attach() { slot = previous; }
  } attach{IdHTTP1, IdHTTP1};
  IdHTTP1 = client.get();

  platform::HttpProgress progress;
  progress.begin = [this](std::int64_t total) { IdHTTP1WorkBegin(total); };
  progress.work = [this](std::int64_t received) { IdHTTP1Work(received); };
  progress.end = [this] { IdHTTP1WorkEnd(); };
  std::string body = client->GetToMemory(EncodeUrlPath(server), progress);
  // Only a complete body reaches the disk.
  os.files->ReplaceAll(DownloadTarget(server), body);
  ui::ProcessPendingMessages();
}

bool TForm10::Authenticated(const std::string& target) {
  platform::Services& os = platform::Current();
  auto refuse = [&] {
    os.session->ReleaseHold(target);
    if (os.files->FileExists(target)) os.files->Remove(target);
  };
  // What is checked is what will run: the file on disk, held so nobody changes it
  // between the check and the start.
  if (!os.session->HoldAgainstWriting(target)) {
    refuse();
    return false;
  }
  std::optional<std::string> bytes = os.files->ReadAll(target);
  std::optional<std::string> signature;
  try {
    std::unique_ptr<platform::HttpClient> client = os.http->NewClient(BaseClientSettings());
    struct Attach {
      platform::HttpClient*& slot;
      platform::HttpClient* previous;
      ~Attach() { slot = previous; }
    } attach{IdHTTP1, IdHTTP1};
    IdHTTP1 = client.get();
    signature = client->GetToMemory(EncodeUrlPath(DownloadUrl + ".sig"), {});
  } catch (const std::exception&) {
    // No signature: refused below.
  }
  if (AbortUpdate) {
    // Cancelled meanwhile: the window is reset already, and nothing is installed.
    refuse();
    throw platform::HttpError("Cancelled");
  }
  if (!bytes || VerifyUpdate(FileNameFromUrl(DownloadUrl), *bytes, signature, ServerVersion, LocalVersion()) !=
                    Verdict::Ok) {
    refuse();
    return false;
  }
  return true;
}

void TForm10::InstallStep() {
  platform::Services& os = platform::Current();
  const std::string exe = os.system->ExecutablePath();
  const std::string file = DownloadTarget(DownloadUrl);
  if (!app::IsPortable()) {
    if (CheckBoxQuickUpdate->Checked()) {
      os.process->ShellOpen(0, file, InstallerSwitches(CurrentLanguage), "", platform::ShowCommand::Normal);
      if (ui::Application* a = ui::Application::Current()) a->Terminate();
      ui::ProcessPendingMessages();
    } else {
      os.process->ShellOpen(0, file, "", "", platform::ShowCommand::Normal);
    }
  } else if (CheckBoxQuickUpdate->Checked()) {
    SimplePortableUpdate(app::ExecutableFolder() + FileNameFromUrl(DownloadUrl), exe);
  }
}

void TForm10::SimplePortableUpdate(const std::string& zipInAppDir, const std::string& currentExePath) {
  platform::Services& os = platform::Current();
  const std::string script = GetTempFolder() + UpdateScriptName(os.session->Now());
  os.files->ReplaceAll(script, os.system->Ansi().FromUtf8(UpdateScriptText(currentExePath, zipInAppDir)));
  if (os.files->FileExists(script)) {
    os.process->ShellOpen(0, script, "", "", platform::ShowCommand::Hide);
    os.session->EndProcessNow();
    return;
  }
  os.windows->ShowMessageBox("Failed to create update script!", app::kAppTitle, platform::MessageIcon::None);
}

void TForm10::AbortDownload() {
  try {
    AbortUpdate = true;
    if (IdHTTP1) IdHTTP1->Disconnect();
    ProgressBarUpdate->SetPosition(0);
    LabelUpDate->SetCaption(LangNoDownload->Caption());
    const std::string file = GetTempFolder() + FileNameFromUrl(DownloadUrl);
    platform::FileSystem* files = platform::Current().files;
    if (files->FileExists(file)) files->Remove(file);
    ui::ProcessPendingMessages();
  } catch (...) {
  }
}

// ---- progress ----------------------------------------------------------------

void TForm10::IdHTTP1WorkBegin(std::int64_t total) {
  try {
    ProgressBarUpdate->SetRange(ProgressBarUpdate->Min(), 100);
    if (platform::Taskbar* t = platform::Current().taskbar) t->SetProgressMax(Handle(), ProgressBarUpdate->Max());
    ProgressStep = ProgressStepFor(total);
    ui::ProcessPendingMessages();
  } catch (...) {
  }
}

void TForm10::IdHTTP1Work(std::int64_t received) {
  try {
    if (AbortUpdate && IdHTTP1) IdHTTP1->Disconnect();
    platform::Taskbar* t = platform::Current().taskbar;
    if (t) t->SetProgressState(Handle(), platform::TaskbarState::Normal);
    if (ProgressStep > 0) {
      std::int64_t pos = RoundedQuotient(received, ProgressStep);
      ProgressBarUpdate->SetPosition(static_cast<int>(std::min<std::int64_t>(pos, 1 << 30)));
      if (t) t->SetProgressValue(Handle(), ProgressBarUpdate->Position());
    }
    ui::ProcessPendingMessages();
  } catch (...) {
  }
}

void TForm10::IdHTTP1WorkEnd() {
  try {
    if (platform::Taskbar* t = platform::Current().taskbar) t->SetProgressState(Handle(), platform::TaskbarState::None);
    ui::ProcessPendingMessages();
  } catch (...) {
  }
}
