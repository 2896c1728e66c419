// JPEG through libjpeg: the image at one eighth scale, only its first and last rows.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

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
// Files with restart markers are held in memory up to this size to find the intervals of the
// first and last rows; the headers are looked for within the first kMaxHeaderBytes.
constexpr std::size_t kMaxBufferedFile = 64u << 20;
constexpr std::size_t kMaxHeaderBytes = 1u << 20;
// The headers are read in small steps: a file without restart markers keeps only them extra.
constexpr std::size_t kHeaderChunk = 4096;

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
bool Decode(jpeg_decompress_struct& cinfo, ErrorManager& err, Source& src, jpeg_progress_mgr& progress,
            std::unique_ptr<EdgeRows>& result) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  // After the creation, which clears it: the scan limit is checked by this monitor.
  cinfo.progress = &progress;
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

std::unique_ptr<EdgeRows> DecodeJpegEighthStreamed(platform::ByteReader& in) {
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

  std::unique_ptr<EdgeRows> result;
  bool ok = false;
  try {
    ok = Decode(cinfo, err, *src, progress, result);
  } catch (...) {
    ok = false;
  }
  jpeg_destroy_decompress(&cinfo);
  if (!ok) return nullptr;
  return result;
}

namespace {

// ---- files with restart markers: only the intervals of the first and last rows ------------
//
// A sequential JPEG whose restart intervals line up with its MCU rows can be cut: each interval
// is entropy-coded on its own, so the headers (with a smaller height), the intervals of the top
// rows and those of the bottom rows (restart numbers made consecutive again) form a valid file
// whose first and last rows are those of the whole picture. The middle is never decoded.

// Where a cut can be made, read from the headers.
struct Layout {
  std::size_t heightAt = 0;   // offset of the frame height in the SOF segment
  std::size_t scanStart = 0;  // first byte of entropy-coded data
  unsigned width = 0, height = 0;
  unsigned mcuHeight = 0;     // pixels
  unsigned mcusPerRow = 0, mcuRows = 0;
  unsigned restart = 0;       // MCUs per interval
};

enum class HeaderState { kNeedMore, kNotCuttable, kCuttable };

unsigned Be16(const std::string& d, std::size_t at) { return unsigned(std::uint8_t(d[at])) << 8 | std::uint8_t(d[at + 1]); }

HeaderState ParseHeader(const std::string& d, Layout& out) {
  if (d.size() < 2) return HeaderState::kNeedMore;
  if (std::uint8_t(d[0]) != 0xFF || std::uint8_t(d[1]) != 0xD8) return HeaderState::kNotCuttable;
  std::size_t pos = 2;
  unsigned components = 0, hMax = 0, vMax = 0;
  for (;;) {
    if (pos >= d.size()) return HeaderState::kNeedMore;
    if (std::uint8_t(d[pos]) != 0xFF) return HeaderState::kNotCuttable;
    while (pos < d.size() && std::uint8_t(d[pos]) == 0xFF) ++pos;  // fill bytes
    if (pos + 3 > d.size()) return HeaderState::kNeedMore;
    const unsigned marker = std::uint8_t(d[pos]);
    const unsigned length = Be16(d, pos + 1);
    const std::size_t seg = pos + 3;  // segment contents after the length
    if (length < 2) return HeaderState::kNotCuttable;
    if (pos + 1 + length > d.size()) return HeaderState::kNeedMore;
    const std::size_t n = length - 2;
    if (marker == 0xC0 || marker == 0xC1) {  // baseline or extended sequential, Huffman
      if (components || n < 6) return HeaderState::kNotCuttable;
      components = std::uint8_t(d[seg + 5]);
      if (std::uint8_t(d[seg]) != 8 || components < 1 || components > 4 || n != 6 + 3 * components)
        return HeaderState::kNotCuttable;
      out.heightAt = seg + 1;
      out.height = Be16(d, seg + 1);
      out.width = Be16(d, seg + 3);
      for (unsigned c = 0; c < components; ++c) {
        const unsigned hv = std::uint8_t(d[seg + 6 + 3 * c + 1]), h = hv >> 4, v = hv & 15;
        if (h < 1 || h > 4 || v < 1 || v > 4) return HeaderState::kNotCuttable;
        hMax = std::max(hMax, h), vMax = std::max(vMax, v);
      }
    } else if ((marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) ||
               marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD9) || marker == 0x01 || marker == 0xDC) {
      return HeaderState::kNotCuttable;  // progressive, lossless, arithmetic, DNL, or out of place
    } else if (marker == 0xDD) {
      if (n != 2) return HeaderState::kNotCuttable;
      out.restart = Be16(d, seg);
    } else if (marker == 0xDA) {
      // One scan holding every component, the whole spectrum, no successive approximation.
      if (!components || n < 1 || std::uint8_t(d[seg]) != components || n != 4 + 2 * components)
        return HeaderState::kNotCuttable;
      const std::size_t tail = seg + 1 + 2 * components;
      if (std::uint8_t(d[tail]) != 0 || std::uint8_t(d[tail + 1]) != 63 || std::uint8_t(d[tail + 2]) != 0)
        return HeaderState::kNotCuttable;
      if (out.restart == 0 || out.width == 0 || out.height == 0) return HeaderState::kNotCuttable;
      out.scanStart = seg + n;
      // A single component is coded block by block whatever its sampling factors.
      const unsigned mcuWidth = components == 1 ? 8 : 8 * hMax;
      out.mcuHeight = components == 1 ? 8 : 8 * vMax;
      out.mcusPerRow = (out.width + mcuWidth - 1) / mcuWidth;
      out.mcuRows = (out.height + out.mcuHeight - 1) / out.mcuHeight;
      return HeaderState::kCuttable;
    }
    pos = seg + n;
  }
}

