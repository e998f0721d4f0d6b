#define FUSE_USE_VERSION 31
#include "tests/support/blocking_fuse.h"

#include <fuse3/fuse.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tests/support/private_mounts.h"

namespace testsupport {
namespace {

BlockingStatfsMount* Self() {
  return static_cast<BlockingStatfsMount*>(fuse_get_context()->private_data);
}

bool IsFolder(const char* path) {
  return std::strcmp(path, "/") == 0 || std::strcmp(path, "/PSP") == 0;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  std::memset(st, 0, sizeof *st);
  if (!IsFolder(path)) return -ENOENT;
  st->st_mode = S_IFDIR | 0755;
  st->st_nlink = 2;
  return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return IsFolder(path) ? 0 : -ENOENT;
  for (const char* name : {".", "..", "PSP"}) fill(buffer, name, nullptr, 0, fuse_fill_dir_flags{});
  return 0;
}

int StatFs(const char*, struct statvfs* st) {
  const int error = Self()->OnStatfs();
  std::memset(st, 0, sizeof *st);
  st->f_bsize = st->f_frsize = 4096;
  st->f_blocks = st->f_bfree = st->f_bavail = 262144;  // 1 GiB, all free
  st->f_namemax = 255;
  return error;
}

}  // namespace

BlockingStatfsMount::BlockingStatfsMount() {
  if (!PrivateMountsFailure().empty()) {
    reason_ = PrivateMountsFailure();
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "swaymo-fuse-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    reason_ = std::string("cannot make a mount point: ") + std::strerror(errno);
    return;
  }
  path_ = pattern;
  static fuse_operations ops = [] {
    fuse_operations o{};
    o.getattr = GetAttr;
    o.readdir = ReadDir;
    o.statfs = StatFs;
    return o;
  }();
  char program[] = "swaymo-test";
  char* argv[] = {program, nullptr};
  fuse_args args = FUSE_ARGS_INIT(1, argv);
  fuse* f = fuse_new(&args, &ops, sizeof ops, this);
  fuse_opt_free_args(&args);
  if (f == nullptr) {
    reason_ = "fuse_new failed";
    return;
  }
  if (fuse_mount(f, path_.c_str()) != 0) {
    fuse_destroy(f);
    reason_ = "cannot mount a FUSE file system on " + path_.string() +
              " (these tests need root and /dev/fuse)";
    return;
  }
  fuse_ = f;
  // Each request on a thread of its own: a blocked statfs holds up nothing else.
  loop_ = std::thread([f] { fuse_loop_mt(f, 0); });
}

BlockingStatfsMount::~BlockingStatfsMount() {
  Release();
  if (fuse_ != nullptr) {
    fuse_exit(fuse_);
    // Detached, the file system goes away and the loop's reads of the device
    // end; only then is the device closed (fuse_unmount), not under a read.
    umount2(path_.c_str(), MNT_DETACH);
    loop_.join();
    fuse_unmount(fuse_);
    fuse_destroy(fuse_);
  }
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
}

void BlockingStatfsMount::Release() {
  {
    std::lock_guard lock(mutex_);
    isReleased_ = true;
  }
  released_.notify_all();
}

int BlockingStatfsMount::StatfsCalls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

int BlockingStatfsMount::OnStatfs() {
  std::unique_lock lock(mutex_);
  ++calls_;
  released_.wait(lock, [this] { return isReleased_; });
  return 0;
}

}  // namespace testsupport
