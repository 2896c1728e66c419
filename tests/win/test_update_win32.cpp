// The updater's HTTP client over WinHTTP against servers on 127.0.0.1 that the tests start:
// headers, status, time-outs, progress, disconnect; the check's fall-through from primary
// to mirror; and the proxy taken from the user's registry. Nothing leaves the loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "loopback_server.h"
#include "platform/update_services.h"
#include "platform/win32/system_dll.h"
#include "platform/win32/win32_platform.h"
#include "updater/update_check.h"
#include "updater/update_signature.h"

namespace {

using wintest::LoopbackServer;

// The program's servers are hosts under .invalid, reached here, as by every test, through
// the proxy of the user's Internet settings: a loopback server answers for them. The user's
// settings are put back afterwards.
class ProxyScope {
 public:
  explicit ProxyScope(unsigned short port) {
    key_ = platform::Current().registry->Open(platform::RegRoot::CurrentUser, kKey, true);
    oldEnable_ = key_->ReadInteger("ProxyEnable");
    oldServer_ = key_->ReadString("ProxyServer");
    key_->WriteInteger("ProxyEnable", 1);
    key_->WriteString("ProxyServer", "127.0.0.1:" + std::to_string(port));
  }
  ~ProxyScope() {
    if (oldEnable_) key_->WriteInteger("ProxyEnable", *oldEnable_); else key_->DeleteValue("ProxyEnable");
    if (oldServer_) key_->WriteString("ProxyServer", *oldServer_); else key_->DeleteValue("ProxyServer");
  }

