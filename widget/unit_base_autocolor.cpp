// The widget's automatic digit colour: white or black, whichever contrasts with the corner
// colour of the desktop wallpaper. Sampling runs on short-lived workers; everything that
// changes state runs on the UI thread.
#include <string>

#include "platform/services.h"
#include "settings_dialog/unit_settings.h"
#include "widget/desktop_color.h"
#include "widget/unit_base.h"

bool ColorUpdateBusy = false;
std::string LastWallpaperPath;

namespace {

constexpr std::uint32_t kTimerPeriod = 1000;
// A worker that has not answered after this long no longer blocks a request.
constexpr std::uint32_t kStaleBusy = 3000;
// How long the widget's end waits for workers still in flight.
constexpr std::uint32_t kWorkerGrace = 5000;

std::uint32_t Now() { return platform::Current().clock->TickCount(); }

bool AutoColorOn() { return Form2 && Form2->CheckBoxAutoColor->Checked(); }

// Hands a step to the UI thread without waiting. Without an application (the program is
// ending) there is nobody to hand it to.
void Post(std::function<void()> step) {
  if (ui::Application* app = ui::Application::Current()) app->Queue(std::move(step));
}

void ClearBusy() { ColorUpdateBusy = false; }

// The worker: lastApplied is the UI thread's LastWallpaperPath as it was at the request,
// so the worker never reads the string while the UI thread replaces it.
void ColorWorker(const std::string& lastApplied) noexcept {
  try {
    const std::string path = platform::Current().desktop->WallpaperPath().value_or(std::string());
    if (lastApplied.empty() || path.empty() || path != lastApplied) {
      const ui::Color color = TForm1::GetDesktopColor();
      Post([path, color] {
        if (Form1)
          Form1->ApplyDesktopColor(path, color);
        else
          ClearBusy();
      });
    } else {
      Post(ClearBusy);
    }
  } catch (...) {
    try {
      Post(ClearBusy);
    } catch (...) {
      // Not even the clearing step could be queued; a later request treats the flag as stale.
    }
  }
}

}  // namespace

TForm1::~TForm1() {
  // A worker posts to the application and uses the platform's services; both end soon
  // after this window. Decoding is bounded, so a few seconds cover any worker.
  if (platform::Threads* threads = platform::Current().threads) threads->WaitForWorkers(kWorkerGrace);
}

void TForm1::AutoColorSwitched(bool on) {
  if (on) {
    Timer2->SetEnabled(true);
    // A worker still in flight must not hold back the first sampling, and the wallpaper
    // must be sampled even when its path is the one applied last.
    ColorUpdateBusy = false;
    LastWallpaperPath.clear();
    GetDesktopColorAsync();
  } else {
    Timer2->SetEnabled(false);
  }
}

void TForm1::Timer2Timer(ui::Component&) {
  const std::uint32_t now = Now();
  // Unsigned differences: the tick count's wrap-around after 49.7 days does no harm.
  if (now - FLastUpdateTime < kTimerPeriod) return;
  FLastUpdateTime = now;
  if (AutoColorOn()) GetDesktopColorAsync();
}

void TForm1::GetDesktopColorAsync() {
  const std::uint32_t now = Now();
  if (ColorUpdateBusy && now - FLastUpdateTime <= kStaleBusy) return;
  ColorUpdateBusy = true;
  FLastUpdateTime = now;
  std::string lastApplied = LastWallpaperPath;
  try {
    platform::Current().threads->StartWorker([lastApplied = std::move(lastApplied)] { ColorWorker(lastApplied); });
  } catch (...) {
    // No thread could be made: nothing is in flight, so the next request may try again.
    ColorUpdateBusy = false;
  }
}

ui::Color TForm1::GetDesktopColor() { return desktop_color::SampleDesktopColor(); }

ui::Color TForm1::GetContrastColor(ui::Color background) {
  std::int32_t rgb = background;
  if (background < 0) rgb = std::int32_t(platform::Current().desktop->SystemColorRgb(background & 0xFF));
  return desktop_color::ContrastColor(rgb);
}

void TForm1::ApplyDesktopColor(const std::string& path, ui::Color color) {
  // The flag is cleared whatever happens below: a failed repaint must not stop sampling.
  struct BusyClear {
    ~BusyClear() { ColorUpdateBusy = false; }
  } clear;
  if (!path.empty()) LastWallpaperPath = path;
  FCachedDesktopColor = color;
  if (!AutoColorOn()) return;
  const ui::Color digits = GetContrastColor(color);
  ui::Font f = LabelNumber->GetFont();
  f.color = digits;
  LabelNumber->SetFont(f);
  // The disabled list shows the automatic colour.
  if (Form2->ColorBoxNumber) Form2->ColorBoxNumber->SetColor(digits);
}
