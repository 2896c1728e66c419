// JPEG files with restart markers: only the intervals of the first and last rows are decoded,
// and the rows are exactly those of the decoder that reads the whole scan. Files the cut cannot
// take (intervals across MCU rows, markers missing or out of order, cut short) end as that
// decoder ends them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/image_writer.h"
#include "widget/wallpaper_decoders.h"

namespace {

namespace iw = image_writer;

struct Rows {
  int width = 0, height = 0;
  std::vector<std::uint32_t> top, bottom;
  bool operator==(const Rows& o) const {
    return width == o.width && height == o.height && top == o.top && bottom == o.bottom;
  }
};

template <class Decoder>
std::optional<Rows> Decode(Decoder decode, const std::string& file) {
  platform::MemoryReader in(file.data(), file.size());
  auto image = decode(in);
  if (!image) return std::nullopt;
  return Rows{image->Width(), image->Height(), image->Top(), image->Bottom()};
}
std::optional<Rows> Fast(const std::string& f) { return Decode(wallpaper::DecodeJpegEighth, f); }
std::optional<Rows> Streamed(const std::string& f) { return Decode(wallpaper::DecodeJpegEighthStreamed, f); }

// Every block different from its neighbours, so a row taken from the wrong place shows.
std::uint32_t Busy(int x, int y) {
  const std::uint32_t h = (std::uint32_t(x / 8) * 2654435761u) ^ (std::uint32_t(y / 8) * 40503u * 7919u);
  return (h & 0xFF) | ((h >> 8 & 0xFF) << 8) | ((std::uint32_t(x + y) & 0xFF) << 16);
}

// The offsets of the restart markers (their 0xFF) in the scan of a file written by libjpeg.
std::vector<std::size_t> RestartMarkers(const std::string& f) {
  std::vector<std::size_t> at;
  const std::size_t scan = f.find("\xFF\xDA");
  for (std::size_t i = scan + 2; i + 1 < f.size(); ++i)
    if (std::uint8_t(f[i]) == 0xFF && std::uint8_t(f[i + 1]) >= 0xD0 && std::uint8_t(f[i + 1]) <= 0xD7) at.push_back(i);
  return at;
}

// The same file with one interval in the middle emptied: a whole-scan decoder runs into the
// next marker there and fails, so success means the middle was not decoded.
std::string MiddleIntervalEmptied(const std::string& f) {
  const auto markers = RestartMarkers(f);
  const std::size_t k = markers.size() / 2;
  return f.substr(0, markers[k - 1] + 2) + f.substr(markers[k]);
}

struct Case {
  const char* what;
  int width, height;
  iw::JpegOptions options;
  bool cut;  // whether the middle is left out
};

iw::JpegOptions Opt(bool grey, int h, int v, int mcus, int rows) {
  iw::JpegOptions o;
  o.quality = 90, o.grey = grey, o.lumaH = h, o.lumaV = v, o.restartMcus = mcus, o.restartRows = rows;
  return o;
}

TEST(JpegRestartCut, RowsAreThoseOfTheWholeScanDecoder) {
  const std::vector<Case> cases = {
      // A restart per MCU row, for the three usual subsamplings and grey, sizes on and off the
      // MCU grid (the last MCU row partial by 1 pixel up to full) and one eighth rounding up.
      {"4:2:0 row", 640, 480, Opt(false, 2, 2, 0, 1), true},
      {"4:2:0 row, odd size", 641, 479, Opt(false, 2, 2, 0, 1), true},
      {"4:2:0 row, last MCU row 1 pixel", 333, 161, Opt(false, 2, 2, 0, 1), true},
      {"4:2:0 row, last MCU row 9 pixels", 200, 169, Opt(false, 2, 2, 0, 1), true},
      {"4:2:0 row, last MCU row 15 pixels", 17, 95, Opt(false, 2, 2, 0, 1), true},
      {"4:2:2 row", 640, 480, Opt(false, 2, 1, 0, 1), true},
      {"4:2:2 row, odd size", 555, 203, Opt(false, 2, 1, 0, 1), true},
      {"4:4:4 row", 640, 480, Opt(false, 1, 1, 0, 1), true},
      {"4:4:4 row, odd size", 99, 77, Opt(false, 1, 1, 0, 1), true},
      {"grey row", 640, 480, Opt(true, 1, 1, 0, 1), true},
      {"grey row, odd size", 101, 43, Opt(true, 1, 1, 0, 1), true},
      {"4:1:1 row, odd size", 301, 150, Opt(false, 4, 1, 0, 1), true},
      {"4:4:0 row, odd size", 150, 301, Opt(false, 1, 2, 0, 1), true},
      // Restarts every MCU, every few MCUs dividing the row, every few rows.
      {"4:2:0 every MCU", 320, 240, Opt(false, 2, 2, 1, 0), true},
      {"4:4:4 every MCU, odd size", 123, 97, Opt(false, 1, 1, 1, 0), true},
      {"4:2:0 every 5 MCUs of 40", 640, 200, Opt(false, 2, 2, 5, 0), true},
      {"grey every 4 MCUs of 12", 96, 90, Opt(true, 1, 1, 4, 0), true},
      {"4:2:0 every 3 rows", 640, 480, Opt(false, 2, 2, 0, 3), true},
      {"4:2:2 every 2 rows, odd size", 300, 333, Opt(false, 2, 1, 0, 2), true},
      {"grey every 7 rows", 64, 400, Opt(true, 1, 1, 0, 7), true},
      {"4:2:0 a row and a half", 640, 480, Opt(false, 2, 2, 60, 0), false},
      // Too few rows to leave any out, or intervals across the rows: the whole scan.
      {"4:2:0 four MCU rows", 64, 64, Opt(false, 2, 2, 0, 1), false},
      {"4:2:0 one interval", 640, 480, Opt(false, 2, 2, 0, 30), false},
      {"4:2:0 every 3 MCUs of 40", 640, 480, Opt(false, 2, 2, 3, 0), false},
      {"4:4:4 every 7 MCUs of 13", 100, 100, Opt(false, 1, 1, 7, 0), false},
      {"tiny", 9, 9, Opt(false, 2, 2, 1, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = iw::Jpeg(c.width, c.height, Busy, c.options);
    const auto expected = Streamed(file);
    ASSERT_TRUE(expected);
    EXPECT_EQ(expected->height, (c.height + 7) / 8);
    EXPECT_TRUE(Fast(file) == expected);
    if (RestartMarkers(file).size() < 2) continue;
    const std::string holed = MiddleIntervalEmptied(file);
    EXPECT_FALSE(Streamed(holed));
    if (c.cut) {
      EXPECT_TRUE(Fast(holed) == expected);
    } else {
      EXPECT_FALSE(Fast(holed));
    }
  }
}

TEST(JpegRestartCut, EveryHeightOverTwoMcuRowsOfEachSampling) {
  // Each height from 5 MCU rows up (the fewest a cut leaves anything out of) through two more
  // MCU rows, so the last MCU row is partial by every amount.
  const struct {
    const char* what;
    iw::JpegOptions options;
    int mcuHeight;
  } modes[] = {
      {"4:2:0", Opt(false, 2, 2, 0, 1), 16}, {"4:2:2", Opt(false, 2, 1, 0, 1), 8},
      {"4:4:4", Opt(false, 1, 1, 0, 1), 8},  {"grey", Opt(true, 1, 1, 0, 1), 8},
      {"4:2:0 every 5 MCUs", Opt(false, 2, 2, 5, 0), 16},
  };
  for (const auto& m : modes) {
    for (int height = 4 * m.mcuHeight + 1; height <= 6 * m.mcuHeight; ++height) {
      SCOPED_TRACE(testing::Message() << m.what << ", height " << height);
      const std::string file = iw::Jpeg(80, height, Busy, m.options);
      const auto expected = Streamed(file);
      ASSERT_TRUE(expected);
      EXPECT_TRUE(Fast(file) == expected);
      EXPECT_TRUE(Fast(MiddleIntervalEmptied(file)) == expected);
    }
  }
}

TEST(JpegRestartCut, BrokenRestartDataEndsAsTheWholeScanDecoderEndsIt) {
  const std::string file = iw::Jpeg(640, 480, Busy, Opt(false, 2, 2, 0, 1));
  const auto markers = RestartMarkers(file);
  ASSERT_EQ(markers.size(), 29u);
  auto renumbered = [&](std::size_t k, int code) {
    std::string f = file;
    f[markers[k] + 1] = char(code);
    return f;
  };
  // Markers kept in the first row only, the later ones taken out.
  std::string firstRowOnly = file.substr(0, markers[1]);
  for (std::size_t k = 1; k < markers.size(); ++k)
    firstRowOnly += file.substr(markers[k] + 2, (k + 1 < markers.size() ? markers[k + 1] : file.size()) - markers[k] - 2);
  std::string noEoi = file.substr(0, file.size() - 2);
  std::string lastMarkerDoubled = file.substr(0, markers.back() + 2) + file.substr(markers.back());
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"a middle marker out of sequence", renumbered(14, 0xD0 + (14 + 3) % 8)},
      {"the first marker out of sequence", renumbered(0, 0xD5)},
      {"the last marker out of sequence", renumbered(28, 0xD0)},
      {"a middle marker replaced by another marker", renumbered(14, 0xFE)},
      {"markers in the first row only", firstRowOnly},
      {"one marker too many", lastMarkerDoubled},
      {"cut short after a middle marker", file.substr(0, markers[14] + 2)},
      {"cut short after the last marker", file.substr(0, markers.back() + 2)},
      {"cut short in the last interval", file.substr(0, file.size() - 40)},
      {"no end marker", noEoi},
      {"cut short in the headers", file.substr(0, file.find("\xFF\xDA") + 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto fast = Fast(c.bytes);
    EXPECT_TRUE(fast == Streamed(c.bytes));
  }
}

}  // namespace

namespace {

// A progressive file is decoded pass by pass: one with more scans than the limit is refused
// by both paths, one with a few is decoded.
TEST(JpegScans, AFileWithTooManyScansIsRefused) {
  image_writer::JpegOptions many;
  many.grey = true;
  many.manyScans = true;
  const std::string file = image_writer::Jpeg(64, 64, Busy, many);
  EXPECT_FALSE(Streamed(file));
  EXPECT_FALSE(Fast(file));
  const std::string few = image_writer::Jpeg(64, 64, Busy, 90, true);
  EXPECT_TRUE(Streamed(few));
  EXPECT_EQ(Fast(few), Streamed(few));
}

}  // namespace
