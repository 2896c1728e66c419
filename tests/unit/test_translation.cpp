// The translation engine: keys, the texts never looked up, entries used once, the update
// window's caption, the missing-key log, passes inside passes.
#include <gtest/gtest.h>

#include "i18n/translation.h"
#include "settings/ini_document.h"
#include "widget_fixture.h"

namespace {

using widget_test::kSettingsPath;

constexpr const char* kLanguageDir = "C:\\Program Files\\Cifrona\\Language\\";
constexpr const char* kLog = "C:\\Program Files\\Cifrona.log";

std::string Utf16Log(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += l + "\r\n";
  return settings::EncodeText(all, settings::TextEncoding::Utf16LE, headless::SingleByteCodec(1251));
}

// A window of every kind the engine tells apart, with texts it must and must not look up.
constexpr const char* kTestWindow = R"(form Form5
  Caption = "Окно"
  Label Empty
    Caption = ""
  end
  Label Dash
    Caption = "-"
  end
  Label Decimal
    Caption = "42"
  end
  Label Padded
    Caption = "  7"
  end
  Label Dollar
    Caption = "$1F"
  end
  Label Hex
    Caption = "0x1f"
  end
  Label Mixed
    Caption = "12a"
  end
  Label Fraction
    Caption = "4.5"
  end
  ComboBox Fonts
    Items = ["Шрифт", "Другой"]
    ItemIndex = 0
  end
  TabControl Pages
    Tabs = ["Первая", "Вторая"]
    Button Ok
      Caption = "Готово"
      Hint = "Подсказка"
    end
  end
end
)";

class TranslationTest : public ::testing::Test, public widget_test::Program {
 protected:
  TranslationTest() {
    ui::LoadForm(window, kTestWindow, {});
    Choose("Test");
  }
  void Choose(const std::string& value) { sys.files.AddFile(kSettingsPath, "[Language]\r\nLanguage=" + value + "\r\n"); }
  void Language(const std::string& section) { sys.files.AddFile(std::string(kLanguageDir) + "Test.ini", "[Cifrona]\r\n" + section); }
  std::string Text(const std::string& name) { return *window.FindComponent(name)->GetTextProperty("Caption"); }
  std::vector<std::string> LogLines() {
    auto bytes = sys.files.ReadAll(kLog);
    if (!bytes) return {{"<no log>"}};
    EXPECT_TRUE(bytes->starts_with("\xFF\xFE")) << "UTF-16 LE with its mark";
    auto decoded = settings::DecodeText(*bytes, sys.system.codec);
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < decoded.utf8.size();) {
      size_t end = decoded.utf8.find("\r\n", pos);
      EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
      if (end == std::string::npos) break;
      lines.push_back(decoded.utf8.substr(pos, end - pos));
      pos = end + 2;
    }
    return lines;
  }
  void Pass(ui::Form& form) {
    i18n::TTranslation t;
    t.TranslateForm(form, "Cifrona");
    EXPECT_FALSE(t.Entries.has_value());
    EXPECT_FALSE(t.MissingKeys.has_value());
  }
  ui::Form window{"Form5"};
};

TEST(WholeNumber, ReadsAsThePlatformsIntegerParserDoes) {
  struct Case {
    const char* text;
    bool whole;
  } cases[] = {
      {"0", true},           {"42", true},          {"  7", true},         {"+5", true},
      {"-2147483648", true}, {"2147483647", true},  {"2147483648", false}, {"-2147483649", false},
      {"$1F", true},         {"0x1f", true},        {"0X1F", true},        {"x10", true},
      {"X10", true},         {"$FFFFFFFF", true},   {"$100000000", false}, {"-$10", true},
      {"$", false},          {"0x", false},         {"", false},           {" ", false},
      {"-", false},          {"12a", false},        {"4.5", false},        {"7 ", false},
      {"\t7", false},        {"1e3", false},        {"$-1", false},        {"0010", true},
  };
  for (const Case& c : cases) EXPECT_EQ(i18n::IsWholeNumber(c.text), c.whole) << '"' << c.text << '"';
}

