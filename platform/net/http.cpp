#include "platform/net/http.h"

#include <curl/curl.h>

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/core/time.h"
#include "platform/core/wide_text.h"
#include "platform/net/request_target.h"

namespace plat {
namespace {

std::atomic<unsigned> gDefaultReceiveTimeoutMs{60000};

// Longest a wait inside the layer goes without looking at the abort flag.
constexpr unsigned kAbortPollMs = 50;
// Body bytes held for the reader before the transfer pauses.
constexpr std::size_t kMaxPending = 64 * 1024;

bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

int ToHttpError(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return 0;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return http_error::kNameNotResolved;
    case CURLE_COULDNT_CONNECT:
      return http_error::kCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return http_error::kTimeout;
    case CURLE_PARTIAL_FILE:
      return http_error::kConnectionAborted;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return http_error::kConnectionReset;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_CONTENT_ENCODING:
      return http_error::kInvalidServerResponse;
    case CURLE_URL_MALFORMAT:
      return http_error::kInvalidUrl;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
      return http_error::kCertificateInvalid;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
      return http_error::kSecureChannelError;
    case CURLE_ABORTED_BY_CALLBACK:
      return http_error::kCancelled;
    default:
      return http_error::kInternal;
  }
}

// "HTTP/1.1 200 OK": the protocol as written, a version, a space, three
// digits, then the end of the line or a space.
bool IsStatusLine(std::string_view line) {
  const auto digit = [&](std::size_t i) {
    return i < line.size() && line[i] >= '0' && line[i] <= '9';
  };
  if (line.substr(0, 5) != "HTTP/" || !digit(5)) return false;
  std::size_t i = 6;
  if (i < line.size() && line[i] == '.') {
    if (!digit(i + 1)) return false;
    i += 2;
  }
  if (i >= line.size() || line[i] != ' ' || !digit(i + 1) || !digit(i + 2) || !digit(i + 3))
    return false;
  i += 4;
  return i == line.size() || line[i] == ' ' || line[i] == '\r' || line[i] == '\n';
}

// SWAYMO_CONNECT_TO as a libcurl list; comma-separated entries.
curl_slist* ConnectToList() {
  const char* value = std::getenv("SWAYMO_CONNECT_TO");
  if (value == nullptr) return nullptr;
  curl_slist* list = nullptr;
  std::string_view rest(value);
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    std::string_view entry = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
    while (!entry.empty() && entry.back() == ' ') entry.remove_suffix(1);
    if (entry.empty()) continue;
    if (curl_slist* grown = curl_slist_append(list, std::string(entry).c_str())) list = grown;
  }
  return list;
}

}  // namespace

HttpSession::HttpSession(std::wstring_view agent)
    : agent_(EncodeUtf8(agent)), receiveTimeoutMs_(gDefaultReceiveTimeoutMs.load()) {}

void HttpSession::SetDefaultReceiveTimeoutMs(unsigned ms) {
  gDefaultReceiveTimeoutMs = ms;
}

struct HttpRequest::Impl {
  HttpSession session;
  std::atomic<bool> neverAborted{false};
  const std::atomic<bool>* abort;  // never null
  std::string url;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  curl_slist* connectTo = nullptr;

  std::vector<char> pending;  // body bytes received and not yet read
  std::size_t pendingOffset = 0;
  bool paused = false;  // the body waits for the reader to take pending
  bool connected = false;
  bool headersDone = false;
  bool chunked = false;
  bool statusLineNext = true;   // the next header line begins a header block
  bool unreadableHead = false;  // a status or header line libcurl would misread
  bool finished = false;
  CURLcode result = CURLE_OK;
  long status = 0;
  std::uint64_t lastActivity = 0;

  Impl(const HttpSession& s, const std::atomic<bool>* a)
      : session(s), abort(a != nullptr ? a : &neverAborted) {}

  ~Impl() {
    DropTransfer();
    if (multi != nullptr) curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    curl_slist_free_all(connectTo);
  }

