#include "tests/support/http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testsupport {
namespace {

#ifdef _WIN32
// Winsock under the POSIX names this file uses. Socket handles fit in an int.
constexpr int MSG_NOSIGNAL = 0;
constexpr int SHUT_WR = SD_SEND;
constexpr int SHUT_RDWR = SD_BOTH;
int close(int fd) {
  return closesocket(static_cast<SOCKET>(fd));
}
int OpenSocket() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started ? static_cast<int>(socket(AF_INET, SOCK_STREAM, 0)) : -1;
}
int AcceptSocket(int fd) {
  return static_cast<int>(accept(static_cast<SOCKET>(fd), nullptr, nullptr));
}
void SetReceiveTimeout(int fd, unsigned seconds) {
  const DWORD ms = seconds * 1000;
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}
#else
int OpenSocket() {
  return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}
int AcceptSocket(int fd) {
  return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}
void SetReceiveTimeout(int fd, unsigned seconds) {
  timeval patience{static_cast<time_t>(seconds), 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
}
#endif

template <class T>
void SetOption(int fd, int name, const T& value) {
  setsockopt(fd, SOL_SOCKET, name, reinterpret_cast<const char*>(&value), sizeof value);
}

const char* ReasonOf(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string Hex(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  std::size_t pos = 0;
  while ((pos = head.find("\r\n", pos)) != std::string::npos) {
    pos += 2;
    const std::size_t colon = head.find(':', pos);
    const std::size_t end = head.find("\r\n", pos);
    if (colon == std::string::npos || end == std::string::npos || colon > end) continue;
    std::string key = head.substr(pos, colon - pos);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (key == name) {
      std::size_t start = colon + 1;
      while (start < end && head[start] == ' ') ++start;
      return head.substr(start, end - start);
    }
  }
  return {};
}

}  // namespace

// One accepted connection, plain or (Linux) TLS.
struct HttpServer::Connection {
  int fd = -1;
#ifndef _WIN32
  SSL* ssl = nullptr;
#endif

  ~Connection() {
#ifndef _WIN32
    if (ssl != nullptr) SSL_free(ssl);
#endif
    if (fd >= 0) close(fd);
  }
  bool Send(const char* data, std::size_t size) {
    while (size > 0) {
      const int piece = static_cast<int>(std::min<std::size_t>(size, 1 << 30));
#ifndef _WIN32
      const auto n =
          ssl != nullptr ? SSL_write(ssl, data, piece) : send(fd, data, piece, MSG_NOSIGNAL);
#else
      const auto n = send(fd, data, piece, MSG_NOSIGNAL);
#endif
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  bool Send(const std::string& text) {
    return Send(text.data(), text.size());
  }
  long Receive(char* buffer, std::size_t size) {
#ifndef _WIN32
    if (ssl != nullptr) return SSL_read(ssl, buffer, static_cast<int>(size));
#endif
    return static_cast<long>(recv(fd, buffer, static_cast<int>(size), 0));
  }
  // Closes with a reset instead of an orderly end.
  void Reset() {
    SetOption(fd, SO_LINGER, linger{1, 0});
  }
  void EndWriting() {
#ifndef _WIN32
    if (ssl != nullptr) SSL_shutdown(ssl);
#endif
    shutdown(fd, SHUT_WR);
  }
};

#ifndef _WIN32
TestCertificates::TestCertificates(const std::vector<std::string>& hosts) {
  char folder[] = "/tmp/swaymo-certs-XXXXXX";
  if (mkdtemp(folder) == nullptr) return;
  folder_ = folder;
  std::string names;
  for (const std::string& host : hosts) names += (names.empty() ? "DNS:" : ",DNS:") + host;
  const std::string in = "cd '" + folder_ + "' && ";
  const std::string quiet = " >/dev/null 2>&1";
  const std::string commands[] = {
      "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2"
      " -subj '/CN=Swaymo Test CA'",
      "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr"
      " -subj '/CN=" +
          hosts.front() + "'",
      "printf 'subjectAltName=" + names + "\\n' > san.ext",
      "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
      " -out server.pem -days 2 -extfile san.ext",
  };
  ok_ = true;
  for (const std::string& command : commands) {
    if (ok_ && std::system((in + command + quiet).c_str()) != 0) ok_ = false;
  }
}

TestCertificates::~TestCertificates() {
  if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
}

HttpServer::HttpServer(const TestCertificates& certificates) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (context == nullptr ||
      SSL_CTX_use_certificate_chain_file(context, certificates.certFile().c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context, certificates.keyFile().c_str(), SSL_FILETYPE_PEM) != 1) {
    SSL_CTX_free(context);
    throw std::runtime_error("cannot set up the TLS listener");
  }
  tls_ = context;
  // OpenSSL writes with write(): a client that goes must not end the process.
  std::signal(SIGPIPE, SIG_IGN);
  Listen(0);
}

#endif

HttpServer::HttpServer(unsigned port) {
  Listen(port);
}

void HttpServer::Listen(unsigned port) {
  listenFd_ = OpenSocket();
  if (listenFd_ < 0) throw std::runtime_error("socket failed");
  // A fixed port is free again at once after an earlier run.
  if (port != 0) SetOption(listenFd_, SO_REUSEADDR, 1);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<unsigned short>(port));
  socklen_t len = sizeof addr;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd_, 64) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(listenFd_);
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    stallsEnded_ = true;
  }
  wake_.notify_all();
  shutdown(listenFd_, SHUT_RDWR);
