#include "online/downloader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "online/download_progress.h"
#include "platform/core/time.h"
#include "platform/core/wide_text.h"
#include "platform/crypto/sha256.h"
#include "tests/support/http_server.h"
#include "tests/support/scripted_faults.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;
using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ScopedConnectTo;

// A wizard dialog reduced to what a download uses.
class TestDialog : public DownloadDialog {
 public:
  void PostProgress(unsigned message, std::unique_ptr<FetchProgress> snapshot) override {
    std::lock_guard lock(mutex);
    messages.push_back(message);
    snapshots.push_back(*snapshot);
  }
  plat::Rect ProgressRect() const override { return {40, 440 - 75, 630 - 40, 440 - 40}; }
  void DisableCancelButton() override { ++cancelDisabled; }
  void InvalidateAll() override { ++invalidations; }
  void DrawProgressNow() override { ++barsDrawn; }

  std::mutex mutex;
  std::vector<unsigned> messages;
  std::vector<FetchProgress> snapshots;
  std::atomic<int> cancelDisabled{0};
  std::atomic<int> invalidations{0};
  int barsDrawn = 0;
};

std::wstring Wide(const fs::path& path) {
  return plat::DecodeUtf8(path.string());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A package: the magic, then filler.
std::string Package(std::size_t size) {
  std::string body("\0PBP", 4);
  for (std::size_t i = 0; body.size() < size; ++i) body.push_back(static_cast<char>(i * 13 + 7));
  return body;
}

std::string HexSha256(const std::string& data) {
  const auto digest = plat::Sha256Of(data.data(), data.size());
  std::string hex;
  char pair[3];
  for (const std::uint8_t b : *digest) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    hex += pair;
  }
  return hex;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

constexpr char kSignInPage[] =
    "<!DOCTYPE html>\n<html><head><title>Sign in to the hotel network</title></head>\n"
    "<body><form method=post><input name=room></form></body></html>\n";

class Download : public testing::Test {
 protected:
  HttpServer server_;
  ScopedConnectTo mapping_{server_};
  testsupport::TempDir dir_;
  TestDialog dialog_;
};

TEST_F(Download, ResultsAndWhatIsLeftOnDisk) {
  const std::string package = Package(300000);
  server_.Serve("/pkg", HttpReply::Ok(package));
  server_.Serve("/missing", HttpReply::Status(404, "error page"));
  HttpReply broken = HttpReply::Ok(package);
  broken.dropAfter = 100000;
  server_.Serve("/broken", broken);
  fs::create_directory(dir_.path() / "Folder");

  struct Case {
    const char* what;
    const wchar_t* url;
    std::string target;  // below the temporary folder
    int result;
    std::vector<std::string> files;  // in the temporary folder afterwards
  };
  const Case cases[] = {
      {"package",
       L"http://files.example/pkg",
       "EBOOT.PBP",
       DOWNLOAD_WRITTEN,
       {"EBOOT.PBP", "Folder"}},
      {"error page",
       L"http://files.example/missing",
       "ERR.PBP",
       DOWNLOAD_NOTHING_RECEIVED,
       {"EBOOT.PBP", "Folder"}},
      {"dropped transfer",
       L"http://files.example/broken",
       "DROP.PBP",
       DOWNLOAD_NOTHING_RECEIVED,
       {"EBOOT.PBP", "Folder"}},
      {"target in a missing folder",
       L"http://files.example/pkg",
       "Nowhere/EBOOT.PBP",
       DOWNLOAD_NOT_WRITTEN,
       {"EBOOT.PBP", "Folder"}},
      {"target is a folder",
       L"http://files.example/pkg",
       "Folder",
       DOWNLOAD_NOT_WRITTEN,
       {"EBOOT.PBP", "Folder"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring target = Wide(dir_.path()) + L"\\" + Wide(c.target);
    std::replace(target.begin(), target.end(), L'/', L'\\');
    const int before = dialog_.cancelDisabled;
    EXPECT_EQ(DownloadToFile(dialog_, nullptr, c.url, target), c.result);
    EXPECT_EQ(Names(dir_.path()).size(), c.files.size());
    for (const auto& name : c.files) EXPECT_TRUE(fs::exists(dir_.path() / name)) << name;
    EXPECT_EQ(dialog_.cancelDisabled, before + 1);
    EXPECT_FALSE(dialog_.m_download.HasDownload());
  }
  EXPECT_EQ(ReadFile(dir_.path() / "EBOOT.PBP"), package);
  EXPECT_TRUE(fs::is_empty(dir_.path() / "Folder"));
}

// Only a package that arrived whole and genuine replaces the old one.
TEST_F(Download, OnlyWholeGenuinePackagesAreWritten) {
  const std::string package = Package(200000);
  const std::string digest = HexSha256(package);
  std::string wrongDigest = digest;
  wrongDigest[10] = wrongDigest[10] == '0' ? '1' : '0';

  HttpReply closeDelimited = HttpReply::Ok(package);
  closeDelimited.framing = HttpReply::Framing::kClose;
  HttpReply closeCut = closeDelimited;
  closeCut.body.resize(120000);
  HttpReply malformed = HttpReply::Chunked(package);
  malformed.malformedChunk = true;
  HttpReply chunkCut = HttpReply::Chunked(package);
  chunkCut.noLastChunk = true;
  HttpReply lengthCut = HttpReply::Ok(package);
  lengthCut.contentLength = package.size() + 1000;

  struct Case {
    const char* what;
    HttpReply reply;
    std::string fragment;  // added to the address
    int result;
  };
  const Case cases[] = {
      {"package with Content-Length", HttpReply::Ok(package), "", DOWNLOAD_WRITTEN},
      {"chunked package", HttpReply::Chunked(package), "", DOWNLOAD_WRITTEN},
      {"matching digest", HttpReply::Ok(package), "#sha256=" + digest, DOWNLOAD_WRITTEN},
      {"digest in capitals", HttpReply::Ok(package), "#sha256=" + Upper(digest), DOWNLOAD_WRITTEN},
      {"another fragment", HttpReply::Ok(package), "#top", DOWNLOAD_WRITTEN},
      {"empty body", HttpReply::Ok(""), "", DOWNLOAD_NOTHING_RECEIVED},
      {"captive sign-in page", HttpReply::Ok(kSignInPage), "", DOWNLOAD_NOTHING_RECEIVED},
      {"magic only in part", HttpReply::Ok(std::string("\0PB", 3)), "", DOWNLOAD_NOTHING_RECEIVED},
      {"whole but close-delimited", closeDelimited, "", DOWNLOAD_NOTHING_RECEIVED},
      {"close-delimited cut short", closeCut, "", DOWNLOAD_NOTHING_RECEIVED},
      {"malformed chunk", malformed, "", DOWNLOAD_NOTHING_RECEIVED},
      {"chunked without its last chunk", chunkCut, "", DOWNLOAD_NOTHING_RECEIVED},
      {"shorter than its Content-Length", lengthCut, "", DOWNLOAD_NOTHING_RECEIVED},
      {"digest does not match", HttpReply::Ok(package), "#sha256=" + wrongDigest,
       DOWNLOAD_NOTHING_RECEIVED},
      {"digest too short", HttpReply::Ok(package), "#sha256=" + digest.substr(1),
       DOWNLOAD_NOTHING_RECEIVED},
  };
  const fs::path eboot = dir_.path() / "EBOOT.PBP";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(eboot, std::ios::binary | std::ios::trunc) << "old package";
    server_.Serve("/p", c.reply);
    const std::wstring url = L"http://files.example/p" + plat::DecodeUtf8(c.fragment);
    EXPECT_EQ(DownloadToFile(dialog_, nullptr, url, Wide(eboot)), c.result);
    EXPECT_EQ(ReadFile(eboot), c.result == DOWNLOAD_WRITTEN ? package : "old package");
    EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"EBOOT.PBP"});
  }
  for (const auto& seen : server_.Requests()) EXPECT_EQ(seen.target, "/p");  // no fragment sent
}

