// The embedded demo's own files, as the program reads them: the settings
// document through the real fetcher and scanner, the packages it names, and
// the USB description of the simulated PSP (this suite runs under
// umockdev-run with demo/psp.umockdev).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "online/downloader.h"
#include "online/online_settings.h"
#include "online/page_fetcher.h"
#include "online/update_check.h"
#include "online/znxml.h"
#include "platform/core/time.h"
#include "platform/core/wide_text.h"
#include "platform/usb/usb_devices.h"
#include "tests/support/http_server.h"
#include "tests/support/source_dir.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ScopedConnectTo;

std::filesystem::path DemoDir() {
  return testsupport::SourceDir() / "demo";
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::wstring Value(const CZNXML& doc, const wchar_t* key) {
  std::wstring value;
  doc.GetValue(key, value);
  return value;
}

// The demo's www folder as scripts/demo makes it: the generated packages, and
// the settings document the publisher's command writes for them.
TEST(DemoFiles, SettingsDocumentNamesAGeneratedPackageForEveryKey) {
  testsupport::TempDir www;
  const std::filesystem::path packages = www.path() / "packages";
  const char* publisher = std::getenv("SWAYMO_PUBLISHER");
  ASSERT_NE(publisher, nullptr);
  const std::string generate = "/usr/bin/python3 '" + (DemoDir() / "make_packages.py").string() +
                               "' '" + packages.string() + "' && '" +
                               (DemoDir() / "publish_settings.sh").string() + "' '" + publisher +
                               "' '" + www.path().string() + "' demo.swaymo.example";
  ASSERT_EQ(std::system(generate.c_str()), 0);
  HttpServer server;
  ScopedConnectTo mapping(server);
  server.Serve("/swaymo_settings.asp", HttpReply::Ok(ReadFile(www.path() / "swaymo_settings.asp")));

  CZNXML doc;
  RegisterSettingsKeys(doc);
  // Twice: a second scan finds the keys in the order the first one left.
  for (int fetch = 0; fetch < 2; ++fetch) {
    ASSERT_EQ(doc.RequestFetch(L"http://demo.swaymo.example/swaymo_settings.asp"), 1);
    while (doc.GetStatus() == SETTINGS_PENDING) plat::SleepMs(1);
    ASSERT_EQ(doc.GetStatus(), SETTINGS_LOADED) << "fetch " << fetch;

    // The demo's wizard is the newest: no update screen.
    EXPECT_GT(GetOnlineVersion(doc), 0);
    EXPECT_LE(GetOnlineVersion(doc), kWizardVersion);
    EXPECT_FALSE(Value(doc, L"CUSTOMER_SUPPORT_URL").empty());

    std::wstring seen;
    for (const wchar_t* key : {L"DEMO_FILE_DOWNLOAD_URL_ML", L"DEMO_FILE_DOWNLOAD_PSPGO_URL_ML",
                               L"DEMO_FILE_DOWNLOAD_URL", L"DEMO_FILE_DOWNLOAD_PSPGO_URL"}) {
      const std::wstring url = Value(doc, key);
      std::wstring host, object;
      ASSERT_TRUE(SplitUrl(url.substr(0, url.find(L'#')), host, object)) << plat::EncodeUtf8(key);
      EXPECT_EQ(host, L"demo.swaymo.example");
      const std::string file = plat::EncodeUtf8(object);
      ASSERT_EQ(file.rfind("/packages/", 0), 0u) << file;
      const std::string package = ReadFile(packages / file.substr(10));
      // Big enough to move the progress bar, within the expected 2,500,000.
      EXPECT_GT(package.size(), 1'000'000u) << file;
      EXPECT_LE(package.size(), 2'500'000u) << file;
      // The address carries the package's digest, and the wizard takes it.
      EXPECT_NE(url.find(L"#sha256="), std::wstring::npos) << file;
      EXPECT_TRUE(IsGenuinePackage(url, reinterpret_cast<const std::byte*>(package.data()),
                                   package.size(), true))
          << file;
      EXPECT_EQ(seen.find(object), std::wstring::npos) << "two keys name " << file;
      seen += object + L" ";
    }
  }
}

TEST(DemoFiles, PackagesAreTheSameOnEveryRun) {
  testsupport::TempDir a, b;
  for (const auto* dir : {&a, &b}) {
    const std::string generate = "/usr/bin/python3 '" + (DemoDir() / "make_packages.py").string() +
                                 "' '" + dir->path().string() + "'";
    ASSERT_EQ(std::system(generate.c_str()), 0);
  }
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(a.path())) {
    const std::string first = ReadFile(entry.path());
    EXPECT_EQ(first, ReadFile(b.path() / entry.path().filename())) << entry.path();
    EXPECT_EQ(first.substr(0, 4), std::string("\0PBP", 4)) << entry.path();
    ++count;
  }
  EXPECT_EQ(count, 4);
}

TEST(DemoFiles, DeviceDescriptionIsAPspOnUsb) {
  const plat::UsbDevices devices = plat::UsbDevices::Present();
  ASSERT_EQ(devices.size(), 1u) << "not run under umockdev-run --device demo/psp.umockdev?";
  const std::wstring path = devices.PathAt(0);
  EXPECT_NE(path.find(L"#vid_054c&pid_01c8#"), std::wstring::npos) << plat::EncodeUtf8(path);
}

}  // namespace
