// HTTP responses: a server on 127.0.0.1 (in this file) answers every request
// with the input's bytes as they stand, then closes the connection. A read never gives more than
// was asked for; the body delivered is the one the framing (Content-Length, chunks or the close)
// describes; a page fetch succeeds only for a 200 and delivers that same body. Input: the whole
// response.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include "online/page_fetcher.h"
#include "platform/net/http.h"

#include <mutex>
#include <thread>

namespace {

// One connection at a time: reads the request head, sends the response,
// closes. Lives for the whole run.
class RawServer {
 public:
  RawServer() {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 16) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
      std::abort();
    }
    port_ = ntohs(addr.sin_port);
    std::thread([this] { Serve(); }).detach();
  }
  unsigned port() const { return port_; }
  void SetResponse(std::string bytes) {
    std::lock_guard lock(mutex_);
    response_ = std::move(bytes);
  }

 private:
  void Serve() {
    for (;;) {
      const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      timeval patience{5, 0};
      setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
      std::string head;
      char buffer[4096];
      while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
      }
      std::string response;
      {
        std::lock_guard lock(mutex_);
        response = response_;
      }
      std::size_t sent = 0;
      while (sent < response.size()) {
        const ssize_t n = send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      shutdown(fd, SHUT_WR);
      while (recv(fd, buffer, sizeof buffer, 0) > 0) {
      }
      close(fd);
    }
  }

  int listenFd_ = -1;
  unsigned port_ = 0;
  std::mutex mutex_;
  std::string response_;
};

RawServer* gServer = nullptr;

// The status code of a status line "HTTP/x.y NNN ...", if it has that form
// (the protocol name in any case, as libcurl takes it).
std::optional<int> StatusOf(std::string_view response) {
  if (response.size() < 5 || response[4] != '/') return std::nullopt;
  for (std::size_t i = 0; i < 4; ++i)
    if (std::toupper(static_cast<unsigned char>(response[i])) != "HTTP"[i]) return std::nullopt;
  const std::size_t space = response.find(' ');
  if (space == std::string_view::npos || space + 4 > response.size()) return std::nullopt;
  int code = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(response[i]))) return std::nullopt;
    code = code * 10 + (response[i] - '0');
  }
  return code;
}

// The body of a strictly formed response (CR LF lines, no folded headers):
// nullopt when the framing is anything else, so nothing is claimed then.
struct Framing {
  int status = 0;
  std::string body;
  bool complete = false;  // the bytes hold the whole body the framing promises
};

std::optional<std::string> DecodeChunks(std::string_view rest) {
  std::string body;
  for (;;) {
    const std::size_t eol = rest.find("\r\n");
    if (eol == std::string_view::npos || eol == 0) return std::nullopt;
    std::string_view sizeText = rest.substr(0, eol);
    sizeText = sizeText.substr(0, sizeText.find(';'));
    if (sizeText.empty() || sizeText.size() > 8) return std::nullopt;
    std::size_t size = 0;
    for (char c : sizeText) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      size = size * 16 + static_cast<std::size_t>(std::isdigit(static_cast<unsigned char>(c))
                                                      ? c - '0'
                                                      : (std::tolower(c) - 'a' + 10));
    }
    rest.remove_prefix(eol + 2);
    if (size == 0) return rest == "\r\n" ? std::optional<std::string>(body) : std::nullopt;
    if (rest.size() < size + 2 || rest.substr(size, 2) != "\r\n") return std::nullopt;
    body.append(rest.substr(0, size));
    rest.remove_prefix(size + 2);
  }
}

