#pragma once
// HTTP GET transfers on libcurl (stands in for WinINet's session, connection
// and request handles). Plain HTTP, or HTTPS with the server's certificate
// and host name verified against the system's CA store (SSL_CERT_FILE names
// another bundle); redirects are not followed, the proxy variables of the
// environment (http_proxy, no_proxy, ...) apply, and SWAYMO_CONNECT_TO (a
// libcurl CONNECT_TO list, "host:80:127.0.0.1:8080,...") sends a connection
// elsewhere while the request still names its own host and port. Every wait
// watches the caller's abort flag and ends within about 50 ms of it being set.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// Failure codes, with WinINet's numbers.
namespace http_error {
inline constexpr int kTimeout = 12002;
inline constexpr int kInternal = 12004;
inline constexpr int kInvalidUrl = 12005;
inline constexpr int kNameNotResolved = 12007;
inline constexpr int kCancelled = 12017;
inline constexpr int kCannotConnect = 12029;
inline constexpr int kConnectionAborted = 12030;
inline constexpr int kConnectionReset = 12031;
inline constexpr int kCertificateInvalid = 12045;
inline constexpr int kInvalidServerResponse = 12152;
inline constexpr int kSecureChannelError = 12157;
}  // namespace http_error

// The settings shared by the requests of one client.
class HttpSession {
 public:
  // The agent string is sent as UTF-8 in the User-Agent header.
  explicit HttpSession(std::wstring_view agent);

  // Time allowed for one connection attempt.
  void SetConnectTimeoutMs(unsigned ms) { connectTimeoutMs_ = ms; }
  // Pause between two connection attempts.
  void SetConnectBackoffMs(unsigned ms) { connectBackoffMs_ = ms; }
  // Connection attempts in all (at least one is made).
  void SetConnectRetries(unsigned attempts) { connectAttempts_ = attempts; }
  // Time a connected request may go without receiving anything.
  void SetReceiveTimeoutMs(unsigned ms) { receiveTimeoutMs_ = ms; }
  // A transfer slower than bytesPerSecond for seconds on end fails with
  // kTimeout; 0 turns the limit off.
  void SetLowSpeedLimit(unsigned bytesPerSecond, unsigned seconds) {
    lowSpeedBytes_ = bytesPerSecond;
    lowSpeedSeconds_ = seconds;
  }
  // The TickMs by which every request must have ended: past it each call
  // fails with kTimeout. 0 sets no deadline.
  void SetDeadline(std::uint64_t tickMs) { deadline_ = tickMs; }

  const std::string& agent() const { return agent_; }
  unsigned connectTimeoutMs() const { return connectTimeoutMs_; }
  unsigned connectBackoffMs() const { return connectBackoffMs_; }
  unsigned connectAttempts() const { return connectAttempts_ == 0 ? 1 : connectAttempts_; }
  unsigned receiveTimeoutMs() const { return receiveTimeoutMs_; }
  unsigned lowSpeedBytes() const { return lowSpeedBytes_; }
  unsigned lowSpeedSeconds() const { return lowSpeedSeconds_; }
  std::uint64_t deadline() const { return deadline_; }

  // The receive time-out new sessions start with (60 s unless changed).
  static void SetDefaultReceiveTimeoutMs(unsigned ms);

 private:
  std::string agent_;
  unsigned connectTimeoutMs_ = 60000;
  unsigned connectBackoffMs_ = 0;
  unsigned connectAttempts_ = 1;
  unsigned receiveTimeoutMs_;
  unsigned lowSpeedBytes_ = 0;
  unsigned lowSpeedSeconds_ = 0;
  std::uint64_t deadline_ = 0;
};

enum class HttpScheme { kHttp, kHttps };

// One GET request: Open, Send, StatusCode, then Read until it gives 0 bytes.
// Every call returns 0 or one of the codes above.
class HttpRequest {
 public:
  // abort may be null; the session's settings are copied.
  HttpRequest(const HttpSession& session, const std::atomic<bool>* abort);
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Prepares a GET of object ("/path?query") on host:port. Wide text is sent
  // as UTF-8; blanks, controls and non-ASCII bytes of the object are escaped.
  // HTTPS never falls back to plain HTTP: a certificate that does not verify
  // makes Send fail with kCertificateInvalid or kSecureChannelError.
  int Open(HttpScheme scheme, std::wstring_view host, unsigned port, std::wstring_view object);
  int Open(std::wstring_view host, unsigned port, std::wstring_view object) {
    return Open(HttpScheme::kHttp, host, port, object);
  }
  // Connects (with the session's attempts), sends the request and waits
  // until the status line and the headers have arrived.
  int Send();
  // The HTTP status code of the answer; 0 before Send succeeded.
  int StatusCode() const;
  // The answer's Content-Length, when it gave one (and no chunked coding).
  std::optional<std::uint64_t> ContentLength() const;
  // Whether the answer declared where its body ends (Content-Length or the
  // chunked coding), so that Read can tell a cut body from a whole one. A
  // body that ends only with the connection could be cut anywhere.
  bool LengthDeclared() const;
  // Copies up to size bytes of the body into buffer. *received becomes 0 at
  // the end of the body. A body that ends before its Content-Length or a
  // connection lost mid-body is an error, never a short success.
  int Read(void* buffer, std::size_t size, std::size_t* received);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace plat
