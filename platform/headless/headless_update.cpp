#include "platform/headless/headless_update.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/obj_mac.h>
#include <openssl/sha.h>

#include <algorithm>

namespace headless {

namespace {

class Client : public platform::HttpClient {
 public:
  Client(Http& http, platform::HttpSettings settings) : http_(http), settings_(std::move(settings)) {}

  platform::HttpResponse GetText(const std::string& url) override {
    const Http::Reply& r = Find("text", url);
    CheckSize(r.body.size());
    return {r.status, r.body};
  }

  std::string GetToMemory(const std::string& url, const platform::HttpProgress& progress) override {
    const Http::Reply r = Find("memory", url);
    if (r.status < 200 || r.status > 299) throw platform::HttpError("HTTP/1.1 " + std::to_string(r.status), r.status);
    struct End {
      const platform::HttpProgress& p;
      ~End() {
        if (p.end) p.end();
      }
    };
    const std::int64_t announced = r.length >= 0 ? r.length : static_cast<std::int64_t>(r.body.size());
    CheckSize(static_cast<std::uint64_t>(announced));
    if (progress.begin) progress.begin(announced);
    End end{progress};
    size_t step = r.chunk ? r.chunk : std::max<size_t>(r.body.size(), 1);
    size_t received = 0;
    while (received < r.body.size()) {
      if (disconnected_) throw platform::HttpError("Connection closed gracefully.");
      received = std::min(r.body.size(), received + step);
      CheckSize(received);
      if (progress.work) progress.work(static_cast<std::int64_t>(received));
      if (http_.afterChunk) http_.afterChunk(url, static_cast<std::int64_t>(received));
    }
    if (disconnected_) throw platform::HttpError("Connection closed gracefully.");
    return r.body;
  }

  void Disconnect() override {
    disconnected_ = true;
    ++http_.disconnects;
  }

 private:
  const Http::Reply& Find(const std::string& kind, const std::string& url) {
    http_.requests.push_back({kind, url, settings_});
    auto it = http_.replies.find(url);
    if (it == http_.replies.end() || it->second.refused) throw platform::HttpError("Connection refused");
    if (it->second.timesOut) throw platform::HttpError("Read timed out.");
    return it->second;
  }

  // As the real client: refused the moment more than the limit is known to come.
  void CheckSize(std::uint64_t bytes) const {
    if (settings_.maxBytes && bytes > settings_.maxBytes) throw platform::HttpTooLarge();
  }

  Http& http_;
  platform::HttpSettings settings_;
  bool disconnected_ = false;
};

}  // namespace

std::unique_ptr<platform::HttpClient> Http::NewClient(const platform::HttpSettings& settings) {
  return std::make_unique<Client>(*this, settings);
}

void Taskbar::SetProgressState(platform::WindowHandle, platform::TaskbarState state) {
  static const char* names[] = {"None", "Indeterminate", "Normal", "Error", "Paused"};
  changes.push_back(std::string("state ") + names[static_cast<int>(state)]);
}

int Session::AskYesNo(platform::WindowHandle, const std::string& text, const std::string& caption,
                      const std::string& yesText, const std::string& noText) {
  questions.push_back({text, caption, yesText, noText});
  if (onQuestion) onQuestion();
  return answer;
}

bool Session::HoldAgainstWriting(const std::string& path) {
  held.push_back(path);
  return true;
}

void Session::ReleaseHold(const std::string& path) {
  auto it = std::find(held.begin(), held.end(), path);
  if (it != held.end()) held.erase(it);
}

void Session::RunWorkers() {
  while (!workers.empty()) {
    auto work = std::move(workers.front());
    workers.erase(workers.begin());
    work();
  }
}

std::string Crypto::Sha256(std::string_view data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool Crypto::VerifyP256(std::string_view publicKey, std::string_view digest, std::string_view signature) {
  if (publicKey.size() != 64 || signature.size() != 64 || digest.size() != 32) return false;
  auto bn = [](std::string_view b) { return BN_bin2bn(reinterpret_cast<const unsigned char*>(b.data()), 32, nullptr); };
  EC_KEY* key = EC_KEY_new_by_curve_name(NID_X9_62_prime256v1);
  BIGNUM *x = bn(publicKey.substr(0, 32)), *y = bn(publicKey.substr(32));
  bool ok = key && EC_KEY_set_public_key_affine_coordinates(key, x, y) == 1;
  BN_free(x);
  BN_free(y);
  ECDSA_SIG* sig = ECDSA_SIG_new();
  ECDSA_SIG_set0(sig, bn(signature.substr(0, 32)), bn(signature.substr(32)));
  ok = ok && ECDSA_do_verify(reinterpret_cast<const unsigned char*>(digest.data()), 32, sig, key) == 1;
  ECDSA_SIG_free(sig);
  EC_KEY_free(key);
  return ok;
}
#pragma GCC diagnostic pop

}  // namespace headless
