#include "platform/shell/open_url.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

// An xdg-open of the test's own on PATH: it writes each argument on a line
// of its own into a file and exits with the code the test asks for.
class FakeOpener {
 public:
  explicit FakeOpener(int exitCode, const char* extra = "") {
    const std::filesystem::path script = dir_.path() / "xdg-open";
    std::ofstream(script) << "#!/bin/sh\n"
                          << extra << "\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '"
                          << (dir_.path() / "args").string() << "'; done\nexit " << exitCode
                          << "\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    path_.emplace("PATH", (dir_.path().string() + ":/usr/bin:/bin").c_str());
  }
  std::string Arguments() const {
    std::ifstream in(dir_.path() / "args");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  const std::filesystem::path& folder() const { return dir_.path(); }

 private:
  testsupport::TempDir dir_;
  std::optional<testsupport::ScopedEnv> path_;
};

TEST(OpenUrl, PassesTheAddressAsOneArgumentWithoutAShell) {
  FakeOpener opener(0);
  const std::wstring url = L"http://example.test/a b;touch pwned$(id)`x`&c=\u00e9";
  EXPECT_TRUE(plat::OpenUrl(url));
  EXPECT_EQ(opener.Arguments(), "http://example.test/a b;touch pwned$(id)`x`&c=\xc3\xa9\n");
  EXPECT_FALSE(std::filesystem::exists(opener.folder() / "pwned"));
}

TEST(OpenUrl, ReportsFailures) {
  {
    FakeOpener opener(3);
    EXPECT_FALSE(plat::OpenUrl(L"http://example.test/"));
  }
  {
    FakeOpener opener(0);
    EXPECT_FALSE(plat::OpenUrl(L""));
    EXPECT_FALSE(plat::OpenUrl(L"--help"));
    EXPECT_EQ(opener.Arguments(), "");
  }
  {
    testsupport::TempDir empty;
    testsupport::ScopedEnv path("PATH", empty.path().c_str());
    EXPECT_FALSE(plat::OpenUrl(L"http://example.test/"));
  }
}

TEST(OpenUrl, AnOpenerThatStaysCountsAsOpened) {
  FakeOpener opener(1, "sleep 2");
  EXPECT_TRUE(plat::OpenUrl(L"http://example.test/", 200));
}

}  // namespace
