// The updater's services over Win32: HTTP through WinHTTP (TLS by Schannel, so no TLS
// library ships with the program), the taskbar button's progress through ITaskbarList3,
// the Yes/No question with the program's own button texts, workers, and the quick end.
#include <windows.h>
#include <bcrypt.h>
#include <shobjidl.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "platform/update_services.h"
#include "platform/win32/system_dll.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_services.h"

namespace win32 {

namespace {

constexpr const wchar_t* kWinHttp = L"winhttp.dll";
CIFRONA_LAZY_PROC(kWinHttp, WinHttpCloseHandle);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpConnect);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpCrackUrl);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpOpen);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpOpenRequest);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpQueryDataAvailable);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpQueryHeaders);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpReadData);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpReceiveResponse);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpSendRequest);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpSetOption);
CIFRONA_LAZY_PROC(kWinHttp, WinHttpSetTimeouts);
constexpr const wchar_t* kBCrypt = L"bcrypt.dll";
CIFRONA_LAZY_PROC(kBCrypt, BCryptCloseAlgorithmProvider);
CIFRONA_LAZY_PROC(kBCrypt, BCryptCreateHash);
CIFRONA_LAZY_PROC(kBCrypt, BCryptDestroyHash);
CIFRONA_LAZY_PROC(kBCrypt, BCryptDestroyKey);
CIFRONA_LAZY_PROC(kBCrypt, BCryptFinishHash);
CIFRONA_LAZY_PROC(kBCrypt, BCryptHashData);
CIFRONA_LAZY_PROC(kBCrypt, BCryptImportKeyPair);
CIFRONA_LAZY_PROC(kBCrypt, BCryptOpenAlgorithmProvider);
CIFRONA_LAZY_PROC(kBCrypt, BCryptVerifySignature);
constexpr const wchar_t* kOle32 = L"ole32.dll";
CIFRONA_LAZY_PROC(kOle32, CoCreateInstance);
CIFRONA_LAZY_PROC(kOle32, CoInitializeEx);

struct InternetCloser {
  void operator()(HINTERNET h) const {
    if (h) WinHttpCloseHandle(h);
  }
};
using UniqueInternet = std::unique_ptr<void, InternetCloser>;

[[noreturn]] void Fail(const char* step) {
  const DWORD e = GetLastError();
  std::string what = std::string(step) + " failed";
  switch (e) {
    case ERROR_WINHTTP_TIMEOUT: what = "Read timed out."; break;
    case ERROR_WINHTTP_CANNOT_CONNECT: what = "Connection refused"; break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: what = "Host not found"; break;
    default: what += " (" + std::to_string(e) + ")"; break;
  }
  throw platform::HttpError(what);
}

class WinHttpClient : public platform::HttpClient {
 public:
  explicit WinHttpClient(platform::HttpSettings s) : settings_(std::move(s)) {}

  platform::HttpResponse GetText(const std::string& url) override {
    Open(url);
    platform::HttpResponse r;
    r.status = Status();
    CheckAnnounced(ContentLength());
    r.body = ReadAll(nullptr);
    return r;
  }

  std::string GetToMemory(const std::string& url, const platform::HttpProgress& progress) override {
    Open(url);
    const int status = Status();
    if (status < 200 || status > 299) throw platform::HttpError("HTTP status " + std::to_string(status), status);
    const std::int64_t length = ContentLength();
    CheckAnnounced(length);
    if (progress.begin) progress.begin(length);
    struct End {
      const platform::HttpProgress& p;
      ~End() {
        if (p.end) p.end();
      }
    } end{progress};
    return ReadAll(&progress);
  }

  // From any thread: the transfer stops before its next block. The handles stay with the
  // thread that uses them; a read that waits for the server ends at its time-out.
  void Disconnect() override { disconnected_ = true; }

 private:
  void CheckAnnounced(std::int64_t length) const {
    if (settings_.maxBytes && length > 0 && static_cast<std::uint64_t>(length) > settings_.maxBytes)
      throw platform::HttpTooLarge();
  }

