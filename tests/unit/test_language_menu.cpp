// The language submenu, a click on one of its entries, the translation of every window
// and the tidying of the language files at start-up; the language files we ship.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/cifrona.h"
#include "info/unit_about.h"
#include "platform/ui/backend.h"
#include "platform/errors.h"
#include "settings/ini_document.h"
#include "widget/current_language.h"
#include "widget_fixture.h"

namespace {

using widget_test::kSettingsPath;

constexpr const char* kLanguageDir = "C:\\Program Files\\Cifrona\\Language\\";
constexpr const char* kLog = "C:\\Program Files\\Cifrona.log";

std::string Bom(const std::string& utf8) { return "\xEF\xBB\xBF" + utf8; }

// The update window as its definition makes it (its class comes with the updater).
class UpdateWindow : public ui::Form {
 public:
  UpdateWindow() : ui::Form("Form10") {
    ui::HandlerMap h;
    for (const char* name : {"FormCreate", "FormShow", "ButtonDownloadClick", "CheckBoxForceUpdateClick", "ButtonCloseClick"})
      h.Add(name, ui::NotifyEvent([](ui::Component&) {}));
    h.Add("FormClose", ui::CloseEvent([](ui::Component&, ui::CloseAction&) {}));
    ui::LoadForm(*this, h);
  }
};
UpdateWindow* Form10 = nullptr;

class LanguageTest : public ::testing::Test, public widget_test::Program {
 protected:
  ~LanguageTest() override {
    app.reset();
    Form8 = nullptr;
    Form10 = nullptr;
    CurrentLanguage.clear();
  }
  void File(const std::string& name, const std::string& bytes) { sys.files.AddFile(kLanguageDir + name, bytes); }
  void Choose(const std::string& value) { sys.files.AddFile(kSettingsPath, "[Language]\r\nLanguage=" + value + "\r\n"); }
  // The four windows as start-up makes them, before the language steps of the main sequence.
  void CreateAll() {
    Create();
    app->CreateForm(Form8);
    app->CreateForm(Form2);
    app->CreateForm(Form10);
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (ui::MenuItem* e : Form1->LanguageMenu->Items()) out.push_back(e->Caption() + (e->Checked() ? " *" : ""));
    return out;
  }
  std::string Read(const std::string& name) { return sys.files.ReadAll(kLanguageDir + name).value_or("<none>"); }
};

TEST_F(LanguageTest, SubmenuListsEveryLanguageSortedWithoutCaseWithItsDisplayName) {
  File("russian.ini", Bom("[Language information]\r\nLANGNAME=Русский\r\n"));
  File("English.ini", "[Language information]\r\nLANGNAME=English & more\r\n");
  File("Blank.ini", "[Language information]\r\nLANGNAME=\r\n");
  File("Plain.ini", "[Cifrona]\r\n");
  File("Broken.ini", "x");
  sys.files.SetUnreadable(std::string(kLanguageDir) + "Broken.ini");
  sys.files.AddFolder(std::string(kLanguageDir) + "Folder.ini");  // listed whatever it is
  File("notes.txt", "");
  Choose("english.INI");
  Create();
  EXPECT_EQ(CurrentLanguage, "english");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Blank\t\t", "Broken\t\tBroken", "English\t\tEnglish & more *",
                                                  "Folder\t\tFolder", "Plain\t\tPlain", "russian\t\tРусский"}));
  for (ui::MenuItem* e : Form1->LanguageMenu->Items()) {
    EXPECT_TRUE(e->RadioItem());
    EXPECT_TRUE(e->AutoCheck());
    EXPECT_EQ(e->Owner(), Form1->LanguageMenu) << "the submenu owns its entries, so they are never translated";
  }
  EXPECT_EQ(Form1->LanguageMenu->Items()[2]->ShownCaption(), "English\tEnglish && more");

  // The check mark follows the stored name, with or without its extension, in any case.
  struct Case {
    const char* stored;
    const char* ticked;
  } cases[] = {{"Plain", "Plain"}, {"PLAIN.ini", "Plain"}, {"", nullptr}, {"Gone", nullptr}, {"Plain.txt", nullptr}};
  for (const Case& c : cases) {
    Choose(c.stored);
    Form1->LoadLanguage();
    const ui::MenuItem* ticked = nullptr;
    for (ui::MenuItem* e : Form1->LanguageMenu->Items())
      if (e->Checked()) ticked = e;
    EXPECT_EQ(ticked ? ticked->Caption().substr(0, ticked->Caption().find('\t')) : "", c.ticked ? c.ticked : "")
        << c.stored;
  }
  EXPECT_EQ(Form1->LanguageMenu->Items().size(), 6u) << "rebuilt, not added to";
}

