#include "platform/shell/open_url.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "platform/core/time.h"
#include "platform/core/wide_text.h"

extern char** environ;

namespace plat {

bool OpenUrl(std::wstring_view url, unsigned waitMs) {
  if (url.empty()) return false;
  std::string program = "xdg-open";
  std::string argument = EncodeUtf8(url);
  // A leading '-' would read as an option.
  if (argument[0] == '-') return false;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;

  // A thread of its own reaps the child, however long it runs.
  auto status = std::make_shared<std::promise<int>>();
  std::future<int> exited = status->get_future();
  std::thread([child, status] {
    int code = 0;
    while (waitpid(child, &code, 0) < 0 && errno == EINTR) {
    }
    status->set_value(code);
  }).detach();

  constexpr unsigned kLookEveryMs = 20;
  const auto hasExited = [&exited] {
    return exited.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  };
  if (!PollUntil(hasExited, waitMs, kLookEveryMs)) return true;  // still running: it started
  const int code = exited.get();
  return WIFEXITED(code) && WEXITSTATUS(code) == 0;
}

}  // namespace plat
