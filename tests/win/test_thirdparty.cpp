// The statically built image libraries link and work in the Windows build.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace {

TEST(ThirdParty, ZlibRoundTrip) {
  const char text[] = "Cifrona Cifrona Cifrona Cifrona";
  std::vector<Bytef> packed(compressBound(sizeof text));
  uLongf packedLen = packed.size();
  ASSERT_EQ(compress(packed.data(), &packedLen, reinterpret_cast<const Bytef*>(text), sizeof text), Z_OK);
  char back[sizeof text];
  uLongf backLen = sizeof back;
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back), &backLen, packed.data(), packedLen), Z_OK);
  EXPECT_STREQ(back, text);
}

TEST(ThirdParty, PngIsUsable) {
  EXPECT_GE(png_access_version_number(), 10600u);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  ASSERT_NE(png, nullptr);
  png_destroy_read_struct(&png, nullptr, nullptr);
}

TEST(ThirdParty, JpegEncodesAndDecodesWithScaling) {
  // 16 x 16 grey picture in memory, then decoded at one eighth: 2 x 2.
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = 16, c.image_height = 16, c.input_components = 1, c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(16, 200);
  while (c.next_scanline < 16) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);

  jpeg_decompress_struct d{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, out, outSize);
  ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
  d.scale_num = 1, d.scale_denom = 8;
  jpeg_start_decompress(&d);
  EXPECT_EQ(d.output_width, 2u);
  EXPECT_EQ(d.output_height, 2u);
  jpeg_abort_decompress(&d);
  jpeg_destroy_decompress(&d);
  free(out);
}

}  // namespace
