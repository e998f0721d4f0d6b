#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/core/time.h"
#include "platform/core/wide_text.h"
#include "platform/net/http.h"
#include "platform/net/request_target.h"

// WinINet, as the system itself uses it: one session (InternetOpen with the
// system's proxy configuration), one connection, one request. The blocking
// calls run on a thread of the request while the caller watches its abort
// flag; an abort closes the handles and returns at once.

namespace plat {
namespace {

std::atomic<unsigned> gDefaultReceiveTimeoutMs{60000};

// Longest a blocking call goes without a look at the abort flag.
constexpr unsigned kAbortPollMs = 50;
// Fewest and most bytes one read of WinINet asks for.
constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kReadLimit = 1 << 20;

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_KEEP_CONNECTION;

int ToHttpError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_TIMEOUT:
      return http_error::kTimeout;
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      return http_error::kInvalidUrl;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      return http_error::kNameNotResolved;
    case ERROR_INTERNET_OPERATION_CANCELLED:
      return http_error::kCancelled;
    case ERROR_INTERNET_CANNOT_CONNECT:
      return http_error::kCannotConnect;
    case ERROR_INTERNET_CONNECTION_ABORTED:
      return http_error::kConnectionAborted;
    case ERROR_INTERNET_CONNECTION_RESET:
      return http_error::kConnectionReset;
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
      return http_error::kInvalidServerResponse;
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
      return http_error::kCertificateInvalid;
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
      return http_error::kSecureChannelError;
    default:
      return http_error::kInternal;
  }
}

void SetTimeout(HINTERNET handle, DWORD option, DWORD value) {
  InternetSetOptionW(handle, option, &value, sizeof value);
}

}  // namespace

HttpSession::HttpSession(std::wstring_view agent)
    : agent_(EncodeUtf8(agent)), receiveTimeoutMs_(gDefaultReceiveTimeoutMs.load()) {}

void HttpSession::SetDefaultReceiveTimeoutMs(unsigned ms) {
  gDefaultReceiveTimeoutMs = ms;
}

namespace {

// The WinINet handles of one request and the thread that makes its blocking
// calls. They outlive the request when it is dropped mid-call: the thread
// finishes that call, closes the handles and ends.
struct Calls {
  std::mutex mutex;
  std::condition_variable wake;
  HINTERNET internet = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  std::function<void()> job;  // the call waiting for the thread
  bool done = false;
  bool quit = false;

  void CloseAllLocked() {
    for (HINTERNET* h : {&request, &connection, &internet}) {
      if (*h != nullptr) InternetCloseHandle(*h);
      *h = nullptr;
    }
  }

  static void Serve(const std::shared_ptr<Calls>& self) {
    std::unique_lock lock(self->mutex);
    for (;;) {
      self->wake.wait(lock, [&] { return self->job || self->quit; });
      if (!self->job) break;
      const auto job = std::move(self->job);
      self->job = nullptr;
      lock.unlock();
      job();
      lock.lock();
      self->done = true;
      self->wake.notify_all();
    }
    self->CloseAllLocked();
  }
};

}  // namespace

struct HttpRequest::Impl {
  HttpSession session;
  std::atomic<bool> neverAborted{false};
  const std::atomic<bool>* abort;  // never null
  std::wstring host;
  INTERNET_PORT port = 0;
  bool secure = false;
  std::wstring object;
  std::shared_ptr<Calls> calls = std::make_shared<Calls>();
  std::thread thread;

  int status = 0;
  std::uint64_t contentLength = 0;
  bool lengthKnown = false;
  bool chunked = false;
  std::uint64_t bodyReceived = 0;
  // The low-speed window: when it began and what arrived since.
  std::uint64_t speedStart = 0;
  std::uint64_t speedBytes = 0;
  std::vector<char> pending;  // body bytes read and not yet handed out
  std::size_t pendingOffset = 0;

  Impl(const HttpSession& s, const std::atomic<bool>* a)
      : session(s), abort(a != nullptr ? a : &neverAborted) {}

  ~Impl() {
    {
      std::lock_guard lock(calls->mutex);
      calls->quit = true;
    }
    calls->wake.notify_all();
    // A call still blocked ends on its own; the handles go with it.
    if (thread.joinable()) thread.detach();
  }

  bool Aborted() const { return abort->load(); }