  // Milliseconds left of the request's deadline; -1 when it has none.
  std::int64_t Remaining() const {
    if (settings_.deadlineMs <= 0) return -1;
    const std::int64_t left = static_cast<std::int64_t>(started_ + settings_.deadlineMs) -
                              static_cast<std::int64_t>(GetTickCount64());
    if (left <= 0) throw platform::HttpError("Read timed out.");
    return left;
  }

  void SetOption(DWORD option, DWORD value, const char* what) {
    if (!WinHttpSetOption(session_.get(), option, &value, sizeof value)) Fail(what);
  }

  void Open(const std::string& url) {
    disconnected_ = false;
    started_ = GetTickCount64();
    const std::wstring wurl = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256] = {}, path[4096] = {}, extra[4096] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = ARRAYSIZE(host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = ARRAYSIZE(path);
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = ARRAYSIZE(extra);
    if (url.empty() || !WinHttpCrackUrl(wurl.c_str(), 0, 0, &parts)) throw platform::HttpError("Invalid URL");

    // No automatic proxy discovery: nothing is asked of the network but the server itself.
    std::wstring proxy;
    if (!settings_.proxyHost.empty()) proxy = Wide(settings_.proxyHost + ":" + std::to_string(settings_.proxyPort));
    session_.reset(WinHttpOpen(Wide(settings_.userAgent).c_str(),
                               proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                               proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_) Fail("WinHttpOpen");
    // Settings that keep the transfer safe fail the request when they cannot be made.
    if (settings_.tls12Only)
      SetOption(WINHTTP_OPTION_SECURE_PROTOCOLS, WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2, "TLS 1.2 only");
    SetOption(WINHTTP_OPTION_REDIRECT_POLICY,
              settings_.followRedirects ? WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP
                                        : WINHTTP_OPTION_REDIRECT_POLICY_NEVER,
              "The redirect policy");
    if (settings_.followRedirects && settings_.maxRedirects > 0) {
      // Not every WinHTTP knows this one; its own limit (10) then holds.
      DWORD max = static_cast<DWORD>(settings_.maxRedirects);
      WinHttpSetOption(session_.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &max, sizeof max);
    }
    // 0 means no limit for WinHTTP as for the settings; the deadline bounds each step too.
    int connect = settings_.connectTimeoutMs, read = settings_.readTimeoutMs;
    if (settings_.deadlineMs > 0) {
      connect = connect > 0 ? std::min(connect, settings_.deadlineMs) : settings_.deadlineMs;
      read = read > 0 ? std::min(read, settings_.deadlineMs) : settings_.deadlineMs;
    }
    if (!WinHttpSetTimeouts(session_.get(), connect, connect, read, read)) Fail("WinHttpSetTimeouts");
    if (read > 0) {
      // Waiting for the response's head has a limit of its own where WinHTTP knows it; the
      // receive time-out and the deadline hold otherwise.
      DWORD ms = static_cast<DWORD>(read);
      WinHttpSetOption(session_.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &ms, sizeof ms);
    }

    connect_.reset(WinHttpConnect(session_.get(), host, parts.nPort, 0));
    if (!connect_) Fail("WinHttpConnect");
    const std::wstring object = std::wstring(path) + extra;
    request_.reset(WinHttpOpenRequest(connect_.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request_) Fail("WinHttpOpenRequest");
    std::wstring headers;
    if (!settings_.accept.empty()) headers += L"Accept: " + Wide(settings_.accept) + L"\r\n";
    // Basic authentication with an empty user name and password: base64 of ":".
    if (settings_.basicAuthentication) headers += L"Authorization: Basic Og==\r\n";
    if (!WinHttpSendRequest(request_.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
      Fail("WinHttpSendRequest");
    if (!WinHttpReceiveResponse(request_.get(), nullptr)) Fail("WinHttpReceiveResponse");
    Remaining();
  }

  int Status() {
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
      Fail("WinHttpQueryHeaders");
    return static_cast<int>(status);
  }

  std::int64_t ContentLength() {
    wchar_t buffer[32] = {};
    DWORD size = sizeof buffer;
    if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, buffer, &size,
                             WINHTTP_NO_HEADER_INDEX))
      return 0;
    return _wcstoi64(buffer, nullptr, 10);
  }

  std::string ReadAll(const platform::HttpProgress* progress) {
    std::string body;
    char block[16384];
    for (;;) {
      if (disconnected_ || !request_) throw platform::HttpError("Connection closed gracefully.");
      Remaining();
      // Only what has arrived is read, so a server that trickles cannot hold one read (and
      // with it the deadline's check) until a whole block has come.
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(request_.get(), &available)) Fail("WinHttpQueryDataAvailable");
      if (available == 0) break;
      DWORD got = 0;
      if (!WinHttpReadData(request_.get(), block, std::min<DWORD>(available, sizeof block), &got)) Fail("WinHttpReadData");
      if (got == 0) break;
      if (settings_.maxBytes && body.size() + got > settings_.maxBytes) throw platform::HttpTooLarge();
      body.append(block, got);
      Remaining();
      if (progress && progress->work) progress->work(static_cast<std::int64_t>(body.size()));
    }
    if (disconnected_) throw platform::HttpError("Connection closed gracefully.");
    return body;
  }

  platform::HttpSettings settings_;
  UniqueInternet session_, connect_, request_;
  std::atomic<bool> disconnected_{false};
  ULONGLONG started_ = 0;
};

class WinHttp : public platform::Http {
 public:
  std::unique_ptr<platform::HttpClient> NewClient(const platform::HttpSettings& settings) override {
    return std::make_unique<WinHttpClient>(settings);
  }
};

// Without a taskbar that offers progress (an older shell, Wine) the calls do nothing.
class TaskbarList : public platform::Taskbar {
 public:
  ~TaskbarList() override {
    if (list_) list_->Release();
  }
  void SetProgressMax(platform::WindowHandle window, int max) override { max_[window] = max; }
  void SetProgressState(platform::WindowHandle window, platform::TaskbarState state) override {
    static const TBPFLAG flags[] = {TBPF_NOPROGRESS, TBPF_INDETERMINATE, TBPF_NORMAL, TBPF_ERROR, TBPF_PAUSED};
    if (ITaskbarList3* l = List()) l->SetProgressState(reinterpret_cast<HWND>(window), flags[static_cast<int>(state)]);
  }
  void SetProgressValue(platform::WindowHandle window, int value) override {
    auto it = max_.find(window);
    const ULONGLONG total = it == max_.end() ? 100 : static_cast<ULONGLONG>(it->second);
    if (ITaskbarList3* l = List()) l->SetProgressValue(reinterpret_cast<HWND>(window), value, total);
  }

