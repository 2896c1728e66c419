// version.txt as the server sends it, and the version comparison. The input is the body of
// the first server's version.txt; its first line, split at the first NUL, also gives two
// versions to compare. For any input: no crash; the version taken is the body without outer
// blanks; the comparison is an order (reflexive, antisymmetric, transitive over the three).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_update.h"
#include "platform/text.h"
#include "updater/update_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static headless::Platform sys;
  const std::string body(reinterpret_cast<const char*>(data), size);
  const std::string primary = updater::UpdateServers()[0] + updater::UpdateFileStem() + "/version.txt";
  const std::string mirror = updater::UpdateServers()[1] + updater::UpdateFileStem() + "/version.txt";
  sys.http.replies.clear();
  sys.http.requests.clear();
  sys.http.replies[primary] = headless::Http::Reply{200, body};
  sys.http.replies[mirror] = headless::Http::Reply{200, "2.0.0.0"};

  std::string version, url;
  FUZZ_CHECK(updater::FetchServerVersion(version, url));
  const std::string_view trimmed = text::TrimBlanks(body);
  // A blank body is passed over: the mirror answers.
  FUZZ_CHECK(version == (trimmed.empty() ? std::string("2.0.0.0") : std::string(trimmed)));

  const std::size_t nul = body.find('\0');
  const std::string a = body.substr(0, nul);
  const std::string b = nul == std::string::npos ? std::string() : body.substr(nul + 1);
  const std::string& c = version;
  FUZZ_CHECK(updater::CompareVersions(a, a) == 0);
  const int ab = updater::CompareVersions(a, b), bc = updater::CompareVersions(b, c), ac = updater::CompareVersions(a, c);
  FUZZ_CHECK(ab == -updater::CompareVersions(b, a));
  FUZZ_CHECK(bc == -updater::CompareVersions(c, b));
  if (ab >= 0 && bc >= 0) FUZZ_CHECK(ac >= 0 && (ac > 0 || (ab == 0 && bc == 0)));
  if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0 && (ac < 0 || (ab == 0 && bc == 0)));
  return 0;
}
