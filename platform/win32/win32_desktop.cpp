#include "platform/win32/win32_desktop.h"

#include <windows.h>

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

class Threads : public platform::Threads {
 public:
  void StartWorker(std::function<void()> work) override { std::thread(std::move(work)).detach(); }
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

// A loaded DIB section; each pixel asked for is converted through GetDIBits one row at a
// time, whatever the file's bit depth or palette.
class DibPixels : public platform::PixelSource {
 public:
  DibPixels(UniqueBitmap bitmap, int width, int height) : bitmap_(std::move(bitmap)), width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint32_t Pixel(int x, int y) const override {
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

// Pictures the loader would make enormous are refused before it allocates anything.
constexpr long long kMaxBmpPixels = 1LL << 27;

bool ClaimsEnormousSize(HANDLE file) {
  unsigned char head[26] = {};
  DWORD got = 0;
  if (!ReadFile(file, head, sizeof head, &got, nullptr) || got < sizeof head) return false;  // the loader decides
  auto le32 = [&](int at) { return static_cast<std::int32_t>(head[at] | head[at + 1] << 8 | head[at + 2] << 16 | std::uint32_t(head[at + 3]) << 24); };
  const std::int32_t headerSize = le32(14);
  long long w = 0, h = 0;
  if (headerSize == 12) {  // BITMAPCOREHEADER: 16-bit sizes
    w = head[18] | head[19] << 8;
    h = head[20] | head[21] << 8;
  } else {
    w = le32(18);
    h = le32(22);
  }
  if (w < 0) w = -w;
  if (h < 0) h = -h;
  return w * h > kMaxBmpPixels;
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
      if (ClaimsEnormousSize(file.get())) return nullptr;
    }
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) return nullptr;
    BITMAP info{};
    if (!GetObjectW(bitmap.get(), sizeof info, &info)) return nullptr;
    return std::make_unique<DibPixels>(std::move(bitmap), info.bmWidth, info.bmHeight);
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
