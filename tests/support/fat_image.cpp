#include "tests/support/fat_image.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/private_mounts.h"

extern char** environ;

namespace testsupport {
namespace {

// Runs argv with output into *output (when given); its exit code, -1 when it
// could not start.
int Run(const std::vector<std::string>& argv, std::string* output = nullptr) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(pipeFds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsMounted(const std::filesystem::path& mountPoint) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string needle = " " + mountPoint.string() + " ";
  for (std::string line; std::getline(mounts, line);) {
    if (line.find(needle) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

FatImage::FatImage(unsigned kib, std::initializer_list<const char*> folders,
                   const std::filesystem::path& parent) {
  if (geteuid() != 0) {
    reason_ = "mounting a FAT image needs root";
    return;
  }
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    reason_ = "no /dev/fuse on this machine";
    return;
  }
  if (!PrivateMountsFailure().empty()) {
    // A mount made outside a namespace of its own outlives an aborted test.
    reason_ = PrivateMountsFailure();
    return;
  }
  image_ = dir_.path() / "stick.img";
  std::string output;
  if (Run({"mkfs.vfat", "-C", image_.string(), std::to_string(kib)}, &output) != 0) {
    reason_ = "mkfs.vfat (dosfstools) failed: " + output;
    return;
  }
  for (const char* folder : folders) {
    if (!Mtools("mmd", std::string("::") + folder, &output)) {
      reason_ = "mmd (mtools) failed: " + output;
      return;
    }
  }
  std::error_code error;
  mountPoint_ =
      parent / ("swaymo-fat-" + std::to_string(getpid()) + "-" + dir_.path().filename().string());
  std::filesystem::create_directories(mountPoint_, error);
  // In the foreground, so that its end can be waited for after the unmount.
  const std::string image = image_.string(), mountPoint = mountPoint_.string();
  char* args[] = {const_cast<char*>("fusefat"),
                  const_cast<char*>("-f"),
                  const_cast<char*>("-o"),
                  const_cast<char*>("rw+"),
                  const_cast<char*>(image.c_str()),
                  const_cast<char*>(mountPoint.c_str()),
                  nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY,
                                   0);  // its chatter
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "fusefat", &actions, nullptr, args, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    reason_ = "fusefat cannot be started";
    return;
  }
  for (int i = 0; i < 100 && !IsMounted(mountPoint_); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      reason_ = "fusefat ended without mounting the image";
      return;
    }
  }
  pid_ = pid;
  if (!IsMounted(mountPoint_)) {
    Unmount();
    reason_ = "fusefat did not mount the image";
  }
}

FatImage::~FatImage() {
  Unmount();
  std::error_code error;
  if (!mountPoint_.empty()) std::filesystem::remove(mountPoint_, error);
}

void FatImage::Unmount() {
  if (pid_ <= 0) return;
  Run({"fusermount", "-u", mountPoint_.string()});
  if (IsMounted(mountPoint_)) Run({"umount", "-l", mountPoint_.string()});
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

bool FatImage::Mtools(const std::string& command, const std::string& path,
                      std::string* output) const {
  // fusefat leaves the FAT's "clean" marks as mtools does not expect them.
  setenv("MTOOLS_SKIP_CHECK", "1", 1);
  return Run({command, "-i", image_.string(), path}, output) == 0;
}

}  // namespace testsupport