 private:
  ITaskbarList3* List() {
    if (tried_) return list_;
    tried_ = true;
    try {
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                  reinterpret_cast<void**>(&list_))))
        list_ = nullptr;
    } catch (const std::exception&) {
      list_ = nullptr;  // no COM: no taskbar progress
    }
    if (list_ && FAILED(list_->HrInit())) {
      list_->Release();
      list_ = nullptr;
    }
    return list_;
  }
  std::map<platform::WindowHandle, int> max_;
  ITaskbarList3* list_ = nullptr;
  bool tried_ = false;
};

// The question box's button texts, set as the box appears (one question at a time).
thread_local HHOOK t_hook = nullptr;
thread_local const std::wstring* t_yes = nullptr;
thread_local const std::wstring* t_no = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    if (t_yes) SetDlgItemTextW(box, IDYES, t_yes->c_str());
    if (t_no) SetDlgItemTextW(box, IDNO, t_no->c_str());
  }
  return CallNextHookEx(t_hook, code, wParam, lParam);
}

class Session : public platform::Session {
 public:
  ~Session() override {
    // A worker still waiting for a server must not outlive the services it uses: the
    // program is ending anyway, so end it here.
    if (workers_.load() > 0) ExitProcess(0);
    for (auto& [path, h] : holds_) CloseHandle(h);
  }
  platform::LocalTime Now() const override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wHour, t.wMinute, t.wSecond};
  }
  int AskYesNo(platform::WindowHandle owner, const std::string& text, const std::string& caption,
               const std::string& yesText, const std::string& noText) override {
    const std::wstring yes = Wide(yesText), no = Wide(noText);
    t_yes = &yes;
    t_no = &no;
    t_hook = SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text).c_str(), Wide(caption).c_str(),
                                   MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON1 | MB_TASKMODAL);
    if (t_hook) UnhookWindowsHookEx(t_hook);
    t_hook = nullptr;
    t_yes = t_no = nullptr;
    return answer;
  }
  void EndProcessNow() override { ExitProcess(0); }
  bool HoldAgainstWriting(const std::string& path) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::lock_guard lock(mutex_);
    holds_.emplace(path, h);
    return true;
  }
  void ReleaseHold(const std::string& path) override {
    std::lock_guard lock(mutex_);
    auto range = holds_.equal_range(path);
    for (auto it = range.first; it != range.second; ++it) CloseHandle(it->second);
    holds_.erase(range.first, range.second);
  }
  void StartWorker(std::function<void()> work) override {
    ++workers_;
    std::thread([this, work = std::move(work)] {
      try {
        work();
      } catch (...) {
      }
      --workers_;
    }).detach();
  }
  void WaitForInput(int ms) override {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(ms), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }

 private:
  std::atomic<int> workers_{0};
  std::mutex mutex_;
  std::multimap<std::string, HANDLE> holds_;
};