  bool Aborted() const { return abort->load(); }
  bool PastDeadline() const { return session.deadline() != 0 && TickMs() >= session.deadline(); }
  bool HasPending() const { return pendingOffset < pending.size(); }

  void DropTransfer() {
    if (easy == nullptr) return;
    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    easy = nullptr;
  }

  static int OnPrereq(void* user, char*, char*, int, int) {
    auto* self = static_cast<Impl*>(user);
    self->connected = true;
    self->lastActivity = TickMs();
    return CURL_PREREQFUNC_OK;
  }

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<Impl*>(user);
    const std::size_t length = size * count;
    self->lastActivity = TickMs();
    if (self->statusLineNext) {
      // libcurl takes a status line it cannot read for a 200.
      self->statusLineNext = false;
      if (!IsStatusLine(std::string_view(data, length))) self->unreadableHead = true;
    }
    // libcurl ends the header block at any line that starts with CR; only a
    // CR LF pair is a blank line, the rest of such a line is no body.
    if (length > 0 && data[0] == '\r' && !(length == 2 && data[1] == '\n')) {
      self->unreadableHead = true;
    }
    if (length > 18 && strncasecmp(data, "transfer-encoding:", 18) == 0) {
      std::string value(data + 18, length - 18);
      for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (value.find("chunked") != std::string::npos) self->chunked = true;
    } else if (length > 5 && strncmp(data, "HTTP/", 5) == 0) {
      self->chunked = false;  // a new header block
    }
    // The blank line ends a header block; 1xx blocks come before the real one.
    if (length <= 2 && (length == 0 || data[0] == '\r' || data[0] == '\n')) {
      self->statusLineNext = true;
      long code = 0;
      curl_easy_getinfo(self->easy, CURLINFO_RESPONSE_CODE, &code);
      if (code >= 200) {
        self->status = code;
        self->headersDone = true;
      }
    }
    return length;
  }

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<Impl*>(user);
    const std::size_t length = size * count;
    self->lastActivity = TickMs();
    // libcurl keeps the bytes of a paused call and hands them over again.
    if (self->pending.size() - self->pendingOffset >= kMaxPending) {
      self->paused = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    try {
      self->pending.insert(self->pending.end(), data, data + length);
    } catch (const std::bad_alloc&) {
      return 0;  // libcurl ends the transfer with a write error
    }
    return length;
  }

  int StartTransfer() {
    pending.clear();
    pendingOffset = 0;
    paused = connected = headersDone = chunked = finished = unreadableHead = false;
    statusLineNext = true;
    result = CURLE_OK;
    status = 0;
    easy = curl_easy_init();
    if (easy == nullptr) return http_error::kInternal;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    // As for OpenSSL's own tools, SSL_CERT_FILE names another CA bundle.
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle != nullptr && *bundle != 0) {
      curl_easy_setopt(easy, CURLOPT_CAINFO, bundle);
    }
    if (session.lowSpeedBytes() != 0 && session.lowSpeedSeconds() != 0) {
      curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(session.lowSpeedBytes()));
      curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(session.lowSpeedSeconds()));
    }
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, session.agent().c_str());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(session.connectTimeoutMs()));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // An abandoned name lookup must not hold up the abort.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 64L * 1024);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Impl::OnPrereq);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
      curl_easy_cleanup(easy);
      easy = nullptr;
      return http_error::kInternal;
    }
    return 0;
  }

  // Runs the transfer until ready() holds or it has ended; 0 or a failure code.
  template <class Ready>
  int Run(Ready ready) {
    for (;;) {
      if (ready()) return 0;
      if (finished) return ToHttpError(result);
      if (Aborted()) return http_error::kCancelled;
      if (PastDeadline()) {
        finished = true;
        result = CURLE_OPERATION_TIMEDOUT;
        continue;
      }
      int running = 0;
      if (curl_multi_perform(multi, &running) != CURLM_OK) return http_error::kInternal;
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE) {
          finished = true;
          result = message->data.result;
        }
      }
      if (ready() || finished) continue;
      if (connected && TickMs() - lastActivity > session.receiveTimeoutMs()) {
        finished = true;
        result = CURLE_OPERATION_TIMEDOUT;
        continue;
      }
      curl_multi_poll(multi, nullptr, 0, kAbortPollMs, nullptr);
    }
  }
};

