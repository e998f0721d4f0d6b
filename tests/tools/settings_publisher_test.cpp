// The publisher's settings document: every package is hashed into its
// address, and nothing is written for a file that is missing or no package.
#include "tools/settings_publisher.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace {

using namespace std::string_literals;

class Publisher : public ::testing::Test {
 protected:
  SettingsToPublish Settings() const {
    SettingsToPublish settings{
        "Swaymo_Setup_2_204.exe", "https://www.swaymo.example/support.html", {}};
    for (const auto& [key, name] : {std::pair{L"DEMO_FILE_DOWNLOAD_URL", "JP"},
                                    std::pair{L"DEMO_FILE_DOWNLOAD_PSPGO_URL_ML", "GO_ML"},
                                    std::pair{L"DEMO_FILE_DOWNLOAD_URL_ML", "ML"},
                                    std::pair{L"DEMO_FILE_DOWNLOAD_PSPGO_URL", "GO_JP"}}) {
      const auto file = dir_.Write("EBOOT_"s + name + ".PBP", "\0PBP package "s + name);
      settings.packages.push_back(
          {key, file.string(), "https://files.swaymo.example/EBOOT_"s + name + ".PBP"});
    }
    return settings;
  }
  testsupport::TempDir dir_;
};

TEST_F(Publisher, ListsEveryPackageWithItsDigestInTheWizardsKeyOrder) {
  const PublishedDocument document = ComposeSettingsDocument(Settings());
  ASSERT_EQ(document.error, "");
  EXPECT_EQ(document.text,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<result>\n"
            "CURRENT_VERSION = Swaymo_Setup_2_204.exe\n"
            "CUSTOMER_SUPPORT_URL = https://www.swaymo.example/support.html\n"
            "DEMO_FILE_DOWNLOAD_URL_ML = https://files.swaymo.example/EBOOT_ML.PBP"
            "#sha256=9fcaf0b319ac058924e7e09e5f26e6b1e10c63fa0cf6c531230de0a0fa1445f9\n"
            "DEMO_FILE_DOWNLOAD_PSPGO_URL_ML = https://files.swaymo.example/EBOOT_GO_ML.PBP"
            "#sha256=72b2f168ad591840e8e7a443519cb71d307b1adffcbd7a29d6473931e8b8c29f\n"
            "DEMO_FILE_DOWNLOAD_URL = https://files.swaymo.example/EBOOT_JP.PBP"
            "#sha256=c48f5ff7405be83a2a050a5267a9275161533763cb0178fd3e6bd02ae5aa8c19\n"
            "DEMO_FILE_DOWNLOAD_PSPGO_URL = https://files.swaymo.example/EBOOT_GO_JP.PBP"
            "#sha256=8f6f014333a0c09c02f098e17e673bbd7d9c0886100e66378e50abee5a62764c\n"
            "</result>\n");
}

TEST_F(Publisher, HashesAPackageLargerThanOneReadWhole) {
  std::string big = "\0PBP"s;
  for (int i = 0; i < 200000; ++i) big += static_cast<char>(i % 251);
  SettingsToPublish settings = Settings();
  settings.packages[2].file = dir_.Write("big.PBP", big).string();
  const PublishedDocument document = ComposeSettingsDocument(settings);
  ASSERT_EQ(document.error, "");
  EXPECT_NE(
      document.text.find(
          "EBOOT_ML.PBP#sha256=55a8300242f71575408963f27f4563a0c75edc49fa5a28b327ac859333fc18bc\n"),
      std::string::npos)
      << document.text;
}

TEST_F(Publisher, RefusesWhatIsNoWholePackageListOrAddress) {
  struct Case {
    const char* what;
    void (*spoil)(SettingsToPublish&, const testsupport::TempDir&);
    const char* error;
  };
  const Case cases[] = {
      {"missing file",
       [](SettingsToPublish& s, const testsupport::TempDir& d) {
         s.packages[0].file = (d.path() / "absent.PBP").string();
       },
       "cannot read"},
      {"not a package",
       [](SettingsToPublish& s, const testsupport::TempDir& d) {
         s.packages[1].file = d.Write("page.html", "<html>sign in</html>").string();
       },
       "does not begin with the PBP magic 00 50 42 50"},
      {"empty file",
       [](SettingsToPublish& s, const testsupport::TempDir& d) {
         s.packages[1].file = d.Write("empty.PBP", "").string();
       },
       "does not begin with the PBP magic"},
      {"magic cut short",
       [](SettingsToPublish& s, const testsupport::TempDir& d) {
         s.packages[1].file = d.Write("short.PBP", "\0PB"s).string();
       },
       "does not begin with the PBP magic"},
      {"address with a fragment",
       [](SettingsToPublish& s, const testsupport::TempDir&) { s.packages[3].url += "#sha256=00"; },
       "not an http or https address"},
      {"address breaking its line",
       [](SettingsToPublish& s, const testsupport::TempDir&) {
         s.packages[3].url += "\nCURRENT_VERSION = Swaymo_Setup_2_999.exe";
       },
       "not an http or https address"},
      {"address of another scheme",
       [](SettingsToPublish& s, const testsupport::TempDir&) {
         s.packages[3].url = "ftp://files.swaymo.example/EBOOT.PBP";
       },
       "not an http or https address"},
      {"key given twice",
       [](SettingsToPublish& s, const testsupport::TempDir&) {
         s.packages[0].key = s.packages[1].key;
       },
       "given twice"},
      {"key missing",
       [](SettingsToPublish& s, const testsupport::TempDir&) { s.packages.pop_back(); },
       "is missing"},
      {"version breaking its line",
       [](SettingsToPublish& s, const testsupport::TempDir&) { s.currentVersion += "\r"; },
       "current version"},
      {"support address empty",
       [](SettingsToPublish& s, const testsupport::TempDir&) { s.supportUrl.clear(); },
       "support address"},
  };
  for (const Case& c : cases) {
    SettingsToPublish settings = Settings();
    c.spoil(settings, dir_);
    const PublishedDocument document = ComposeSettingsDocument(settings);
    EXPECT_EQ(document.text, "") << c.what;
    EXPECT_NE(document.error.find(c.error), std::string::npos) << c.what << ": " << document.error;
  }
}

}  // namespace
