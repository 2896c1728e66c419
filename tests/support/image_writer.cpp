#include "tests/support/image_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace image_writer {

namespace {

void Append(png_structp png, png_bytep data, std::size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}
void Flush(png_structp) {}

}  // namespace

std::string Png(int width, int height, const PixelFn& pixel, const PngOptions& o) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png write failed");
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_compression_level(png, o.compression);
  int type = o.grey ? PNG_COLOR_TYPE_GRAY : o.palette ? PNG_COLOR_TYPE_PALETTE : o.alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
  const int depth = o.palette ? 8 : o.bitDepth;
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, type,
               o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::map<std::uint32_t, int> indexOf;
  std::vector<png_color> colours;
  if (o.palette) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint32_t c = pixel(x, y);
        if (indexOf.count(c)) continue;
        if (colours.size() == 256) throw std::runtime_error("too many colours for a palette");
        indexOf[c] = int(colours.size());
        colours.push_back(png_color{png_byte(c & 0xFF), png_byte(c >> 8 & 0xFF), png_byte(c >> 16 & 0xFF)});
      }
    png_set_PLTE(png, info, colours.data(), int(colours.size()));
  }
  png_write_info(png, info);
  const int channels = o.grey ? 1 : o.palette ? 1 : o.alpha ? 4 : 3;
  const int bytes = depth / 8;
  std::vector<png_byte> row(std::size_t(width) * channels * bytes);
  const int passes = o.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < height; ++y) {
      std::size_t at = 0;
      for (int x = 0; x < width; ++x) {
        const std::uint32_t c = pixel(x, y);
        auto put = [&](unsigned v) {
          if (bytes == 2) row[at++] = png_byte(v);  // 16-bit: v in both bytes (v * 257)
          row[at++] = png_byte(v);
        };
        if (o.palette) {
          row[at++] = png_byte(indexOf[c]);
        } else if (o.grey) {
          put(c & 0xFF);
        } else {
          put(c & 0xFF);
          put(c >> 8 & 0xFF);
          put(c >> 16 & 0xFF);
          if (o.alpha) put(0);
        }
      }
      png_write_row(png, row.data());
    }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

namespace {

std::string JpegWith(int width, int height, const PixelFn& pixel, int quality, bool progressive,
                     const JpegOptions& o) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = o.grey ? 1 : 3;
  c.in_color_space = o.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (!o.grey) c.comp_info[0].h_samp_factor = o.lumaH, c.comp_info[0].v_samp_factor = o.lumaV;
  c.restart_interval = unsigned(o.restartMcus);
  c.restart_in_rows = o.restartRows;
  if (progressive) jpeg_simple_progression(&c);
  std::vector<jpeg_scan_info> scans;
  if (o.manyScans) {
    // One component: the DC scan, then each AC coefficient first at point transform 10 and
    // refined one bit at a time down to 0.
    scans.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
    for (int k = 1; k < 64; ++k) {
      scans.push_back({1, {0, 0, 0, 0}, k, k, 0, 10});
      for (int al = 9; al >= 0; --al) scans.push_back({1, {0, 0, 0, 0}, k, k, al + 1, al});
    }
    c.scan_info = scans.data();
    c.num_scans = int(scans.size());
  }
  jpeg_start_compress(&c, TRUE);
  const int channels = o.grey ? 1 : 3;
  std::vector<JSAMPLE> row(std::size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixel(x, y);
      for (int k = 0; k < channels; ++k) row[std::size_t(channels) * std::size_t(x) + std::size_t(k)] = JSAMPLE(p >> (8 * k) & 0xFF);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return out;
}

}  // namespace

std::string Jpeg(int width, int height, const PixelFn& pixel, int quality, bool progressive) {
  return JpegWith(width, height, pixel, quality, progressive, JpegOptions{});
}

std::string Jpeg(int width, int height, const PixelFn& pixel, const JpegOptions& options) {
  return JpegWith(width, height, pixel, options.quality, false, options);
}

PixelFn Corners(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl, std::uint32_t br, int width, int height,
                std::uint32_t middle) {
  return [=](int x, int y) -> std::uint32_t {
    if (x == 0 && y == 0) return tl;
    if (x == width - 1 && y == 0) return tr;
    if (x == 0 && y == height - 1) return bl;
    if (x == width - 1 && y == height - 1) return br;
    return middle;
  };
}

}  // namespace image_writer
