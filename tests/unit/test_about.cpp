// The About dialog: its lines at creation and at each showing, the contact links, the
// keys that close it, and the menu command that shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "app/cifrona.h"
#include "info/about_links.h"
#include "info/unit_about.h"
#include "widget/identity.h"
#include "widget_fixture.h"

namespace {

constexpr const char* kCopyright = "Copyright (C) 2026 Cifrona Project";

class AboutTest : public widget_test::WidgetTest {
 protected:
  AboutTest() {
    sys.versions.BlockFor(sys.system.exePath)
        .SetString("StringFileInfo\\040904E4\\LegalCopyright", u"Copyright (C) 2026 Cifrona Project");
  }
  ~AboutTest() override { Form8 = nullptr; }
  // A fresh program on the same platform, so the next creation decides portable mode anew.
  void Restart() {
    Form8 = nullptr;
    Form1 = nullptr;
    app.reset();
    app = std::make_unique<ui::Application>();
    app->SetTitle("Cifrona");
    app->OnException = [this](const std::exception_ptr& e) { errors.push_back(widget_test::ErrorText(e)); };
  }
  // The start-up order: the widget first, then the About dialog.
  TForm8& CreateBoth() {
    Create();
    app->CreateForm(Form8);
    return *Form8;
  }
  // Shows the dialog from the menu; during the showing `whileShown` plays the user.
  void ShowFromMenu(const std::function<void(TForm8&)>& whileShown) {
    backend.onModal = [&](ui::Form&) { whileShown(*Form8); };
    Form1->MenuAboutClick(*Form1->MenuAbout);
    backend.onModal = nullptr;
  }
  int ModalShowings() const { return static_cast<int>(std::count(backend.log.begin(), backend.log.end(), "Form8.RunModal")); }
};

TEST_F(AboutTest, CreationReadsTheCopyrightOnceAndTheIconFromTheProgram) {
  TForm8& f = CreateBoth();
  EXPECT_EQ(f.LabelCopyright->Caption(), kCopyright);
  EXPECT_EQ(f.Image1->IconResource(), "MAINICON");
  EXPECT_TRUE(f.LabelVersion->Caption().empty());  // filled when shown
  EXPECT_FALSE(f.Visible());
  // A later change of the resource is not seen: the line was read at creation.
  sys.versions.BlockFor(sys.system.exePath).SetString("StringFileInfo\\040904E4\\LegalCopyright", u"changed");
  ShowFromMenu([](TForm8&) {});
  EXPECT_EQ(f.LabelCopyright->Caption(), kCopyright);
  EXPECT_TRUE(errors.empty());
}

TEST_F(AboutTest, WithoutAVersionResourceTheCopyrightStaysEmpty) {
  sys.system.exePath = "C:\\Tools\\Cifrona.exe";  // a copy whose file carries no version block
  sys.files.AddFile(sys.system.exePath, "MZ");
  TForm8& f = CreateBoth();
  EXPECT_EQ(f.LabelCopyright->Caption(), "");
  EXPECT_TRUE(errors.empty());
}

TEST_F(AboutTest, EachShowingTakesTheWidgetsCaption) {
  const std::string bits = identity::BitnessText();
  struct Case {
    bool portable;
    std::string version;
  } cases[] = {{false, "Cifrona 2.0.26.307 " + bits}, {true, "Cifrona 2.0.26.307 " + bits + " Portable"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.portable ? "portable" : "installed");
    Restart();
    sys.files.Remove("C:\\Program Files\\Cifrona\\portable.ini");
    if (c.portable) sys.files.AddFile("C:\\Program Files\\Cifrona\\portable.ini", "");
    TForm8& f = CreateBoth();
    std::string shown;
    ShowFromMenu([&](TForm8& d) { shown = d.LabelVersion->Caption(); });
    EXPECT_EQ(shown, c.version);
    EXPECT_EQ(shown, Form1->Caption());
    EXPECT_FALSE(f.Visible());  // hidden again after the showing
  }
}

TEST_F(AboutTest, ATranslatedVersionLineIsReplacedOnTheNextShowing) {
  TForm8& f = CreateBoth();
  ShowFromMenu([](TForm8&) {});
  // What a language file's Form8.LabelVersion.Caption does between two showings.
  ASSERT_TRUE(f.LabelVersion->SetTextProperty("Caption", "Version"));
  std::string shown;
  ShowFromMenu([&](TForm8& d) { shown = d.LabelVersion->Caption(); });
  EXPECT_EQ(shown, Form1->Caption());
}

TEST_F(AboutTest, LinksOpenTheirTargetsWithTheDialogAsOwner) {
  TForm8& f = CreateBoth();
  struct Case {
    ui::Label* label;
    std::string target;
  } cases[] = {
      {f.LabelTelegram, about_links::kTelegram},
      {f.LabelGMail, std::string("mailto:") + about_links::kMail1},
      {f.LabelYaMail, std::string("mailto:") + about_links::kMail2},
      {f.LabelMainWebSite, about_links::kWebSite},
  };
  for (bool handled : {true, false}) {
    sys.process.shellOpenSucceeds = handled;  // false: no program for the target, nothing reported
    for (const Case& c : cases) {
      SCOPED_TRACE(c.label->Name() + (handled ? " handled" : " unhandled"));
      sys.process.shellCalls.clear();
      ShowFromMenu([&](TForm8&) { backend.Click(*c.label); });
      ASSERT_EQ(sys.process.shellCalls.size(), 1u);
      const auto& call = sys.process.shellCalls[0];
      EXPECT_EQ(call.owner, f.Handle());
      EXPECT_EQ(call.file, c.target);
      EXPECT_EQ(call.parameters, "");
      EXPECT_EQ(call.folder, "");
      EXPECT_EQ(call.show, platform::ShowCommand::Show);
    }
  }
  EXPECT_TRUE(backend.errorBoxes.empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(AboutTest, MailLabelsShowTheirAddressesAndLinksLookLikeLinks) {
  TForm8& f = CreateBoth();
  EXPECT_EQ(f.LabelGMail->Caption(), about_links::kMail1);
  EXPECT_EQ(f.LabelYaMail->Caption(), about_links::kMail2);
  for (ui::Label* link : {f.LabelTelegram, f.LabelGMail, f.LabelYaMail, f.LabelMainWebSite}) {
    SCOPED_TRACE(link->Name());
    EXPECT_EQ(link->GetFont().color, ui::kClBlue);
    EXPECT_TRUE(link->GetFont().underline);
    EXPECT_EQ(link->GetCursor(), ui::Cursor::Hand);
  }
}

TEST_F(AboutTest, OkEnterAndEscapeEndTheShowing) {
  CreateBoth();
  struct Case {
    const char* name;
    std::function<void(TForm8&)> act;
  } cases[] = {
      {"Ok", [&](TForm8& d) { backend.Click(*d.Button1); }},
      {"Enter", [&](TForm8& d) { backend.Key(*d.Button1, ui::key::kReturn); }},
      {"Escape", [&](TForm8& d) { backend.Key(*d.Button1, ui::key::kEscape); }},
      {"close box", [&](TForm8& d) { backend.CloseBox(d); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int result = ui::kMrNone;
    ShowFromMenu([&](TForm8& d) {
      c.act(d);
      result = d.ModalResult();  // set once the showing is asked to end
    });
    EXPECT_NE(result, ui::kMrNone);
    EXPECT_FALSE(Form8->Visible());
  }
  // Closing the dialog never ends the program.
  EXPECT_EQ(backend.log.end(), std::find(backend.log.begin(), backend.log.end(), "Terminate"));
}

TEST_F(AboutTest, TheMenuCommandIgnoresEveryFailureOfShowing) {
  CreateBoth();
  // Chosen again while the dialog shows: nothing happens, the first showing goes on.
  ShowFromMenu([&](TForm8&) { Form1->MenuAboutClick(*Form1->MenuAbout); });
  EXPECT_EQ(ModalShowings(), 1);

  // A showing that fails on the way.
  Form8->OnShow = [](ui::Component&) { throw std::runtime_error("cannot show"); };
  ShowFromMenu([](TForm8&) {});
  EXPECT_FALSE(Form8->Visible());

  // Before the dialog exists (its creation failed).
  TForm8* dialog = Form8;
  Form8 = nullptr;
  Form1->MenuAboutClick(*Form1->MenuAbout);
  Form8 = dialog;

  EXPECT_TRUE(backend.errorBoxes.empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(AboutTest, TheMenuItemRunsTheCommand) {
  CreateBoth();
  ShowFromMenu([](TForm8&) {});
  backend.onModal = [&](ui::Form& shown) { EXPECT_EQ(&shown, Form8); };
  backend.ChooseMenuItem(*Form1->MenuAbout);
  app->ProcessMessages();
  EXPECT_EQ(ModalShowings(), 2);
}

TEST(AboutStartup, TheDialogIsCreatedSecondAndItsReferenceClearedAtTheEnd) {
  headless::Platform sys;
  ui::headless::Backend backend;
  sys.files.AddFile(sys.system.exePath, "MZ");
  widget_test::GiveVersion(sys, u"2.0.26.307");
  sys.registry.SetInteger(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                          "CurrentMajorVersionNumber", 10);
  sys.registry.SetString(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                         "CurrentBuild", "19045");
  EXPECT_EQ(app::Cifrona(), 0);
  const auto at = [&](const std::string& line) { return std::find(backend.log.begin(), backend.log.end(), line); };
  ASSERT_NE(at("Form8.Create"), backend.log.end());
  EXPECT_LT(at("Form1.Create"), at("Form8.Create"));
  EXPECT_EQ(Form8, nullptr);
  EXPECT_TRUE(backend.errorBoxes.empty());
}

}  // namespace
