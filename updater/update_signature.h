// Authenticating a downloaded update before anything runs it. Beside each download the
// server keeps NAME.sig, a short text signed with the release key:
//
//   product=Cifrona
//   arch=x86                      x86 for the 32-bit program, x64 for the 64-bit one
//   file=Cifrona-setup.exe
//   version=2.1.0.0
//   size=1234567
//   sha256=<64 lower-case hex digits>
//   signature=<hex of the DER ECDSA P-256 signature over the six lines above, each ending in LF>
//
// tools/sign-update.sh makes it. The statement is fetched and checked before the download
// (so its size caps the download), the bytes after it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace updater {

struct SignedStatement {
  std::string product, arch, file, version, sha256;
  std::uint64_t size = 0;
  std::string signature;  // DER
};

// A .sig is a few hundred bytes; anything longer is not one.
inline constexpr std::size_t kMaxSignatureFileBytes = 4096;

// nullopt when a field is missing, repeated or malformed.
std::optional<SignedStatement> ParseSignatureFile(const std::string& text);
// The bytes the signature covers.
std::string StatementText(const SignedStatement& s);
// A DER ECDSA signature as r then s, 32 bytes each; nullopt when it is not one.
std::optional<std::string> DerSignatureToRaw(const std::string& der);

// The release public key, X then Y: a build-time option.
std::string ReleasePublicKey();
// "x86" or "x64": the architecture this program was built for, as statements name it.
constexpr const char* ProgramArch() { return sizeof(void*) == 8 ? "x64" : "x86"; }

enum class Verdict {
  Ok,
  NoSignature,   // the .sig could not be fetched
  BadSignature,  // not a statement, or not signed with the release key
  WrongProduct,  // signed for another product or another architecture
  WrongFile,     // another file name, or bytes that are not the ones signed
  WrongVersion,  // not the version the server announced
  NotNewer,      // older than this copy, or equal without Force
};

// The checks on the statement alone, in order; on Ok, statement holds what the download
// must match. force accepts a version equal to the running one (a reinstall).
Verdict CheckStatement(const std::string& fileName, const std::optional<std::string>& sigText,
                       const std::string& serverVersion, const std::string& localVersion, bool force,
                       SignedStatement* statement = nullptr);
// The downloaded bytes against a statement that passed CheckStatement.
Verdict CheckBytes(const SignedStatement& statement, const std::string& bytes);
// Both, as one verdict.
Verdict VerifyUpdate(const std::string& fileName, const std::string& bytes, const std::optional<std::string>& sigText,
                     const std::string& serverVersion, const std::string& localVersion, bool force = false);

std::string ToHex(const std::string& bytes);
std::optional<std::string> FromHex(const std::string& hex);

}  // namespace updater