  // Past the session's deadline, or slower than its low-speed limit for a
  // whole window.
  bool TimedOut() {
    const std::uint64_t now = TickMs();
    if (session.deadline() != 0 && now >= session.deadline()) return true;
    if (session.lowSpeedBytes() == 0 || session.lowSpeedSeconds() == 0) return false;
    const std::uint64_t window = std::uint64_t{session.lowSpeedSeconds()} * 1000;
    if (now - speedStart < window) return false;
    if (speedBytes < std::uint64_t{session.lowSpeedBytes()} * session.lowSpeedSeconds())
      return true;
    speedStart = now;
    speedBytes = 0;
    return false;
  }

  void CloseAll() {
    std::lock_guard lock(calls->mutex);
    calls->CloseAllLocked();
  }

  // Runs call on the request's thread; the abort flag is looked at every
  // 50 ms meanwhile. On an abort the handles are closed, which ends the
  // call at once where WinINet allows it, and the caller goes on without
  // waiting. False when it was aborted; else the call's own result.
  bool Blocking(const std::function<BOOL(HINTERNET)>& call, DWORD& error) {
    if (!thread.joinable()) {
      try {
        thread = std::thread(&Calls::Serve, calls);
      } catch (const std::system_error&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
      }
    }
    auto ok = std::make_shared<BOOL>(FALSE);
    auto lastError = std::make_shared<DWORD>(0);
    std::unique_lock lock(calls->mutex);
    if (calls->request == nullptr) {
      error = ERROR_INTERNET_OPERATION_CANCELLED;
      return false;
    }
    calls->done = false;
    calls->job = [call, request = calls->request, ok, lastError] {
      *ok = call(request);
      *lastError = GetLastError();
    };
    calls->wake.notify_all();
    while (!calls->wake.wait_for(lock, std::chrono::milliseconds(kAbortPollMs),
                                 [&] { return calls->done; })) {
      if (Aborted() || TimedOut()) {
        calls->CloseAllLocked();
        error = Aborted() ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INTERNET_TIMEOUT;
        return false;
      }
    }
    error = *lastError;
    return *ok != FALSE;
  }

  int Failure(DWORD error) const { return Aborted() ? http_error::kCancelled : ToHttpError(error); }

  void SetTimeouts(HINTERNET handle) const {
    SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, session.connectTimeoutMs());
    SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, session.receiveTimeoutMs());
    SetTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, session.receiveTimeoutMs());
    SetTimeout(handle, INTERNET_OPTION_CONNECT_RETRIES, 1);
  }

  // Session, connection and request for one attempt: a fresh request for
  // every attempt, so that no state of a failed one remains.
  int OpenHandles() {
    std::lock_guard lock(calls->mutex);
    calls->CloseAllLocked();
    if (Aborted()) return http_error::kCancelled;
    const std::wstring agent = DecodeUtf8(session.agent());
    HINTERNET& internet = calls->internet;
    internet = InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet == nullptr) return ToHttpError(GetLastError());
    SetTimeouts(internet);
    calls->connection = InternetConnectW(internet, host.c_str(), port, nullptr, nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
    if (calls->connection == nullptr) return ToHttpError(GetLastError());
    calls->request =
        HttpOpenRequestW(calls->connection, L"GET", object.c_str(), nullptr, nullptr, nullptr,
                         kRequestFlags | (secure ? INTERNET_FLAG_SECURE : 0), 0);
    if (calls->request == nullptr) return ToHttpError(GetLastError());
    SetTimeouts(calls->request);  // not every WinINet passes them down
    return 0;
  }

  // Header queries answer from what has arrived: they do not block.
  bool Query(DWORD what, void* buffer, DWORD size) {
    std::lock_guard lock(calls->mutex);
    DWORD index = 0;
    return calls->request != nullptr &&
           HttpQueryInfoW(calls->request, what, buffer, &size, &index) != 0;
  }

  void ReadContentLength() {
    wchar_t text[32] = {};
    lengthKnown = false;
    contentLength = 0;
    if (!Query(HTTP_QUERY_CONTENT_LENGTH, text, sizeof text - sizeof text[0])) return;
    wchar_t* end = nullptr;
    const unsigned long long value = wcstoull(text, &end, 10);
    if (end != text && *end == L'\0') {
      contentLength = value;
      lengthKnown = true;
    }
  }

  void ReadTransferEncoding() {
    wchar_t text[64] = {};
    chunked = Query(HTTP_QUERY_TRANSFER_ENCODING, text, sizeof text - sizeof text[0]) &&
              std::wstring_view(text).find(L"chunked") != std::wstring_view::npos;
  }
};