TEST_F(Download, StaleTemporariesBesideTheTargetGoFirst) {
  const std::string package = Package(1000);
  server_.Serve("/p", HttpReply::Ok(package));
  for (const char* name : {".EBOOT.PBP.a1B2c3", ".EBOOT.PBP.zzzzzz", ".OTHER.PBP.a1B2c3", "note"})
    std::ofstream(dir_.path() / name) << "left over";
  fs::create_directory(dir_.path() / ".EBOOT.PBP.folder");
  EXPECT_EQ(
      DownloadToFile(dialog_, nullptr, L"http://f.example/p", Wide(dir_.path() / "EBOOT.PBP")),
      DOWNLOAD_WRITTEN);
  EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{".EBOOT.PBP.folder", ".OTHER.PBP.a1B2c3",
                                                          "EBOOT.PBP", "note"}));
}

TEST_F(Download, CancelMarkOnlyNamesAFailure) {
  HttpReply slowFailure = HttpReply::Status(404);
  slowFailure.headerDelayMs = 600;
  server_.Serve("/fails", slowFailure);
  HttpReply slowSuccess = HttpReply::Ok(Package(100));
  slowSuccess.headerDelayMs = 600;
  server_.Serve("/works", slowSuccess);
  const std::wstring target = Wide(dir_.path()) + L"\\EBOOT.PBP";

  for (const auto& [url, result] : {std::pair{L"http://f.example/fails", DOWNLOAD_CANCELLED},
                                    std::pair{L"http://f.example/works", DOWNLOAD_WRITTEN}}) {
    std::thread pressCancel([&] {
      plat::SleepMs(250);
      EXPECT_TRUE(dialog_.m_download.SetCancelled());
    });
    EXPECT_EQ(DownloadToFile(dialog_, nullptr, url, target), result);
    pressCancel.join();
  }
  EXPECT_EQ(ReadFile(dir_.path() / "EBOOT.PBP"), Package(100));
  EXPECT_FALSE(dialog_.m_download.SetCancelled());  // no download any more
}

