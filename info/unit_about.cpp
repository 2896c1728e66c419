#include "info/unit_about.h"

#include "info/about_links.h"
#include "info/file_info_utils.h"
#include "platform/services.h"
#include "widget/unit_base.h"

TForm8* Form8 = nullptr;

namespace about {

std::string TelegramTarget() { return about_links::kTelegram; }
std::string MailTarget1() { return std::string("mailto:") + about_links::kMail1; }
std::string MailTarget2() { return std::string("mailto:") + about_links::kMail2; }
std::string WebSiteTarget() { return about_links::kWebSite; }

}  // namespace about

TForm8::TForm8() : ui::Form("Form8") {
  ui::HandlerMap h;
  h.Add("FormCreate", this, &TForm8::FormCreate)
      .Add("FormShow", this, &TForm8::FormShow)
      .Add("LabelTelegramClick", this, &TForm8::LabelTelegramClick)
      .Add("LabelGMailClick", this, &TForm8::LabelGMailClick)
      .Add("LabelYaMailClick", this, &TForm8::LabelYaMailClick)
      .Add("LabelMainWebSiteClick", this, &TForm8::LabelMainWebSiteClick)
      .Add("Button1Click", this, &TForm8::Button1Click);
  ui::LoadForm(*this, h);

  TabControlBody = &Get<ui::TabControl>("TabControlBody");
  Image1 = &Get<ui::Image>("Image1");
  LabelVersion = &Get<ui::Label>("LabelVersion");
  LabelCopyright = &Get<ui::Label>("LabelCopyright");
  LabelTelegram = &Get<ui::Label>("LabelTelegram");
  LabelGMail = &Get<ui::Label>("LabelGMail");
  LabelYaMail = &Get<ui::Label>("LabelYaMail");
  LabelMainWebSite = &Get<ui::Label>("LabelMainWebSite");
  TabControlButtons = &Get<ui::TabControl>("TabControlButtons");
  Button1 = &Get<ui::Button>("Button1");
}

void TForm8::CreateParams(ui::CreateParams& params) {
  // A taskbar button of its own, and not owned by the widget, which has none and sits at
  // the bottom of the window stack.
  params.exStyle |= ui::exstyle::kAppWindow;
  params.owner = ui::CreateParams::Owner::Desktop;
}

void TForm8::FormCreate(ui::Component&) {
  Image1->SetIconResource("MAINICON");
  // Read once: the copyright line of the running executable, empty without a version resource.
  LabelCopyright->SetCaption(FileInfoUtils::GetLegalCopyright(platform::Current().system->ExecutablePath()));
}

void TForm8::FormShow(ui::Component&) {
  // At every showing, so the running copy's version and mode win over whatever a
  // translation put there.
  if (Form1) LabelVersion->SetCaption(Form1->Caption());
}

void TForm8::OpenLink(const std::string& target) {
  // Whether some program handles the target is not reported: nothing to tell the user.
  platform::Current().process->ShellOpen(Handle(), target, "", "", platform::ShowCommand::Show);
  ui::ProcessPendingMessages();
}

void TForm8::LabelTelegramClick(ui::Component&) { OpenLink(about::TelegramTarget()); }
void TForm8::LabelGMailClick(ui::Component&) { OpenLink(about::MailTarget1()); }
void TForm8::LabelYaMailClick(ui::Component&) { OpenLink(about::MailTarget2()); }
void TForm8::LabelMainWebSiteClick(ui::Component&) { OpenLink(about::WebSiteTarget()); }

void TForm8::Button1Click(ui::Component&) { Close(); }
