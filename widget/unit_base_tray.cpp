// The widget's notification-area icon: its picture, its tooltip and the double click
// that hides and shows the widget. The right-button menu is the toolkit's own handling.
#include "app/storage_locations.h"
#include "info/file_info_utils.h"
#include "platform/services.h"
#include "widget/identity.h"
#include "widget/tray_picture.h"
#include "widget/unit_base.h"

void TForm1::SelectTrayPicture(bool coloured) {
  try {
    TrayIcon1->SetIconIndex(tray::ImageIndexFor(coloured));
  } catch (...) {
    // Only the picture would suffer: keep the one shown.
  }
}

void TForm1::TrayIcon1MouseMove(ui::Component&, unsigned, int, int) {
  const std::string exe = platform::Current().system->ExecutablePath();
  const std::string tip = tray::Tooltip(FileInfoUtils::GetFileDescription(exe), FileInfoUtils::GetFileVersion(exe),
                                        identity::BitnessText(), app::IsPortable());
  // The icon is refreshed only for a new text; moves come many times a second.
  if (tip != TrayIcon1->Hint()) TrayIcon1->SetHint(tip);
}

void TForm1::TrayIcon1DblClick(ui::Component&) {
  // The icon stays either way, so the widget can always be brought back.
  if (Visible()) {
    Hide();
  } else {
    Show();  // shows and brings it to the front; the tick puts it back at the bottom
  }
}
