// The wallpaper decoder for JPEG at one eighth, first and last rows: any bytes end in an image whose corners can
// be read, or in nullptr, within bounded time and memory.
#include <cstddef>
#include <cstdint>

#include "widget/desktop_color.h"
#include "widget/wallpaper_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::MemoryReader in(data, size);
  if (auto image = wallpaper::DecodeJpegEighth(in)) desktop_color::CornerAverage(*image);
  return 0;
}
