// The wallpaper's corner colour and the digit colour that contrasts with it: the corner
// rule, the luma rule, and the decoders behind them, on in-memory wallpaper files.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/headless/headless.h"
#include "tests/support/image_writer.h"
#include "widget/desktop_color.h"
#include "widget/wallpaper_decoders.h"

namespace {

using desktop_color::kBlack;
using desktop_color::kWhite;
namespace iw = image_writer;

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

platform::Bitmap Filled(int w, int h, const iw::PixelFn& f) {
  platform::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, f(x, y));
  return b;
}

TEST(CornerAverage, FourCornersSummedAndDividedByFourAlways) {
  struct Case {
    const char* what;
    platform::Bitmap image;
    std::int32_t expected;
  } cases[] = {
      {"black corners", Filled(5, 4, iw::Corners(0, 0, 0, 0, 5, 4)), 0x000000},
      {"white corners", Filled(5, 4, iw::Corners(kWhite, kWhite, kWhite, kWhite, 5, 4)), 0xFFFFFF},
      // 510 / 4 = 127 in each channel.
      {"red, green, blue, white", Filled(3, 3, iw::Corners(kRed, kGreen, kBlue, kWhite, 3, 3)), 0x7F7F7F},
      {"1 x 1: the one pixel four times", Filled(1, 1, [](int, int) { return 0x123456u; }), 0x123456},
      {"1 x 3: two pixels twice each", Filled(1, 3, [](int, int y) { return y == 0 ? 0x000010u : 0x000030u; }), 0x000020},
      {"0 x 0: no point inside, black", platform::Bitmap(0, 0), 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(desktop_color::CornerAverage(c.image), c.expected) << c.what;
}

TEST(ContrastColor, LumaRoundsHalvesToEvenAndUpTo128GivesWhite) {
  struct Case {
    std::int32_t rgb;
    int luma;
    std::int32_t digits;
  } cases[] = {
      {0x000000, 0, kWhite},
      {0xFFFFFF, 255, kBlack},
      {0x7F7F7F, 127, kWhite},           // the red/green/blue/white corners
      {0x808080, 128, kWhite},           // exactly 128: still white
      {0x818181, 129, kBlack},
      {0x00CE16, 128, kWhite},           // (22, 206, 0): 127.5 rounds to the even 128
      {0x45CD01, 128, kWhite},           // (1, 205, 69): 128.5 rounds to the even 128, not 129
      {0x0000FF, 76, kWhite},            // pure red
      {0x00FF00, 150, kBlack},           // pure green
  };
  for (const auto& c : cases) {
    EXPECT_EQ(desktop_color::Luma(c.rgb), c.luma) << std::hex << c.rgb;
    EXPECT_EQ(desktop_color::ContrastColor(c.rgb), c.digits) << std::hex << c.rgb;
  }
}

TEST(LowerExtension, IsTheLastDotOfTheFileNameInLowerCase) {
  EXPECT_EQ(desktop_color::LowerExtension("C:\\Wall\\Sea.JPG"), ".jpg");
  EXPECT_EQ(desktop_color::LowerExtension("C:\\Wall\\sea.tar.Png"), ".png");
  EXPECT_EQ(desktop_color::LowerExtension("C:\\Wall.d\\sea"), "");
  EXPECT_EQ(desktop_color::LowerExtension("sea"), "");
}

// ---- the whole sampling on wallpaper files ------------------------------------------

class Sampling : public ::testing::Test {
 protected:
  void Wallpaper(const std::string& path, const std::string& bytes) {
    sys.files.AddFile(path, bytes);
    sys.desktop.wallpaper = path;
  }
  headless::Platform sys;
};

TEST_F(Sampling, CornerColourOfEachFormat) {
  const auto rgbw = [](int w, int h) { return iw::Corners(kRed, kGreen, kBlue, kWhite, w, h); };
  iw::PngOptions interlaced, sixteen, grey, palette, alpha;
  interlaced.interlaced = true;
  sixteen.bitDepth = 16;
  grey.grey = true;
  palette.palette = true;
  alpha.alpha = true;
  const auto solid = [](std::uint32_t c) { return [c](int, int) { return c; }; };
  struct Case {
    const char* path;
    std::string bytes;
    std::int32_t expected;
  } cases[] = {
      {"C:\\W\\black.png", iw::Png(4, 4, solid(0)), 0x000000},
      {"C:\\W\\white.png", iw::Png(4, 4, solid(kWhite)), 0xFFFFFF},
      {"C:\\W\\rgbw.png", iw::Png(3, 2, rgbw(3, 2)), 0x7F7F7F},
      {"C:\\W\\one.png", iw::Png(1, 1, solid(0x204060)), 0x204060},
      // Larger than 100 x 100: the reduction keeps the image's own corners.
      {"C:\\W\\wide.png", iw::Png(1000, 30, rgbw(1000, 30)), 0x7F7F7F},
      {"C:\\W\\tall.png", iw::Png(7, 333, rgbw(7, 333)), 0x7F7F7F},
      {"C:\\W\\interlaced.png", iw::Png(123, 101, rgbw(123, 101), interlaced), 0x7F7F7F},
      {"C:\\W\\interlaced-small.png", iw::Png(3, 5, rgbw(3, 5), interlaced), 0x7F7F7F},
      {"C:\\W\\sixteen.png", iw::Png(150, 150, rgbw(150, 150), sixteen), 0x7F7F7F},
      {"C:\\W\\grey.png", iw::Png(120, 90, iw::Corners(0x10, 0x20, 0x30, 0x40, 120, 90, 0xFF), grey), 0x282828},
      {"C:\\W\\palette.png", iw::Png(200, 200, rgbw(200, 200), palette), 0x7F7F7F},
      {"C:\\W\\transparent.png", iw::Png(2, 2, rgbw(2, 2), alpha), 0x7F7F7F},
      // JPEG at one eighth: solid black and white stay exact through the lossy coding.
      {"C:\\W\\black.jpg", iw::Jpeg(64, 48, solid(0)), 0x000000},
      {"C:\\W\\white.jpeg", iw::Jpeg(64, 48, solid(kWhite)), 0xFFFFFF},
      {"C:\\W\\UPPER.JPG", iw::Jpeg(64, 48, solid(kWhite)), 0xFFFFFF},
      {"C:\\W\\progressive.jpg", iw::Jpeg(640, 480, solid(kWhite), 90, true), 0xFFFFFF},
      {"C:\\W\\tiny.jpg", iw::Jpeg(1, 1, solid(0)), 0x000000},
      // Not a JPEG or PNG by name: the BMP loader, which cannot read it.
      {"C:\\W\\photo.gif", "GIF89a\x01\x00\x01\x00", kWhite},
      {"C:\\W\\photo.webp", "RIFF\x10\x00\x00\x00WEBPVP8 ", kWhite},
      // The right bytes under the wrong name count as what the name says.
      {"C:\\W\\really-a-png.jpg", iw::Png(4, 4, solid(0)), kWhite},
  };
  for (const Case& c : cases) {
    Wallpaper(c.path, c.bytes);
    EXPECT_EQ(desktop_color::SampleDesktopColor(), c.expected) << c.path;
  }
  EXPECT_EQ(sys.images.bmpLoads, (std::vector<std::string>{"C:\\W\\photo.gif", "C:\\W\\photo.webp"}));
}

TEST_F(Sampling, JpegCornersAreThoseOfTheEighthScaleImage) {
  // 8 x 8 blocks of distinct greys in the corners: at one eighth each block is one pixel.
  const auto blocks = [](int x, int y) -> std::uint32_t {
    const bool right = x >= 56, bottom = y >= 40;
    if (!right && !bottom && x < 8 && y < 8) return 0x202020;
    if (right && !bottom && y < 8) return 0x404040;
    if (!right && bottom && x < 8) return 0x606060;
    if (right && bottom) return 0x808080;
    return 0xFFFFFF;
  };
  Wallpaper("C:\\W\\blocks.jpg", iw::Jpeg(64, 48, blocks, 100));
  const std::int32_t c = desktop_color::SampleDesktopColor();
  // (32 + 64 + 96 + 128) / 4 = 80, give or take the coding's rounding.
  for (int shift : {0, 8, 16}) EXPECT_NEAR((c >> shift) & 0xFF, 80, 2);

  auto reader = sys.images.OpenRead("C:\\W\\blocks.jpg");
  auto image = wallpaper::DecodeJpegEighth(*reader);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Width(), 8);
  EXPECT_EQ(image->Height(), 6);
  EXPECT_THROW(image->Pixel(0, 3), std::out_of_range);  // the middle is skipped, not decoded
}

TEST_F(Sampling, BmpLoaderGivesTheCornersOfWhatItLoads) {
  sys.files.AddFile("C:\\W\\sea.bmp", "BM");
  sys.images.bmps["C:\\W\\sea.bmp"] = Filled(4, 4, iw::Corners(kRed, kGreen, kBlue, kWhite, 4, 4));
  sys.desktop.wallpaper = "C:\\W\\sea.bmp";
  EXPECT_EQ(desktop_color::SampleDesktopColor(), 0x7F7F7F);
}

TEST_F(Sampling, NoWallpaperOrAnUnreadableOneIsWhite) {
  sys.files.AddFile("C:\\W\\locked.png", iw::Png(2, 2, [](int, int) { return 0u; }));
  sys.files.SetUnreadable("C:\\W\\locked.png");
  sys.files.AddFolder("C:\\W\\folder.png");
  for (std::optional<std::string> path : std::initializer_list<std::optional<std::string>>{
           std::nullopt, "", "C:\\W\\gone.png", "C:\\W\\locked.png", "C:\\W\\folder.png"}) {
    sys.desktop.wallpaper = path;
    EXPECT_EQ(desktop_color::SampleDesktopColor(), kWhite) << path.value_or("<call fails>");
  }
}

// ---- hostile files: each ends in white, at once ------------------------------------

std::uint32_t Crc(const std::string& typeAndData) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : typeAndData) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::string Be32(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  return Be32(std::uint32_t(data.size())) + type + data + Be32(Crc(type + data));
}

