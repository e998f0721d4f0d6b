#include "platform/net/http.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/core/time.h"
#include "tests/support/http_server.h"

namespace {

using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ScopedConnectTo;
namespace err = plat::http_error;

struct Outcome {
  int sendCode = -1;
  int status = 0;
  int readCode = -1;
  std::string body;
  std::size_t largestChunk = 0;
};

Outcome Get(const std::wstring& host, const std::wstring& object,
            const std::atomic<bool>* abort = nullptr,
            const plat::HttpSession& session = plat::HttpSession(L"test agent")) {
  Outcome out;
  plat::HttpRequest request(session, abort);
  out.sendCode = request.Open(host, 80, object);
  if (out.sendCode == 0) out.sendCode = request.Send();
  if (out.sendCode != 0) return out;
  out.status = request.StatusCode();
  char buffer[8192];
  for (;;) {
    std::size_t got = 0;
    out.readCode = request.Read(buffer, sizeof buffer, &got);
    if (out.readCode != 0 || got == 0) break;
    out.largestChunk = std::max(out.largestChunk, got);
    out.body.append(buffer, got);
  }
  return out;
}

// A port on 127.0.0.1 where nothing listens.
unsigned ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

TEST(HttpRequest, AnswersAreReportedAsSentAndRedirectsAreNotFollowed) {
  HttpServer server;
  ScopedConnectTo mapping(server);
  server.Serve("/page", HttpReply::Ok("hello, world"));
  server.Serve("/empty", HttpReply::Ok(""));
  server.Serve("/missing", HttpReply::Status(404, "nope"));
  server.Serve("/broken", HttpReply::Status(500, "oops"));
  HttpReply moved = HttpReply::Status(302, "moved");
  moved.headers = {{"Location", "http://example.org/page"}};
  server.Serve("/moved", moved);

  struct Case {
    const wchar_t* object;
    int status;
    std::string body;
  };
  const Case cases[] = {
      {L"/page", 200, "hello, world"}, {L"/empty", 200, ""},      {L"/missing", 404, "nope"},
      {L"/broken", 500, "oops"},       {L"/moved", 302, "moved"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "object " << std::string(c.object, c.object + wcslen(c.object)));
    const Outcome out = Get(L"files.swaymo.example", c.object);
    EXPECT_EQ(out.sendCode, 0);
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(out.readCode, 0);
    EXPECT_EQ(out.body, c.body);
  }
  EXPECT_EQ(server.CountRequests("/moved"), 1u);
  EXPECT_EQ(server.CountRequests("/page"), 1u);
}

TEST(HttpRequest, RequestNamesHostOnPort80AgentAndEscapedObject) {
  HttpServer server;
  ScopedConnectTo mapping(server);
  server.Serve("/a%20b/%C3%A9t%C3%A9?x=1&y=2", HttpReply::Ok("ok"));
  const Outcome out = Get(L"files.swaymo.example", L"/a b/\u00e9t\u00e9?x=1&y=2");
  EXPECT_EQ(out.status, 200);
  EXPECT_EQ(out.body, "ok");
  const auto seen = server.Requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].host, "files.swaymo.example");
  EXPECT_EQ(seen[0].userAgent, "test agent");
  EXPECT_EQ(seen[0].raw.rfind("GET ", 0), 0u);
}

TEST(HttpRequest, ConnectionFailuresCarryTheirCodes) {
  HttpServer server;
  {
    ScopedConnectTo refused(":80:127.0.0.1:" + std::to_string(ClosedPort()));
    EXPECT_EQ(Get(L"files.swaymo.example", L"/").sendCode, err::kCannotConnect);
  }
  {
    ScopedConnectTo none("");
    EXPECT_EQ(Get(L"no-such-host.invalid", L"/").sendCode, err::kNameNotResolved);
  }
}

