#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace win32 {

namespace {

class Clock : public platform::Clock {
 public:
  std::uint32_t TickCount() const override { return GetTickCount(); }
};

// A worker reuses a thread whose work has just ended: automatic colour asks for one every
// second, and making and ending a thread each time costs several times the work itself.
// A thread left without work for a few seconds ends, so an idle program keeps none. Work
// never waits for other work: a request finding no free thread gets a new one.
class Threads : public platform::Threads {
 public:
  void StartWorker(std::function<void()> work) override {
    std::unique_lock lock(state_->mutex);
    ++state_->running;
    if (state_->idle > state_->handed.size()) {
      state_->handed.push_back(std::move(work));
      lock.unlock();
      state_->wake.notify_one();
      return;
    }
    lock.unlock();
    try {
      std::thread(&Threads::Serve, state_, std::move(work)).detach();
    } catch (...) {
      lock.lock();
      if (--state_->running == 0) state_->ended.notify_all();
      throw;
    }
  }
  bool WaitForWorkers(std::uint32_t ms) override {
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, std::chrono::milliseconds(ms), [&] { return state_->running == 0; });
  }

 private:
  // Shared with the threads, so one still waiting for work while the program ends never
  // reaches into a destroyed object.
  struct State {
    std::mutex mutex;
    std::condition_variable wake;   // work handed to an idle thread
    std::condition_variable ended;  // running fell to 0
    std::vector<std::function<void()>> handed;
    std::size_t idle = 0;
    int running = 0;
  };
  static constexpr auto kLinger = std::chrono::seconds(5);

  static void Serve(std::shared_ptr<State> s, std::function<void()> work) {
    for (;;) {
      work();
      work = nullptr;  // its captures go before the program's end may go on
      std::unique_lock lock(s->mutex);
      if (--s->running == 0) s->ended.notify_all();
      ++s->idle;
      const bool got = s->wake.wait_for(lock, kLinger, [&] { return !s->handed.empty(); });
      --s->idle;
      if (!got) return;
      work = std::move(s->handed.front());
      s->handed.erase(s->handed.begin());
    }
  }

  std::shared_ptr<State> state_ = std::make_shared<State>();
};

class Desktop : public platform::Desktop {
 public:
  std::optional<std::string> WallpaperPath() const override {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buffer, 0)) return std::nullopt;
    buffer[MAX_PATH] = L'\0';
    return Narrow(buffer);
  }
  std::uint32_t SystemColorRgb(int index) const override { return GetSysColor(index); }
};

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

class FileReader : public platform::ByteReader {
 public:
  explicit FileReader(UniqueHandle file) : file_(std::move(file)) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    DWORD got = 0;
    const DWORD ask = size > 0x1000000 ? 0x1000000 : static_cast<DWORD>(size);
    if (!ReadFile(file_.get(), buffer, ask, &got, nullptr)) throw std::runtime_error(SystemMessage(GetLastError()));
    return got;
  }

 private:
  UniqueHandle file_;
};

