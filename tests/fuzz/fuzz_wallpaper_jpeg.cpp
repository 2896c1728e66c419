// The wallpaper decoder for JPEG at one eighth, first and last rows: any bytes end in an image whose corners can
// be read, or in nullptr, within bounded time and memory. A file cut at its restart markers gives the same rows
// as the whole scan read in order whenever that succeeds too (it may fail on a middle the cut never reads).
#include <cstddef>
#include <cstdint>

#include "widget/desktop_color.h"
#include "widget/wallpaper_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::MemoryReader in(data, size);
  auto image = wallpaper::DecodeJpegEighth(in);
  if (!image) return 0;
  desktop_color::CornerAverage(*image);
  platform::MemoryReader again(data, size);
  if (auto streamed = wallpaper::DecodeJpegEighthStreamed(again)) {
    if (streamed->Width() != image->Width() || streamed->Height() != image->Height() ||
        streamed->Top() != image->Top() || streamed->Bottom() != image->Bottom())
      __builtin_trap();
  }
  return 0;
}
