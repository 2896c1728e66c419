// The wallpaper's corner colour through the Win32 services: the BMP loader (LoadImageW into
// a DIB section) on good and malformed files, JPEG and PNG read through the Win32 file
// reader, the wallpaper path and the worker thread posting back.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/images.h"
#include "platform/services.h"
#include "platform/win32/win32_platform.h"
#include "tests/support/image_writer.h"
#include "widget/desktop_color.h"

namespace {

namespace iw = image_writer;

void Put16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char(v >> 8);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// A BITMAPINFOHEADER file: 24-bit (or 32-bit), bottom-up unless height is negative.
std::string Bmp(int width, int height, int bits, const iw::PixelFn& pixel) {
  const int h = height < 0 ? -height : height;
  const int stride = ((width * bits + 31) / 32) * 4;
  std::string s(54 + std::size_t(stride) * std::size_t(h), '\0');
  s[0] = 'B', s[1] = 'M';
  Put32(s, 2, std::uint32_t(s.size()));
  Put32(s, 10, 54);
  Put32(s, 14, 40);
  Put32(s, 18, std::uint32_t(width));
  Put32(s, 22, std::uint32_t(height));
  Put16(s, 26, 1);
  Put16(s, 28, std::uint16_t(bits));
  for (int row = 0; row < h; ++row) {
    const int y = height < 0 ? row : h - 1 - row;  // the image row stored at this file row
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = pixel(x, y);
      const std::size_t at = 54 + std::size_t(row) * std::size_t(stride) + std::size_t(x) * std::size_t(bits / 8);
      s[at] = char((c >> 16) & 0xFF), s[at + 1] = char((c >> 8) & 0xFF), s[at + 2] = char(c & 0xFF);
    }
  }
  return s;
}

class WallpaperWin32 : public ::testing::Test {
 protected:
  WallpaperWin32() {
    folder = platform::Current().system->TempFolder() + "cifrona-wallpaper-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryW(win32::Wide(folder).c_str(), nullptr);
  }
  ~WallpaperWin32() override {
    for (const auto& name : platform::Current().files->List(folder, "*")) platform::Current().files->Remove(folder + name);
    RemoveDirectoryW(win32::Wide(folder).c_str());
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = folder + name;
    platform::Current().files->ReplaceAll(path, bytes);
    return path;
  }
  // The corner colour as the sampling computes it for this file, or nullopt when the
  // file cannot be read (the sampling then counts white).
  std::optional<std::int32_t> Corners(const std::string& path) {
    auto image = desktop_color::LoadWallpaper(path);
    if (!image) return std::nullopt;
    return desktop_color::CornerAverage(*image);
  }

  win32::Platform platform;
  std::string folder;
};

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

TEST_F(WallpaperWin32, GoodFilesGiveTheirCornerColours) {
  const auto rgbw = [](int w, int h) { return iw::Corners(kRed, kGreen, kBlue, kWhite, w, h); };
  // Distinct corners, so a row read upside down or a channel swapped shows. (Top-down
  // files are left out: Wine 8's LoadImageW does not read them.)
  const auto distinct = iw::Corners(0x000010, 0x002000, 0x300000, 0x404040, 9, 7, 0xFFFFFF);
  struct Case {
    const char* name;
    std::string bytes;
    std::int32_t expected;
  } cases[] = {
      {"rgbw.bmp", Bmp(5, 3, 24, rgbw(5, 3)), 0x7F7F7F},
      {"distinct-bottom-up.bmp", Bmp(9, 7, 24, distinct), 0x1C1814},
      {"distinct-32.bmp", Bmp(9, 7, 32, distinct), 0x1C1814},
      {"one.bmp", Bmp(1, 1, 24, [](int, int) { return 0x123456u; }), 0x123456},
      {"no-extension", Bmp(2, 2, 24, [](int, int) { return 0u; }), 0x000000},
      {"sea.png", iw::Png(300, 200, rgbw(300, 200)), 0x7F7F7F},
      {"SEA.JPG", iw::Jpeg(64, 48, [](int, int) { return kWhite; }), 0xFFFFFF},
  };
  for (const Case& c : cases) EXPECT_EQ(Corners(Write(c.name, c.bytes)), std::optional<std::int32_t>(c.expected)) << c.name;
}

