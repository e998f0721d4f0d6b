// URL splitting and the request the HTTP layer puts on the wire: whatever the
// URL holds, the request line is "GET <target> HTTP/1.1" with no control
// character or blank inside the target, and no header carries a CR, an LF or
// a control character of the URL. The request goes to a server on 127.0.0.1
// that records what it received.
// Input: the URL in UTF-8.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "online/page_fetcher.h"
#include "platform/core/wide_text.h"
#include "platform/net/http.h"
#include "tests/support/http_server.h"

namespace {

// Every line ends with CR LF, no other CR or LF stands in the head, and no
// line holds a control character.
bool HeadIsClean(const std::string& head) {
  if (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0) return false;
  for (std::size_t i = 0; i < head.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(head[i]);
    if (c == '\r') {
      if (i + 1 >= head.size() || head[i + 1] != '\n') return false;
      ++i;
    } else if (c == '\n' || (c < 0x20 && c != '\t') || c == 0x7F) {
      return false;
    }
  }
  return true;
}

bool RequestLineIsClean(const std::string& head) {
  const std::string line = head.substr(0, head.find("\r\n"));
  if (line.compare(0, 4, "GET ") != 0) return false;
  const std::string_view tail = " HTTP/1.1";
  if (line.size() < 4 + tail.size() + 1 ||
      line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string target = line.substr(4, line.size() - 4 - tail.size());
  if (target.empty() || target.front() != '/') return false;
  for (unsigned char c : target)
    if (c <= 0x20 || c >= 0x7F) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring url =
      plat::DecodeUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  std::wstring host;
  std::wstring object;
  if (!SplitUrl(url, host, object)) {
    if (!host.empty() || !object.empty()) std::abort();
    return 0;
  }
  if (host.empty() || object.empty() || object.front() != L'/') std::abort();
  if (host.find_first_of(L"/?#") != std::wstring::npos) std::abort();
  if (object.find(L'#') != std::wstring::npos) std::abort();

  testsupport::HttpServer server;
  const testsupport::ScopedConnectTo connectTo(server);
  plat::HttpSession session(L"Swaymo fuzz");
  session.SetConnectTimeoutMs(2000);
  session.SetReceiveTimeoutMs(2000);
  {
    plat::HttpRequest request(session, nullptr);
    if (request.Open(host, 80, object) == 0) (void)request.Send();
  }
  for (const testsupport::HttpRequestSeen& seen : server.Requests()) {
    if (!HeadIsClean(seen.raw) || !RequestLineIsClean(seen.raw)) std::abort();
  }
  return 0;
}
