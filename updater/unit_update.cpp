#include "updater/unit_update.h"

#include <future>
#include <mutex>
#include <optional>
#include <vector>

#include "app/storage_locations.h"
#include "info/file_info_utils.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "updater/update_archive.h"
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
  LangNotNewer = &Get<ui::MenuItem>("LangNotNewer");
  LangNoSignature = &Get<ui::MenuItem>("LangNoSignature");
  LangUnpackFailed = &Get<ui::MenuItem>("LangUnpackFailed");

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
    if (!Form10 || Form10->ButtonDownload->Tag() == 1) return;  // a running download keeps its Cancel
    Form10->GroupBoxOption->SetEnabled(false);
    Form10->ButtonDownload->SetEnabled(false);
  });
  TForm10::Check(LocalVersion());
  RunOnUi([] {
    TForm10* f = Form10;
    // A download that started meanwhile (Yes to the start-up question) keeps its Cancel.
    if (!f || f->CheckBoxForceUpdate->Checked() || f->ButtonDownload->Tag() == 1) return;
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
  // Closed with its close box during a download: that is Cancel, so nothing is installed
  // for a window the user closed.
  if (ButtonDownload->Tag() == 1) ButtonDownloadClick(*ButtonDownload);
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
    case 0: {
      // The downloaded file stays held against writers until the install step is over,
      // whichever way it ends.
      struct ReleaseHold {
        TForm10& f;
        ~ReleaseHold() {
          f.ReleaseHeldTarget();
          f.verified_.clear();
        }
      } release{*this};
      try {
        AbortUpdate = false;
        ButtonDownload->SetTag(1);
        ButtonDownload->SetCaption(LangCancel->Caption());
        ButtonClose->SetEnabled(false);
        ProgressBarUpdate->SetPosition(0);
        ProgressBarUpdate->SetVisible(true);
        GroupBoxOption->SetEnabled(false);
        downloadUrl_ = DownloadUrl;
        UpdateApp(downloadUrl_);
        LabelUpDate->SetCaption(LangDownloadComplet->Caption());
        InstallStep();
        SetIdle();
        ui::ProcessPendingMessages();
      } catch (const Refused& refused) {
        // Said in the status line; the window is ready for another try.
        LabelUpDate->SetCaption(refused.reason->Caption());
        SetIdle();
        ui::ProcessPendingMessages();
      } catch (...) {
        // Silently: the window stays as far as it got; Cancel brings it back.
      }
      break;
    }
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

ui::MenuItem* TForm10::ReasonFor(int verdict) const {
  switch (static_cast<Verdict>(verdict)) {
    case Verdict::NoSignature: return LangNoSignature;
    case Verdict::NotNewer: return LangNotNewer;
    default: return LangNotVerified;
  }
}

std::string TForm10::Fetch(const std::string& url, const platform::HttpSettings& settings, bool withProgress) {
  platform::Services& os = platform::Current();
  if (!os.http || !os.session) throw platform::HttpError("No HTTP client");
  // What the worker hands over: the notifications in order, then the outcome. The worker
  // owns a share of it and of the client, so a request left behind by Cancel ends on its own.
  struct Shared {
    std::mutex mutex;
    std::vector<std::pair<int, std::int64_t>> events;  // 0 begin, 1 work, 2 end
    bool done = false;
    std::string body;
    std::exception_ptr error;
  };
  auto shared = std::make_shared<Shared>();
  std::shared_ptr<platform::HttpClient> client = os.http->NewClient(settings);
  struct Attach {
    platform::HttpClient*& slot;
    platform::HttpClient* previous;
    ~Attach() { slot = previous; }
  } attach{IdHTTP1, IdHTTP1};
  IdHTTP1 = client.get();
  bool begun = false, ended = false;
  auto deliver = [this, &begun, &ended](int kind, std::int64_t n) {
    // After Cancel the window is reset already: only the end reaches it.
    if (kind == 0 && !AbortUpdate) {
      begun = true;
      IdHTTP1WorkBegin(n);
    } else if (kind == 1 && !AbortUpdate) {
      IdHTTP1Work(n);
    } else if (kind == 2) {
      ended = true;
      IdHTTP1WorkEnd();
    }
  };
  ui::Application* app = ui::Application::Current();
  os.session->StartWorker([shared, client, url, withProgress, app, deliver] {
    // Notifications are handed to the UI thread; where the work runs on it (in memory),
    // they are delivered as they come.
    auto push = [shared, app, deliver](int kind, std::int64_t n) {
      if (app && app->IsUiThread()) return deliver(kind, n);
      std::lock_guard lock(shared->mutex);
      shared->events.emplace_back(kind, n);
    };
    platform::HttpProgress progress;
    if (withProgress) {
      progress.begin = [push](std::int64_t total) { push(0, total); };
      progress.work = [push](std::int64_t received) { push(1, received); };
      progress.end = [push] { push(2, 0); };
    }
    std::string body;
    std::exception_ptr error;
    try {
      body = client->GetToMemory(url, progress);
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lock(shared->mutex);
    shared->body = std::move(body);
    shared->error = error;
    shared->done = true;
  });
  for (;;) {
    std::vector<std::pair<int, std::int64_t>> events;
    bool done;
    {
      std::lock_guard lock(shared->mutex);
      events.swap(shared->events);
      done = shared->done;
    }
    for (auto [kind, n] : events) deliver(kind, n);
    if (AbortUpdate) {
      client->Disconnect();
      if (begun && !ended) IdHTTP1WorkEnd();
      throw platform::HttpError("Cancelled");
    }
    if (done) break;
    os.session->WaitForInput(50);
    ui::ProcessPendingMessages();
  }
  if (shared->error) std::rethrow_exception(shared->error);
  return std::move(shared->body);
}

void TForm10::UpdateApp(const std::string& server) {
  platform::Services& os = platform::Current();
  const std::string name = FileNameFromUrl(server);
  // The signed statement first, with the check's limits: it says whether this file may be
  // installed at all, and how many bytes it has.
  std::optional<std::string> signature;
  try {
    signature = Fetch(EncodeUrlPath(server + ".sig"), CheckClientSettings(), false);
  } catch (const platform::HttpTooLarge&) {
    // Larger than any statement: not one.
  } catch (const platform::HttpError& e) {
    // The server answered that it has none; a server that could not be reached fails the
    // download like any transfer.
    if (AbortUpdate || e.Status() == 0) throw;
  }
  SignedStatement statement;
  const Verdict verdict =
      CheckStatement(name, signature, ServerVersion, LocalVersion(), CheckBoxForceUpdate->Checked(), &statement);
  if (verdict != Verdict::Ok) throw Refused{ReasonFor(static_cast<int>(verdict))};

  std::string body;
  try {
    body = Fetch(EncodeUrlPath(server), DownloadClientSettings(statement.size), true);
  } catch (const platform::HttpTooLarge&) {
    throw Refused{LangNotVerified};  // more than was signed: not the file that was signed
  }
  if (CheckBytes(statement, body) != Verdict::Ok) throw Refused{LangNotVerified};

  // Only checked bytes reach the disk; what will run is then held and compared again.
  const std::string target = DownloadTarget(server);
  os.files->ReplaceAll(target, body);
  std::optional<std::string> written;
  if (os.session->HoldAgainstWriting(target)) {
    heldTarget_ = target;
    written = os.files->ReadAll(target);
  }
  if (!written || *written != body) {
    ReleaseHeldTarget();
    os.files->Remove(target);
    throw Refused{LangNotVerified};
  }
  verified_ = std::move(body);
  ui::ProcessPendingMessages();
}

void TForm10::ReleaseHeldTarget() {
  if (heldTarget_.empty()) return;
  if (platform::Session* s = platform::Current().session) s->ReleaseHold(heldTarget_);
  heldTarget_.clear();
}

void TForm10::InstallStep() {
  platform::Services& os = platform::Current();
  const std::string exe = os.system->ExecutablePath();
  const std::string file = DownloadTarget(downloadUrl_);
  if (!app::IsPortable()) {
    if (CheckBoxQuickUpdate->Checked()) {
      os.process->ShellOpen(0, file, InstallerSwitches(CurrentLanguage), "", platform::ShowCommand::Normal);
      if (ui::Application* a = ui::Application::Current()) a->Terminate();
      ui::ProcessPendingMessages();
    } else {
      os.process->ShellOpen(0, file, "", "", platform::ShowCommand::Normal);
    }
  } else if (CheckBoxQuickUpdate->Checked()) {
    SimplePortableUpdate(app::ExecutableFolder() + FileNameFromUrl(downloadUrl_), exe);
  }
}

void TForm10::SimplePortableUpdate(const std::string& zipInAppDir, const std::string& currentExePath) {
  platform::Services& os = platform::Current();
  const std::string folder = paths::ExtractFilePath(currentExePath);
  const std::string staging = folder + kStagingFolderName + "\\";
  // Unpacked here, from the bytes that were verified, before the program ends: a refused
  // archive leaves the program running as it was.
  bool staged = true;
  try {
    StageArchive(ReadArchive(verified_), staging);
  } catch (const std::exception&) {
    RemoveTree(staging);
    staged = false;
  }
  // The archive has done its work either way: unpacked, or refused.
  ReleaseHeldTarget();
  os.files->Remove(zipInAppDir);
  if (!staged) throw Refused{LangUnpackFailed};
  const std::string script = GetTempFolder() + UpdateScriptName(os.session->Now());
  os.files->ReplaceAll(script, UpdateScriptText(paths::ExtractFileName(currentExePath)));
  if (os.files->FileExists(script)) {
    // The program folder is the script's working folder: the script never names it.
    os.process->ShellOpen(0, script, "", folder, platform::ShowCommand::Hide);
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
