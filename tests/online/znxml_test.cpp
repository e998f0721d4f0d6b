#include "online/znxml.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "online/online_settings.h"
#include "platform/core/time.h"
#include "tests/online/scanner_shapes.h"
#include "tests/support/http_server.h"

namespace {

using namespace std::string_literals;
using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ScopedConnectTo;

struct Document {
  Document() { RegisterSettingsKeys(doc); }
  std::wstring Value(const wchar_t* key) const {
    std::wstring value = L"unset";
    doc.GetValue(key, value);
    return value;
  }
  CZNXML doc;
};

TEST(ZnxmlScan, DocumentsAndTheirOutcome) {
  struct Case {
    const char* what;
    std::wstring text;
    int result;
    std::map<std::wstring, std::wstring> values;  // after the scan
  };
  const auto nested = [](int containers) {
    std::wstring t = L"<result>\n";
    for (int i = 0; i < containers; ++i) t += L"<folder>\n";
    return t + L"CURRENT_VERSION=deep\n";
  };
  const Case cases[] = {
      {"key, blanks, equals sign, trailing blanks",
       L"<result>\nCURRENT_VERSION = 1.23  \n</result>\n",
       0,
       {{L"CURRENT_VERSION", L"1.23"}}},
      {"no equals sign; equals sign and nothing",
       L"<RESULT>\nCURRENT_VERSION   abc\nCUSTOMER_SUPPORT_URL=\n</RESULT>\n",
       0,
       {{L"CURRENT_VERSION", L"abc"}, {L"CUSTOMER_SUPPORT_URL", L""}}},
      {"key right after the root tag, comment line, containers",
       L"<result>CURRENT_VERSION=a\n// "
       L"note\n<folder>\n<file>\nCUSTOMER_SUPPORT_URL=u\n</file>\n</folder>\n</result>\n",
       0,
       {{L"CURRENT_VERSION", L"a"}, {L"CUSTOMER_SUPPORT_URL", L"u"}, {L"//", L" note"}}},
      {"first token not registered",
       L"<html>\nCURRENT_VERSION=1\n</html>\n",
       -1,
       {{L"CURRENT_VERSION", L""}}},
      {"closing container with none open keeps earlier values",
       L"<result>\nCURRENT_VERSION=kept\n</folder>\nCUSTOMER_SUPPORT_URL=lost\n",
       -1,
       {{L"CURRENT_VERSION", L"kept"}, {L"CUSTOMER_SUPPORT_URL", L""}}},
      {"unregistered lines and elements are skipped, across lines too",
       L"<result>\nhello there\n<junk>\nCURRENT_VERSION=hidden\n</junk>\n<x:y "
       L"a='1'>CUSTOMER_SUPPORT_URL=no</x:y>\n"
       L"DEMO_FILE_DOWNLOAD_URL=seen\n<b>unclosed\nDEMO_FILE_DOWNLOAD_URL_ML=ml\n</result>\n",
       0,
       {{L"CURRENT_VERSION", L""},
        {L"CUSTOMER_SUPPORT_URL", L""},
        {L"DEMO_FILE_DOWNLOAD_URL", L"seen"},
        {L"DEMO_FILE_DOWNLOAD_URL_ML", L"ml"}}},
      {"root tag with an attribute first",
       L"<result a=\"1\">\nCURRENT_VERSION=1\n</result>\n",
       -1,
       {{L"CURRENT_VERSION", L""}}},
      {"container with an attribute outside any container",
       L"<result>\n<folder name=\"x\">\nCURRENT_VERSION=1\n</folder>\n</result>\n",
       -2,
       {}},
      {"container with an attribute inside a container is skipped through its end",
       L"<result>\n<save>\n<file "
       L"id=\"2\">\nCURRENT_VERSION=in\n</file>\nCUSTOMER_SUPPORT_URL=out\n</save>\n</result>\n",
       0,
       {{L"CURRENT_VERSION", L""}, {L"CUSTOMER_SUPPORT_URL", L"out"}}},
      {"self-closing registered tag",
       L"<result>\n<file id=\"2\"/>\nCURRENT_VERSION=7\n",
       0,
       {{L"CURRENT_VERSION", L"7"}}},
      {"blank lines only", L"\n \n\t\n", -1, {}},
      {"empty text", L"", -1, {}},
      {"a key's closing form", L"<result>\n</URRENT_VERSION>\n", -1, {}},
      {"a comment's closing form", L"<result>\n<//>\n", -1, {}},
      {"a prefix-matched closing tag", L"<result>\n<folder>\n</folder x>\n", -1, {}},
      {"an element's end missing inside a container", L"<result>\n<folder>\n<file a>\n", -2, {}},
      {"a tag that never closes", L"<result>\n<junk", -2, {}},
      {"255 nested containers", nested(255), 0, {{L"CURRENT_VERSION", L"deep"}}},
      {"nesting deeper than 255", nested(256), -1, {{L"CURRENT_VERSION", L""}}},
      {"the text ends at a NUL",
       std::wstring(L"<result>\nCURRENT_VERSION=a") + L'\0' + L"CUSTOMER_SUPPORT_URL=b\n",
       0,
       {{L"CURRENT_VERSION", L"a"}, {L"CUSTOMER_SUPPORT_URL", L""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document d;
    EXPECT_EQ(d.doc.ScanText(c.text), c.result);
    for (const auto& [key, value] : c.values) EXPECT_EQ(d.Value(key.c_str()), value);
  }
}

TEST(ZnxmlScan, StoredKeysMoveBehindTheOthers) {
  Document d;
  // In registration order each _ML key comes before its prefix.
  ASSERT_EQ(
      d.doc.ScanText(L"<result>\nDEMO_FILE_DOWNLOAD_URL_ML=ml\nDEMO_FILE_DOWNLOAD_URL=plain\n"), 0);
  EXPECT_EQ(d.Value(L"DEMO_FILE_DOWNLOAD_URL_ML"), L"ml");
  EXPECT_EQ(d.Value(L"DEMO_FILE_DOWNLOAD_URL"), L"plain");
  // Now the shorter key stands first: a line of the longer one is read as its.
  ASSERT_EQ(d.doc.ScanText(L"<result>\nDEMO_FILE_DOWNLOAD_URL=p2\nDEMO_FILE_DOWNLOAD_URL_ML=m2\n"),
            0);
  EXPECT_EQ(d.Value(L"DEMO_FILE_DOWNLOAD_URL"), L"p2");
  EXPECT_EQ(d.Value(L"DEMO_FILE_DOWNLOAD_URL_ML"), L"m2");
  ASSERT_EQ(d.doc.ScanText(L"<result>\nDEMO_FILE_DOWNLOAD_URL_ML=m3\n"), 0);
  EXPECT_EQ(d.Value(L"DEMO_FILE_DOWNLOAD_URL"), L"_ML=m3");
}

TEST(ZnxmlScan, AdversarialShapes) {
  for (const scannershapes::Shape& shape : scannershapes::Shapes(20000)) {
    SCOPED_TRACE(shape.what);
    Document d;
    EXPECT_EQ(d.doc.ScanText(shape.text), shape.result);
    EXPECT_EQ(d.Value(L"CURRENT_VERSION"), shape.version);
  }
}

TEST(ZnxmlScan, AStoppedScanChangesNothing) {
  Document d;
  ASSERT_EQ(d.doc.ScanText(L"<result>\nCURRENT_VERSION=before\n"), 0);
  plat::Event stop;
  stop.Set();
  const std::wstring text =
      L"<result>\n" + scannershapes::Repeat(L"CURRENT_VERSION=after\n", 100000);
  EXPECT_EQ(d.doc.ScanText(text, &stop), -3);
  EXPECT_EQ(d.Value(L"CURRENT_VERSION"), L"before");
  // A scan that is not kept (a probe's) leaves the table as well.
  EXPECT_EQ(d.doc.ScanText(text, nullptr, false), 0);
  EXPECT_EQ(d.Value(L"CURRENT_VERSION"), L"before");
}

TEST(ZnxmlScan, DocumentBytesAreDecodedJoinedAndScanned) {
  struct Case {
    const char* what;
    std::string bytes;
    int status;
    const wchar_t* version;
    const wchar_t* url;
  };
  const Case cases[] = {
      {"CR line ends, the XML declaration dropped",
       "<?xml version=\"1.0\"?>\r<result>\rCURRENT_VERSION=caf\xC3\xA9\rCUSTOMER_SUPPORT_URL=u\r",
       SETTINGS_LOADED, L"caf\u00e9", L"u"},
      {"LF CR is one break; three CRs make a blank line",
       "<result>\n\rCURRENT_VERSION=2\n\r\r\rCUSTOMER_SUPPORT_URL=v", SETTINGS_LOADED, L"2", L"v"},
      {"the text ends at a NUL", "<result>\nCURRENT_VERSION=a\0\nCUSTOMER_SUPPORT_URL=b\n"s,
       SETTINGS_LOADED, L"a", L""},
      {"a page that is no settings document",
       "<?xml version=\"1.0\"?>\n<html><body>CURRENT_VERSION=1</body></html>\n",
       SETTINGS_BAD_DOCUMENT, L"", L""},
      {"an element without its end", "<result>\r\n<folder a=1>\r\n", SETTINGS_ELEMENT_UNENDED, L"",
       L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document d;
    EXPECT_EQ(
        d.doc.ScanDocument(reinterpret_cast<const std::byte*>(c.bytes.data()), c.bytes.size()),
        c.status);
    EXPECT_EQ(d.Value(L"CURRENT_VERSION"), c.version);
    EXPECT_EQ(d.Value(L"CUSTOMER_SUPPORT_URL"), c.url);
  }
  Document d;
  plat::Event stop;
  stop.Set();
  const std::string text = "<result>\nCURRENT_VERSION=1\n";
  EXPECT_EQ(d.doc.ScanDocument(reinterpret_cast<const std::byte*>(text.data()), text.size(), &stop),
            SETTINGS_STOPPED);
  EXPECT_EQ(d.Value(L"CURRENT_VERSION"), L"");
}

TEST(ZnxmlValues, UnknownAndUnsuppliedKeys) {
  Document d;
  std::wstring value = L"x";
  EXPECT_EQ(d.doc.GetValue(L"NEVER_REGISTERED", value), 0);
  EXPECT_EQ(value, L"");
  value = L"x";
  EXPECT_EQ(d.doc.GetValue(L"CURRENT_VERSION", value), 1);
  EXPECT_EQ(value, L"");
  EXPECT_EQ(d.doc.GetValue(L"CURRENT_VERSIO", value), 0);  // exact names only
  d.doc.RegisterToken(L"CURRENT_VERSION", TOKEN_KEY);      // a duplicate: the first wins
  ASSERT_EQ(d.doc.ScanText(L"<result>\nCURRENT_VERSION=1\n"), 0);
  // The entry that took the value moved behind the duplicate, which now answers.
  EXPECT_EQ(d.Value(L"CURRENT_VERSION"), L"");
}

class ZnxmlFetch : public testing::Test {
 protected:
  int FetchAndWait(const std::wstring& url, bool probe = false) {
    if (d_.doc.RequestFetch(url, probe) != 1) return -1;
    while (d_.doc.GetStatus() == SETTINGS_PENDING) plat::SleepMs(1);
    return d_.doc.GetStatus();
  }
  HttpServer server_;
  ScopedConnectTo mapping_{server_};
  Document d_;
};

TEST_F(ZnxmlFetch, DocumentsThroughTheFetchThread) {
  server_.Serve(
      "/doc",
      HttpReply::Ok("<?xml version=\"1.0\"?>\r\n<result>\r\nCURRENT_VERSION = caf\xC3\xA9 \r\n"
                    "CUSTOMER_SUPPORT_URL=http://help\r\n</result>\r\n"));
  server_.Serve("/html", HttpReply::Ok("<html><body>Hello</body></html>"));
  server_.Serve("/empty", HttpReply::Ok(""));
  server_.Serve("/missing", HttpReply::Status(404, "<result>\nCURRENT_VERSION=404\n"));
  server_.Serve("/unended", HttpReply::Ok("<result>\n<folder a=1>\n"));

  EXPECT_EQ(d_.doc.GetStatus(), SETTINGS_STOPPED);  // no thread yet
  EXPECT_EQ(FetchAndWait(L"http://settings.example/doc"), SETTINGS_LOADED);
  EXPECT_EQ(d_.Value(L"CURRENT_VERSION"), L"caf\u00e9");
  EXPECT_EQ(d_.Value(L"CUSTOMER_SUPPORT_URL"), L"http://help");

  struct Case {
    const wchar_t* url;
    int status;
    std::size_t requests;
  };
  const Case cases[] = {
      {L"http://settings.example/html", SETTINGS_BAD_DOCUMENT, 1},
      {L"http://settings.example/empty", SETTINGS_NOT_FETCHED, 2},
      {L"http://settings.example/missing", SETTINGS_NOT_FETCHED, 2},
      {L"http://settings.example/unended", SETTINGS_ELEMENT_UNENDED, 1},
  };
  for (const Case& c : cases) {
    const std::string target = "/" + std::string(c.url + 24, c.url + wcslen(c.url));
    EXPECT_EQ(FetchAndWait(c.url), c.status) << target;
    EXPECT_EQ(server_.CountRequests(target), c.requests) << target;
  }
  // Earlier values survive the failures.
  EXPECT_EQ(d_.Value(L"CURRENT_VERSION"), L"caf\u00e9");
}

TEST_F(ZnxmlFetch, ThePageOfAProbeNeverReachesTheTable) {
  server_.Serve("/doc", HttpReply::Ok("<result>\nCURRENT_VERSION=ours\n"));
  server_.Serve("/thirdparty", HttpReply::Ok("<result>\nCURRENT_VERSION=theirs\n"));
  server_.Serve("/html", HttpReply::Ok("<!DOCTYPE html>\n<html></html>\n"));
  ASSERT_EQ(FetchAndWait(L"http://settings.example/doc"), SETTINGS_LOADED);
  EXPECT_EQ(FetchAndWait(L"http://probe.example/thirdparty", true), SETTINGS_LOADED);
  EXPECT_EQ(FetchAndWait(L"http://probe.example/html", true), SETTINGS_BAD_DOCUMENT);
  EXPECT_EQ(d_.Value(L"CURRENT_VERSION"), L"ours");
}

TEST_F(ZnxmlFetch, DocumentsOverOneMebibyteAreAServerFault) {
  HttpReply endless;
  endless.endless = true;
  server_.Serve("/endless", endless);
  const std::string line = "CURRENT_VERSION=big\n";
  std::string big = "<result>\n";
  while (big.size() <= CZNXML::kMaxDocumentBytes) big += line;
  server_.Serve("/big", HttpReply::Ok(big));
  server_.Serve(
      "/fits", HttpReply::Ok(big.substr(0, CZNXML::kMaxDocumentBytes / line.size() * line.size())));
  EXPECT_EQ(FetchAndWait(L"http://settings.example/endless"), SETTINGS_BAD_DOCUMENT);
  EXPECT_EQ(FetchAndWait(L"http://settings.example/big"), SETTINGS_BAD_DOCUMENT);
  EXPECT_EQ(d_.Value(L"CURRENT_VERSION"), L"");
  EXPECT_EQ(server_.CountRequests("/big"), 1u);  // not tried again
  EXPECT_EQ(FetchAndWait(L"http://settings.example/fits"), SETTINGS_LOADED);
  EXPECT_EQ(d_.Value(L"CURRENT_VERSION"), L"big");
}

TEST_F(ZnxmlFetch, OverlongUrlIsRefused) {
  std::wstring url = L"http://settings.example/";
  EXPECT_EQ(d_.doc.RequestFetch(url + std::wstring(CZNXML::kMaxUrlLength - url.size() + 1, L'a')),
            0);
  server_.Serve("/" + std::string(CZNXML::kMaxUrlLength - url.size(), 'a'),
                HttpReply::Ok("<result>\n"));
  EXPECT_EQ(FetchAndWait(url + std::wstring(CZNXML::kMaxUrlLength - url.size(), L'a')),
            SETTINGS_LOADED);
}

TEST_F(ZnxmlFetch, StopEndsTheThreadEvenDuringAStalledFetch) {
  HttpReply stalled = HttpReply::Ok("<result>\n");
  stalled.headerDelayMs = 60000;
  server_.Serve("/stall", stalled);
  ASSERT_EQ(d_.doc.RequestFetch(L"http://settings.example/stall"), 1);
  plat::SleepMs(300);
  const auto start = plat::TickMs();
  d_.doc.Stop();
  EXPECT_LT(plat::TickMs() - start, 4000u);
  EXPECT_EQ(d_.doc.GetStatus(), SETTINGS_STOPPED);
  server_.EndStalls();
  // A new request starts a new thread.
  server_.Serve("/doc", HttpReply::Ok("<result>\nCURRENT_VERSION=again\n"));
  EXPECT_EQ(FetchAndWait(L"http://settings.example/doc"), SETTINGS_LOADED);
  EXPECT_EQ(d_.Value(L"CURRENT_VERSION"), L"again");
}

}  // namespace
