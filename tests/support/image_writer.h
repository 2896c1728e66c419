// Small PNG and JPEG files made in memory, for the tests, fuzz seeds and benchmarks of the
// wallpaper decoders. Pixels come from a function of (x, y) giving 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace image_writer {

using PixelFn = std::function<std::uint32_t(int x, int y)>;

struct PngOptions {
  bool interlaced = false;
  int bitDepth = 8;           // 8 or 16
  bool grey = false;          // grey from the red channel
  bool palette = false;       // up to 256 colours, taken in order of appearance
  bool alpha = false;         // RGBA with alpha 0 everywhere (the colour still counts)
  int compression = 6;
};

std::string Png(int width, int height, const PixelFn& pixel, const PngOptions& options = {});
std::string Jpeg(int width, int height, const PixelFn& pixel, int quality = 95, bool progressive = false);

struct JpegOptions {
  int quality = 95;
  bool grey = false;         // one component, from the red channel
  int lumaH = 2, lumaV = 2;  // the first component's sampling factors (2, 2 is 4:2:0; 1, 1 is 4:4:4)
  int restartMcus = 0;       // a restart marker every this many MCUs, or
  int restartRows = 0;       // every this many MCU rows
  bool manyScans = false;    // grey and progressive with 694 scans: each AC band alone, refined bit by bit
};
std::string Jpeg(int width, int height, const PixelFn& pixel, const JpegOptions& options);

// A solid picture with its four corner pixels given (top-left, top-right, bottom-left,
// bottom-right) and a middle that differs from them all.
PixelFn Corners(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl, std::uint32_t br, int width, int height,
                std::uint32_t middle = 0x336699);

}  // namespace image_writer
