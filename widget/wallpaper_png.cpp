// PNG through libpng: rows are streamed and only the pixels of the (at most) 100 × 100
// reduction are kept, so memory depends on the width alone.
#include <png.h>

#include <algorithm>
#include <cstring>

#include "widget/wallpaper_decoders.h"

namespace wallpaper {

namespace {

constexpr int kReducedSide = 100;

struct ReadState {
  platform::ByteReader* in;
};

void ReadData(png_structp png, png_bytep data, std::size_t length) {
  auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    while (length > 0) {
      const std::size_t got = state->in->Read(data, length);
      if (got == 0) break;
      data += got;
      length -= got;
    }
  } catch (...) {
    failed = true;
  }
  // png_error jumps back to the decoder; never from inside the catch block.
  if (failed || length > 0) png_error(png, "read error");
}

void Warning(png_structp, png_const_charp) {}

[[noreturn]] void Error(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct Plan {
  int width = 0, height = 0;         // the image
  int outWidth = 0, outHeight = 0;   // the bitmap
  std::vector<int> xs, ys;           // image column / row of each bitmap column / row
};

// Stores image row y (one pass's row when passCols > 0) into the bitmap's rows taken from it.
void TakeRow(const Plan& plan, platform::Bitmap& out, const png_byte* rgb, int y, int pass) {
  // ys is sorted: the bitmap rows that take image row y are one run.
  auto first = std::lower_bound(plan.ys.begin(), plan.ys.end(), y);
  for (auto it = first; it != plan.ys.end() && *it == y; ++it) {
    const int j = int(it - plan.ys.begin());
    for (int i = 0; i < plan.outWidth; ++i) {
      int x = plan.xs[std::size_t(i)];
      if (pass >= 0) {
        if (!PNG_COL_IN_INTERLACE_PASS(x, pass)) continue;
        x = (x - int(PNG_PASS_START_COL(pass))) >> PNG_PASS_COL_SHIFT(pass);
      }
      const png_byte* p = rgb + 3 * std::size_t(x);
      out.SetPixel(i, j, std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16);
    }
  }
}

// The header, and the conversion to 8-bit RGB. No C++ object lives in the frames libpng
// jumps over.
bool ReadHeader(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
  if (width == 0 || height == 0 || std::uint64_t(width) * height > kMaxPixels) return false;

  // Whatever is stored becomes 8-bit RGB, alpha dropped.
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  if (png_get_channels(png, info) != 3 || png_get_bit_depth(png, info) != 8) return false;
  return true;
}

bool ReadRows(png_structp png, png_infop info, const Plan& plan, std::vector<png_byte>& row, platform::Bitmap& out) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
    for (int y = 0; y < plan.height && y <= plan.ys.back(); ++y) {
      png_read_row(png, row.data(), nullptr);
      TakeRow(plan, out, row.data(), y, -1);
    }
    return true;
  }
  // Adam7 without libpng's de-interlacing: each pass arrives as a small image of its own,
  // and every pixel of the image lies in exactly one pass.
  for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
    const png_uint_32 cols = PNG_PASS_COLS(png_uint_32(plan.width), pass);
    const png_uint_32 rows = PNG_PASS_ROWS(png_uint_32(plan.height), pass);
    if (cols == 0 || rows == 0) continue;
    for (png_uint_32 r = 0; r < rows; ++r) {
      png_read_row(png, row.data(), nullptr);
      TakeRow(plan, out, row.data(), int(PNG_ROW_FROM_PASS_ROW(r, pass)), pass);
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<platform::Bitmap> DecodePngReduced(platform::ByteReader& in) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Error, Warning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  ReadState state{&in};
  png_set_read_fn(png, &state, ReadData);
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);  // the pixel count is checked instead
  png_set_chunk_malloc_max(png, 1 << 20);
  // Only the pixels matter: ancillary chunks (compressed text and profiles among them)
  // are skipped unread. Alpha and transparency are dropped anyway.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  static const png_byte kIgnored[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0tRNS\0zTXt";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, int(sizeof kIgnored / 5));

  Plan plan;
  std::vector<png_byte> row;
  std::unique_ptr<platform::Bitmap> out;
  bool ok = false;
  try {
    ok = ReadHeader(png, info);
    if (ok) {
      plan.width = int(png_get_image_width(png, info));
      plan.height = int(png_get_image_height(png, info));
      const bool small = plan.width <= kReducedSide && plan.height <= kReducedSide;
      plan.outWidth = small ? plan.width : kReducedSide;
      plan.outHeight = small ? plan.height : kReducedSide;
      for (int i = 0; i < plan.outWidth; ++i) plan.xs.push_back(ReducedIndex(i, plan.outWidth, plan.width));
      for (int j = 0; j < plan.outHeight; ++j) plan.ys.push_back(ReducedIndex(j, plan.outHeight, plan.height));
      row.resize(png_get_rowbytes(png, info));
      out = std::make_unique<platform::Bitmap>(plan.outWidth, plan.outHeight);
      ok = ReadRows(png, info, plan, row, *out);
    }
  } catch (...) {
    ok = false;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) return nullptr;
  return out;
}

}  // namespace wallpaper
