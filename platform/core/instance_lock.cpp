#include "platform/core/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace plat {
namespace {

std::string LockFilePath(std::string_view name) {
  std::string safeName;
  for (char c : name) {
    safeName += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    return std::string(runtime) + "/" + safeName + ".lock";
  }
  // /tmp is shared by every user: one file per user.
  return "/tmp/" + safeName + "-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

InstanceLock::InstanceLock(std::string_view name) {
  const std::string path = LockFilePath(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  // A file of another user (planted in /tmp) must not stop us from starting.
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_uid != getuid() || !S_ISREG(st.st_mode)) {
    close(fd);
    return;
  }
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    fd_ = fd;
    held_ = true;
    return;
  }
  anotherRuns_ = errno == EWOULDBLOCK;
  close(fd);
}

InstanceLock::~InstanceLock() {
  // The file stays: removing it could let two starters lock different files.
  if (fd_ >= 0) close(fd_);
}

}  // namespace plat