HttpRequest::HttpRequest(const HttpSession& session, const std::atomic<bool>* abort)
    : impl_(std::make_unique<Impl>(session, abort)) {}

HttpRequest::~HttpRequest() = default;

int HttpRequest::Open(HttpScheme scheme, std::wstring_view host, unsigned port,
                      std::wstring_view object) {
  if (!CurlReady()) return http_error::kInternal;
  if (host.empty() || port == 0 || port > 65535) return http_error::kInvalidUrl;
  Impl& d = *impl_;
  if (d.multi == nullptr) d.multi = curl_multi_init();
  if (d.multi == nullptr) return http_error::kInternal;
  const std::string path = EscapeRequestTarget(object);
  d.url = (scheme == HttpScheme::kHttps ? "https://" : "http://") + EncodeUtf8(host) + ":" +
          std::to_string(port) + path;
  curl_slist_free_all(d.headers);
  d.headers = nullptr;
  for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
    if (curl_slist* grown = curl_slist_append(d.headers, header)) d.headers = grown;
  }
  curl_slist_free_all(d.connectTo);
  d.connectTo = ConnectToList();
  return 0;
}

int HttpRequest::Send() {
  Impl& d = *impl_;
  if (d.multi == nullptr || d.url.empty()) return http_error::kInvalidUrl;
  for (unsigned attempt = 1;; ++attempt) {
    d.DropTransfer();
    if (const int code = d.StartTransfer(); code != 0) return code;
    const int code = d.Run([&d] { return d.headersDone; });
    if (code == 0) return d.unreadableHead ? http_error::kInvalidServerResponse : 0;
    const bool connectFailed =
        !d.connected && (code == http_error::kCannotConnect || code == http_error::kTimeout);
    if (!connectFailed || attempt >= d.session.connectAttempts()) return code;
    if (!SleepUnlessSet(*d.abort, d.session.connectBackoffMs(), kAbortPollMs)) {
      return http_error::kCancelled;
    }
    if (d.PastDeadline()) return http_error::kTimeout;
  }
}

int HttpRequest::StatusCode() const {
  return impl_->headersDone ? static_cast<int>(impl_->status) : 0;
}

std::optional<std::uint64_t> HttpRequest::ContentLength() const {
  const Impl& d = *impl_;
  if (!d.headersDone || d.chunked || d.easy == nullptr) return std::nullopt;
  curl_off_t length = -1;
  if (curl_easy_getinfo(d.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
      length < 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(length);
}

bool HttpRequest::LengthDeclared() const {
  return impl_->chunked || ContentLength().has_value();
}

int HttpRequest::Read(void* buffer, std::size_t size, std::size_t* received) {
  Impl& d = *impl_;
  *received = 0;
  if (!d.headersDone) return http_error::kInternal;
  if (size == 0) return 0;
  if (const int code = d.Run([&d] { return d.HasPending(); }); code != 0) return code;
  const std::size_t count = std::min(size, d.pending.size() - d.pendingOffset);
  if (count != 0) std::memcpy(buffer, d.pending.data() + d.pendingOffset, count);
  d.pendingOffset += count;
  if (d.pendingOffset == d.pending.size()) {
    d.pending.clear();
    d.pendingOffset = 0;
    if (d.paused && d.easy != nullptr) {
      d.paused = false;
      curl_easy_pause(d.easy, CURLPAUSE_CONT);
    }
  }
  *received = count;
  return 0;
}

}  // namespace plat
