#include "app/cifrona.h"

#include "app/storage_locations.h"
#include "info/unit_about.h"
#include "platform/services.h"
#include "platform/ui/ui.h"
#include "settings_dialog/unit_settings.h"
#include "updater/unit_update.h"
#include "widget/unit_base.h"

namespace app {

namespace {

constexpr std::uint32_t kRussianLocale = 1049;

// The windows are the application's; their references must not outlive them.
struct FormReferences {
  ~FormReferences() {
    Form10 = nullptr;
    Form2 = nullptr;
    Form8 = nullptr;
    Form1 = nullptr;
  }
};

}  // namespace

int Cifrona() {
  platform::Services& os = platform::Current();

  // 1. One copy per logon: a second one ends at once, silently, touching nothing. Two
  // copies started together may both find no mutex; the one whose creation finds it made
  // already ends the same way.
  if (os.process->MutexExists(kAppTitle)) return 0;
  if (!os.process->CreateNamedMutex(kAppTitle)) return 0;

  // 2. Russian for the thread's locale-dependent formatting.
  os.process->SetThreadLocale(kRussianLocale);

  // 3. The application object, titled; the windows' references are cleared when it goes.
  FormReferences references;
  ui::Application application;
  application.SetTitle(kAppTitle);
  // The two visual styles, before the widget's creation restores the chosen theme.
  ui::RegisterBuiltInStyles();

  // A failure escaping a window's creation is shown, and start-up goes on.
  // 4. The widget, the main window.
  application.Guard([&] { application.CreateForm(Form1); });
  // 5. The About dialog.
  application.Guard([&] { application.CreateForm(Form8); });
  // 6. The settings dialog.
  application.Guard([&] { application.CreateForm(Form2); });
  // 7. The update dialog; it may start the start-up update check.
  application.Guard([&] { application.CreateForm(Form10); });
  if (!Form1) return 0;

  // 8. The language submenu again, now that every window exists; 9. the language files
  // tidied; 10. every window in the chosen language.
  application.Guard([&] { Form1->LoadLanguage(); });
  application.Guard([&] { Form1->CleanTranslationsLikeGlobload(); });
  application.Guard([&] { Form1->Globload(); });

  // 11. The stored settings reach the widget through the dialog's controls.
  application.Guard([&] {
    if (Form2) Form2->LoadNastr();
  });

  // 12. Operating-system gate.
  if (Form1->IsWindows10Or11()) {
    application.Run();
  } else {
    os.windows->ShowMessageBox(Form1->LangOnlyWindows->Caption(), Form1->LangError->Caption(),
                               platform::MessageIcon::Error);
  }
  // 13. The windows and the application go with this scope.
  return 0;
}

}  // namespace app