#ifdef _WIN32
  close(listenFd_);  // Winsock wakes accept only by closing its socket
  acceptor_.join();
#else
  acceptor_.join();
  close(listenFd_);
#endif
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& w : workers) w.join();
#ifndef _WIN32
  SSL_CTX_free(static_cast<SSL_CTX*>(tls_));
#endif
}

void HttpServer::Serve(const std::string& target, HttpReply reply) {
  std::lock_guard lock(mutex_);
  for (auto& [t, r] : replies_) {
    if (t == target) {
      r = std::move(reply);
      return;
    }
  }
  replies_.emplace_back(target, std::move(reply));
}

void HttpServer::ServeOnce(const std::string& target, HttpReply reply) {
  std::lock_guard lock(mutex_);
  once_.emplace_back(target, std::move(reply));
}

std::vector<HttpRequestSeen> HttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

std::size_t HttpServer::CountRequests(const std::string& target) const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      seen_.begin(), seen_.end(), [&](const HttpRequestSeen& r) { return r.target == target; }));
}

void HttpServer::EndStalls() {
  {
    std::lock_guard lock(mutex_);
    stallsEnded_ = true;
  }
  wake_.notify_all();
}

std::string HttpServer::ConnectToAnyHost() const {
  return ConnectToAnyHost(80);
}

std::string HttpServer::ConnectToAnyHost(unsigned fromPort) const {
  return ":" + std::to_string(fromPort) + ":127.0.0.1:" + std::to_string(port_);
}

bool HttpServer::Wait(unsigned ms) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stallsEnded_; });
}

void HttpServer::AcceptLoop() {
  for (;;) {
    const int fd = AcceptSocket(listenFd_);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      if (fd >= 0) close(fd);
      return;
    }
    if (fd < 0) continue;
    workers_.emplace_back([this, fd] { Handle(fd); });
  }
}

void HttpServer::Handle(int fd) {
  SetReceiveTimeout(fd, 5);  // a client that neither talks nor closes
  Connection connection;
  connection.fd = fd;
#ifndef _WIN32
  if (tls_ != nullptr) {
    connection.ssl = SSL_new(static_cast<SSL_CTX*>(tls_));
    if (connection.ssl == nullptr || SSL_set_fd(connection.ssl, fd) != 1 ||
        SSL_accept(connection.ssl) != 1) {
      return;  // a client that would not trust the certificate
    }
  }
#endif
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const long n = connection.Receive(buffer, sizeof buffer);
    if (n <= 0) return;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  HttpRequestSeen seen;
  const std::size_t sp1 = head.find(' ');
  const std::size_t sp2 = head.find(' ', sp1 + 1);
  if (sp1 != std::string::npos && sp2 != std::string::npos)
    seen.target = head.substr(sp1 + 1, sp2 - sp1 - 1);
  seen.host = HeaderValue(head, "host");
  seen.userAgent = HeaderValue(head, "user-agent");
  seen.raw = head.substr(0, head.find("\r\n\r\n") + 4);

  HttpReply reply = HttpReply::Status(404, "not here");
  {
    std::lock_guard lock(mutex_);
    seen_.push_back(seen);
    auto once =
        std::find_if(once_.begin(), once_.end(), [&](auto& e) { return e.first == seen.target; });
    if (once != once_.end()) {
      reply = std::move(once->second);
      once_.erase(once);
    } else {
      for (auto& [t, r] : replies_) {
        if (t == seen.target) reply = r;
      }
    }
  }
  Reply(connection, std::move(reply));
}