// The next marker at or after pos in entropy-coded data: the offset of its first 0xFF (fill
// bytes included) and its code, or npos at the end of the data. Stuffed 0xFF 0x00 is data.
std::size_t NextMarker(const std::string& d, std::size_t pos, unsigned& code, std::size_t& after) {
  for (;;) {
    const void* hit = pos < d.size() ? std::memchr(d.data() + pos, 0xFF, d.size() - pos) : nullptr;
    if (!hit) return std::string::npos;
    const std::size_t at = std::size_t(static_cast<const char*>(hit) - d.data());
    std::size_t i = at + 1;
    while (i < d.size() && std::uint8_t(d[i]) == 0xFF) ++i;
    if (i >= d.size()) return std::string::npos;
    if (d[i] == 0) {
      pos = i + 1;
      continue;
    }
    code = std::uint8_t(d[i]);
    after = i + 1;
    return at;
  }
}

// The cut file for a whole file in memory, or an empty string when this file cannot be cut
// (then the ordinary path decodes it).
std::string CutFile(const std::string& d, const Layout& l) {
  const unsigned mpr = l.mcusPerRow, rows = l.mcuRows, ri = l.restart;
  // Two MCU rows at each end, so any context the decoder's upsampling looks at is there too.
  unsigned top, bottom;  // rows [0, top) and [bottom, rows)
  if (ri % mpr == 0) {
    const unsigned perInterval = ri / mpr;
    top = (2 + perInterval - 1) / perInterval * perInterval;
    if (rows < 2) return {};
    bottom = (rows - 2) / perInterval * perInterval;
  } else if (mpr % ri == 0) {
    top = 2;
    bottom = rows >= 2 ? rows - 2 : 0;
  } else {
    return {};
  }
  if (bottom <= top) return {};  // nothing to leave out
  const std::uint64_t total = std::uint64_t(mpr) * rows;
  const std::uint64_t intervals = (total + ri - 1) / ri;
  const std::uint64_t topIntervals = std::uint64_t(top) * mpr / ri, bottomFirst = std::uint64_t(bottom) * mpr / ri;

  // Every restart marker must be there, in sequence, and the scan must end with EOI.
  std::size_t topEnd = 0, bottomStart = 0, scanEnd = 0;
  std::uint64_t seen = 0;
  for (std::size_t pos = l.scanStart;;) {
    unsigned code = 0;
    std::size_t after = 0;
    const std::size_t at = NextMarker(d, pos, code, after);
    if (at == std::string::npos) return {};
    if (code == 0xD9) {
      if (seen != intervals - 1) return {};
      scanEnd = at;
      break;
    }
    if (code != 0xD0 + seen % 8 || seen + 1 >= intervals) return {};
    ++seen;
    if (seen == topIntervals) topEnd = at;
    if (seen == bottomFirst) bottomStart = after;
    pos = after;
  }

  const unsigned lastRowPixels = l.height - (rows - 1) * l.mcuHeight;
  const unsigned cutHeight = (top + rows - bottom - 1) * l.mcuHeight + lastRowPixels;
  std::string cut;
  cut.reserve(topEnd + (scanEnd - bottomStart) + 4);
  cut.append(d, 0, topEnd);
  cut[l.heightAt] = char(cutHeight >> 8), cut[l.heightAt + 1] = char(cutHeight & 0xFF);
  cut += char(0xFF), cut += char(0xD0 + (topIntervals - 1) % 8);
  // The bottom intervals' markers, renumbered to follow on.
  const unsigned shift = unsigned((topIntervals + 8 - bottomFirst % 8) % 8);
  const std::size_t bottomAt = cut.size();
  cut.append(d, bottomStart, scanEnd - bottomStart);
  for (std::size_t pos = bottomAt;;) {
    unsigned code = 0;
    std::size_t after = 0;
    const std::size_t at = NextMarker(cut, pos, code, after);
    if (at == std::string::npos) break;
    cut[after - 1] = char(0xD0 + (code - 0xD0 + shift) % 8);
    pos = after;
  }
  cut += char(0xFF), cut += char(0xD9);
  return cut;
}

