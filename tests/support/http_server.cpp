#include "tests/support/http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
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

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const auto n =
        send(fd, data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
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

HttpServer::HttpServer(unsigned port) {
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
  return ":80:127.0.0.1:" + std::to_string(port_);
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
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const auto n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      close(fd);
      return;
    }
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

  if (reply.headerDelayMs != 0 && !Wait(reply.headerDelayMs)) {
    // The server is going away or the stalls were ended: answer anyway.
  }
  const std::uint64_t size = reply.BodySize();
  std::string out =
      "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) + "\r\n";
  out += "Content-Length: " + std::to_string(reply.contentLength.value_or(size)) + "\r\n";
  out += "Connection: close\r\n";
  for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
  out += "\r\n";
  bool ok = SendAll(fd, out.data(), out.size());

  // The pattern repeats every 23 bytes: one buffer serves every offset.
  constexpr std::size_t kChunk = 256 * 1024;
  std::vector<char> chunk(kChunk + 23);
  for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = PatternByte(i);
  std::uint64_t sent = 0;
  while (ok && sent < size) {
    std::uint64_t limit = size;
    if (reply.stallAfter > sent) limit = std::min(limit, reply.stallAfter);
    if (reply.dropAfter > sent) limit = std::min(limit, reply.dropAfter);
    if (reply.paceBytes != 0)
      limit = std::min(limit, (sent / reply.paceBytes + 1) * reply.paceBytes);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(limit - sent, kChunk));
    if (n != 0) {
      const char* data =
          reply.patternBytes != 0 ? chunk.data() + sent % 23 : reply.body.data() + sent;
      ok = SendAll(fd, data, n);
      sent += n;
    }
    if (ok && sent == reply.dropAfter) {
      SetOption(fd, SO_LINGER, linger{1, 0});  // close with a reset
      close(fd);
      return;
    }
    if (ok && reply.paceBytes != 0 && sent % reply.paceBytes == 0 && sent < size)
      Wait(reply.paceMs);
    if (ok && sent == reply.stallAfter) {
      Wait(reply.stallMs);
      reply.stallAfter = HttpReply::kNever;
    }
  }
  shutdown(fd, SHUT_WR);
  // Let the client read everything before the socket goes.
  while (recv(fd, buffer, sizeof buffer, 0) > 0) {
  }
  close(fd);
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
