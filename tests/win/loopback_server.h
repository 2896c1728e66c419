// A tiny HTTP server on 127.0.0.1 for the Windows-side updater tests: scripted replies by
// request target, one connection at a time, every request head recorded. A reply can be
// "silent" (accept and never answer) or sent in slow pieces. As a proxy it answers for whole
// URLs: Windows names them in the request line, Wine sends the path and the Host header, and
// both find a reply set for "http://host/path".
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wintest {

class LoopbackServer {
 public:
  struct Reply {
    int status = 200;
    std::string body;
    bool silent = false;
    size_t piece = 0;  // bytes per send, 0: all at once
    int pauseMs = 0;   // between pieces
    std::string location;  // a Location header, for redirects
  };

  // port 0: any free port.
  explicit LoopbackServer(unsigned short port = 0) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL on = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    ok_ = bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listener_, 8) == 0;
    int len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    if (ok_) thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    for (SOCKET s : held_) closesocket(s);
    WSACleanup();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  bool Ok() const { return ok_; }
  unsigned short Port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  void Set(const std::string& target, Reply r) {
    std::lock_guard lock(mutex_);
    replies_[target] = std::move(r);
  }
  std::vector<std::string> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      SOCKET c = accept(listener_, nullptr, nullptr);
      if (c == INVALID_SOCKET) return;
      std::string head;
      char buf[4096];
      while (head.find("\r\n\r\n") == std::string::npos) {
        int n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, n);
      }
      // "GET /path HTTP/1.1" or, through a proxy, "GET http://host/path HTTP/1.1".
      std::string target;
      size_t sp1 = head.find(' '), sp2 = head.find(' ', sp1 + 1);
      if (sp1 != std::string::npos && sp2 != std::string::npos) target = head.substr(sp1 + 1, sp2 - sp1 - 1);
      // Wine names the default port to a proxy ("http://host:80/path"); the replies do not.
      if (target.rfind("http://", 0) == 0) {
        size_t port = target.find(":80/", 7);
        if (port != std::string::npos && port < target.find('/', 7)) target.erase(port, 3);
      }
      Reply r;
      bool found;
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        auto it = replies_.find(target);
        if (it == replies_.end() && !target.empty() && target[0] == '/') {
          size_t h = head.find("\r\nHost: ");
          if (h != std::string::npos) {
            size_t end = head.find("\r\n", h + 8);
            std::string host = head.substr(h + 8, end - h - 8);
            it = replies_.find("http://" + host + target);
          }
        }
        found = it != replies_.end();
        if (found) r = it->second;
      }
      if (!found) r = {404, "not found"};
      if (r.silent) {
        held_.push_back(c);  // never answered; closed when the server ends
        continue;
      }
      std::string out = "HTTP/1.1 " + std::to_string(r.status) + " X\r\nContent-Length: " +
                        std::to_string(r.body.size()) + "\r\nConnection: close\r\n" +
                        (r.location.empty() ? "" : "Location: " + r.location + "\r\n") + "\r\n";
      send(c, out.data(), static_cast<int>(out.size()), 0);
      size_t piece = r.piece ? r.piece : std::max<size_t>(r.body.size(), 1);
      for (size_t at = 0; at < r.body.size() && !stop_; at += piece) {
        int n = static_cast<int>(std::min(piece, r.body.size() - at));
        if (send(c, r.body.data() + at, n, 0) != n) break;
        if (r.pauseMs) std::this_thread::sleep_for(std::chrono::milliseconds(r.pauseMs));
      }
      shutdown(c, SD_SEND);
      closesocket(c);
    }
  }

  SOCKET listener_ = INVALID_SOCKET;
  bool ok_ = false;
  unsigned short port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, Reply> replies_;
  std::vector<std::string> requests_;
  std::vector<SOCKET> held_;
};

}  // namespace wintest
