// The widget's language submenu, the translation of every window and the tidying of the
// language files at start-up.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/storage_locations.h"
#include "i18n/translation.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "widget/current_language.h"
#include "widget/unit_base.h"

namespace {

namespace keys = settings::keys;

constexpr std::string_view kLanguageInformation = "Language information";
constexpr std::string_view kLanguageDisplayName = "LANGNAME";
constexpr std::string_view kDestDir = "DestDir";

platform::FileSystem& Files() { return *platform::Current().files; }

std::string LanguageFolder() { return app::ExecutableFolder() + "Language\\"; }

// Every entry named "*.ini" in the language folder, in listing order, whatever it is.
std::vector<std::string> LanguageFileNames() {
  std::vector<std::string> names = Files().List(LanguageFolder(), "*.ini");
  std::erase_if(names, [](const std::string& n) { return n == "." || n == ".."; });
  return names;
}

std::vector<ui::Form*> ApplicationWindows() {
  ui::Application* app = ui::Application::Current();
  return app ? app->Forms() : std::vector<ui::Form*>{};
}

bool OwnsComponent(const ui::Form& form, std::string_view name) {
  for (const ui::Component* c : form.Components())
    if (text::SameTextAscii(c->Name(), name)) return true;
  return false;
}

// Whether a key of a language file names one of the program's windows and, after the
// window, one of its components ("Form2.Caption" and "Form2.ButtonSave.Caption" do).
bool NamesKnownComponent(const std::vector<ui::Form*>& windows, std::string_view key) {
  const size_t dot = key.find('.');
  const std::string_view window = key.substr(0, dot);
  for (const ui::Form* form : windows) {
    if (!text::SameTextAscii(form->Name(), window)) continue;
    const std::string_view rest = key.substr(dot + 1);
    const size_t next = rest.find('.');
    return next == std::string_view::npos || OwnsComponent(*form, rest.substr(0, next));
  }
  return false;
}

}  // namespace

bool IsFileWritable(const std::string& path) { return Files().CanOpenExclusive(path); }

void TForm1::LoadLanguage() {
  CurrentLanguage = i18n::LanguageName(i18n::StoredLanguage());

  LanguageMenu->Clear();

  std::vector<std::string> names = LanguageFileNames();
  const platform::SystemFacts& system = *platform::Current().system;
  std::stable_sort(names.begin(), names.end(),
                   [&system](const std::string& a, const std::string& b) { return system.CompareTextLocale(a, b) < 0; });

  for (const std::string& fileName : names) {
    const std::string language = fileName.substr(0, fileName.rfind('.'));
    std::string displayName = language;
    try {
      settings::IniFile file(LanguageFolder() + fileName);
      displayName = file.ReadString(kLanguageInformation, kLanguageDisplayName, language);
    } catch (...) {
      // An unreadable file is still listed, under its own name.
    }
    ui::MenuItem& entry = LanguageMenu->CreateItem();
    entry.SetRadioItem(true);
    entry.SetAutoCheck(true);
    // The click reads the name back from the caption: the caption is shown as written.
    entry.SetShowAccelChar(false);
    entry.SetCaption(language + "\t\t" + displayName);
    entry.SetChecked(text::SameTextAscii(language, CurrentLanguage) ||
                     text::SameTextAscii(language + ".ini", CurrentLanguage));
    entry.OnClick = [this](ui::Component& sender) { LanguageItemClick(sender); };
  }
}

void TForm1::LanguageItemClick(ui::Component& sender) {
  auto* item = dynamic_cast<ui::MenuItem*>(&sender);
  if (!item) return;
  const std::string& caption = item->Caption();
  const std::string name = caption.substr(0, caption.find('\t'));
  CurrentLanguage = name;
  for (ui::MenuItem* entry : LanguageMenu->Items()) entry->SetChecked(false);
  item->SetChecked(true);

  // A failed write is shown by the caller's error handler and applies nothing.
  settings::IniFile ini(app::PortablePath());
  ini.WriteString(keys::kLanguageSection, keys::kLanguage, name);
  ini.Update();

  // Rebuilds the submenu under this very entry; the toolkit keeps it until we return.
  LoadLanguage();
  Globload();
}

void TForm1::Globload() {
  i18n::TTranslation translation;
  for (ui::Form* form : ApplicationWindows()) {
    try {
      const std::string path = i18n::LanguageFilePath(i18n::StoredLanguage());
      if (!Files().FileExists(path)) continue;
      settings::IniFile file(path);
      if (file.Document().HasSection(app::kAppTitle)) translation.TranslateForm(*form, app::kAppTitle);
      // New texts may be longer or shorter than the ones they replace.
      form->FitTexts();
    } catch (...) {
      // A language file that cannot be read translates nothing and shows nothing.
    }
  }
}

void TForm1::CleanTranslationsLikeGlobload() {
  const std::vector<ui::Form*> windows = ApplicationWindows();
  for (const std::string& fileName : LanguageFileNames()) {
    const std::string path = LanguageFolder() + fileName;
    // Open elsewhere, read-only, or in a folder this user may not write: left as it is.
    if (Files().FileExists(path) && !IsFileWritable(path)) continue;
    std::optional<settings::IniFile> file;
    try {
      file.emplace(path);
    } catch (...) {
      continue;
    }
    settings::IniDocument& doc = file->Document();
    bool changed = false;
    for (const std::string& section : doc.SectionNames()) {
      if (text::SameTextAscii(section, kLanguageInformation) || text::SameTextAscii(section, kDestDir)) continue;
      const std::vector<std::string> keyList = doc.KeyNames(section);
      for (size_t p = keyList.size(); p-- > 0;) {
        const std::string& key = keyList[p];
        bool remove = key.find('.') == std::string::npos || !NamesKnownComponent(windows, key);
        for (size_t q = 0; q < p && !remove; ++q) remove = text::SameTextAscii(keyList[q], key);
        if (!remove) continue;
        // Removes the first entry of that key: of repeated keys the last one remains.
        doc.EraseKey(section, key);
        changed = true;
      }
      if (doc.KeyNames(section).empty()) {
        doc.EraseSection(section);
        changed = true;
      }
    }
    if (changed && IsFileWritable(path)) {
      try {
        file->Update();  // in the encoding it was read in
      } catch (...) {
        // Tidying is a courtesy: a file that cannot be written stays as it was.
      }
    }
  }
}
