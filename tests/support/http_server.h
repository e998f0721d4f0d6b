#pragma once
// A small scriptable HTTP/1.1 server on 127.0.0.1 (a free port, or the one
// asked for) for tests and benchmarks, on Linux and Windows. Each target path gets a scripted
// reply: status, headers, body, delays, a stall, a dropped connection or a wrong Content-Length.
// Every connection carries one request and is served on its own thread.
// Code under test reaches it through SWAYMO_CONNECT_TO (ScopedConnectTo), so
// it still asks for its own host on port 80.
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

struct HttpReply {
  static constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

  // How the end of the body is told: by Content-Length, by the chunked
  // coding, or only by closing the connection.
  enum class Framing { kLength, kChunked, kClose };

  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // When not 0, the body is this many bytes: body, then a fixed pattern
  // (PatternByte of each offset) made up while sending, so a big body costs
  // no memory.
  std::uint64_t patternBytes = 0;
  // Content-Length sent instead of the true one; nullopt sends the true one.
  std::optional<std::uint64_t> contentLength;
  unsigned headerDelayMs = 0;  // before the status line
  // After this many body bytes, wait stallMs (or until the server stops).
  std::uint64_t stallAfter = kNever;
  unsigned stallMs = 0;
  // After this many body bytes, reset the connection.
  std::uint64_t dropAfter = kNever;
  // A slow line: after every paceBytes of the body, wait paceMs.
  std::uint64_t paceBytes = 0;
  unsigned paceMs = 0;
  Framing framing = Framing::kLength;
  // Chunked: the second chunk's size line is not hexadecimal.
  bool malformedChunk = false;
  // Chunked: the connection closes where the last (empty) chunk belongs.
  bool noLastChunk = false;
  // A pattern body that never ends (sent close-delimited).
  bool endless = false;

  static HttpReply Ok(std::string body) {
    HttpReply r;
    r.body = std::move(body);
    return r;
  }
  static HttpReply Chunked(std::string body) {
    HttpReply r = Ok(std::move(body));
    r.framing = Framing::kChunked;
    return r;
  }
  static HttpReply Status(int status, std::string body = {}) {
    HttpReply r;
    r.status = status;
    r.body = std::move(body);
    return r;
  }
  std::uint64_t BodySize() const {
    return endless ? kNever : patternBytes != 0 ? patternBytes : body.size();
  }
};

// The byte at offset of a pattern body.
inline char PatternByte(std::uint64_t offset) {
  return static_cast<char>('a' + offset % 23);
}

struct HttpRequestSeen {
  std::string target;  // as in the request line: "/x?y"
  std::string host;    // the Host header
  std::string userAgent;
  std::string raw;  // the whole request head
};

// A private certificate authority and a server certificate it signed for
// the given host names, made with the openssl command in a temporary folder
// (Linux).
class TestCertificates {
 public:
  explicit TestCertificates(const std::vector<std::string>& hosts);
  ~TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;

  bool ok() const { return ok_; }
  std::string caFile() const { return folder_ + "/ca.pem"; }
  std::string certFile() const { return folder_ + "/server.pem"; }
  std::string keyFile() const { return folder_ + "/server.key"; }

 private:
  std::string folder_;
  bool ok_ = false;
};

class HttpServer {
 public:
  // Throws std::runtime_error when it cannot listen.
  explicit HttpServer(unsigned port = 0);
  // A TLS listener presenting the server certificate of certificates (Linux).
  explicit HttpServer(const TestCertificates& certificates);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  unsigned port() const { return port_; }
  // The reply to every request for target (until replaced). Unknown targets get 404.
  void Serve(const std::string& target, HttpReply reply);
  // A reply used once, before the Serve one; several queue up in order.
  void ServeOnce(const std::string& target, HttpReply reply);

  std::vector<HttpRequestSeen> Requests() const;
  std::size_t CountRequests(const std::string& target) const;
  // Wakes every stalled reply at once.
  void EndStalls();

  // A SWAYMO_CONNECT_TO list sending any host's port 80 here.
  std::string ConnectToAnyHost() const;
  // The same for any host's given port (443 for https).
  std::string ConnectToAnyHost(unsigned fromPort) const;

 private:
  struct Connection;
  void Listen(unsigned port);
  void AcceptLoop();
  void Handle(int fd);
  void Reply(Connection& connection, HttpReply reply);
  bool Wait(unsigned ms);  // false when the stalls were ended

  void* tls_ = nullptr;  // SSL_CTX of a TLS listener
  int listenFd_ = -1;
  unsigned port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool stallsEnded_ = false;
  std::vector<std::pair<std::string, HttpReply>> once_;
  std::vector<std::pair<std::string, HttpReply>> replies_;
  std::vector<HttpRequestSeen> seen_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// Points SWAYMO_CONNECT_TO at a server (any host, port 80) and turns proxies
// off for the life of the object; the previous values come back afterwards.
// Create it while no other thread of the test reads the environment. Linux
// only: WinINet has no such mapping.
class ScopedConnectTo {
 public:
  explicit ScopedConnectTo(const HttpServer& server) : ScopedConnectTo(server.ConnectToAnyHost()) {}
  explicit ScopedConnectTo(const std::string& list);
  ~ScopedConnectTo();
  ScopedConnectTo(const ScopedConnectTo&) = delete;
  ScopedConnectTo& operator=(const ScopedConnectTo&) = delete;

 private:
  std::optional<std::string> oldConnectTo_;
  std::optional<std::string> oldNoProxy_;
};

}  // namespace testsupport
