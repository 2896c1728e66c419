// Decoders for the wallpaper's corner colour: each reads only what the four corner pixels
// need and keeps its memory independent of the image's height. Every failure (a format
// error, a truncated file, a size beyond the limits, a read error) gives nullptr; none throws.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/images.h"

namespace wallpaper {

// Pictures larger than this many pixels are refused rather than decoded: the wallpaper of
// three 8K screens side by side is 100 million, a decompression bomb claims billions.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 27;
// The JPEG decoder's own memory (progressive files keep all coefficients).
inline constexpr long kMaxJpegMemory = 256L << 20;
// Progressive JPEG files with more scans than this are refused (each scan costs a pass).
inline constexpr int kMaxJpegScans = 500;

// An image of which only the first and the last row were decoded.
class EdgeRows : public platform::PixelSource {
 public:
  EdgeRows(int width, int height) : width_(width), height_(height), top_(std::size_t(width)), bottom_(std::size_t(width)) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Throws std::out_of_range for a row between the first and the last.
  std::uint32_t Pixel(int x, int y) const override;
  std::vector<std::uint32_t>& Top() { return top_; }
  std::vector<std::uint32_t>& Bottom() { return bottom_; }

 private:
  int width_, height_;
  std::vector<std::uint32_t> top_, bottom_;
};

// The JPEG image at one eighth of its width and height (rounded up), by the decoder's own
// DCT scaling; the rows between the first and the last are skipped, not decoded. A file with
// restart markers that line up with its MCU rows has only the intervals of its first and last
// rows decoded; the pixels are those DecodeJpegEighthStreamed gives.
std::unique_ptr<EdgeRows> DecodeJpegEighth(platform::ByteReader& in);
// The same, entropy-decoding the whole scan in order (restart markers or not).
std::unique_ptr<EdgeRows> DecodeJpegEighthStreamed(platform::ByteReader& in);

// The PNG image itself when both sides are at most 100 pixels, otherwise reduced to
// 100 × 100 by taking the nearest pixel with the ends of each axis mapped onto the ends,
// so the reduction's four corners are the image's own corners. Rows are streamed; alpha
// is ignored (the colour as stored).
std::unique_ptr<platform::Bitmap> DecodePngReduced(platform::ByteReader& in);

// The source pixel index the reduction takes for target index i of n (n > 1) along an
// axis of `size` pixels: round(i × (size − 1) / (n − 1)).
inline int ReducedIndex(int i, int n, int size) {
  if (n <= 1) return 0;
  return int((std::uint64_t(i) * std::uint64_t(size - 1) * 2 + std::uint64_t(n - 1)) / (std::uint64_t(n - 1) * 2));
}

}  // namespace wallpaper
