#include "widget/desktop_color.h"

#include "platform/services.h"
#include "widget/wallpaper_decoders.h"

namespace desktop_color {

std::int32_t CornerAverage(const platform::PixelSource& image) {
  const int w = image.Width(), h = image.Height();
  const int points[4][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
  std::uint32_t r = 0, g = 0, b = 0;
  for (const auto& p : points) {
    if (p[0] < 0 || p[0] >= w || p[1] < 0 || p[1] >= h) continue;
    const std::uint32_t c = image.Pixel(p[0], p[1]);
    r += c & 0xFF;
    g += (c >> 8) & 0xFF;
    b += (c >> 16) & 0xFF;
  }
  return std::int32_t((r / 4) | (g / 4) << 8 | (b / 4) << 16);
}

int Luma(std::int32_t rgb) {
  // In thousandths, so a tie is exact: (1, 205, 69) is 128.5 and rounds to 128 (white digits).
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  const int milli = 299 * r + 587 * g + 114 * b;
  const int whole = milli / 1000, rest = milli % 1000;
  if (rest > 500 || (rest == 500 && whole % 2 == 1)) return whole + 1;
  return whole;
}

std::int32_t ContrastColor(std::int32_t rgb) { return Luma(rgb) <= 128 ? kWhite : kBlack; }

std::string LowerExtension(std::string_view path) {
  const std::size_t dot = path.find_last_of(".\\:");
  if (dot == std::string_view::npos || path[dot] != '.') return "";
  std::string ext(path.substr(dot));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return ext;
}

std::unique_ptr<platform::PixelSource> LoadWallpaper(const std::string& path) {
  platform::Images& images = *platform::Current().images;
  const std::string ext = LowerExtension(path);
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".png") {
    std::unique_ptr<platform::ByteReader> in = images.OpenRead(path);
    if (!in) return nullptr;
    if (ext == ".png") return wallpaper::DecodePngReduced(*in);
    return wallpaper::DecodeJpegEighth(*in);
  }
  return images.LoadBmp(path);
}

std::int32_t SampleDesktopColor() {
  try {
    const std::optional<std::string> path = platform::Current().desktop->WallpaperPath();
    if (!path || path->empty() || !platform::Current().files->FileExists(*path)) return kWhite;
    const std::unique_ptr<platform::PixelSource> image = LoadWallpaper(*path);
    if (!image) return kWhite;
    return CornerAverage(*image);
  } catch (...) {
    return kWhite;
  }
}

}  // namespace desktop_color
