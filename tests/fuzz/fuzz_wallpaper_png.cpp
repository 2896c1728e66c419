// The wallpaper decoder for PNG streamed into the 100 x 100 reduction: any bytes end in an image whose corners can
// be read, or in nullptr, within bounded time and memory.
#include <cstddef>
#include <cstdint>

#include "widget/desktop_color.h"
#include "widget/wallpaper_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::MemoryReader in(data, size);
  if (auto image = wallpaper::DecodePngReduced(in)) desktop_color::CornerAverage(*image);
  return 0;
}