void HttpServer::Reply(Connection& connection, HttpReply reply) {
  if (reply.headerDelayMs != 0 && !Wait(reply.headerDelayMs)) {
    // The server is going away or the stalls were ended: answer anyway.
  }
  if (reply.endless) reply.framing = HttpReply::Framing::kClose;
  const bool chunked = reply.framing == HttpReply::Framing::kChunked;
  const std::uint64_t size = reply.BodySize();
  std::string out =
      "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) + "\r\n";
  if (chunked) {
    out += "Transfer-Encoding: chunked\r\n";
  } else if (reply.framing == HttpReply::Framing::kLength) {
    out += "Content-Length: " + std::to_string(reply.contentLength.value_or(size)) + "\r\n";
  }
  out += "Connection: close\r\n";
  for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
  out += "\r\n";
  bool ok = connection.Send(out);

  // The pattern repeats every 23 bytes: one buffer serves every offset.
  constexpr std::size_t kChunk = 256 * 1024;
  constexpr std::uint64_t kChunkedPiece = 4096;
  static const std::vector<char> chunk = [] {
    std::vector<char> bytes(kChunk + 23);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = PatternByte(i);
    return bytes;
  }();
  std::uint64_t sent = 0;
  int pieces = 0;
  while (ok && sent < size) {
    std::uint64_t limit = size;
    if (reply.stallAfter > sent) limit = std::min(limit, reply.stallAfter);
    if (reply.dropAfter > sent) limit = std::min(limit, reply.dropAfter);
    if (reply.paceBytes != 0)
      limit = std::min(limit, (sent / reply.paceBytes + 1) * reply.paceBytes);
    if (chunked) limit = std::min(limit, sent + kChunkedPiece);
    const bool fromBody = sent < reply.body.size();
    if (fromBody) limit = std::min<std::uint64_t>(limit, reply.body.size());
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(limit - sent, kChunk));
    if (n != 0) {
      const char* data = fromBody ? reply.body.data() + sent : chunk.data() + sent % 23;
      if (chunked) {
        ok = connection.Send(reply.malformedChunk && ++pieces == 2 ? std::string("zz\r\n")
                                                                   : Hex(n) + "\r\n");
      }
      ok = ok && connection.Send(data, n);
      if (chunked) ok = ok && connection.Send("\r\n", 2);
      sent += n;
    }
    if (ok && sent == reply.dropAfter) {
      connection.Reset();
      return;
    }
    if (ok && reply.paceBytes != 0 && sent % reply.paceBytes == 0 && sent < size)
      Wait(reply.paceMs);
    if (ok && sent == reply.stallAfter) {
      Wait(reply.stallMs);
      reply.stallAfter = HttpReply::kNever;
    }
    if (reply.endless) {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
  }
  if (ok && chunked && !reply.noLastChunk) connection.Send("0\r\n\r\n", 5);
  connection.EndWriting();
  // Let the client read everything before the socket goes.
  char buffer[4096];
  while (connection.Receive(buffer, sizeof buffer) > 0) {
  }
}

#ifndef _WIN32
ScopedConnectTo::ScopedConnectTo(const std::string& list) {
  if (const char* v = std::getenv("SWAYMO_CONNECT_TO")) oldConnectTo_ = v;
  if (const char* v = std::getenv("no_proxy")) oldNoProxy_ = v;
  setenv("SWAYMO_CONNECT_TO", list.c_str(), 1);
  setenv("no_proxy", "*", 1);
}

ScopedConnectTo::~ScopedConnectTo() {
  if (oldConnectTo_) {
    setenv("SWAYMO_CONNECT_TO", oldConnectTo_->c_str(), 1);
  } else {
    unsetenv("SWAYMO_CONNECT_TO");
  }
  if (oldNoProxy_) {
    setenv("no_proxy", oldNoProxy_->c_str(), 1);
  } else {
    unsetenv("no_proxy");
  }
}
#endif

}  // namespace testsupport
