// The wallpaper's corner colour against a full-size decode of the same file, in one run:
// a 3840 x 2160 JPEG (also with a restart marker per MCU row, as cameras write them) and an 8K (7680 x 4320) PNG, plus an 8K-wide PNG a quarter as high
// to show that the PNG path's memory does not grow with the height. Each case reports the
// peak heap it needed (every malloc of the process is counted, libjpeg's and libpng's too).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <png.h>

#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "tests/support/image_writer.h"
#include "widget/desktop_color.h"
#include "widget/wallpaper_decoders.h"

// ---- heap accounting: the process's malloc family, counted -----------------------------

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void __libc_free(void*);

namespace {
std::atomic<long long> g_current{0}, g_peak{0};
void Count(long long delta) {
  const long long now = g_current += delta;
  long long peak = g_peak;
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
}
}  // namespace

extern "C" void* malloc(std::size_t n) {
  void* p = __libc_malloc(n);
  if (p) Count(static_cast<long long>(malloc_usable_size(p)));
  return p;
}
extern "C" void* calloc(std::size_t n, std::size_t m) {
  void* p = __libc_calloc(n, m);
  if (p) Count(static_cast<long long>(malloc_usable_size(p)));
  return p;
}
extern "C" void* realloc(void* old, std::size_t n) {
  const long long before = old ? static_cast<long long>(malloc_usable_size(old)) : 0;
  void* p = __libc_realloc(old, n);
  if (p) Count(static_cast<long long>(malloc_usable_size(p)) - before);
  else if (n == 0) Count(-before);
  return p;
}
extern "C" void free(void* p) {
  if (p) Count(-static_cast<long long>(malloc_usable_size(p)));
  __libc_free(p);
}

