// A headless program for the widget's tests: in-memory platform, headless toolkit, an
// application whose error box is recorded, and the executable's version resource.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/ui/headless/headless_ui.h"
#include "platform/ui/ui.h"
#include "settings_dialog/unit_settings.h"
#include "widget/unit_base.h"

namespace widget_test {

inline std::string ErrorText(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "?";
  }
}

inline void GiveVersion(headless::Platform& sys, const std::u16string& version) {
  auto& block = sys.versions.BlockFor(sys.system.exePath);
  block.SetTranslation(0x0409, 0x04E4);
  block.SetFixedVersion(1, 0, 0, 1);
  block.SetString("StringFileInfo\\040904E4\\FileVersion", version);
  block.SetString("StringFileInfo\\040904E4\\FileDescription", u"Cifrona");
  block.SetString("StringFileInfo\\040904E4\\CompanyName", u"Cifrona Project");
}

// The installed settings file of the headless platform.
inline const char* kSettingsPath = "C:\\Users\\User\\AppData\\Roaming\\Cifrona Project\\Cifrona\\Config\\Option.ini";

// One headless run of the program: platform, toolkit backend and application. Only one
// may exist at a time (the backend and application are process-wide).
class Program {
 public:
  Program() {
    sys.files.AddFile(sys.system.exePath, "MZ");
    GiveVersion(sys, u"2.0.26.307");
    app = std::make_unique<ui::Application>();
    app->SetTitle("Cifrona");
    app->OnException = [this](const std::exception_ptr& e) { errors.push_back(ErrorText(e)); };
    // The styles are process-wide: each run starts with the built-in ones and none active.
    ui::StyleManager::Instance().Reset();
    ui::RegisterBuiltInStyles();
  }
  ~Program() {
    ui::StyleManager::Instance().Reset();
    app.reset();
    Form1 = nullptr;
    Form2 = nullptr;
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  TForm1& Create() {
    app->CreateForm(Form1);
    return *Form1;
  }
  // The widget and the settings dialog as start-up leaves them: the stored settings loaded.
  TForm2& Start() {
    Create();
    app->CreateForm(Form2);
    Form2->LoadNastr();
    return *Form2;
  }
  TForm2& StartWith(const std::string& settings) {
    sys.files.AddFile(kSettingsPath, settings);
    return Start();
  }
  std::string Settings() { return sys.files.ReadAll(kSettingsPath).value_or("<none>"); }

  headless::Platform sys;
  ui::headless::Backend backend;
  std::unique_ptr<ui::Application> app;
  std::vector<std::string> errors;
};

class WidgetTest : public ::testing::Test, public Program {};

}  // namespace widget_test
