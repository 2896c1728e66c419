#include "i18n/translation.h"

#include <cstdint>

#include "app/storage_locations.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace i18n {

namespace {

namespace keys = settings::keys;

// Texts the program writes at run time (identity items, copyright, versions): a
// translation would only hide them.
struct Excluded {
  std::string_view window, component;
};
constexpr Excluded kRunTimeTexts[] = {
    {"Form1", "Name"},          {"Form1", "Version"},           {"Form8", "LabelCopyright"},
    {"Form10", "LabelLocalVersion"}, {"Form10", "LabelServerVersion"},
};

constexpr std::string_view kWidgetWindow = "Form1";
constexpr std::string_view kUpdateWindow = "Form10";

bool IsRunTimeText(const ui::Form& form, const ui::Component& c) {
  for (const Excluded& e : kRunTimeTexts)
    if (form.Name() == e.window && c.Name() == e.component) return true;
  return false;
}

bool NeverLookedUp(const std::string& text) { return text.empty() || text == "-" || IsWholeNumber(text); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lines as a text list reads them: CR, LF or CR LF end a line; a last line without an
// ending still counts, an ending at the very end adds no empty line.
std::vector<std::string> SplitLines(std::string_view all) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = all.size();
    lines.emplace_back(all.substr(pos, end - pos));
    pos = end;
    if (pos < all.size() && all[pos] == '\r') ++pos;
    if (pos < all.size() && all[pos] == '\n') ++pos;
  }
  return lines;
}

std::string ExecutableFolder() { return app::ExecutableFolder(); }

}  // namespace

bool IsWholeNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const bool negative = i > 0 && s[i - 1] == '-';
  std::string_view digits = s.substr(i);
  if (digits.empty()) return false;
  if (digits[0] == '$' || digits[0] == 'x' || digits[0] == 'X' ||
      (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))) {
    digits.remove_prefix(digits[0] == '0' ? 2 : 1);
    if (digits.empty()) return false;
    std::uint64_t value = 0;
    for (char c : digits) {
      const int d = HexValue(c);
      if (d < 0) return false;
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFull) return false;  // a 32-bit pattern at most: "$FFFFFFFF" is -1
    }
    return true;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 2147483648ull) return false;
  }
  return negative || value <= 2147483647ull;
}

std::string LanguageName(std::string_view stored) {
  if (stored.size() >= 4 && text::SameTextAscii(stored.substr(stored.size() - 4), ".ini"))
    stored.remove_suffix(4);
  return std::string(stored);
}

std::string StoredLanguage() {
  settings::IniFile ini(app::PortablePath());
  return ini.ReadString(keys::kLanguageSection, keys::kLanguage, "");
}

std::string LanguageFilePath(std::string_view stored) {
  return ExecutableFolder() + "Language\\" + LanguageName(stored) + ".ini";
}

std::string MissingKeyLogPath(std::string_view folder) {
  std::string dir(folder);
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  const std::string log = std::string(app::kAppTitle) + ".log";
  // A drive's root ("C:") or a share's root ("\\server\share") has no parent: the log
  // stays in the root itself.
  const bool driveRoot = dir.size() == 2 && dir[1] == ':';
  const bool shareRoot = text::StartsWith(dir, "\\\\") && dir.find('\\', 2) != std::string::npos &&
                         dir.find('\\', dir.find('\\', 2) + 1) == std::string::npos;
  const size_t cut = dir.find_last_of('\\');
  if (driveRoot || shareRoot || cut == std::string::npos) return dir + "\\" + log;
  return dir.substr(0, cut + 1) + log;
}

// ---- the record --------------------------------------------------------------------

