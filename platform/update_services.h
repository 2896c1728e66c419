// The operating-system services the updater needs beyond the common ones: an HTTP client,
// the taskbar button's progress, the local clock, a Yes/No question with the program's own
// button texts, and ending the process at once. Win32 in platform/win32, in memory in
// platform/headless.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace platform {

// A transport failure, a time-out, an error status or a cancelled transfer.
class HttpError : public std::runtime_error {
 public:
  explicit HttpError(const std::string& what, int status = 0) : std::runtime_error(what), status_(status) {}
  int Status() const { return status_; }  // 0 when no status came back

 private:
  int status_;
};

// A body longer than the request's limit: refused before any more of it is read.
class HttpTooLarge : public HttpError {
 public:
  HttpTooLarge() : HttpError("Response too large") {}
};

struct HttpSettings {
  std::string userAgent;
  std::string accept;             // empty: no Accept header
  bool basicAuthentication = false;  // an Authorization header from an empty user and password
  bool followRedirects = true;
  std::string proxyHost;          // empty: no proxy
  int proxyPort = 0;
  int connectTimeoutMs = 0;       // 0: the system's default
  int readTimeoutMs = 0;          // 0: wait as long as it takes
  bool tls12Only = true;          // for https targets of redirects
  // Redirects are followed a handful of times at most, and never from https to http.
  int maxRedirects = 5;
  // A body longer than this is refused as soon as that is known (0: no limit): a server
  // cannot make the program hold more than it expects.
  std::uint64_t maxBytes = 0;
  // The whole request, from connecting to the last byte, ends with a time-out error after
  // this long (0: no limit), so a server that trickles a byte at a time cannot hold it.
  int deadlineMs = 0;
};

struct HttpResponse {
  int status = 0;
  std::string body;
};

// The three notifications of a transfer into memory: the expected total (0 when the server
// gives no length), the bytes received so far, and the end (also after a failure).
struct HttpProgress {
  std::function<void(std::int64_t total)> begin;
  std::function<void(std::int64_t received)> work;
  std::function<void()> end;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // GET into text with the status code; redirects are followed as the settings say.
  // Throws HttpError on a transport failure or a time-out.
  virtual HttpResponse GetText(const std::string& url) = 0;
  // GET into memory; throws HttpError on failure, on a status other than 2xx, and when
  // Disconnect() was called.
  virtual std::string GetToMemory(const std::string& url, const HttpProgress& progress) = 0;
  // Stops the transfer before its next block; safe from any thread. A read that is waiting
  // for the server ends at its time-out.
  virtual void Disconnect() = 0;
};

class Http {
 public:
  virtual ~Http() = default;
  virtual std::unique_ptr<HttpClient> NewClient(const HttpSettings& settings) = 0;
};

// The progress shown on a window's taskbar button.
enum class TaskbarState { None, Indeterminate, Normal, Error, Paused };

class Taskbar {
 public:
  virtual ~Taskbar() = default;
  virtual void SetProgressMax(WindowHandle window, int max) = 0;
  virtual void SetProgressState(WindowHandle window, TaskbarState state) = 0;
  virtual void SetProgressValue(WindowHandle window, int value) = 0;
};

struct LocalTime {
  int hour = 0, minute = 0, second = 0;
};

inline constexpr int kIdYes = 6;  // IDYES
inline constexpr int kIdNo = 7;   // IDNO

class Session {
 public:
  virtual ~Session() = default;
  virtual LocalTime Now() const = 0;
  // An information box with Yes (default) and No whose buttons read yesText and noText;
  // returns kIdYes, kIdNo, or another value when it was closed otherwise.
  virtual int AskYesNo(WindowHandle owner, const std::string& text, const std::string& caption,
                       const std::string& yesText, const std::string& noText) = 0;
  // Ends the process now, exit code 0: no window is closed, nothing is saved. In memory it
  // only records the call, so callers return right after it.
  virtual void EndProcessNow() = 0;
  // Opens the file for reading and keeps any other writer out until ReleaseHold (or the
  // process ends); false when it cannot be opened so.
  virtual bool HoldAgainstWriting(const std::string& path) = 0;
  virtual void ReleaseHold(const std::string& path) = 0;
  // Runs work on a new thread that ends (and frees itself) when work returns.
  virtual void StartWorker(std::function<void()> work) = 0;
  // On the UI thread, while it waits for a worker: returns when a window message arrives
  // or after ms. In memory it runs the started workers instead.
  virtual void WaitForInput(int ms) = 0;
};

// Hashing and signature checking for downloaded updates.
class Crypto {
 public:
  virtual ~Crypto() = default;
  // The 32-byte SHA-256 digest.
  virtual std::string Sha256(std::string_view data) = 0;
  // ECDSA on P-256: publicKey is X then Y (64 bytes), signature r then s (64 bytes), over
  // a SHA-256 digest. False for any key, signature or digest that does not verify.
  virtual bool VerifyP256(std::string_view publicKey, std::string_view digest, std::string_view signature) = 0;
};

}  // namespace platform