HttpRequest::HttpRequest(const HttpSession& session, const std::atomic<bool>* abort)
    : impl_(std::make_unique<Impl>(session, abort)) {}

HttpRequest::~HttpRequest() = default;

int HttpRequest::Open(HttpScheme scheme, std::wstring_view host, unsigned port,
                      std::wstring_view object) {
  if (host.empty() || port == 0 || port > 65535) return http_error::kInvalidUrl;
  Impl& d = *impl_;
  d.secure = scheme == HttpScheme::kHttps;
  d.host = host;
  d.port = static_cast<INTERNET_PORT>(port);
  const std::string target = EscapeRequestTarget(object);
  d.object.assign(target.begin(), target.end());  // ASCII only
  d.status = 0;
  return 0;
}

int HttpRequest::Send() {
  Impl& d = *impl_;
  if (d.host.empty()) return http_error::kInvalidUrl;
  d.status = 0;
  d.speedStart = TickMs();
  d.speedBytes = 0;
  if (d.TimedOut()) return http_error::kTimeout;
  for (unsigned attempt = 1;; ++attempt) {
    if (const int code = d.OpenHandles(); code != 0) {
      d.CloseAll();
      return code;
    }
    DWORD error = 0;
    const auto send = [](HINTERNET request) {
      return HttpSendRequestW(request, nullptr, 0, nullptr, 0);
    };
    if (d.Blocking(send, error)) break;
    const int code = d.Failure(error);
    if (code != http_error::kCannotConnect || attempt >= d.session.connectAttempts()) {
      d.CloseAll();
      return code;
    }
    if (!SleepUnlessSet(*d.abort, d.session.connectBackoffMs(), kAbortPollMs)) {
      d.CloseAll();
      return http_error::kCancelled;
    }
  }
  DWORD status = 0;
  if (!d.Query(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, sizeof status)) {
    const int code = d.Aborted() ? http_error::kCancelled : http_error::kInvalidServerResponse;
    d.CloseAll();
    return code;
  }
  d.status = static_cast<int>(status);
  d.ReadContentLength();
  d.ReadTransferEncoding();
  d.bodyReceived = 0;
  d.pending.clear();
  d.pendingOffset = 0;
  return 0;
}

int HttpRequest::StatusCode() const {
  return impl_->status;
}

std::optional<std::uint64_t> HttpRequest::ContentLength() const {
  if (impl_->status == 0 || !impl_->lengthKnown || impl_->chunked) return std::nullopt;
  return impl_->contentLength;
}

bool HttpRequest::LengthDeclared() const {
  return impl_->lengthKnown || impl_->chunked;
}

int HttpRequest::Read(void* buffer, std::size_t size, std::size_t* received) {
  Impl& d = *impl_;
  *received = 0;
  if (d.status == 0) return http_error::kInternal;
  if (size == 0) return 0;
  if (d.Aborted()) return http_error::kCancelled;
  if (d.pendingOffset == d.pending.size()) {
    if (d.TimedOut()) return http_error::kTimeout;
    // The thread reads into a block of its own, so an abandoned read never
    // writes into the caller's buffer; small reads are served from it.
    const DWORD want = static_cast<DWORD>(std::clamp<std::size_t>(size, kReadBlock, kReadLimit));
    auto chunk = std::make_shared<std::vector<char>>(want);
    auto got = std::make_shared<DWORD>(0);
    DWORD error = 0;
    const auto read = [chunk, got, want](HINTERNET request) {
      return InternetReadFile(request, chunk->data(), want, got.get());
    };
    if (!d.Blocking(read, error)) return d.Failure(error);
    if (d.Aborted()) return http_error::kCancelled;
    // WinINet ends a cut body like a whole one; its declared length tells.
    if (*got == 0 && d.lengthKnown && !d.chunked && d.bodyReceived < d.contentLength) {
      return http_error::kConnectionAborted;
    }
    d.bodyReceived += *got;
    d.speedBytes += *got;
    chunk->resize(*got);
    d.pending = std::move(*chunk);
    d.pendingOffset = 0;
  }
  const std::size_t count = std::min(size, d.pending.size() - d.pendingOffset);
  if (count != 0) std::memcpy(buffer, d.pending.data() + d.pendingOffset, count);
  d.pendingOffset += count;
  *received = count;
  return 0;
}

}  // namespace plat