// SHA-256 and ECDSA P-256 through CNG.
class CngCrypto : public platform::Crypto {
 public:
  // Without CNG nothing can be checked: an empty digest and a failed verification refuse.
  std::string Sha256(std::string_view data) override {
    try {
      return Sha256Cng(data);
    } catch (const std::exception&) {
      return std::string();
    }
  }
  bool VerifyP256(std::string_view publicKey, std::string_view digest, std::string_view signature) override {
    try {
      return VerifyP256Cng(publicKey, digest, signature);
    } catch (const std::exception&) {
      return false;
    }
  }

 private:
  static std::string Sha256Cng(std::string_view data) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::string digest(32, '\0');
    bool ok = BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
              BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
              BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                             static_cast<ULONG>(data.size()), 0) == 0 &&
              BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()), 32, 0) == 0;
    if (hash) BCryptDestroyHash(hash);
    if (alg) BCryptCloseAlgorithmProvider(alg, 0);
    // An empty digest never matches a statement's.
    return ok ? digest : std::string();
  }
  static bool VerifyP256Cng(std::string_view publicKey, std::string_view digest, std::string_view signature) {
    if (publicKey.size() != 64 || signature.size() != 64 || digest.size() != 32) return false;
    std::string blob(sizeof(BCRYPT_ECCKEY_BLOB), '\0');
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = 32;
    blob.append(publicKey);
    BCRYPT_ALG_HANDLE alg = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    bool ok = BCryptOpenAlgorithmProvider(&alg, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) == 0 &&
              BCryptImportKeyPair(alg, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, reinterpret_cast<PUCHAR>(blob.data()),
                                  static_cast<ULONG>(blob.size()), 0) == 0 &&
              BCryptVerifySignature(key, nullptr, reinterpret_cast<PUCHAR>(const_cast<char*>(digest.data())), 32,
                                    reinterpret_cast<PUCHAR>(const_cast<char*>(signature.data())), 64, 0) == 0;
    if (key) BCryptDestroyKey(key);
    if (alg) BCryptCloseAlgorithmProvider(alg, 0);
    return ok;
  }
};

}  // namespace

std::unique_ptr<platform::Crypto> MakeCrypto() { return std::make_unique<CngCrypto>(); }
std::unique_ptr<platform::Http> MakeHttp() { return std::make_unique<WinHttp>(); }
std::unique_ptr<platform::Taskbar> MakeTaskbar() { return std::make_unique<TaskbarList>(); }
std::unique_ptr<platform::Session> MakeSession() { return std::make_unique<Session>(); }

}  // namespace win32