void TTranslation::TranslateForm(ui::Form& form, const std::string& sectionName) {
  SectionName = sectionName;
  auto& files = *platform::Current().files;
  const auto& ansi = platform::Current().system->Ansi();
  try {
    const std::string languageFile = LanguageFilePath(StoredLanguage());
    const std::string logFile = MissingKeyLogPath(ExecutableFolder());
    if (!files.FileExists(languageFile)) return;

    Entries.emplace();
    MissingKeys.emplace();
    struct Release {
      TTranslation& t;
      ~Release() {
        t.Entries.reset();
        t.MissingKeys.reset();
      }
    } release{*this};

    settings::IniFile language(languageFile);
    *Entries = language.Document().Entries(SectionName);
    if (files.FileExists(logFile))
      if (auto bytes = files.ReadAll(logFile)) *MissingKeys = SplitLines(settings::DecodeText(*bytes, ansi).utf8);

    Form = &form;
    if (form.Name() != kWidgetWindow) {
      std::string current = form.Caption();
      const std::string suffix = std::string(" ") + app::kAppTitle;
      // The update window carries the title after its caption; a caption left from an
      // earlier pass already does, and must not get it twice.
      if (form.Name() == kUpdateWindow && text::EndsWith(current, suffix)) current.resize(current.size() - suffix.size());
      form.SetCaption(GetTranslation(form.Name() + ".Caption", current));
    }
    if (form.Name() == kUpdateWindow) form.SetCaption(form.Caption() + " " + app::kAppTitle);

    TranslateComponents(form);

    Entries.reset();
    if (files.FileExists(logFile) && !MissingKeys->empty()) {
      std::string all;
      for (const std::string& line : *MissingKeys) all += line + "\r\n";
      files.ReplaceAll(logFile, settings::EncodeText(all, settings::TextEncoding::Utf16LE, ansi));
    }
  } catch (...) {
    // A translation only changes texts: a failure leaves the rest as it is, unreported.
  }
}

void TTranslation::TranslateComponents(ui::Form& form) {
  const size_t count = form.Components().size();
  for (size_t i = 0; i < count && i < form.Components().size(); ++i) {
    ui::Component& c = *form.Components()[i];
    const ui::Kind kind = c.GetKind();
    if (kind == ui::Kind::ComboBox || kind == ui::Kind::TrayIcon || IsRunTimeText(form, c)) continue;
    for (std::string_view property : ui::kTextProperties) TranslateProperty(property, c);
    if (kind == ui::Kind::TabControl) {
      auto& tabs = static_cast<ui::TabControl&>(c);
      TranslateItems(tabs.Tabs(), form.Name() + "." + c.Name() + ".Tabs ", [&tabs](size_t index, const std::string& t) {
        std::vector<std::string> lines = tabs.Tabs();
        if (index < lines.size()) lines[index] = t;
        tabs.SetTabs(std::move(lines));
      });
    }
    ui::ProcessPendingMessages();
  }
}

void TTranslation::TranslateProperty(std::string_view property, ui::Component& component) {
  const std::optional<std::string> value = component.GetTextProperty(property);
  if (!value || NeverLookedUp(*value)) return;
  const std::string key = Form->Name() + "." + component.Name() + "." + std::string(property);
  const std::string result = GetTranslation(key, *value);
  if (!result.empty()) component.SetTextProperty(property, result);
  // Windows repaint and timers run while a long pass is under way.
  ui::ProcessPendingMessages();
}

void TTranslation::TranslateItems(const std::vector<std::string>& lines, const std::string& prefix,
                                  const std::function<void(size_t, const std::string&)>& write) {
  const std::vector<std::string> copy = lines;  // writing lines must not disturb the walk
  for (size_t i = 0; i < copy.size(); ++i) {
    if (NeverLookedUp(copy[i])) continue;
    const std::string result = GetTranslation(prefix + "[" + std::to_string(i) + "]", copy[i]);
    if (!result.empty()) write(i, result);
    ui::ProcessPendingMessages();
  }
}

std::string TTranslation::GetTranslation(const std::string& key, const std::string& defaultText) {
  const int i = FindKey(key);
  if (i < 0) {
    if (MissingKeys) MissingKeys->push_back(key + "=" + defaultText);
    return defaultText;
  }
  std::string& entry = (*Entries)[static_cast<size_t>(i)];
  std::string result = entry.substr(entry.find('=') + 1);
  Entries->erase(Entries->begin() + i);  // one entry serves one lookup per pass
  return result;
}

int TTranslation::FindKey(std::string_view key) const {
  if (!Entries) return -1;
  for (size_t i = 0; i < Entries->size(); ++i) {
    const std::string& entry = (*Entries)[i];
    const size_t eq = entry.find('=');
    const std::string_view entryKey = eq == std::string::npos ? std::string_view() : std::string_view(entry).substr(0, eq);
    if (text::SameTextAscii(entryKey, key)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace i18n
