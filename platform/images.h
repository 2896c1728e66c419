// Pictures as the automatic digit colour reads them: a byte stream to decode from, an image
// whose pixels can be read, and the system's own BMP loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A file read piece by piece, so a decoder never needs the whole file in memory.
class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Up to size bytes into buffer; 0 at the end. Throws on a read error.
  virtual std::size_t Read(void* buffer, std::size_t size) = 0;
};

// Reads from memory the reader does not own (fuzzers, benchmarks, the headless files).
class MemoryReader : public ByteReader {
 public:
  MemoryReader(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  std::size_t Read(void* buffer, std::size_t size) override;

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// An image whose pixels can be read: colours in the layout 0x00BBGGRR.
class PixelSource {
 public:
  virtual ~PixelSource() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Only for 0 <= x < Width() and 0 <= y < Height().
  virtual std::uint32_t Pixel(int x, int y) const = 0;
};

// A small image held whole.
class Bitmap : public PixelSource {
 public:
  Bitmap() = default;
  Bitmap(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * std::size_t(height)) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint32_t Pixel(int x, int y) const override { return pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]; }
  void SetPixel(int x, int y, std::uint32_t c) { pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = c; }

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

class Images {
 public:
  virtual ~Images() = default;
  // The file for reading; nullptr when it cannot be opened.
  virtual std::unique_ptr<ByteReader> OpenRead(const std::string& path) const = 0;
  // The file through the system's BMP loader (Win32: LoadImageW into a DIB section);
  // nullptr when it cannot read it, whatever the reason.
  virtual std::unique_ptr<PixelSource> LoadBmp(const std::string& path) const = 0;
};

}  // namespace platform
