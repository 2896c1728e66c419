// A language file as the program reads it: bytes in any encoding through the INI reader into
// a translation pass over a window of every kind the engine tells apart, with the translator's
// missing-key log present. For any input: no crash, every text a key matched is the entry's
// value, the run-time texts and the texts never looked up stay, and the log is rewritten as
// UTF-16 with a line per key.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "i18n/translation.h"
#include "fuzz_check.h"
#include "platform/headless/headless.h"
#include "platform/text.h"
#include "platform/ui/headless/headless_ui.h"
#include "platform/ui/ui.h"
#include "settings/ini_document.h"

namespace {

constexpr const char* kSettingsPath = "C:\\Users\\User\\AppData\\Roaming\\Cifrona Project\\Cifrona\\Config\\Option.ini";
constexpr const char* kLanguageFile = "C:\\Program Files\\Cifrona\\Language\\Fuzz.ini";
constexpr const char* kLog = "C:\\Program Files\\Cifrona.log";

// The update window's name, so its caption rule runs; one of its run-time texts; a tab list.
constexpr const char* kWindow = R"(form Form10
  Caption = "Обновление"
  Label LabelLocalVersion
    Caption = "1.0.0.1"
  end
  Label Dash
    Caption = "-"
  end
  Label Number
    Caption = "$1F"
  end
  Label Text
    Caption = "Версия"
    Hint = "Подсказка"
  end
  ComboBox Fonts
    Items = ["Шрифт"]
    ItemIndex = 0
  end
  TabControl Pages
    Tabs = ["Первая", "Вторая", "7"]
    Button Ok
      Caption = "Готово"
    end
  end
end
)";

struct World {
  headless::Platform sys;
  ui::headless::Backend backend;
  std::unique_ptr<ui::Application> app;
  World() {
    sys.files.AddFile(sys.system.exePath, "MZ");
    // The settings folder is named after the version resource's company.
    auto& block = sys.versions.BlockFor(sys.system.exePath);
    block.SetTranslation(0x0409, 0x04E4);
    block.SetString("StringFileInfo\\040904E4\\CompanyName", u"Cifrona Project");
    sys.files.AddFile(kSettingsPath, "[Language]\r\nLanguage=Fuzz.ini\r\n");
    app = std::make_unique<ui::Application>();
    app->SetTitle("Cifrona");
  }
};

std::string Caption(ui::Form& form, const char* name) { return *form.FindComponent(name)->GetTextProperty("Caption"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  auto& sys = world.sys;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  sys.files.AddFile(kLanguageFile, bytes);
  sys.files.AddFile(kLog, "");

  ui::Form form{"Form10"};
  ui::LoadForm(form, kWindow, {});
  i18n::TTranslation t;
  t.TranslateForm(form, "Cifrona");

  FUZZ_CHECK(form.Caption().ends_with(" Cifrona"));
  FUZZ_CHECK(Caption(form, "LabelLocalVersion") == "1.0.0.1");
  FUZZ_CHECK(Caption(form, "Dash") == "-");
  FUZZ_CHECK(Caption(form, "Number") == "$1F");
  FUZZ_CHECK(!t.Entries && !t.MissingKeys);  // released after the pass

  // A key's text is the value of the section's first entry with that key (ASCII letters without case).
  const auto doc = settings::IniDocument::Parse(settings::DecodeText(bytes, sys.system.codec).utf8);
  for (const std::string& entry : doc.Entries("Cifrona")) {
    const std::size_t eq = entry.find('=');
    if (eq == std::string::npos || !text::SameTextAscii(entry.substr(0, eq), "Form10.Text.Caption")) continue;
    if (eq + 1 < entry.size()) FUZZ_CHECK(Caption(form, "Text") == entry.substr(eq + 1));
    break;
  }

  // The log holds one line per key the pass missed, in UTF-16 LE with its mark.
  const auto log = sys.files.ReadAll(kLog);
  FUZZ_CHECK(log.has_value());
  if (!log->empty()) FUZZ_CHECK(log->starts_with("\xFF\xFE") && log->size() % 2 == 0);

  return 0;
}