// A PNG whose header claims width x height over the given image data.
std::string PngClaiming(std::uint32_t width, std::uint32_t height, const std::string& idat) {
  const std::string ihdr = Be32(width) + Be32(height) + std::string("\x08\x02\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", idat) + Chunk("IEND", "");
}

TEST_F(Sampling, HostileFilesEndInWhiteQuickly) {
  const std::string png = iw::Png(300, 200, [](int, int) { return 0u; });
  const std::string jpeg = iw::Jpeg(640, 480, [](int, int) { return 0u; });
  // A JPEG header claiming 60000 x 60000 at the start of a real file's scan data.
  std::string hugeJpeg = jpeg;
  const std::size_t sof = hugeJpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  hugeJpeg[sof + 5] = char(0xEA), hugeJpeg[sof + 6] = char(0x60);  // height 60000
  hugeJpeg[sof + 7] = char(0xEA), hugeJpeg[sof + 8] = char(0x60);  // width 60000
  // A deflate stream of zeros that would inflate to gigabytes.
  std::string bomb = "\x78\x9c";
  bomb += std::string(200000, '\0');

  struct Case {
    const char* path;
    std::string bytes;
  } cases[] = {
      {"C:\\W\\truncated.png", png.substr(0, png.size() / 2)},
      {"C:\\W\\header-only.png", png.substr(0, 33)},
      {"C:\\W\\truncated.jpg", jpeg.substr(0, jpeg.size() * 2 / 3)},
      {"C:\\W\\header-only.jpg", jpeg.substr(0, 300)},
      {"C:\\W\\empty.jpg", ""},
      {"C:\\W\\empty.png", ""},
      {"C:\\W\\huge.png", PngClaiming(2000000000, 2000000000, "\x78\x9c\x03\x00\x00\x00\x00\x01")},
      {"C:\\W\\bomb.png", PngClaiming(100000, 100000, bomb)},
      {"C:\\W\\huge.jpg", hugeJpeg},
      {"C:\\W\\noise.jpg", std::string("\xFF\xD8\xFF", 3) + std::string(5000, '\x55')},
      {"C:\\W\\noise.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(5000, '\x55')},
  };
  for (const Case& c : cases) {
    Wallpaper(c.path, c.bytes);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(desktop_color::SampleDesktopColor(), kWhite) << c.path;
    // Not a speed target: a hostile file must not be decoded at its claimed size at all.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.path;
  }
}

TEST(PngReduction, MapsTheEndsOfEachAxisOntoTheEnds) {
  for (int size : {101, 150, 1000, 7680, 100000}) {
    EXPECT_EQ(wallpaper::ReducedIndex(0, 100, size), 0);
    EXPECT_EQ(wallpaper::ReducedIndex(99, 100, size), size - 1);
    for (int i = 1; i < 100; ++i) EXPECT_GE(wallpaper::ReducedIndex(i, 100, size), wallpaper::ReducedIndex(i - 1, 100, size));
  }
  EXPECT_EQ(wallpaper::ReducedIndex(99, 100, 7), 6);  // a short side is stretched
}

}  // namespace
