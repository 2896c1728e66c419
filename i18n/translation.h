// Translation: a language file's texts applied to one window at a time.
//
// The chosen language's file is "Language\<name>.ini" beside the executable; its section
// named after the application holds entries "Form2.ButtonSave.Caption=Ok" (window name,
// component name, property) and "Form2.Caption=..." for a window's caption; a tab control's
// tab or a check-list box's line takes "<window>.<component>.Tabs [0]=..." (".Items [0]"),
// which none of the program's windows has. Texts that are empty, "-" or whole
// numbers are never looked up; a missing key leaves the text as it is and, while the
// translator's log "Cifrona.log" exists in the folder above the executable's, is added to it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui.h"

namespace i18n {

// What the platform's integer parser reads as a whole 32-bit number: leading blanks, an
// optional sign, then decimal digits, or hexadecimal ones after "$", "x" or "0x".
// "  42", "-7", "$1F", "0xff", "x10" are; "4.5", "12a", "0x", "" are not.
bool IsWholeNumber(std::string_view text);

// A stored language value names its file with or without ".ini": "English" and
// "English.ini" both give "English".
std::string LanguageName(std::string_view storedValue);

// The chosen language as the settings file holds it ([Language] Language), read afresh.
std::string StoredLanguage();

// The chosen language's file: the executable's folder + "Language\" + name + ".ini".
std::string LanguageFilePath(std::string_view storedValue);

// The missing-key log: "Cifrona.log" in the parent folder of the executable's folder
// ("C:\Program Files\Cifrona\" gives "C:\Program Files\Cifrona.log"); a program in a
// drive's root ("C:\") keeps it in that root.
std::string MissingKeyLogPath(std::string_view executableFolder);

// One translation record: serves every window of one pass over the application's
// windows. Passes started from within the pending messages it lets run use records of
// their own.
struct TTranslation {
  ui::Form* Form = nullptr;                               // the window being translated
  std::optional<std::vector<std::string>> Entries;        // the section's unused entries, during a pass
  std::optional<std::vector<std::string>> MissingKeys;    // the log's lines, old and new, during a pass
  std::string SectionName;

  // Translates the window with the entries of that section of the chosen language file.
  // Never reports a failure: one ends the pass where it happened, the log unwritten.
  void TranslateForm(ui::Form& form, const std::string& sectionName);
  // Looks up one text property of one of Form's components and sets it.
  void TranslateProperty(std::string_view property, ui::Component& component);
  // Looks up each line of a list under prefix + "[" + index + "]"; write(i, text) sets line i.
  void TranslateItems(const std::vector<std::string>& lines, const std::string& prefix,
                      const std::function<void(size_t, const std::string&)>& write);
  // The entry's value for the key (the entry is used up), or defaultText, recorded as missing.
  std::string GetTranslation(const std::string& key, const std::string& defaultText);
  // The position of the first entry whose key matches (ASCII letters without case), or -1.
  int FindKey(std::string_view key) const;

 private:
  void TranslateComponents(ui::Form& form);
};

}  // namespace i18n
