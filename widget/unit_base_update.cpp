// The widget's links to the update dialog.
#include "updater/unit_update.h"
#include "widget/unit_base.h"

void TForm1::MenuCheckUpdateClick(ui::Component&) {
  // Only informs and offers: when the window cannot be shown (it is open already) the
  // command does nothing, without a message.
  try {
    if (Form10) Form10->ShowModal();
  } catch (...) {
  }
}

namespace widget {

bool QuickUpdateChecked() { return Form10 ? Form10->CheckBoxQuickUpdate->Checked() : true; }

}  // namespace widget
