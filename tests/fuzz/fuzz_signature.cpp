// The signature file beside a download, as the server sends it. For any input: no crash; a
// statement that parses writes back to text that parses to the same statement; a DER
// signature converts to exactly 64 bytes or not at all; and no input makes a download pass
// the check, since nothing here holds the release key.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/headless/headless.h"
#include "updater/update_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static headless::Platform sys;
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The same bytes as a bare DER signature.
  if (auto raw = updater::DerSignatureToRaw(text)) FUZZ_CHECK(raw->size() == 64);

  const auto statement = updater::ParseSignatureFile(text);
  if (statement) {
    FUZZ_CHECK(statement->sha256.size() == 64);
    const std::string written = updater::StatementText(*statement) + "signature=" + updater::ToHex(statement->signature) + "\n";
    const auto again = updater::ParseSignatureFile(written);
    FUZZ_CHECK(again && again->product == statement->product && again->arch == statement->arch &&
               again->file == statement->file && again->version == statement->version &&
          again->size == statement->size && again->sha256 == statement->sha256 &&
          again->signature == statement->signature);
    if (auto raw = updater::DerSignatureToRaw(statement->signature)) FUZZ_CHECK(raw->size() == 64);
  }
  const std::string download = "update";
  const auto verdict = updater::VerifyUpdate(statement ? statement->file : "Cifrona.zip", download, text,
                                             statement ? statement->version : "9.0", "1.0");
  FUZZ_CHECK(verdict == updater::Verdict::BadSignature);
  return 0;
}
