// The desktop colour behind the automatic digit colour: the average of the wallpaper's four
// corner pixels, and the digit colour (white or black) that contrasts with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/images.h"

namespace desktop_color {

inline constexpr std::int32_t kWhite = 0xFFFFFF;
inline constexpr std::int32_t kBlack = 0x000000;

// The points (0, 0), (W − 1, 0), (0, H − 1), (W − 1, H − 1); each one inside the image
// adds its red, green and blue to three sums, and each sum is divided by 4 whatever the
// number of points inside (a 0 × 0 image gives black).
std::int32_t CornerAverage(const platform::PixelSource& image);

// 0.299 R + 0.587 G + 0.114 B of an RGB value 0x00BBGGRR, rounded half to even.
int Luma(std::int32_t rgb);

// White when the luma is at most 128, black above. rgb is a plain colour.
std::int32_t ContrastColor(std::int32_t rgb);

// The file's extension with its dot, in lower case ("" when it has none).
std::string LowerExtension(std::string_view path);

// The wallpaper file decoded by its extension: ".jpg" and ".jpeg" as JPEG at one eighth
// scale, ".png" as PNG reduced to at most 100 × 100, anything else through the system's
// BMP loader. nullptr when it cannot be read.
std::unique_ptr<platform::PixelSource> LoadWallpaper(const std::string& path);

// The corner colour of the current wallpaper, or white when there is none or it cannot
// be read. Runs on a worker thread: it touches no window.
std::int32_t SampleDesktopColor();

}  // namespace desktop_color
