// WinINet against the test server on 127.0.0.1:80, the one port the
// program's addresses use. Binding it needs root on the Linux host that
// runs Wine; without it the suite says so and skips.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/core/time.h"
#include "platform/net/http.h"
#include "tests/support/http_server.h"

namespace {

using testsupport::HttpReply;
using testsupport::HttpServer;
namespace http_error = plat::http_error;

class WinInet : public ::testing::Test {
 protected:
  void SetUp() override {
    try {
      server_ = std::make_unique<HttpServer>(80);
    } catch (const std::exception& e) {
      GTEST_SKIP() << e.what() << " (port 80 needs root)";
    }
  }

  // GET target; the body read in reads of readSize bytes.
  int Fetch(const std::wstring& target, std::string& body, int& status,
            std::size_t readSize = 8192) {
    plat::HttpRequest request(session_, &abort_);
    body.clear();
    status = 0;
    if (const int code = request.Open(L"127.0.0.1", 80, target); code != 0) return code;
    if (const int code = request.Send(); code != 0) return code;
    status = request.StatusCode();
    std::string buffer(readSize, '\0');
    for (;;) {
      std::size_t got = 0;
      if (const int code = request.Read(buffer.data(), buffer.size(), &got); code != 0) return code;
      if (got == 0) return 0;
      body.append(buffer, 0, got);
    }
  }

  std::unique_ptr<HttpServer> server_;
  plat::HttpSession session_{L"ZOV Eziduz"};
  std::atomic<bool> abort_{false};
};

TEST_F(WinInet, FetchesTheWholeBodyWithTheAgentAndEscapedTarget) {
  server_->Serve("/doc", HttpReply::Ok("<root>hello</root>"));
  server_->Serve("/a%20b?x=%C3%BC", HttpReply::Ok("escaped"));
  std::string body;
  int status = 0;
  ASSERT_EQ(Fetch(L"/doc", body, status), 0);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body, "<root>hello</root>");
  ASSERT_EQ(Fetch(L"/a b?x=\x00FC", body, status), 0);
  EXPECT_EQ(body, "escaped");
  const auto seen = server_->Requests();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[seen.size() - 2].userAgent, "ZOV Eziduz");
  EXPECT_EQ(seen[seen.size() - 2].host, "127.0.0.1");
}

TEST_F(WinInet, StatusCodesComeAsTheyAreAndRedirectsAreNotFollowed) {
  HttpReply moved = HttpReply::Status(302, "moved");
  moved.headers = {{"Location", "http://127.0.0.1/doc"}};
  server_->Serve("/moved", moved);
  server_->Serve("/empty", HttpReply::Ok(""));
  std::string body;
  int status = 0;
  EXPECT_EQ(Fetch(L"/nothing-here", body, status), 0);
  EXPECT_EQ(status, 404);
  EXPECT_EQ(Fetch(L"/moved", body, status), 0);
  EXPECT_EQ(status, 302);
  EXPECT_EQ(server_->CountRequests("/doc"), 0u);
  EXPECT_EQ(Fetch(L"/empty", body, status), 0);
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(body.empty());
}

TEST_F(WinInet, ALargeBodyArrivesByteForByte) {
  HttpReply big;
  big.patternBytes = 3 * 1024 * 1024 + 7;
  server_->Serve("/big", big);
  std::string body;
  int status = 0;
  ASSERT_EQ(Fetch(L"/big", body, status, 8192), 0);
  ASSERT_EQ(body.size(), big.patternBytes);
  for (std::size_t i = 0; i < body.size(); i += 4099) {
    ASSERT_EQ(body[i], testsupport::PatternByte(i)) << "at " << i;
  }
}

TEST_F(WinInet, ACutBodyIsAnErrorNeverAShortSuccess) {
  HttpReply shortBody = HttpReply::Ok("only this");
  shortBody.contentLength = 5000;
  server_->Serve("/short", shortBody);
  HttpReply dropped;
  dropped.patternBytes = 200000;
  dropped.dropAfter = 70000;
  server_->Serve("/dropped", dropped);
  std::string body;
  int status = 0;
  EXPECT_NE(Fetch(L"/short", body, status), 0);
  EXPECT_NE(Fetch(L"/dropped", body, status), 0);
  EXPECT_LT(body.size(), 200000u);
}