TEST_F(LanguageTest, NoLanguageFolderGivesAnEmptySubmenu) {
  Create();
  EXPECT_TRUE(Form1->LanguageMenu->Items().empty());
  EXPECT_EQ(CurrentLanguage, "");
}

TEST_F(LanguageTest, ClickStoresTheNameAndSwitchesEveryWindowAtOnce) {
  File("English.ini", "[Language information]\r\nLANGNAME=English\r\n[Cifrona]\r\nForm1.MenuExit.Caption=Exit\r\n"
                      "Form2.Caption=Settings\r\nForm8.Caption=About\r\nForm10.Caption=Update\r\n");
  File("Russian.ini", Bom("[Cifrona]\r\nForm1.MenuExit.Caption=Выход\r\nForm2.Caption=Настройки\r\n"));
  sys.files.AddFile(kSettingsPath, "[Option]\r\nSpinEditNumber=7\r\n");
  CreateAll();
  ASSERT_EQ(Form1->LanguageMenu->Items().size(), 2u);
  ui::MenuItem* english = Form1->LanguageMenu->Items()[0];
  auto alive = english->AliveToken();
  english->Click();

  EXPECT_EQ(Form1->MenuExit->Caption(), "Exit");
  EXPECT_EQ(Form2->Caption(), "Settings");
  EXPECT_EQ(Form8->Caption(), "About");
  EXPECT_EQ(Form10->Caption(), "Update Cifrona");
  EXPECT_EQ(CurrentLanguage, "English");
  EXPECT_EQ(Settings(), "[Option]\r\nSpinEditNumber=7\r\n\r\n[Language]\r\nLanguage=English\r\n\r\n");
  // The clicked entry was replaced by a new one, ticked; the old one is gone now.
  EXPECT_TRUE(alive.expired());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"English\t\tEnglish *", "Russian\t\tRussian"}));
  EXPECT_TRUE(errors.empty());

  // Back again: the texts the other file lacks stay as the last language left them.
  Form1->LanguageMenu->Items()[1]->Click();
  EXPECT_EQ(Form1->MenuExit->Caption(), "Выход");
  EXPECT_EQ(Form8->Caption(), "About");
  EXPECT_EQ(Form10->Caption(), "Update Cifrona");
}

TEST_F(LanguageTest, ClickThatCannotStoreShowsTheErrorAndAppliesNothing) {
  File("English.ini", "[Cifrona]\r\nForm2.Caption=Settings\r\n");
  CreateAll();
  sys.files.SetReadOnlyFolder("C:\\Users\\User\\AppData\\Roaming\\Cifrona Project\\Cifrona\\Config");
  ui::MenuItem* english = Form1->LanguageMenu->Items()[0];
  EXPECT_THROW(english->Click(), platform::FileError);
  EXPECT_EQ(CurrentLanguage, "English");
  EXPECT_TRUE(english->Checked());
  EXPECT_EQ(Form1->LanguageMenu->Items()[0], english) << "the submenu was not rebuilt";
  EXPECT_EQ(Form2->Caption(), "Настройки");
}