TEST(MissingKeyLog, LivesInTheParentOfTheProgramsFolderOrInARoot) {
  struct Case {
    const char* folder;
    const char* log;
  } cases[] = {
      {"C:\\Program Files\\Cifrona\\", "C:\\Program Files\\Cifrona.log"},
      {"D:\\Tools\\", "D:\\Cifrona.log"},
      {"C:\\", "C:\\Cifrona.log"},
      {"\\\\server\\share\\", "\\\\server\\share\\Cifrona.log"},
      {"\\\\server\\share\\Cifrona\\", "\\\\server\\share\\Cifrona.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(i18n::MissingKeyLogPath(c.folder), c.log) << c.folder;
}

TEST(LanguageName, AStoredNameMayEndInTheExtension) {
  EXPECT_EQ(i18n::LanguageName("English"), "English");
  EXPECT_EQ(i18n::LanguageName("English.ini"), "English");
  EXPECT_EQ(i18n::LanguageName("English.INI"), "English");
  EXPECT_EQ(i18n::LanguageName(".ini"), "");
  EXPECT_EQ(i18n::LanguageName(""), "");
}

TEST(FindKey, MatchesTheTextBeforeTheFirstEqualsWithoutCaseOfAsciiLetters) {
  i18n::TTranslation t;
  t.Entries = std::vector<std::string>{"Form2.ButtonSave.Caption=Ok", "NoEquals", "=empty key",
                                       "form2.buttonsave.caption=Second", "Form1.Язык.Caption=x"};
  EXPECT_EQ(t.FindKey("FORM2.BUTTONSAVE.CAPTION"), 0);
  EXPECT_EQ(t.FindKey("NoEquals"), -1);  // an entry without "=" has the empty key
  EXPECT_EQ(t.FindKey(""), 1);
  EXPECT_EQ(t.FindKey("Form1.ЯЗЫК.Caption"), -1);  // only ASCII letters ignore case
  EXPECT_EQ(t.FindKey("Form2.Caption"), -1);

  // Each entry serves one lookup; a value holding "=" is taken whole.
  t.Entries->push_back("Form2.Caption=a=b");
  t.MissingKeys.emplace();
  EXPECT_EQ(t.GetTranslation("form2.ButtonSave.Caption", "d"), "Ok");
  EXPECT_EQ(t.GetTranslation("Form2.ButtonSave.Caption", "d"), "Second");
  EXPECT_EQ(t.GetTranslation("Form2.ButtonSave.Caption", "d"), "d");
  EXPECT_EQ(t.GetTranslation("Form2.Caption", "d"), "a=b");
  EXPECT_EQ(*t.MissingKeys, std::vector<std::string>{"Form2.ButtonSave.Caption=d"});
}

TEST_F(TranslationTest, LooksUpOnlyRealTextsAndLogsTheMissesInComponentOrder) {
  sys.files.AddFile(kLog, "");
  Language(
      "form5.CAPTION = Window\r\n"
      "Form5.Mixed.Caption=Mixed\r\n"
      "Form5.Decimal.Caption=never\r\n"
      "Form5.Fonts.Text=never\r\n"
      "Form5.Pages.Tabs [1]=Second\r\n"
      "Form5.Ok.Caption=Done\r\n");
  Pass(window);
  EXPECT_EQ(window.Caption(), "Window");
  EXPECT_EQ(Text("Mixed"), "Mixed");
  EXPECT_EQ(Text("Decimal"), "42");
  EXPECT_EQ(Text("Ok"), "Done");
  EXPECT_EQ(window.Get<ui::ComboBox>("Fonts").Items()[0], "Шрифт");
  EXPECT_EQ(window.Get<ui::TabControl>("Pages").Tabs(), (std::vector<std::string>{"Первая", "Second"}));
  // The misses in the order looked up: components in definition order, each property in
  // the order Caption, Hint, Title, Text, TextHint, then a tab control's lines.
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Form5.Fraction.Caption=4.5", "Form5.Pages.Tabs [0]=Первая",
                                                  "Form5.Ok.Hint=Подсказка"}));
  // The next pass appends the same misses again after the old lines.
  const std::vector<std::string> first = LogLines();
  Pass(window);
  std::vector<std::string> twice = first;
  twice.insert(twice.end(), first.begin(), first.end());
  EXPECT_EQ(LogLines(), twice);
}