struct BitmapDeleter {
  void operator()(HBITMAP b) const {
    if (b) DeleteObject(b);
  }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// A loaded DIB section. Other depths are converted through GetDIBits one row at a time
// as 32-bit bottom-up rows, whatever the palette.
class DibPixels : public platform::PixelSource {
 public:
  DibPixels(UniqueBitmap bitmap, int width, int height) : bitmap_(std::move(bitmap)), width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint32_t Pixel(int x, int y) const override {
    DIBSECTION dib{};
    if (GetObjectW(bitmap_.get(), sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits && dib.dsBmih.biCompression == BI_RGB &&
        (dib.dsBm.bmBitsPixel == 24 || dib.dsBm.bmBitsPixel == 32)) {
      // 24 and 32 bits (nearly every BMP wallpaper): the section's own bytes, in its row order.
      const bool topDown = dib.dsBmih.biHeight < 0;
      const std::size_t row = static_cast<std::size_t>(topDown ? y : height_ - 1 - y);
      const auto* p = static_cast<const unsigned char*>(dib.dsBm.bmBits) + row * static_cast<std::size_t>(dib.dsBm.bmWidthBytes) +
                      static_cast<std::size_t>(x) * (dib.dsBm.bmBitsPixel / 8);
      return std::uint32_t(p[2]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[0]) << 16;
    }
    if (y != cachedRow_) {
      row_.assign(static_cast<std::size_t>(width_), 0);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(info.bmiHeader);
      info.bmiHeader.biWidth = width_;
      info.bmiHeader.biHeight = height_;  // bottom-up: scan line 0 is the last row
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      HDC dc = GetDC(nullptr);
      const int got = GetDIBits(dc, bitmap_.get(), static_cast<UINT>(height_ - 1 - y), 1, row_.data(), &info, DIB_RGB_COLORS);
      ReleaseDC(nullptr, dc);
      if (got != 1) throw std::runtime_error("GetDIBits failed");
      cachedRow_ = y;
    }
    const std::uint32_t bgrx = row_[static_cast<std::size_t>(x)];  // memory order B, G, R, x
    return ((bgrx >> 16) & 0xFF) | (bgrx & 0xFF00) | ((bgrx & 0xFF) << 16);
  }

 private:
  UniqueBitmap bitmap_;
  int width_, height_;
  mutable int cachedRow_ = -1;
  mutable std::vector<std::uint32_t> row_;
};

// LoadImageW trusts the file's header: a data offset or a size beyond the file makes it
// read past its mapping (Wine crashes), and an enormous claimed size makes it allocate.
// A header that does not describe a picture inside the file is refused before the call.
constexpr std::uint64_t kMaxBmpPixels = std::uint64_t(1) << 27;

bool PlausibleBmp(const unsigned char* h, std::size_t n, std::uint64_t fileSize) {
  auto u16 = [&](std::size_t at) { return std::uint32_t(h[at] | h[at + 1] << 8); };
  auto u32 = [&](std::size_t at) { return std::uint32_t(h[at] | h[at + 1] << 8 | h[at + 2] << 16 | std::uint32_t(h[at + 3]) << 24); };
  if (n < 26 || h[0] != 'B' || h[1] != 'M') return false;
  const std::uint64_t offset = u32(10), infoSize = u32(14);
  std::int64_t width = 0, height = 0;
  std::uint32_t planes = 0, bits = 0, compression = 0, coloursUsed = 0, entrySize = 4;
  if (infoSize == 12) {  // BITMAPCOREHEADER
    width = u16(18), height = u16(20), planes = u16(22), bits = u16(24), entrySize = 3;
  } else {
    if (infoSize < 40 || infoSize > 124 || n < 14 + 40) return false;
    width = std::int32_t(u32(18)), height = std::int32_t(u32(22));
    planes = u16(26), bits = u16(28), compression = u32(30), coloursUsed = u32(46);
  }
  if (14 + infoSize > fileSize || planes != 1 || width <= 0 || height == 0) return false;
  const std::uint64_t rows = std::uint64_t(height < 0 ? -height : height);
  if (std::uint64_t(width) * rows > kMaxBmpPixels) return false;
  switch (bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  const bool rle = compression == 1 || compression == 2;
  if (compression > 3 || (compression == 1 && bits != 8) || (compression == 2 && bits != 4) ||
      (compression == 3 && bits != 16 && bits != 32) || (rle && height < 0))
    return false;
  std::uint64_t table = bits <= 8 ? (coloursUsed ? coloursUsed : (1u << bits)) * entrySize : coloursUsed * entrySize;
  if (compression == 3 && infoSize == 40) table += 12;  // the three masks follow the header
  if (coloursUsed > 65536 || 14 + infoSize + table > fileSize) return false;
  if (offset < 14 + infoSize || offset >= fileSize) return false;
  if (!rle) {
    const std::uint64_t stride = ((std::uint64_t(width) * bits + 31) / 32) * 4;
    if (stride * rows > fileSize - offset) return false;
  }
  return true;
}

bool PlausibleBmpFile(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  unsigned char head[14 + 40] = {};
  DWORD got = 0;
  if (!ReadFile(file, head, sizeof head, &got, nullptr)) return false;
  return PlausibleBmp(head, got, std::uint64_t(size.QuadPart));
}

class Images : public platform::Images {
 public:
  std::unique_ptr<platform::ByteReader> OpenRead(const std::string& path) const override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<FileReader>(UniqueHandle(h));
  }

  std::unique_ptr<platform::PixelSource> LoadBmp(const std::string& path) const override {
    const std::wstring wide = Wide(path);
    {
      UniqueHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
      if (!file || file.get() == INVALID_HANDLE_VALUE) return nullptr;
      if (!PlausibleBmpFile(file.get())) return nullptr;
    }
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) return nullptr;
    BITMAP info{};
    if (!GetObjectW(bitmap.get(), sizeof info, &info)) return nullptr;
    // Wine reports a top-down section's height as negative.
    return std::make_unique<DibPixels>(std::move(bitmap), info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
  }
};

}  // namespace

DesktopServices::DesktopServices()
    : clock(std::make_unique<Clock>()),
      threads(std::make_unique<Threads>()),
      desktop(std::make_unique<Desktop>()),
      images(std::make_unique<Images>()) {}

DesktopServices::~DesktopServices() = default;

void DesktopServices::Install(platform::Services& services) {
  services.clock = clock.get();
  services.threads = threads.get();
  services.desktop = desktop.get();
  services.images = images.get();
}

}  // namespace win32
