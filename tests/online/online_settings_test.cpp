#include "online/online_settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "online/update_check.h"
#include "online/znxml.h"
#include "tests/support/http_server.h"
#include "util/message_box.h"

namespace {

using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ScopedConnectTo;

const std::string kSettingsPath = "/swaymo_settings.asp";  // of the default settings address

// Texts are their keys in brackets.
class TestDialog : public SettingsDialog {
 public:
  std::wstring LookupText(const wchar_t* key) override { return L"[" + std::wstring(key) + L"]"; }
  void InvalidateAll() override { ++invalidations; }
  std::atomic<int> invalidations{0};
};

class MessageBoxes {
 public:
  MessageBoxes() {
    SetMessageBoxHook([this](const std::wstring& text, unsigned) {
      std::lock_guard lock(mutex_);
      shown_.push_back(text);
      return IDOK;
    });
  }
  ~MessageBoxes() { SetMessageBoxHook(nullptr); }
  std::vector<std::wstring> Shown() {
    std::lock_guard lock(mutex_);
    return shown_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::wstring> shown_;
};

std::string Settings(const std::string& version) {
  return "<result>\nCURRENT_VERSION=" + version +
         "\nCUSTOMER_SUPPORT_URL=http://help.example/\n</result>\n";
}

class OnlineSettings : public testing::Test {
 protected:
  OnlineSettings() { RegisterSettingsKeys(doc_); }
  HttpServer server_;
  ScopedConnectTo mapping_{server_};
  TestDialog dialog_;
  CZNXML doc_;
};

TEST_F(OnlineSettings, LoadFetchesOnceThenAnswersFromTheTable) {
  server_.Serve(kSettingsPath, HttpReply::Ok(Settings("Swaymo_setup_204.exe")));
  std::wstring error = L"untouched";
  EXPECT_EQ(LoadOnlineSettings(dialog_, doc_, error), 0);
  EXPECT_EQ(error, L"untouched");
  EXPECT_EQ(server_.CountRequests(kSettingsPath), 1u);
  EXPECT_EQ(LoadOnlineSettings(dialog_, doc_, error), 0);
  EXPECT_EQ(server_.CountRequests(kSettingsPath), 1u);
  // Every request asked for the settings host on port 80.
  EXPECT_EQ(server_.Requests()[0].host, "settings.swaymo.example");
}

TEST_F(OnlineSettings, LoadFailuresMakeThreeAttemptsOfTwoRequests) {
  struct Case {
    HttpReply reply;
    std::size_t requests;
    const wchar_t* error;
  };
  const Case cases[] = {
      {HttpReply::Status(404), 6, L"[IDS_ONLINE_URL_DOESNT_EXIST_ERROR]"},
      {HttpReply::Ok("<html><body>maintenance</body></html>"), 3,
       L"[IDS_ONLINE_URL_DOESNT_EXIST_ERROR]"},
      {HttpReply::Ok("<result>\n<folder a>\n"), 3, L"[IDS_ONLINE_ERROR]"},
  };
  for (const Case& c : cases) {
    CZNXML doc;
    RegisterSettingsKeys(doc);
    HttpServer server;
    ScopedConnectTo mapping(server);
    server.Serve(kSettingsPath, c.reply);
    std::wstring error;
    EXPECT_EQ(LoadOnlineSettings(dialog_, doc, error), -1);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(server.CountRequests(kSettingsPath), c.requests);
  }
}

TEST_F(OnlineSettings, CheckConnectionMessages) {
  std::wstring version, error = L"untouched";
  // A page that is no settings document, no version known yet.
  server_.Serve(kSettingsPath, HttpReply::Ok("<html>down for maintenance</html>"));
  EXPECT_EQ(CheckConnection(dialog_, doc_, version, error), 0);
  EXPECT_EQ(version, L"");
  EXPECT_EQ(error, L"[IDS_UNKNOWN_INTERNET_ERROR]");
  EXPECT_GE(dialog_.invalidations.load(), 1);

  // Success leaves the error text alone.
  server_.Serve(kSettingsPath, HttpReply::Ok(Settings("v_1_123.exe")));
  error = L"untouched";
  CheckConnection(dialog_, doc_, version, error);
  EXPECT_EQ(version, L"v_1_123.exe");
  EXPECT_EQ(error, L"untouched");

  // The same bad page with a version known: no message.
  server_.Serve(kSettingsPath, HttpReply::Ok("<html>down for maintenance</html>"));
  CheckConnection(dialog_, doc_, version, error);
  EXPECT_EQ(version, L"v_1_123.exe");
  EXPECT_EQ(error, L"untouched");

  // Not fetched at all.
  server_.Serve(kSettingsPath, HttpReply::Status(500));
  CheckConnection(dialog_, doc_, version, error);
  EXPECT_EQ(error, L"[IDS_INTERNET_ERROR_SERVER]");
}

TEST(UpdateCheck, VersionNumbers) {
  struct Case {
    const wchar_t* value;
    int version;
  };
  const Case cases[] = {
      {L"abc_1_205.pbp", 205},
      {L"abc_1_204.pbp", 204},
      {L"Swaymo_setup_206.exe", 206},
      {L"Swaymo_Setup_v2_0_210.zip", 210},
      {L"abc_1_020.pbp", 16},  // a leading 0 reads as octal
      {L"abc_1_0x1.pbp", 1},   // and a leading 0x as hexadecimal
      {L"abc_1_205", 0},       // no dot
      {L"ab.exe", 0},          // the dot too early
      {L"abcd_205.exe", 0},    // the underscore too close to the dot
      {L"ab_x_205.exe", 0},    // no underscore at index 3 or more, five before the dot
      {L"abcdef205.exe", 0},   // no underscore at all
      {L"_aaaaaaaaa.1.2", 0},  // the last dot decides
      {L"", 0},
  };
  for (const Case& c : cases) {
    CZNXML doc;
    RegisterSettingsKeys(doc);
    ASSERT_EQ(doc.ScanText(L"<result>\nCURRENT_VERSION=" + std::wstring(c.value) + L"\n"), 0);
    EXPECT_EQ(GetOnlineVersion(doc), c.version) << std::string(c.value, c.value + wcslen(c.value));
  }
}

TEST_F(OnlineSettings, UpdateAnswersFromTheVersion) {
  MessageBoxes boxes;
  struct Case {
    std::string document;
    int answer;
  };
  const Case cases[] = {
      {Settings("Swaymo_v_205.exe"), 1},
      {Settings("Swaymo_v_204.exe"), 0},
      {Settings("nonsense"), 0},
  };
  for (const Case& c : cases) {
    server_.Serve(kSettingsPath, HttpReply::Ok(c.document));
    EXPECT_EQ(CheckForOnlineUpdate(dialog_, doc_), c.answer) << c.document;
  }
  // A document without CURRENT_VERSION, none known: no update, no message.
  CZNXML fresh;
  RegisterSettingsKeys(fresh);
  server_.Serve(kSettingsPath, HttpReply::Ok("<result>\nCUSTOMER_SUPPORT_URL=x\n</result>\n"));
  EXPECT_EQ(CheckForOnlineUpdate(dialog_, fresh), 0);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(UpdateCheck, UnreachableServerShowsOneMessageUnlessAVersionIsKnown) {
  MessageBoxes boxes;
  TestDialog dialog;
  CZNXML doc;
  RegisterSettingsKeys(doc);
  {
    ScopedConnectTo nobody(":80:127.0.0.1:1");  // nothing listens on port 1
    EXPECT_EQ(CheckForOnlineUpdate(dialog, doc), 0);
    EXPECT_EQ(boxes.Shown(), std::vector<std::wstring>{L"[IDS_INTERNET_ERROR_SERVER]"});
  }
  {
    HttpServer server;
    ScopedConnectTo mapping(server);
    server.Serve(kSettingsPath, HttpReply::Ok(Settings("Swaymo_v_205.exe")));
    EXPECT_EQ(CheckForOnlineUpdate(dialog, doc), 1);
  }
  {
    ScopedConnectTo nobody(":80:127.0.0.1:1");
    EXPECT_EQ(CheckForOnlineUpdate(dialog, doc), 1);  // from the version known before
    EXPECT_EQ(boxes.Shown().size(), 1u);
  }
}

}  // namespace