TEST_F(TranslationTest, WithoutALogOrALanguageFileNothingIsWrittenOrChanged) {
  Language("Form5.Ok.Caption=Done\r\n");
  Pass(window);
  EXPECT_EQ(Text("Ok"), "Done");
  EXPECT_FALSE(sys.files.FileExists(kLog));

  // No file for the chosen language (here none chosen): the window and the log stay.
  sys.files.AddFile(kLog, "");
  for (const char* value : {"", "Missing"}) {
    Choose(value);
    window.SetCaption("Окно");
    Pass(window);
    EXPECT_EQ(window.Caption(), "Окно") << value;
    EXPECT_EQ(sys.files.ReadAll(kLog), "") << value;
  }
}

TEST_F(TranslationTest, AStoredNameWithItsExtensionChoosesTheSameFile) {
  Language("Form5.Ok.Caption=Done\r\n");
  Choose("TEST.ini");
  Pass(window);
  EXPECT_EQ(Text("Ok"), "Done");
}

TEST_F(TranslationTest, AnEmptyValueEmptiesACaptionButLeavesAComponentText) {
  Language("Form5.Caption=\r\nForm5.Ok.Caption=\r\n");
  Pass(window);
  EXPECT_EQ(window.Caption(), "");
  EXPECT_EQ(Text("Ok"), "Готово");
  // An empty caption is still looked up.
  sys.files.AddFile(kLog, "");
  Language("");
  Pass(window);
  EXPECT_EQ(LogLines().front(), "Form5.Caption=");
}

TEST_F(TranslationTest, AnUnreadableLogStopsThePassBeforeItsFirstText) {
  Language("Form5.Caption=Window\r\nForm5.Ok.Caption=Done\r\n");
  sys.files.AddFile(kLog, "");
  sys.files.SetUnreadable(kLog);
  Pass(window);
  EXPECT_EQ(window.Caption(), "Окно");
  EXPECT_EQ(Text("Ok"), "Готово");
}

TEST_F(TranslationTest, ALogThatCannotBeWrittenLeavesTheTextsTranslated) {
  Language("Form5.Ok.Caption=Done\r\n");
  sys.files.AddFile(kLog, Utf16Log({"old=line"}));
  sys.files.SetReadOnlyFile(kLog);
  Pass(window);
  EXPECT_EQ(Text("Ok"), "Done");
  EXPECT_EQ(LogLines(), std::vector<std::string>{"old=line"});
}

TEST_F(TranslationTest, TheWidgetKeepsItsCaptionAndTheUpdateWindowEndsWithTheTitleOnce) {
  sys.files.AddFile(kLog, "");
  Language("Form1.Caption=never\r\nForm10.Caption=Update\r\n");
  ui::Form widget("Form1"), update("Form10");
  widget.SetCaption("Cifrona 2.0");
  update.SetCaption("Обновление");
  Pass(widget);
  Pass(update);
  EXPECT_EQ(widget.Caption(), "Cifrona 2.0");
  EXPECT_EQ(update.Caption(), "Update Cifrona");
  // A file without the key: the caption left by the last pass keeps one title, and the
  // log records the caption without it.
  Language("");
  Pass(update);
  EXPECT_EQ(update.Caption(), "Update Cifrona");
  EXPECT_EQ(LogLines(), std::vector<std::string>{"Form10.Caption=Update"});
}

TEST_F(TranslationTest, APassStartedFromItsPendingMessagesWorksOnItsOwnRecord) {
  sys.files.AddFile(kLog, "");
  Language("Form5.Caption=Window\r\nForm5.Mixed.Caption=Mixed\r\nForm5.Ok.Caption=Done\r\nForm6.Caption=Other\r\n");
  ui::Form other("Form6");
  other.SetCaption("Другое");
  bool nested = false;
  // Runs while the outer pass lets pending messages run after its first text.
  app->Queue([&] {
    nested = true;
    Pass(other);
  });
  Pass(window);
  EXPECT_TRUE(nested);
  EXPECT_EQ(other.Caption(), "Other");
  EXPECT_EQ(window.Caption(), "Window");
  EXPECT_EQ(Text("Mixed"), "Mixed");
  EXPECT_EQ(Text("Ok"), "Done");
  // The outer pass's own misses, none of them lost to the inner pass.
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Form5.Fraction.Caption=4.5", "Form5.Pages.Tabs [0]=Первая",
                                                  "Form5.Pages.Tabs [1]=Вторая", "Form5.Ok.Hint=Подсказка"}));
}

}  // namespace