 private:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  std::unique_ptr<platform::RegistryKey> key_;
  std::optional<std::int32_t> oldEnable_;
  std::optional<std::string> oldServer_;
};

std::string VersionUrl(int server) { return updater::UpdateServers()[server] + "Cifrona/version.txt"; }

// The client's settings for a server of the test's own: straight to it, whatever proxy the
// test prefix's Internet settings name.
platform::HttpSettings Direct(platform::HttpSettings s) {
  s.proxyHost.clear();
  s.proxyPort = 0;
  return s;
}
platform::HttpSettings CheckSettings() { return Direct(updater::CheckClientSettings()); }
platform::HttpSettings DownloadSettings() { return Direct(updater::BaseClientSettings()); }

class UpdateWin32Test : public ::testing::Test {
 protected:
  platform::Http& http() { return *platform::Current().http; }
  win32::Platform platform;
};

// First in this program, before any test has used HTTP or CNG: the updater's system DLLs
// are loaded by their first use, not at start-up.
TEST(SystemDllTest, UpdaterLibrariesLoadOnFirstUse) {
  win32::Platform platform;
  EXPECT_EQ(GetModuleHandleW(L"winhttp.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"bcrypt.dll"), nullptr);
  const std::string digest = platform::Current().crypto->Sha256("abc");
  ASSERT_EQ(digest.size(), 32u);
  EXPECT_EQ(static_cast<unsigned char>(digest[0]), 0xBA);  // SHA-256("abc") = ba7816bf...
  EXPECT_NE(GetModuleHandleW(L"bcrypt.dll"), nullptr);
  EXPECT_THROW(platform::Current().http->NewClient(CheckSettings())->GetText("http://127.0.0.1:1/"),
               platform::HttpError);
  EXPECT_NE(GetModuleHandleW(L"winhttp.dll"), nullptr);
  // What is missing is named, never called through a null pointer.
  EXPECT_THROW(win32::SystemDllProc(L"no-such-library.dll", "Anything"), std::runtime_error);
  EXPECT_THROW(win32::SystemDllProc(L"kernel32.dll", "NoSuchFunction"), std::runtime_error);
}

TEST_F(UpdateWin32Test, GetTextSendsTheClientHeadersAndReturnsStatusAndBody) {
  LoopbackServer server;
  ASSERT_TRUE(server.Ok());
  server.Set("/download/Cifrona/version.txt", {200, "2.5.0.1\r\n"});
  auto client = http().NewClient(CheckSettings());
  platform::HttpResponse r = client->GetText(server.Base() + "/download/Cifrona/version.txt");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "2.5.0.1\r\n");
  r = http().NewClient(CheckSettings())->GetText(server.Base() + "/missing");
  EXPECT_EQ(r.status, 404);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string& head = requests[0];
  EXPECT_NE(head.find("GET /download/Cifrona/version.txt HTTP/1.1\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64;rv:12.0) Gecko/20100101 Firefox/12.0\r\n"),
            std::string::npos) << head;
  EXPECT_NE(head.find("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"), std::string::npos)
      << head;
  EXPECT_NE(head.find("Authorization: Basic Og==\r\n"), std::string::npos) << head;
}

TEST_F(UpdateWin32Test, ASilentServerTimesOutAndARefusedConnectionFailsAtOnce) {
  LoopbackServer server;
  server.Set("/v", {.silent = true});
  platform::HttpSettings s = CheckSettings();
  s.readTimeoutMs = 400;
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(http().NewClient(s)->GetText(server.Base() + "/v"), platform::HttpError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

  unsigned short freePort;
  {
    LoopbackServer closed;
    freePort = closed.Port();
  }
  EXPECT_THROW(http().NewClient(CheckSettings())->GetText("http://127.0.0.1:" + std::to_string(freePort) + "/v"),
               platform::HttpError);
  EXPECT_THROW(http().NewClient(CheckSettings())->GetText(""), platform::HttpError);
}

TEST_F(UpdateWin32Test, GetToMemoryReportsProgressAndDisconnectEndsIt) {
  LoopbackServer server;
  server.Set("/big", {.status = 200, .body = std::string(200000, 'z'), .piece = 50000, .pauseMs = 20});
  std::vector<std::string> events;
  platform::HttpProgress p;
  p.begin = [&](std::int64_t total) { events.push_back("begin " + std::to_string(total)); };
  std::int64_t last = 0;
  p.work = [&](std::int64_t got) { last = got; };
  p.end = [&] { events.push_back("end"); };
  std::string body = http().NewClient(DownloadSettings())->GetToMemory(server.Base() + "/big", p);
  EXPECT_EQ(body.size(), 200000u);
  EXPECT_EQ(last, 200000);
  EXPECT_EQ(events, (std::vector<std::string>{"begin 200000", "end"}));

  auto client = http().NewClient(DownloadSettings());
  events.clear();
  p.work = [&](std::int64_t) { client->Disconnect(); };
  EXPECT_THROW(client->GetToMemory(server.Base() + "/big", p), platform::HttpError);
  EXPECT_EQ(events, (std::vector<std::string>{"begin 200000", "end"}));
  // An error status is an error for a download.
  EXPECT_THROW(http().NewClient(DownloadSettings())->GetToMemory(server.Base() + "/none", {}),
               platform::HttpError);
}

// The check's fall-through from the primary to the mirror, both answered by one proxy.
TEST_F(UpdateWin32Test, FetchServerVersionFallsThroughToTheMirror) {
  LoopbackServer proxy;
  ASSERT_TRUE(proxy.Ok());
  ProxyScope scope(proxy.Port());
  proxy.Set(VersionUrl(1), {200, " 3.1.0.0 \r\n"});
  std::string v, url;
  // Primary unknown to the proxy (404), empty, blank: the mirror answers.
  for (LoopbackServer::Reply bad : {LoopbackServer::Reply{404, "3.0"}, LoopbackServer::Reply{200, ""},
                                    LoopbackServer::Reply{200, " \r\n "}, LoopbackServer::Reply{502, ""}}) {
    proxy.Set(VersionUrl(0), bad);
    ASSERT_TRUE(updater::FetchServerVersion(v, url)) << bad.status << " '" << bad.body << "'";
    EXPECT_EQ(v, "3.1.0.0");
    EXPECT_EQ(url, updater::UpdateServers()[1] + "Cifrona/Cifrona-setup.exe");
  }
  proxy.Set(VersionUrl(1), {404, ""});
  v = url = "kept";
  EXPECT_FALSE(updater::FetchServerVersion(v, url));
  EXPECT_EQ(v, "kept");
  // Every request named the program's own servers: the proxy looked nothing up.
  for (const std::string& head : proxy.Requests())
    EXPECT_NE(head.find(".cifrona.invalid"), std::string::npos) << head;
}

TEST_F(UpdateWin32Test, ASilentPrimaryIsPassedOverAfterTheReadTimeOut) {
  LoopbackServer proxy;
  ASSERT_TRUE(proxy.Ok());
  ProxyScope scope(proxy.Port());
  proxy.Set(VersionUrl(0), {.silent = true});
  proxy.Set(VersionUrl(1), {200, "4.0"});
  std::string v, url;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(updater::FetchServerVersion(v, url));
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(v, "4.0");
  EXPECT_GE(waited, std::chrono::milliseconds(4500));  // the 5000 ms read time-out, give or take the clock
}

// A server that sends a byte just inside each read time-out is ended by the deadline, and
// one that sends more than the limit is refused before the rest is read.
TEST_F(UpdateWin32Test, TheDeadlineAndTheSizeLimitEndAServerThatWillNotStop) {
  LoopbackServer server;
  ASSERT_TRUE(server.Ok());
  server.Set("/trickle", {.status = 200, .body = std::string(60, '1'), .piece = 1, .pauseMs = 1000});
  platform::HttpSettings s = CheckSettings();
  s.deadlineMs = 4000;
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(http().NewClient(s)->GetText(server.Base() + "/trickle"), platform::HttpError);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(3500));
  EXPECT_LT(waited, std::chrono::seconds(20));  // not the minute the whole body would take

  LoopbackServer big;
  big.Set("/big", {.status = 200, .body = std::string(100000, 'z')});
  platform::HttpSettings capped = DownloadSettings();
  capped.maxBytes = 1000;
  EXPECT_THROW(http().NewClient(capped)->GetToMemory(big.Base() + "/big", {}), platform::HttpTooLarge);
  EXPECT_THROW(http().NewClient(capped)->GetText(big.Base() + "/big"), platform::HttpTooLarge);
  capped.maxBytes = 100000;
  EXPECT_EQ(http().NewClient(capped)->GetToMemory(big.Base() + "/big", {}).size(), 100000u);
}

// Redirects are followed a handful of times, not without end.
TEST_F(UpdateWin32Test, RedirectsAreFollowedAHandfulOfTimes) {
  LoopbackServer server;
  ASSERT_TRUE(server.Ok());
  for (int i = 0; i < 12; ++i)
    server.Set("/r" + std::to_string(i), {.status = 302, .location = server.Base() + "/r" + std::to_string(i + 1)});
  server.Set("/r12", {200, "arrived"});
  platform::HttpSettings s = CheckSettings();
  EXPECT_EQ(http().NewClient(s)->GetText(server.Base() + "/r9").body, "arrived");  // three hops
  bool arrived = false;
  try {
    arrived = http().NewClient(s)->GetText(server.Base() + "/r0").body == "arrived";  // twelve
  } catch (const platform::HttpError&) {
  }
  EXPECT_FALSE(arrived);
}

// The check's trickling version.txt, through the program's own path: it ends at the check's
// deadline and the mirror is asked.
TEST_F(UpdateWin32Test, ATricklingVersionFileEndsAtTheChecksDeadline) {
  LoopbackServer proxy;
  ASSERT_TRUE(proxy.Ok());
  ProxyScope scope(proxy.Port());
  proxy.Set(VersionUrl(0), {.status = 200, .body = "9.0" + std::string(100, ' '), .piece = 1, .pauseMs = 2000});
  std::string v, url;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(updater::FetchServerVersion(v, url));
  auto waited = std::chrono::steady_clock::now() - start;
  const auto deadline = std::chrono::milliseconds(updater::CheckClientSettings().deadlineMs);
  EXPECT_GE(waited, deadline - std::chrono::seconds(1));
  EXPECT_LT(waited, deadline + std::chrono::seconds(15));  // far from the 200 s of the whole file
}

// The proxy of the user's Internet settings carries the check's request.
TEST_F(UpdateWin32Test, TheProxyComesFromTheRegistry) {
  LoopbackServer proxy;
  ASSERT_TRUE(proxy.Ok());
  ProxyScope scope(proxy.Port());
  proxy.Set(VersionUrl(0), {200, "5.0"});
  std::string v, url;
  ASSERT_TRUE(updater::FetchServerVersion(v, url))
      << (proxy.Requests().empty() ? "no request reached the proxy" : proxy.Requests()[0]);
  EXPECT_EQ(v, "5.0");
  auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string target = VersionUrl(0);
  const std::string host = target.substr(7, target.find("/download/") - 7);
  EXPECT_NE(requests[0].find("Host: " + host + "\r\n"), std::string::npos) << requests[0];
}

}  // namespace

namespace {

// CNG hashes and checks what the release tool (openssl) signed with the build's test key.
TEST_F(UpdateWin32Test, CngVerifiesTheReleaseToolsSignature) {
  platform::Crypto& crypto = *platform::Current().crypto;
  EXPECT_EQ(updater::ToHex(crypto.Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  auto bytes = platform::Current().files->ReadAll(std::string(CIFRONA_UPDATE_SAMPLE) + "Cifrona.zip");
  auto sig = platform::Current().files->ReadAll(std::string(CIFRONA_UPDATE_SAMPLE) + "Cifrona.zip.sig");
  ASSERT_TRUE(bytes && sig) << CIFRONA_UPDATE_SAMPLE;
  using updater::Verdict;
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes, sig, "3.0", "2.0"), Verdict::Ok);
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes + "!", sig, "3.0", "2.0"), Verdict::WrongFile);
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes, sig, "3.0", "3.0"), Verdict::NotNewer);
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes, sig, "3.0", "3.0", true), Verdict::Ok);  // Force
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes, sig, "3.0", "4.0", true), Verdict::NotNewer);
  std::string forged = *sig;
  size_t at = forged.find("signature=") + 20;
  forged[at] = forged[at] == '0' ? '1' : '0';
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes, forged, "3.0", "2.0"), Verdict::BadSignature);
  std::string otherVersion = *sig;
  otherVersion.replace(otherVersion.find("version=3.0"), 11, "version=4.0");
  EXPECT_EQ(updater::VerifyUpdate("Cifrona.zip", *bytes, otherVersion, "4.0", "2.0"), Verdict::BadSignature);
}

}  // namespace
