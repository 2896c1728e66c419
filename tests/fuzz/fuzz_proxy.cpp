// The proxy of the user's Internet settings, read from the registry. The first byte chooses
// how ProxyEnable is stored (a number, a text, other data); the rest is ProxyServer. For any
// input: no crash; a proxy is used only when enabled, and then its host is the text before
// the first colon and the client settings carry it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/headless/headless.h"
#include "updater/update_check.h"

namespace {

constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static headless::Platform sys;
  const auto root = platform::RegRoot::CurrentUser;
  const std::uint8_t how = data[0];
  const std::string server(reinterpret_cast<const char*>(data + 1), size - 1);
  sys.registry.KeyAt(root, kKey).values.clear();
  switch (how % 4) {
    case 0: sys.registry.SetInteger(root, kKey, "ProxyEnable", how >> 2 & 3); break;
    case 1: sys.registry.SetString(root, kKey, "ProxyEnable", server.substr(0, how >> 2 & 7)); break;
    case 2: sys.registry.SetRaw(root, kKey, "ProxyEnable", 3, how >> 2 & 7); break;
    default: break;  // no value
  }
  if (how & 0x80)
    sys.registry.SetRaw(root, kKey, "ProxyServer", 3, server.size());
  else
    sys.registry.SetString(root, kKey, "ProxyServer", server);

  std::string host;
  int port = -1;
  bool enabled = true;
  const bool found = updater::GetSystemProxy(host, port, enabled);
  if (!found) {
    FUZZ_CHECK(host.empty() && port == 0);
  } else {
    FUZZ_CHECK(enabled && !(how & 0x80));
    FUZZ_CHECK(host == server.substr(0, server.find(':')));
  }
  const auto settings = updater::BaseClientSettings();
  FUZZ_CHECK(found ? settings.proxyHost == host && settings.proxyPort == port : settings.proxyHost.empty());
  return 0;
}