TEST_F(Download, CancelEventStopsTheTransferAndLeavesNoFile) {
  HttpReply stall = HttpReply::Ok(std::string(50000, 'x'));
  stall.stallAfter = 20000;
  stall.stallMs = 60000;
  server_.Serve("/stall", stall);
  plat::Event kill;
  std::thread killer([&] {
    plat::SleepMs(400);
    kill.Set();
  });
  EXPECT_EQ(
      DownloadToFile(dialog_, &kill, L"http://f.example/stall", Wide(dir_.path()) + L"\\E.PBP"),
      DOWNLOAD_NOTHING_RECEIVED);
  killer.join();
  server_.EndStalls();
  EXPECT_TRUE(fs::is_empty(dir_.path()));
  // The first snapshot went to the dialog under the download message.
  std::lock_guard lock(dialog_.mutex);
  ASSERT_FALSE(dialog_.messages.empty());
  EXPECT_EQ(dialog_.messages[0], WM_DOWNLOAD_PROGRESS);
  EXPECT_EQ(dialog_.snapshots[0].bytesReceived, 0u);
}

TEST_F(Download, PackagesTheStickCannotTakeAreRefusedAndRoomIsMadeOnlyWhenNeeded) {
  testsupport::TmpfsMount stick("size=1m");
  if (!stick.Mounted()) GTEST_SKIP() << stick.Reason();
  const fs::path eboot = stick.path() / "EBOOT.PBP";
  const std::wstring target = Wide(eboot);
  server_.Serve("/big", HttpReply::Ok(Package(3 << 20)));
  server_.Serve("/bigchunks", HttpReply::Chunked(Package(3 << 20)));

  // Larger than the free room and the old package together: refused, by
  // its Content-Length or while its chunks arrive.
  std::ofstream(eboot) << "old version";
  for (const wchar_t* url : {L"http://f.example/big", L"http://f.example/bigchunks"}) {
    EXPECT_EQ(DownloadToFile(dialog_, nullptr, url, target), DOWNLOAD_NOT_WRITTEN);
    EXPECT_EQ(ReadFile(eboot), "old version");
    EXPECT_EQ(Names(stick.path()), std::vector<std::string>{"EBOOT.PBP"});
  }

  // Room only once the old package is gone: it goes, and the new one comes.
  const std::string old = Package(600 << 10);
  const std::string package = Package(700 << 10);
  std::ofstream(eboot, std::ios::binary) << old;
  server_.Serve("/fits", HttpReply::Ok(package));
  EXPECT_EQ(DownloadToFile(dialog_, nullptr, L"http://f.example/fits", target), DOWNLOAD_WRITTEN);
  EXPECT_EQ(ReadFile(eboot), package);
  EXPECT_EQ(Names(stick.path()), std::vector<std::string>{"EBOOT.PBP"});
}

