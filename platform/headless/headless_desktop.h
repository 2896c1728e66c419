// In-memory clock, workers, desktop settings and pictures, for native tests of the
// automatic digit colour: the clock moves only when a test moves it, and workers run
// only when a test runs them, so every interleaving can be played on one thread.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/images.h"
#include "platform/services.h"

namespace headless {

class FileSystem;

class Clock : public platform::Clock {
 public:
  std::uint32_t TickCount() const override { return now; }
  void Advance(std::uint32_t ms) { now += ms; }  // wraps as GetTickCount does
  std::uint32_t now = 100000;
};

class Threads : public platform::Threads {
 public:
  void StartWorker(std::function<void()> work) override;
  // Workers here run only when a test runs them: the pending ones are left as they are.
  bool WaitForWorkers(std::uint32_t) override { return pending_.empty(); }
  // Workers started and not yet run, oldest first.
  std::size_t Pending() const { return pending_.size(); }
  // Runs the oldest (or the newest) pending worker to its end, on the calling thread.
  void RunOldest();
  void RunNewest();
  void RunAll();
  int started = 0;

 private:
  std::deque<std::function<void()>> pending_;
};

class Desktop : public platform::Desktop {
 public:
  std::optional<std::string> WallpaperPath() const override {
    ++wallpaperReads;
    return wallpaper;
  }
  std::uint32_t SystemColorRgb(int index) const override;

  std::optional<std::string> wallpaper = std::string();  // nullopt: the call fails
  std::map<int, std::uint32_t> systemColors;              // others: grey 0x808080
  mutable int wallpaperReads = 0;
};

// Files are the headless file system's; the BMP loader reads the images a test gives it.
class Images : public platform::Images {
 public:
  explicit Images(const FileSystem& files) : files_(files) {}
  std::unique_ptr<platform::ByteReader> OpenRead(const std::string& path) const override;
  std::unique_ptr<platform::PixelSource> LoadBmp(const std::string& path) const override;

  std::map<std::string, platform::Bitmap> bmps;  // by exact path
  mutable std::vector<std::string> bmpLoads;     // every path given to the BMP loader

 private:
  const FileSystem& files_;
};

}  // namespace headless