// LoadImageW trusts the header (Wine reads past the file for a bad offset), so every one of
// these must be refused before it is called.
TEST_F(WallpaperWin32, MalformedBmpFilesCannotBeReadAndEndQuickly) {
  const std::string good = Bmp(8, 8, 24, [](int, int) { return 0x808080u; });
  auto with = [&](std::size_t at, std::uint32_t v, int bytes = 4) {
    std::string s = good;
    if (bytes == 2)
      Put16(s, at, std::uint16_t(v));
    else
      Put32(s, at, v);
    return s;
  };
  std::string claimsMore = good;
  Put32(claimsMore, 18, 4000);
  Put32(claimsMore, 22, 3000);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty.bmp", ""},
      {"bad-offset.bmp", with(10, 0x7FFFFFF0)},
      {"offset-in-header.bmp", with(10, 20)},
      {"pixels-cut.bmp", good.substr(0, good.size() / 3)},
      {"claims-more.bmp", claimsMore},
      {"palette-beyond-file.bmp", with(46, 200).replace(28, 2, std::string("\x08\x00", 2))},
      {"file-header-cut.bmp", good.substr(0, 10)},
      {"info-header-cut.bmp", good.substr(0, 30)},
      {"huge.bmp", with(18, 100000) /* and height */},
      {"huge-both.bmp", with(22, 100000).replace(18, 4, std::string("\xA0\x86\x01\x00", 4))},
      {"huge-negative.bmp", with(22, std::uint32_t(-2000000000))},
      {"zero-width.bmp", with(18, 0)},
      {"negative-width.bmp", with(18, std::uint32_t(-8))},
      {"bad-bits.bmp", with(28, 7, 2)},
      {"bad-header-size.bmp", with(14, 1000)},
      {"bad-compression.bmp", with(30, 77)},
      {"photo.gif", "GIF89a\x01\x00\x01\x00\x80\x00\x00"},
      {"text.bmp", "this is not a picture"},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Corners(Write(c.name, c.bytes)), std::nullopt) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.name;
  }
}

TEST_F(WallpaperWin32, ClockWallpaperPathAndWorkers) {
  auto& os = platform::Current();
  // The tick count moves on, though in the system's own steps (Wine's may lag a Sleep).
  const std::uint32_t t0 = os.clock->TickCount();
  for (int i = 0; i < 200 && os.clock->TickCount() - t0 < 10; ++i) Sleep(10);
  EXPECT_GE(os.clock->TickCount() - t0, 10u);
  EXPECT_TRUE(os.desktop->WallpaperPath().has_value());  // empty or a path, but the call works
  EXPECT_EQ(os.desktop->SystemColorRgb(COLOR_WINDOW), GetSysColor(COLOR_WINDOW));

  // A worker runs on its own thread and is not waited for.
  std::atomic<DWORD> workerThread{0};
  os.threads->StartWorker([&] { workerThread = GetCurrentThreadId(); });
  for (int i = 0; i < 500 && !workerThread; ++i) Sleep(10);
  EXPECT_NE(workerThread.load(), 0u);
  EXPECT_NE(workerThread.load(), GetCurrentThreadId());
  EXPECT_TRUE(os.threads->WaitForWorkers(5000));

  // The program's end waits, bounded, for a worker still running.
  os.threads->StartWorker([] { Sleep(400); });
  EXPECT_FALSE(os.threads->WaitForWorkers(20));
  EXPECT_TRUE(os.threads->WaitForWorkers(5000));
}

TEST_F(WallpaperWin32, WorkersReuseAThreadButNeverWaitForEachOther) {
  auto& os = platform::Current();
  // Work asked for after the last work ended runs on the thread that did it: one request a
  // second must not cost a thread each time.
  std::atomic<DWORD> first{0}, second{0};
  os.threads->StartWorker([&] { first = GetCurrentThreadId(); });
  ASSERT_TRUE(os.threads->WaitForWorkers(5000));
  os.threads->StartWorker([&] { second = GetCurrentThreadId(); });
  ASSERT_TRUE(os.threads->WaitForWorkers(5000));
  EXPECT_EQ(first.load(), second.load());

  // Work that hangs holds up no later work: each runs on a thread of its own at once.
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(release, nullptr);
  std::atomic<int> started{0};
  std::atomic<DWORD> ids[3] = {};
  for (int i = 0; i < 3; ++i)
    os.threads->StartWorker([&, i] {
      ids[i] = GetCurrentThreadId();
      ++started;
      WaitForSingleObject(release, 10000);
    });
  for (int i = 0; i < 500 && started < 3; ++i) Sleep(10);
  EXPECT_EQ(started.load(), 3);
  EXPECT_NE(ids[0].load(), ids[1].load());
  EXPECT_NE(ids[1].load(), ids[2].load());
  EXPECT_NE(ids[0].load(), ids[2].load());
  EXPECT_FALSE(os.threads->WaitForWorkers(20));
  SetEvent(release);
  EXPECT_TRUE(os.threads->WaitForWorkers(5000));
  CloseHandle(release);
}

}  // namespace