std::optional<Framing> FramingOf(std::string_view response) {
  const std::optional<int> status = StatusOf(response);
  const std::size_t headEnd = response.find("\r\n\r\n");
  if (!status || headEnd == std::string_view::npos) return std::nullopt;
  const std::string_view head = response.substr(0, headEnd + 2);
  if (head.substr(0, 9) != "HTTP/1.1 " && head.substr(0, 9) != "HTTP/1.0 ") return std::nullopt;
  std::optional<std::uint64_t> length;
  bool chunked = false;
  std::size_t pos = head.find("\r\n") + 2;
  while (pos < head.size()) {
    const std::size_t eol = head.find("\r\n", pos);
    const std::string_view line = head.substr(pos, eol - pos);
    pos = eol + 2;
    for (char c : line)
      if (c == '\r' || c == '\n' || c == '\0') return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 || line[0] == ' ' || line[0] == '\t')
      return std::nullopt;
    std::string name(line.substr(0, colon));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (name == "content-length") {
      if (length || value.empty() || value.size() > 15) return std::nullopt;
      std::uint64_t n = 0;
      for (char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
      }
      length = n;
    } else if (name == "transfer-encoding") {
      if (chunked || value != "chunked") return std::nullopt;
      chunked = true;
    } else if (name.find_first_of(" \t") != std::string::npos) {
      return std::nullopt;
    }
  }
  if (chunked && length) return std::nullopt;
  if (*status / 100 == 1 || *status == 204 || *status == 304) return std::nullopt;
  Framing framing;
  framing.status = *status;
  const std::string_view rest = response.substr(headEnd + 4);
  if (chunked) {
    const auto body = DecodeChunks(rest);
    if (!body) return std::nullopt;
    framing.body = *body;
    framing.complete = true;
  } else if (length) {
    framing.complete = rest.size() >= *length;
    framing.body = std::string(rest.substr(0, std::min<std::uint64_t>(*length, rest.size())));
  } else {
    framing.body = std::string(rest);
    framing.complete = true;
  }
  return framing;
}

// Reads the whole body through the HTTP layer with ever-changing read sizes.
// nullopt when the request or a read failed.
std::optional<std::string> ReadBody(std::optional<int>& status) {
  plat::HttpSession session(L"Swaymo fuzz");
  session.SetConnectTimeoutMs(2000);
  session.SetReceiveTimeoutMs(2000);
  plat::HttpRequest request(session, nullptr);
  if (request.Open(L"fuzz.swaymo.example", 80, L"/r") != 0 || request.Send() != 0)
    return std::nullopt;
  status = request.StatusCode();
  static constexpr std::size_t kSizes[] = {1, 7, 4096, 3, 65536, 100};
  constexpr unsigned char kGuard = 0xA5;
  std::vector<unsigned char> buffer(65536 + 16);
  std::string body;
  for (std::size_t i = 0;; ++i) {
    const std::size_t ask = kSizes[i % std::size(kSizes)];
    std::fill(buffer.begin(), buffer.end(), kGuard);
    std::size_t received = 0;
    if (request.Read(buffer.data(), ask, &received) != 0) return std::nullopt;
    if (received > ask) std::abort();
    for (std::size_t k = ask; k < buffer.size(); ++k)
      if (buffer[k] != kGuard) std::abort();  // written beyond the request
    if (received == 0) return body;
    body.append(reinterpret_cast<const char*>(buffer.data()), received);
    if (body.size() > (1u << 24)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Never destroyed: its thread serves until the process ends.
  gServer = new RawServer;
  // Every host's port 80 leads to the server; no proxy.
  setenv("SWAYMO_CONNECT_TO", (":80:127.0.0.1:" + std::to_string(gServer->port())).c_str(), 1);
  setenv("no_proxy", "*", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string response(reinterpret_cast<const char*>(data), size);
  gServer->SetResponse(response);
  const std::optional<Framing> framing = FramingOf(response);

  std::optional<int> status;
  const std::optional<std::string> body = ReadBody(status);
  if (status && framing && *status != framing->status) std::abort();
  if (body && framing) {
    // A body cut short is an error, never a short success.
    if (!framing->complete) std::abort();
    if (*body != framing->body) std::abort();
  }

  CPageFetcher fetcher;
  const int code = fetcher.Fetch(L"http://fuzz.swaymo.example/r", nullptr, nullptr, 0);
  const std::optional<int> first = StatusOf(response);
  if (code == FETCH_OK && !(first && *first / 100 == 1)) {  // an interim answer comes first
    if (first != 200) std::abort();
    const std::string fetched(reinterpret_cast<const char*>(fetcher.ResultData()),
                              static_cast<std::size_t>(fetcher.ResultSize()));
    if (framing && (!framing->complete || fetched != framing->body)) std::abort();
    if (body && fetched != *body) std::abort();
  }
  return 0;
}
