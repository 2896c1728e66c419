// JPEG through libjpeg: the image at one eighth scale, only its first and last rows.
#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include "widget/wallpaper_decoders.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace wallpaper {

std::uint32_t EdgeRows::Pixel(int x, int y) const {
  if (y == 0) return top_.at(std::size_t(x));
  if (y == height_ - 1) return bottom_.at(std::size_t(x));
  throw std::out_of_range("row not decoded");
}

namespace {

constexpr std::size_t kInputChunk = 64 * 1024;

// libjpeg reports errors through a callback that must not return: it jumps back to the
// decoder, over C frames only (no C++ object lives between the jump and its target).
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
  // Image data that ends early (the file, or the scan at a marker) is decoded by libjpeg
  // as grey; for the corner colour that is a wrong answer, so it counts as a failure.
  // Other warnings (stray bytes before a marker) leave a usable picture. Nothing is printed.
  if (level < 0 && (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
    ErrorExit(cinfo);
}

void Progress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
    ERREXIT(cinfo, JERR_NOT_COMPILED);  // any fatal code: the text is never shown
}

struct Source {
  jpeg_source_mgr pub;
  platform::ByteReader* in;
  JOCTET buffer[kInputChunk];
  bool readFailed;
};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
  Source* s = reinterpret_cast<Source*>(cinfo->src);
  std::size_t got = 0;
  try {
    got = s->in->Read(s->buffer, kInputChunk);
  } catch (...) {
    s->readFailed = true;
  }
  if (s->readFailed) ERREXIT(cinfo, JERR_FILE_READ);
  if (got == 0) {
    // As libjpeg's own sources do: warn (a failure, see EmitMessage), then a fake EOI.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    static const JOCTET kEoi[2] = {0xFF, JPEG_EOI};
    s->pub.next_input_byte = kEoi;
    s->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  s->pub.next_input_byte = s->buffer;
  s->pub.bytes_in_buffer = got;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  Source* s = reinterpret_cast<Source*>(cinfo->src);
  while (count > 0) {
    if (s->pub.bytes_in_buffer == 0) FillInput(cinfo);
    const std::size_t n = std::min<std::size_t>(std::size_t(count), s->pub.bytes_in_buffer);
    s->pub.next_input_byte += n;
    s->pub.bytes_in_buffer -= n;
    count -= long(n);
  }
}

void TermSource(j_decompress_ptr) {}

void StoreRow(const JSAMPLE* rgb, std::vector<std::uint32_t>& out) {
  for (std::size_t x = 0; x < out.size(); ++x)
    out[x] = std::uint32_t(rgb[3 * x]) | std::uint32_t(rgb[3 * x + 1]) << 8 | std::uint32_t(rgb[3 * x + 2]) << 16;
}

// The libjpeg part; true when both rows were read. Everything it allocates belongs to cinfo.
bool Decode(jpeg_decompress_struct& cinfo, ErrorManager& err, Source& src, std::unique_ptr<EdgeRows>& result) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  cinfo.src = &src.pub;
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) return false;  // no RGB conversion
  cinfo.out_color_space = JCS_RGB;
  cinfo.scale_num = 1;
  cinfo.scale_denom = 8;
  jpeg_start_decompress(&cinfo);
  const JDIMENSION width = cinfo.output_width, height = cinfo.output_height;
  if (width == 0 || height == 0 || cinfo.output_components != 3) return false;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, width * 3, 1);
  if (jpeg_read_scanlines(&cinfo, row, 1) != 1) return false;
  // The only C++ allocation: outside libjpeg's frames, and a failure is caught by the caller.
  result = std::make_unique<EdgeRows>(int(width), int(height));
  StoreRow(row[0], result->Top());
  if (height > 1) {
    if (height > 2) jpeg_skip_scanlines(&cinfo, height - 2);
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) return false;
  }
  StoreRow(row[0], result->Bottom());
  return true;
}

}  // namespace

std::unique_ptr<EdgeRows> DecodeJpegEighth(platform::ByteReader& in) {
  auto src = std::make_unique<Source>();
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInput;
  src->pub.skip_input_data = SkipInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->in = &in;
  src->readFailed = false;

  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = Progress;
  cinfo.progress = &progress;

  std::unique_ptr<EdgeRows> result;
  bool ok = false;
  try {
    ok = Decode(cinfo, err, *src, result);
  } catch (...) {
    ok = false;
  }
  jpeg_destroy_decompress(&cinfo);
  if (!ok) return nullptr;
  return result;
}

}  // namespace wallpaper