namespace {

namespace iw = image_writer;

// Like a photograph: smooth gradients with a soft texture and a little grain.
std::uint32_t PhotoLike(int x, int y) {
  const double t = 24.0 * std::sin(x / 37.0) * std::cos(y / 23.0);
  const int grain = int((std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u) >> 29);  // 0..7
  auto clamp = [](double v) { return std::uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
  return clamp(60 + x * 140.0 / 3840 + t + grain) | clamp(90 + y * 100.0 / 2160 - t + grain) << 8 |
         clamp(150 + t / 2 + grain) << 16;
}

// Detail everywhere (noise-like), the hardest case for the entropy coder.
std::uint32_t Pattern(int x, int y) {
  const std::uint32_t r = std::uint32_t(x * 255 / 3840) & 0xFF, g = std::uint32_t(y * 255 / 2160) & 0xFF;
  const std::uint32_t b = std::uint32_t((x ^ y) * 7) & 0xFF;
  return r | g << 8 | b << 16;
}

const std::string& Jpeg4K() {
  static const std::string s = iw::Jpeg(3840, 2160, PhotoLike, 90);
  return s;
}
const std::string& Jpeg4KNoisy() {
  static const std::string s = iw::Jpeg(3840, 2160, Pattern, 90);
  return s;
}
const std::string& Jpeg4KRestarts() {
  static const std::string s = [] {
    iw::JpegOptions o;
    o.quality = 90;
    o.restartRows = 1;
    return iw::Jpeg(3840, 2160, PhotoLike, o);
  }();
  return s;
}
const std::string& Png8K() {
  static const std::string s = [] {
    iw::PngOptions o;
    o.compression = 3;
    return iw::Png(7680, 4320, PhotoLike, o);
  }();
  return s;
}
const std::string& Png8KQuarter() {
  static const std::string s = [] {
    iw::PngOptions o;
    o.compression = 3;
    return iw::Png(7680, 1080, PhotoLike, o);
  }();
  return s;
}

// Runs one decode per iteration and reports the heap's high-water mark above the start.
template <class F>
void Measure(benchmark::State& state, const std::string& file, F decode) {
  long long peak = 0;
  for (auto _ : state) {
    g_peak = g_current.load();
    const long long base = g_current;
    benchmark::DoNotOptimize(decode(file));
    peak = std::max(peak, g_peak.load() - base);
  }
  state.counters["peak_KiB"] = double(peak) / 1024.0;
  state.counters["file_KiB"] = double(file.size()) / 1024.0;
}

std::int32_t CornerJpeg(const std::string& file) {
  platform::MemoryReader in(file.data(), file.size());
  auto image = wallpaper::DecodeJpegEighth(in);
  return image ? desktop_color::CornerAverage(*image) : desktop_color::kWhite;
}

std::int32_t CornerPng(const std::string& file) {
  platform::MemoryReader in(file.data(), file.size());
  auto image = wallpaper::DecodePngReduced(in);
  return image ? desktop_color::CornerAverage(*image) : desktop_color::kWhite;
}

// Baselines: the whole picture at full size into one buffer, with the libraries' plain
// interfaces, then the same four corners.
std::int32_t FullJpeg(const std::string& file) {
  jpeg_decompress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(file.data()), file.size());
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  const std::size_t stride = std::size_t(c.output_width) * 3;
  std::vector<unsigned char> pixels(stride * c.output_height);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = pixels.data() + stride * c.output_scanline;
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  const int w = int(c.output_width), h = int(c.output_height);
  jpeg_destroy_decompress(&c);
  platform::Bitmap corners(2, 2);
  auto at = [&](int x, int y) {
    const unsigned char* p = pixels.data() + stride * std::size_t(y) + 3 * std::size_t(x);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
  };
  corners.SetPixel(0, 0, at(0, 0)), corners.SetPixel(1, 0, at(w - 1, 0));
  corners.SetPixel(0, 1, at(0, h - 1)), corners.SetPixel(1, 1, at(w - 1, h - 1));
  return desktop_color::CornerAverage(corners);
}

std::int32_t FullPng(const std::string& file) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&image, file.data(), file.size());
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
  const int w = int(image.width), h = int(image.height);
  const std::size_t stride = std::size_t(w) * 3;
  png_image_free(&image);
  platform::Bitmap corners(2, 2);
  auto at = [&](int x, int y) {
    const unsigned char* p = pixels.data() + stride * std::size_t(y) + 3 * std::size_t(x);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
  };
  corners.SetPixel(0, 0, at(0, 0)), corners.SetPixel(1, 0, at(w - 1, 0));
  corners.SetPixel(0, 1, at(0, h - 1)), corners.SetPixel(1, 1, at(w - 1, h - 1));
  return desktop_color::CornerAverage(corners);
}

void BM_Jpeg3840x2160_FullDecode(benchmark::State& s) { Measure(s, Jpeg4K(), FullJpeg); }
void BM_Jpeg3840x2160_CornerColour(benchmark::State& s) { Measure(s, Jpeg4K(), CornerJpeg); }
void BM_Jpeg3840x2160Noisy_FullDecode(benchmark::State& s) { Measure(s, Jpeg4KNoisy(), FullJpeg); }
void BM_Jpeg3840x2160Noisy_CornerColour(benchmark::State& s) { Measure(s, Jpeg4KNoisy(), CornerJpeg); }
void BM_Jpeg3840x2160Restarts_FullDecode(benchmark::State& s) { Measure(s, Jpeg4KRestarts(), FullJpeg); }
void BM_Jpeg3840x2160Restarts_CornerColour(benchmark::State& s) { Measure(s, Jpeg4KRestarts(), CornerJpeg); }
void BM_Png7680x4320_FullDecode(benchmark::State& s) { Measure(s, Png8K(), FullPng); }
void BM_Png7680x4320_CornerColour(benchmark::State& s) { Measure(s, Png8K(), CornerPng); }
void BM_Png7680x1080_CornerColour(benchmark::State& s) { Measure(s, Png8KQuarter(), CornerPng); }

BENCHMARK(BM_Jpeg3840x2160_FullDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg3840x2160_CornerColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg3840x2160Noisy_FullDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg3840x2160Noisy_CornerColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg3840x2160Restarts_FullDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg3840x2160Restarts_CornerColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png7680x4320_FullDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png7680x4320_CornerColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png7680x1080_CornerColour)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