TEST_F(WinInet, NobodyListeningCannotConnect) {
  plat::HttpRequest request(session_, &abort_);
  ASSERT_EQ(request.Open(L"127.0.0.1", 9, L"/"), 0);  // discard: nothing listens
  EXPECT_EQ(request.Send(), http_error::kCannotConnect);
  EXPECT_EQ(request.StatusCode(), 0);
}

TEST_F(WinInet, ASilentServerTimesOut) {
  HttpReply slow = HttpReply::Ok("late");
  slow.headerDelayMs = 20000;  // the server's end wakes it
  server_->Serve("/slow", slow);
  session_.SetReceiveTimeoutMs(500);
  std::string body;
  int status = 0;
  // Windows reports the time-out as such; Wine 8 as an aborted connection.
  EXPECT_THAT(Fetch(L"/slow", body, status),
              testing::AnyOf(http_error::kTimeout, http_error::kConnectionAborted));
  EXPECT_EQ(status, 0);
}

// The abort flag closes the handles from the watching thread: a read that
// waits on a stalled body returns at once, cancelled.
TEST_F(WinInet, AnAbortEndsABlockedReadAsCancelled) {
  HttpReply stalled;
  stalled.patternBytes = 100000;
  stalled.stallAfter = 1000;
  stalled.stallMs = 30000;
  server_->Serve("/stalled", stalled);
  std::thread aborter([this] {
    plat::SleepMs(300);
    abort_ = true;
  });
  std::string body;
  int status = 0;
  EXPECT_EQ(Fetch(L"/stalled", body, status), http_error::kCancelled);
  aborter.join();
  EXPECT_EQ(status, 200);
  EXPECT_LT(body.size(), 100000u);
}

}  // namespace

namespace {

TEST_F(WinInet, TheDeclaredLengthIsReported) {
  server_->Serve("/doc", HttpReply::Ok("abc"));
  plat::HttpRequest request(session_, &abort_);
  ASSERT_EQ(request.Open(L"127.0.0.1", 80, L"/doc"), 0);
  ASSERT_EQ(request.Send(), 0);
  EXPECT_EQ(request.ContentLength(), std::optional<std::uint64_t>(3));
  EXPECT_TRUE(request.LengthDeclared());
}

// A deadline and the low-speed limit end a transfer that crawls, as a time-out.
TEST_F(WinInet, TheDeadlineAndTheLowSpeedLimitEndACrawlingTransfer) {
  HttpReply crawl;
  crawl.patternBytes = 100000;
  crawl.paceBytes = 100;
  crawl.paceMs = 200;
  server_->Serve("/crawl", crawl);
  std::string body;
  int status = 0;
  session_.SetDeadline(plat::TickMs() + 500);
  EXPECT_EQ(Fetch(L"/crawl", body, status), http_error::kTimeout);
  session_.SetDeadline(0);
  session_.SetLowSpeedLimit(10000, 1);
  EXPECT_EQ(Fetch(L"/crawl", body, status), http_error::kTimeout);
  EXPECT_LT(body.size(), 100000u);
}

// https never falls back to plain http: a plain server fails the handshake.
TEST_F(WinInet, HttpsToAPlainServerFailsAndNeverFallsBack) {
  server_->Serve("/doc", HttpReply::Ok("plain"));
  session_.SetReceiveTimeoutMs(1000);
  plat::HttpRequest request(session_, &abort_);
  ASSERT_EQ(request.Open(plat::HttpScheme::kHttps, L"127.0.0.1", 80, L"/doc"), 0);
  EXPECT_NE(request.Send(), 0);
  EXPECT_EQ(request.StatusCode(), 0);
  EXPECT_EQ(server_->CountRequests("/doc"), 0u);
}

}  // namespace
