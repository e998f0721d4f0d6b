// The built program on a real X display (the suite runs on an Xvfb of its own):
// one copy at a time, and a clear word when there is no display at all.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/time.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

// A run of the program with its own runtime and config folders (so its lock
// file is its own) and its error output in a file.
class Program {
 public:
  Program(const testsupport::TempDir& home, bool withDisplay) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.starts_with("XDG_RUNTIME_DIR=") || entry.starts_with("XDG_CONFIG_HOME=")) continue;
      if (!withDisplay && entry.starts_with("DISPLAY=")) continue;
      env.push_back(entry);
    }
    env.push_back("XDG_RUNTIME_DIR=" + home.path().string());
    env.push_back("XDG_CONFIG_HOME=" + home.path().string());
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    errors_ = home.path() / ("stderr-" + std::to_string(counter_++));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::string program = SWAYMO_SETUP_PROGRAM;
    char* argv[] = {program.data(), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Program() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return pid_ > 0; }

  // The exit status once the program has ended within timeoutMs; -1 if not.
  int WaitForExit(unsigned timeoutMs) {
    const std::uint64_t end = plat::TickMs() + timeoutMs;
    while (plat::TickMs() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      plat::SleepMs(20);
    }
    return -1;
  }
  std::string Errors() const {
    std::ifstream in(errors_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path errors_;
  pid_t pid_ = -1;
  bool exited_ = false;
};

std::string Output(const std::string& command) {
  std::array<char, 256> buffer;
  std::string out;
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  while (fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) out += buffer.data();
  return out;
}

// The id of the visible wizard window, or empty.
std::string VisibleWizardWindow() {
  std::string id = Output("xdotool search --onlyvisible --name '^Swaymo Setup$' 2>/dev/null");
  return id.substr(0, id.find('\n'));
}

bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs) {
  const std::uint64_t end = plat::TickMs() + timeoutMs;
  while (!condition()) {
    if (plat::TickMs() >= end) return false;
    plat::SleepMs(50);
  }
  return true;
}

TEST(Program, ASecondCopyRaisesTheFirstAndLeavesQuietly) {
  if (std::getenv("DISPLAY") == nullptr)
    GTEST_SKIP() << "no X display (run under tests/support/with_xvfb.sh)";
  if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "xdotool is missing";
  testsupport::TempDir home;
  Program first(home, true);
  ASSERT_TRUE(first.started());
  std::string window;
  ASSERT_TRUE(WaitFor([&] { return !(window = VisibleWizardWindow()).empty(); }, 30000))
      << first.Errors();
  const std::string property = Output("xprop -id " + window + " KORMAN7");
  EXPECT_TRUE(property.starts_with("KORMAN7") && property.find("not found") == std::string::npos)
      << property;

  // Out of sight: the second copy brings it back.
  std::system(("xdotool windowunmap --sync " + window).c_str());
  ASSERT_TRUE(WaitFor([&] { return VisibleWizardWindow().empty(); }, 5000));

  Program second(home, true);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.WaitForExit(20000), 0);
  EXPECT_EQ(second.Errors(), "");
  EXPECT_TRUE(WaitFor([&] { return VisibleWizardWindow() == window; }, 5000));
  EXPECT_EQ(first.WaitForExit(0), -1);  // the first copy runs on
}

// The settings server accepts and never answers; a double-click in the
// window's corner still ends the whole process within 2 s.
TEST(Program, ACloseWhileTheSettingsServerStallsEndsTheProcessAtOnce) {
  if (std::getenv("DISPLAY") == nullptr)
    GTEST_SKIP() << "no X display (run under tests/support/with_xvfb.sh)";
  if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "xdotool is missing";
  testsupport::HttpServer server;
  testsupport::HttpReply stalled = testsupport::HttpReply::Ok("<result>\n");
  stalled.headerDelayMs = 60000;
  server.Serve("/swaymo_settings.asp", stalled);
  testsupport::ScopedConnectTo mapping(server);
  testsupport::ScopedEnv settings("SWAYMO_SETTINGS_URL",
                                  "http://settings.swaymo.example/swaymo_settings.asp");
  testsupport::TempDir home;
  Program program(home, true);
  ASSERT_TRUE(program.started());
  std::string window;
  ASSERT_TRUE(WaitFor([&] { return !(window = VisibleWizardWindow()).empty(); }, 30000))
      << program.Errors();
  // English, then the corner once the settings fetch hangs.
  std::system(("xdotool mousemove --window " + window + " 70 187 click 1").c_str());
  ASSERT_TRUE(WaitFor([&] { return server.CountRequests("/swaymo_settings.asp") > 0; }, 10000));
  plat::SleepMs(300);
  std::system(
      ("xdotool mousemove --window " + window + " 12 12 click --repeat 2 --delay 60 1").c_str());
  EXPECT_EQ(program.WaitForExit(2000), 0) << program.Errors();
  server.EndStalls();
}

TEST(Program, WithoutADisplayItSaysSoAndFails) {
  testsupport::TempDir home;
  Program program(home, false);
  ASSERT_TRUE(program.started());
  const int status = program.WaitForExit(20000);
  EXPECT_NE(status, 0);
  EXPECT_NE(status, -1);
  const std::string errors = program.Errors();
  EXPECT_NE(errors.find("display"), std::string::npos) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

}  // namespace
