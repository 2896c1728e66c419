// In-memory updater services: a scripted HTTP responder, the taskbar progress as a list of
// changes, a settable clock and question answer, workers that run when the test says.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/update_services.h"

namespace headless {

class Http : public platform::Http {
 public:
  struct Reply {
    int status = 200;
    std::string body;
    bool refused = false;        // no connection (the same as an unknown URL)
    bool timesOut = false;       // connects, never answers
    std::int64_t length = -1;    // the announced total; -1: the body's size
    size_t chunk = 0;            // bytes per progress notification; 0: the whole body at once
  };
  struct Request {
    std::string kind;  // "text" or "memory"
    std::string url;
    platform::HttpSettings settings;
  };

  std::unique_ptr<platform::HttpClient> NewClient(const platform::HttpSettings& settings) override;

  std::map<std::string, Reply> replies;  // by URL
  std::vector<Request> requests;
  // Runs after each progress notification of a transfer into memory (a user's click, say).
  std::function<void(const std::string& url, std::int64_t received)> afterChunk;
  int disconnects = 0;
};

class Taskbar : public platform::Taskbar {
 public:
  void SetProgressMax(platform::WindowHandle, int max) override { changes.push_back("max " + std::to_string(max)); }
  void SetProgressState(platform::WindowHandle, platform::TaskbarState state) override;
  void SetProgressValue(platform::WindowHandle, int value) override {
    changes.push_back("value " + std::to_string(value));
  }
  std::vector<std::string> changes;  // "max 100", "state Normal", "value 42"
};

class Session : public platform::Session {
 public:
  platform::LocalTime Now() const override { return now; }
  int AskYesNo(platform::WindowHandle owner, const std::string& text, const std::string& caption,
               const std::string& yesText, const std::string& noText) override;
  void EndProcessNow() override { ++processEnds; }
  bool HoldAgainstWriting(const std::string& path) override;
  void ReleaseHold(const std::string& path) override;
  void StartWorker(std::function<void()> work) override { workers.push_back(std::move(work)); }
  void WaitForInput(int) override { RunWorkers(); }

  // Runs the started workers, and those they start, on the calling thread.
  void RunWorkers();

  platform::LocalTime now{9, 5, 3};
  struct Question {
    std::string text, caption, yes, no;
  };
  std::vector<Question> questions;
  int answer = platform::kIdNo;
  std::function<void()> onQuestion;  // runs while the question is open
  int processEnds = 0;
  std::vector<std::string> held;
  std::vector<std::function<void()>> workers;
};

// Real hashing and ECDSA checking (OpenSSL's libcrypto), so the tests sign with a real key.
class Crypto : public platform::Crypto {
 public:
  std::string Sha256(std::string_view data) override;
  bool VerifyP256(std::string_view publicKey, std::string_view digest, std::string_view signature) override;
};

}  // namespace headless
