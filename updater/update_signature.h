// Authenticating a downloaded update before anything runs it. Beside each download the
// server keeps NAME.sig, a short text signed with the release key:
//
//   file=Cifrona-setup.exe
//   version=2.1.0.0
//   size=1234567
//   sha256=<64 lower-case hex digits>
//   signature=<hex of the DER ECDSA P-256 signature over the four lines above, each ending in LF>
//
// tools/sign-update.sh makes it. An update is installed only when the signature verifies
// with the release public key, the file is the one the statement names, and the signed
// version is the server's and newer than the running one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace updater {

struct SignedStatement {
  std::string file, version, sha256;
  std::uint64_t size = 0;
  std::string signature;  // DER
};

// nullopt when a field is missing or malformed.
std::optional<SignedStatement> ParseSignatureFile(const std::string& text);
// The bytes the signature covers.
std::string StatementText(const SignedStatement& s);
// A DER ECDSA signature as r then s, 32 bytes each; nullopt when it is not one.
std::optional<std::string> DerSignatureToRaw(const std::string& der);

// The release public key, X then Y: a build-time option.
std::string ReleasePublicKey();

enum class Verdict { Ok, NoSignature, BadSignature, WrongFile, WrongVersion, NotNewer };

// The checks, in order; sigText is nullopt when the signature file could not be fetched.
Verdict VerifyUpdate(const std::string& fileName, const std::string& bytes, const std::optional<std::string>& sigText,
                     const std::string& serverVersion, const std::string& localVersion);

std::string ToHex(const std::string& bytes);
std::optional<std::string> FromHex(const std::string& hex);

}  // namespace updater