// A package that arrived whole but cannot be written: the package that was
// on the stick stays as it was and nothing else is left there.
TEST_F(Download, WriteFaultsKeepThePreviousPackage) {
  struct Case {
    const char* name;
    int create, write, fsync, rename;
    std::uint64_t writeLimit;
  };
  constexpr std::uint64_t kAll = testsupport::ScriptedFaults::kNoLimit;
  const Case cases[] = {
      {"read-only stick", EROFS, 0, 0, 0, kAll}, {"I/O error on write", 0, EIO, 0, 0, kAll},
      {"full after 64 KiB", 0, 0, 0, 0, 65536},  {"I/O error on fsync", 0, 0, EIO, 0, kAll},
      {"failed rename", 0, 0, 0, EXDEV, kAll},
  };
  server_.Serve("/pkg", HttpReply::Ok(Package(200000)));
  const fs::path folder = dir_.path() / "UPDATE";
  fs::create_directories(folder);
  std::ofstream(folder / "EBOOT.PBP") << "old version";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::ScriptedFaults faults;
    faults.create = c.create;
    faults.write = c.write;
    faults.fsync = c.fsync;
    faults.rename = c.rename;
    faults.writeLimit = c.writeLimit;
    EXPECT_EQ(
        DownloadToFile(dialog_, nullptr, L"http://f.example/pkg", Wide(folder) + L"\\EBOOT.PBP"),
        DOWNLOAD_NOT_WRITTEN);
    EXPECT_EQ(ReadFile(folder / "EBOOT.PBP"), "old version");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"EBOOT.PBP"});
  }
}

TEST(DownloadProgress, SnapshotsBecomePercentAmountAndSpeed) {
  struct Case {
    std::uint64_t bytes;
    std::int64_t seconds;
    std::uint32_t expected;
    float percent;
    int speed;
    const wchar_t* text;
  };
  const Case cases[] = {
      {1234567, 3, 2500000, 49.38268f, 401, L"1234K of 2500K @ 401K/s"},
      {0, 0, 2500000, 0.0f, 0, L"0K of 2500K"},
      {800000, 0, 2500000, 32.0f, 0, L"800K of 2500K"},
      {3000000, 2, 2500000, 120.0f, 1464, L"3000K of 2500K @ 1464K/s"},
      {5000, 1, 0, 0.0f, 4, L"5K of 0K @ 4K/s"},
  };
  for (const Case& c : cases) {
    TestDialog dialog;
    dialog.m_expectedBytes = c.expected;
    auto snapshot = std::make_unique<FetchProgress>();
    snapshot->bytesReceived = c.bytes;
    snapshot->elapsedSeconds = c.seconds;
    const int drawn = dialog.barsDrawn;
    EXPECT_EQ(OnDownloadProgress(dialog, std::move(snapshot)), 0);
    EXPECT_EQ(dialog.barsDrawn, drawn + 1);  // at once
    EXPECT_NEAR(dialog.m_progressPercent.load(), c.percent, 0.001);
    EXPECT_EQ(dialog.m_progressBytes, static_cast<int>(c.bytes));
    EXPECT_EQ(dialog.m_progressSpeed, c.speed);
    EXPECT_EQ(DownloadProgressText(dialog.m_progressBytes, c.expected, dialog.m_progressSpeed),
              c.text);
  }
}

}  // namespace
