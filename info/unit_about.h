// The About dialog TForm8: the program's icon, its version line, the copyright line of the
// version resource and four contact links. Created once at start-up, hidden, and shown
// modally from the widget's context menu.
#pragma once

#include <string>

#include "platform/ui/ui.h"

class TForm8 : public ui::Form {
 public:
  TForm8();

  ui::TabControl* TabControlBody = nullptr;
  ui::Image* Image1 = nullptr;
  ui::Label* LabelVersion = nullptr;
  ui::Label* LabelCopyright = nullptr;
  ui::Label* LabelTelegram = nullptr;
  ui::Label* LabelGMail = nullptr;
  ui::Label* LabelYaMail = nullptr;
  ui::Label* LabelMainWebSite = nullptr;
  ui::TabControl* TabControlButtons = nullptr;
  ui::Button* Button1 = nullptr;

  // Event handlers.
  void FormCreate(ui::Component& sender);
  void FormShow(ui::Component& sender);
  void LabelTelegramClick(ui::Component& sender);
  void LabelGMailClick(ui::Component& sender);
  void LabelYaMailClick(ui::Component& sender);
  void LabelMainWebSiteClick(ui::Component& sender);
  void Button1Click(ui::Component& sender);

 protected:
  void CreateParams(ui::CreateParams& params) override;

 private:
  void OpenLink(const std::string& target);
};

// The About dialog, once its construction has begun; empty before and after.
extern TForm8* Form8;

namespace about {

// What the four links open: the build's contact addresses.
std::string TelegramTarget();
std::string MailTarget1();
std::string MailTarget2();
std::string WebSiteTarget();

}  // namespace about