// Serves the bytes already read, then the rest of the file.
class PrefixReader : public platform::ByteReader {
 public:
  PrefixReader(const std::string& prefix, platform::ByteReader* rest) : prefix_(prefix), rest_(rest) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    if (pos_ < prefix_.size()) {
      const std::size_t n = std::min(size, prefix_.size() - pos_);
      std::memcpy(buffer, prefix_.data() + pos_, n);
      pos_ += n;
      return n;
    }
    return rest_ ? rest_->Read(buffer, size) : 0;
  }

 private:
  const std::string& prefix_;
  platform::ByteReader* rest_;
  std::size_t pos_ = 0;
};

// Reads up to chunk more bytes of the file into d; false at its end.
bool ReadMore(platform::ByteReader& in, std::string& d, std::size_t chunk) {
  const std::size_t had = d.size();
  d.resize(had + chunk);
  const std::size_t got = in.Read(&d[had], chunk);
  d.resize(had + got);
  return got != 0;
}

std::unique_ptr<EdgeRows> DecodeCut(const std::string& d, const Layout& l) {
  const std::string cut = CutFile(d, l);
  if (cut.empty()) return nullptr;
  platform::MemoryReader reader(cut.data(), cut.size());
  auto rows = DecodeJpegEighthStreamed(reader);
  if (!rows) return nullptr;
  auto whole = std::make_unique<EdgeRows>(rows->Width(), int((l.height + 7) / 8));
  whole->Top().swap(rows->Top());
  whole->Bottom().swap(rows->Bottom());
  return whole;
}

}  // namespace

std::unique_ptr<EdgeRows> DecodeJpegEighth(platform::ByteReader& in) {
  std::string data;
  try {
    Layout layout;
    HeaderState state = HeaderState::kNeedMore;
    bool more = true;
    while (more && (state = ParseHeader(data, layout)) == HeaderState::kNeedMore && data.size() < kMaxHeaderBytes)
      more = ReadMore(in, data, kHeaderChunk);
    if (state == HeaderState::kCuttable) {
      while (more && data.size() <= kMaxBufferedFile) more = ReadMore(in, data, kInputChunk);
      if (!more) {
        if (auto rows = DecodeCut(data, layout)) return rows;
        platform::MemoryReader whole(data.data(), data.size());
        return DecodeJpegEighthStreamed(whole);
      }
    }
  } catch (...) {
    return nullptr;  // a read error, or no memory for the file
  }
  PrefixReader rest(data, &in);
  return DecodeJpegEighthStreamed(rest);
}

}  // namespace wallpaper