TEST_F(LanguageTest, GlobloadNeedsTheApplicationSectionAndSkipsUnreadableFiles) {
  sys.files.AddFile(kLog, "");
  CreateAll();
  struct Case {
    const char* content;
    bool unreadable;
    bool translated;
  } cases[] = {
      {"[Cifrona]\r\n", false, true},  // a header alone is enough: every lookup misses
      {"[Other]\r\nForm2.Caption=x\r\n", false, false},
      {"[Cifrona]\r\nForm2.Caption=x\r\n", true, false},
  };
  for (const Case& c : cases) {
    sys.files = headless::FileSystem();
    sys.files.AddFile(sys.system.exePath, "MZ");
    sys.files.AddFile(kLog, "");
    File("Test.ini", c.content);
    if (c.unreadable) sys.files.SetUnreadable(std::string(kLanguageDir) + "Test.ini");
    Choose("Test");
    Form1->Globload();
    EXPECT_EQ(sys.files.ReadAll(kLog).value() != "", c.translated) << c.content;
    EXPECT_EQ(Form2->Caption(), "Настройки");
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(LanguageTest, CleaningRemovesWhatNamesNoWindowOrComponentOfWritableFilesOnly) {
  const std::string messy =
      "[Language information]\r\nLANGNAME=Test\r\nstray\r\n\r\n"
      "[Cifrona]\r\n"
      "Form2.Caption=Settings\r\n"
      "FORM2.buttonsave.caption=First\r\n"
      "Form9.Caption=no such window\r\n"
      "Form2.NoSuchButton.Caption=no such component\r\n"
      "NoDot=x\r\n"
      "Form2.ButtonSave.Caption=Second\r\n"
      "Form1.LangMonday.Caption=Monday\r\n"
      "Form10.LangYes.Caption=Yes\r\n"
      "[Empty]\r\nNoDot=x\r\n"
      "[Header]\r\n"
      "[DestDir]\r\nanything\r\n";
  const std::string tidy =
      "[Language information]\r\nLANGNAME=Test\r\nstray\r\n\r\n"
      "[Cifrona]\r\nForm2.Caption=Settings\r\nForm2.ButtonSave.Caption=Second\r\n"
      "Form1.LangMonday.Caption=Monday\r\nForm10.LangYes.Caption=Yes\r\n\r\n"
      "[DestDir]\r\nanything\r\n\r\n";
  File("Ansi.ini", messy);
  File("Unicode.ini", settings::EncodeText(messy, settings::TextEncoding::Utf16BE, sys.system.codec));
  File("ReadOnly.ini", messy);
  sys.files.SetReadOnlyFile(std::string(kLanguageDir) + "ReadOnly.ini");
  File("Open.ini", messy);
  sys.files.SetLocked(std::string(kLanguageDir) + "Open.ini");
  File("Tidy.ini", tidy);
  CreateAll();
  const int writes = sys.files.writes;
  Form1->CleanTranslationsLikeGlobload();
  EXPECT_EQ(Read("Ansi.ini"), tidy);
  EXPECT_EQ(Read("Unicode.ini"), settings::EncodeText(tidy, settings::TextEncoding::Utf16BE, sys.system.codec));
  EXPECT_EQ(Read("ReadOnly.ini"), messy);
  EXPECT_EQ(sys.files.writes, writes + 2) << "neither the open nor the tidy file is rewritten";
}

TEST_F(LanguageTest, StartUpTidiesThenTranslatesEveryWindowAndTheOldWindowsBox) {
  File("English.ini",
       "[Cifrona]\r\nForm1.LangOnlyWindows.Caption=Windows 10 or 11 only.\r\nForm1.LangError.Caption=Error\r\n"
       "Form2.Caption=Settings\r\nForm8.Caption=About\r\nForm9.Caption=gone\r\n");
  Choose("English");
  sys.registry.SetInteger(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                          "CurrentMajorVersionNumber", 6);
  app.reset();  // the program makes its own application
  EXPECT_EQ(app::Cifrona(), 0);
  ASSERT_EQ(sys.windows.boxes.size(), 1u);
  EXPECT_EQ(sys.windows.boxes[0].text, "Windows 10 or 11 only.");
  EXPECT_EQ(sys.windows.boxes[0].title, "Error");
  EXPECT_EQ(Read("English.ini").find("Form9"), std::string::npos);
}

// ---- the language files we ship -----------------------------------------------------

std::string Shipped(const std::string& name) {
  std::ifstream in(std::string(CIFRONA_LANGUAGE_DIR) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& utf16) {
  const auto decoded = settings::DecodeText(utf16, headless::SingleByteCodec(1251));
  std::vector<std::string> out;
  std::istringstream in(decoded.utf8);
  for (std::string line; std::getline(in, line);) out.push_back(line.substr(0, line.size() - 1));
  return out;
}

TEST_F(LanguageTest, ShippedFilesCoverEveryKeyOfEveryWindow) {
  const std::string russian = Shipped("Russian.ini"), english = Shipped("English.ini");
  ASSERT_FALSE(russian.empty());
  ASSERT_FALSE(english.empty());
  File("Russian.ini", russian);
  File("English.ini", english);
  File("Keys.ini", "[Cifrona]\r\n");
  sys.files.AddFile(kLog, "");
  CreateAll();
  Form8->FormShow(*Form8);  // shown once: its version line is looked up from now on

  // Every key the engine looks up, with its design text: the log of a file that has none.
  Choose("Keys");
  Form1->Globload();
  std::vector<std::string> lookedUp = Lines(*sys.files.ReadAll(kLog));
  ASSERT_FALSE(lookedUp.empty());
  // The version line is filled at every showing; the files carry its design text, the
  // empty one, which leaves the line as it is and keeps it out of the log.
  for (std::string& l : lookedUp)
    if (l.starts_with("Form8.LabelVersion.Caption=")) l = "Form8.LabelVersion.Caption=";
  std::vector<std::string> russianEntries =
      settings::IniDocument::Parse(settings::DecodeText(russian, sys.system.codec).utf8).Entries("Cifrona");
  EXPECT_EQ(russianEntries, lookedUp) << "the Russian file holds every key with its design text, in window order";

  // English leaves nothing missing, and neither file is touched by the tidying.
  sys.files.AddFile(kLog, "");
  Choose("English");
  Form1->Globload();
  EXPECT_EQ(Lines(*sys.files.ReadAll(kLog)), std::vector<std::string>{});
  EXPECT_EQ(Form8->LabelVersion->Caption(), Form1->Caption());
  EXPECT_EQ(Form2->ButtonSave->Caption(), "OK");
  EXPECT_EQ(Form10->Caption(), "Update Cifrona");
  const int writes = sys.files.writes;
  File("Keys.ini", "[Cifrona]\r\nForm2.Caption=x\r\n");
  Form1->CleanTranslationsLikeGlobload();
  EXPECT_EQ(sys.files.writes, writes);

  // Russian brings every design text back.
  Choose("Russian");
  Form1->Globload();
  EXPECT_EQ(Form2->ButtonSave->Caption(), "Ok");
  EXPECT_EQ(Form1->MenuExit->Caption(), "Выход");
  EXPECT_EQ(Form10->Caption(), "Обновление Cifrona");
  const auto englishDoc = settings::IniDocument::Parse(settings::DecodeText(english, sys.system.codec).utf8);
  EXPECT_EQ(englishDoc.Find("Language information", "LANGNAME"), "English");
  EXPECT_EQ(englishDoc.Entries("Cifrona").size(), russianEntries.size());
}

}  // namespace

namespace {

// Every caption has the room its text takes (measured as the toolkit measures, the box of
// a check box or radio button, a group box's frame and a button's margins first), in both
// languages, at 100 % and 150 %, and with larger text (the fonts a size up, as Windows'
// text size or wider fonts give them). Where the texts fit the design, the windows keep
// their design size; rows share their room before a window widens; titles in a column
// stay one width.
TEST_F(LanguageTest, EveryCaptionFitsInBothLanguagesAtEveryScaleAndWithLargerText) {
  struct Case {
    const char* language;
    int dpi;
    int points;  // 9 is the design
    bool designSize;
  } cases[] = {
      {"Russian", 96, 9, true},  {"Russian", 144, 9, true},  {"English", 96, 9, false},
      {"English", 144, 9, false}, {"Russian", 96, 12, false}, {"English", 144, 12, false},
  };
  for (const auto& c : cases) {
    const std::string where = std::string(c.language) + " at " + std::to_string(c.dpi) + " DPI, " + std::to_string(c.points) + " pt";
    if (!app) {
      app = std::make_unique<ui::Application>();
      app->SetTitle("Cifrona");
    }
    File("English.ini", Shipped("English.ini"));
    File("Russian.ini", Shipped("Russian.ini"));
    backend.dpi = c.dpi;
    CreateAll();
    for (ui::Form* form : std::vector<ui::Form*>{Form2, Form10})
      for (ui::Component* component : form->Components())
        if (auto* control = dynamic_cast<ui::Control*>(component); control && c.points != 9) {
          ui::Font f = control->GetFont();
          f.size = c.points;
          control->SetFont(f);
        }
    Choose(c.language);
    Form1->Globload();
    // The longest texts the update window shows in its status line and server version.
    auto& status = Form10->Get<ui::Label>("LabelUpDate");
    for (const char* message : {"LangNoDownload", "LangDownloadComplet", "LangFailedCheckUpdates", "LangNotVerified",
                                "LangNotNewer", "LangNoSignature", "LangUnpackFailed"}) {
      const std::string text = Form10->Get<ui::MenuItem>(message).Caption();
      EXPECT_LE(backend.TextWidth(status, text), status.Width()) << where << ": " << message << ": " << text;
    }
    const std::string available = Form10->Get<ui::MenuItem>("LangUpdateAvailable").Caption() + " 2.0.26.307 ---> 2.0.26.308";
    EXPECT_LE(backend.TextWidth(status, available), status.Width()) << where << ": " << available;
    auto& server = Form10->Get<ui::Label>("LabelServerVersion");
    const std::string failed = Form10->Get<ui::MenuItem>("LangConnectionError").Caption();
    EXPECT_LE(backend.TextWidth(server, failed), server.Width()) << where << ": " << failed;

    for (ui::Form* form : std::vector<ui::Form*>{Form2, Form10}) {
      for (ui::Component* component : form->Components()) {
        auto* control = dynamic_cast<ui::CaptionedControl*>(component);
        if (!control || control->Caption().empty()) continue;
        int room = control->Width();
        switch (component->GetKind()) {
          case ui::Kind::CheckBox:
          case ui::Kind::RadioButton: room -= 20 * c.dpi / 96; break;
          case ui::Kind::GroupBox: room -= 20 * c.dpi / 96; break;
          case ui::Kind::Button: room -= 16 * c.dpi / 96; break;
          default: break;
        }
        EXPECT_LE(backend.TextWidth(*control, control->Caption()), room) << where << ": " << form->Name() << "." << component->Name()
                                                                           << ": " << control->Caption();
        // Inside its parent.
        const int parentWidth = control->Parent() ? control->Parent()->Width() : form->ClientWidth();
        EXPECT_LE(control->Left() + control->Width(), parentWidth) << where << ": " << component->Name();
      }
    }
    auto& local = Form10->Get<ui::Label>("LabelLocalTitle");
    auto& serverTitle = Form10->Get<ui::Label>("LabelServerTitle");
    EXPECT_EQ(local.BoundsRect().right, serverTitle.BoundsRect().right) << where << ": the titles' colons line up";
    EXPECT_LT(local.BoundsRect().right, server.Left()) << where;
    if (c.designSize) {
      EXPECT_EQ(Form2->ClientWidth(), 300 * c.dpi / 96) << where;
      EXPECT_EQ(Form10->ClientWidth(), 434 * c.dpi / 96) << where;
    }
    // Back to the design texts: the design layout again.
    if (c.points == 9 && std::string(c.language) == "English") {
      Choose("Russian");
      Form1->Globload();
      EXPECT_EQ(Form2->ClientWidth(), 300 * c.dpi / 96) << where << ", then Russian";
      EXPECT_EQ(Form10->ClientWidth(), 434 * c.dpi / 96) << where << ", then Russian";
    }
    app.reset();
    Form1 = nullptr, Form2 = nullptr, Form8 = nullptr, Form10 = nullptr;
  }
}

}  // namespace
