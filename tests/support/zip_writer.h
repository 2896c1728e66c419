// ZIP archives for tests, written by hand so any entry name can be put in one, including
// names no archiver would write. Entries are stored (not compressed) unless deflated.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testzip {

struct Entry {
  std::string name;
  std::string bytes;
  bool utf8 = false;           // general-purpose flag bit 11
  bool deflate = false;
  std::int64_t declaredSize = -1;  // the uncompressed size the headers claim; -1: the real one
  bool badCrc = false;
};

inline void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline std::string Deflated(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, bytes.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::string Zip(const std::vector<Entry>& entries) {
  std::string out, central;
  for (const Entry& e : entries) {
    const std::string data = e.deflate ? Deflated(e.bytes) : e.bytes;
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.bytes.data()), static_cast<uInt>(e.bytes.size())));
    if (e.badCrc) crc ^= 1;
    const std::uint32_t size = static_cast<std::uint32_t>(e.declaredSize >= 0 ? e.declaredSize : e.bytes.size());
    const unsigned flags = e.utf8 ? 0x800 : 0;
    const unsigned method = e.deflate ? 8 : 0;
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    auto common = [&](std::string& s) {
      Put16(s, 20), Put16(s, flags), Put16(s, method), Put16(s, 0), Put16(s, 0x21);  // version, flags, method, time, date
      Put32(s, crc), Put32(s, static_cast<std::uint32_t>(data.size())), Put32(s, size);
      Put16(s, static_cast<unsigned>(e.name.size())), Put16(s, 0);
    };
    Put32(out, 0x04034b50);
    common(out);
    out += e.name;
    out += data;
    Put32(central, 0x02014b50);
    Put16(central, 20);
    common(central);
    Put16(central, 0), Put16(central, 0), Put16(central, 0), Put32(central, 0), Put32(central, offset);
    central += e.name;
  }
  const std::uint32_t at = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0), Put16(out, 0);
  Put16(out, static_cast<unsigned>(entries.size())), Put16(out, static_cast<unsigned>(entries.size()));
  Put32(out, static_cast<std::uint32_t>(central.size())), Put32(out, at);
  Put16(out, 0);
  return out;
}

}  // namespace testzip
