#include "updater/update_signature.h"

#include <charconv>

#include "platform/text.h"
#include "platform/update_services.h"
#include "updater/update_check.h"

namespace updater {

std::string ToHex(const std::string& bytes) {
  static const char* kHex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::optional<std::string> FromHex(const std::string& hex) {
  if (hex.size() % 2) return std::nullopt;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

std::optional<SignedStatement> ParseSignatureFile(const std::string& text) {
  SignedStatement s;
  bool haveProduct = false, haveArch = false, haveFile = false, haveVersion = false, haveSize = false,
       haveHash = false, haveSig = false;
  if (text.size() > kMaxSignatureFileBytes) return std::nullopt;
  // Each field once: a repeated one could make the signed text and the parsed one differ.
  auto once = [](bool& seen) {
    if (seen) return false;
    seen = true;
    return true;
  };
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line = text::TrimBlanks(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "product") {
      if (!once(haveProduct)) return std::nullopt;
      s.product = value;
    } else if (key == "arch") {
      if (!once(haveArch)) return std::nullopt;
      s.arch = value;
    } else if (key == "file") {
      if (!once(haveFile)) return std::nullopt;
      s.file = value;
    } else if (key == "version") {
      if (!once(haveVersion)) return std::nullopt;
      s.version = value;
    } else if (key == "size") {
      if (!once(haveSize)) return std::nullopt;
      auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), s.size);
      if (ec != std::errc() || p != value.data() + value.size() || value.empty()) return std::nullopt;
    } else if (key == "sha256") {
      if (!once(haveHash) || value.size() != 64 || !FromHex(std::string(value))) return std::nullopt;
      s.sha256 = value;
      for (char& c : s.sha256) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    } else if (key == "signature") {
      auto der = FromHex(std::string(value));
      if (!der || !once(haveSig)) return std::nullopt;
      s.signature = *der;
    } else {
      return std::nullopt;
    }
  }
  if (!(haveProduct && haveArch && haveFile && haveVersion && haveSize && haveHash && haveSig)) return std::nullopt;
  return s;
}

std::string StatementText(const SignedStatement& s) {
  return "product=" + s.product + "\narch=" + s.arch + "\nfile=" + s.file + "\nversion=" + s.version + "\nsize=" + std::to_string(s.size) + "\nsha256=" + s.sha256 +
         "\n";
}

std::optional<std::string> DerSignatureToRaw(const std::string& der) {
  // SEQUENCE { INTEGER r, INTEGER s }, short lengths only (a P-256 signature is at most 72 bytes).
  size_t i = 0;
  auto byte = [&](size_t at) { return static_cast<unsigned char>(der[at]); };
  if (der.size() < 8 || byte(0) != 0x30 || byte(1) != der.size() - 2) return std::nullopt;
  i = 2;
  std::string raw;
  for (int n = 0; n < 2; ++n) {
    if (i + 2 > der.size() || byte(i) != 0x02) return std::nullopt;
    size_t len = byte(i + 1);
    i += 2;
    if (len == 0 || len > 33 || i + len > der.size()) return std::nullopt;
    std::string v = der.substr(i, len);
    i += len;
    while (v.size() > 32 && v[0] == 0) v.erase(0, 1);
    if (v.size() > 32) return std::nullopt;
    raw += std::string(32 - v.size(), '\0') + v;
  }
  if (i != der.size()) return std::nullopt;
  return raw;
}

Verdict CheckStatement(const std::string& fileName, const std::optional<std::string>& sigText,
                       const std::string& serverVersion, const std::string& localVersion, bool force,
                       SignedStatement* out) {
  platform::Crypto* crypto = platform::Current().crypto;
  if (!sigText) return Verdict::NoSignature;
  auto statement = ParseSignatureFile(*sigText);
  if (!statement || !crypto) return Verdict::BadSignature;
  auto raw = DerSignatureToRaw(statement->signature);
  const std::string key = ReleasePublicKey();
  if (!raw || key.size() != 64 || !crypto->VerifyP256(key, crypto->Sha256(StatementText(*statement)), *raw))
    return Verdict::BadSignature;
  if (statement->product != UpdateFileStem() || statement->arch != ProgramArch()) return Verdict::WrongProduct;
  if (!text::SameTextAscii(statement->file, fileName)) return Verdict::WrongFile;
  if (statement->version != serverVersion) return Verdict::WrongVersion;
  const int newer = CompareVersions(statement->version, localVersion);
  if (newer < 0 || (newer == 0 && !force)) return Verdict::NotNewer;
  if (out) *out = *statement;
  return Verdict::Ok;
}

Verdict CheckBytes(const SignedStatement& statement, const std::string& bytes) {
  platform::Crypto* crypto = platform::Current().crypto;
  if (!crypto || statement.size != bytes.size() || statement.sha256 != ToHex(crypto->Sha256(bytes)))
    return Verdict::WrongFile;
  return Verdict::Ok;
}

Verdict VerifyUpdate(const std::string& fileName, const std::string& bytes, const std::optional<std::string>& sigText,
                     const std::string& serverVersion, const std::string& localVersion, bool force) {
  SignedStatement statement;
  Verdict v = CheckStatement(fileName, sigText, serverVersion, localVersion, force, &statement);
  return v == Verdict::Ok ? CheckBytes(statement, bytes) : v;
}

}  // namespace updater