TEST(HttpRequest, EveryConnectAttemptIsMadeWithTheBackoffBetween) {
  ScopedConnectTo refused(":80:127.0.0.1:" + std::to_string(ClosedPort()));
  plat::HttpSession session(L"agent");
  session.SetConnectRetries(3);
  session.SetConnectBackoffMs(150);
  const auto start = plat::TickMs();
  EXPECT_EQ(Get(L"files.swaymo.example", L"/", nullptr, session).sendCode, err::kCannotConnect);
  EXPECT_GE(plat::TickMs() - start, 300u);

  // An abort ends the back-off.
  std::atomic<bool> abort{false};
  session.SetConnectBackoffMs(60000);
  std::thread aborter([&] {
    plat::SleepMs(100);
    abort = true;
  });
  const auto abortStart = plat::TickMs();
  EXPECT_EQ(Get(L"files.swaymo.example", L"/", &abort, session).sendCode, err::kCancelled);
  EXPECT_LT(plat::TickMs() - abortStart, 5000u);
  aborter.join();
}

TEST(HttpRequest, ShortOrDroppedBodiesAreReadErrors) {
  HttpServer server;
  ScopedConnectTo mapping(server);
  HttpReply shortBody = HttpReply::Ok(std::string(5000, 'x'));
  shortBody.contentLength = 9000;
  server.Serve("/short", shortBody);
  HttpReply dropped;
  dropped.patternBytes = 1 << 20;
  dropped.dropAfter = 100000;
  server.Serve("/dropped", dropped);

  const Outcome shortOut = Get(L"h.example", L"/short");
  EXPECT_EQ(shortOut.status, 200);
  EXPECT_EQ(shortOut.readCode, err::kConnectionAborted);
  EXPECT_LE(shortOut.body.size(), 5000u);

  const Outcome droppedOut = Get(L"h.example", L"/dropped");
  EXPECT_EQ(droppedOut.status, 200);
  EXPECT_TRUE(droppedOut.readCode == err::kConnectionReset ||
              droppedOut.readCode == err::kConnectionAborted)
      << droppedOut.readCode;
  EXPECT_LE(droppedOut.body.size(), 100000u);
}

TEST(HttpRequest, LargeBodyArrivesWholeInChunksOfTheAskedSize) {
  HttpServer server;
  ScopedConnectTo mapping(server);
  HttpReply big;
  big.patternBytes = 8u << 20;
  server.Serve("/big", big);
  const Outcome out = Get(L"h.example", L"/big");
  ASSERT_EQ(out.readCode, 0);
  ASSERT_EQ(out.body.size(), big.patternBytes);
  EXPECT_LE(out.largestChunk, 8192u);
  for (std::size_t i = 0; i < out.body.size(); i += 4099) {
    ASSERT_EQ(out.body[i], testsupport::PatternByte(i)) << "at " << i;
  }
}

TEST(HttpRequest, AbortEndsAStallInTheHeadersOrTheBody) {
  HttpServer server;
  ScopedConnectTo mapping(server);
  HttpReply headStall = HttpReply::Ok("late");
  headStall.headerDelayMs = 60000;
  server.Serve("/head", headStall);
  HttpReply bodyStall = HttpReply::Ok(std::string(20000, 'b'));
  bodyStall.stallAfter = 10000;
  bodyStall.stallMs = 60000;
  server.Serve("/body", bodyStall);

  for (const wchar_t* object : {L"/head", L"/body"}) {
    std::atomic<bool> abort{false};
    std::atomic<std::uint64_t> abortedAt{0};
    std::thread aborter([&] {
      plat::SleepMs(300);
      abortedAt = plat::TickMs();
      abort = true;
    });
    const Outcome out = Get(L"h.example", object, &abort);
    const std::uint64_t took = plat::TickMs() - abortedAt.load();
    aborter.join();
    if (object == std::wstring(L"/head")) {
      EXPECT_EQ(out.sendCode, err::kCancelled);
    } else {
      EXPECT_EQ(out.status, 200);
      EXPECT_EQ(out.readCode, err::kCancelled);
      EXPECT_EQ(out.body.size(), 10000u);
    }
    EXPECT_LT(took, 2000u);  // about 50 ms on a quiet machine
  }
  server.EndStalls();
}

TEST(HttpRequest, ASilentServerTimesOut) {
  HttpServer server;
  ScopedConnectTo mapping(server);
  HttpReply stall = HttpReply::Ok("late");
  stall.headerDelayMs = 60000;
  server.Serve("/", stall);
  plat::HttpSession session(L"agent");
  session.SetReceiveTimeoutMs(300);
  EXPECT_EQ(Get(L"h.example", L"/", nullptr, session).sendCode, err::kTimeout);
  server.EndStalls();
}

}  // namespace
