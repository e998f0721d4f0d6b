#pragma once
// Drive letters for the device suites: tmpfs drives of exact sizes (or plain
// folders) mapped through SWAYMO_DRIVES, and a USB testbed for the PSP.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tmpfs_mount.h"
#include "tests/support/usb_testbed.h"

namespace devicetest {

inline constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

class DriveFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Mounts a tmpfs of bytes for letter (SIZE cap when given) and maps it.
  testsupport::TmpfsMount& Mount(wchar_t letter, std::uint64_t bytes,
                                 std::optional<std::uint64_t> cap = std::nullopt);
  // Maps letter to a plain folder.
  std::filesystem::path Folder(wchar_t letter);
  // Maps letter to path (as for a drive gone from its place).
  void Map(wchar_t letter, const std::filesystem::path& path);
  // Unmounts every drive and maps no letter.
  void ClearDrives();
  std::string PlugPsp(const char* product = "01c8", const char* name = "1-1");

  testsupport::ScopedEnv drivesEnv_{"SWAYMO_DRIVES", nullptr};  // restored afterwards
  testsupport::UsbTestbed usb_;
  testsupport::TempDir folders_;
  std::map<wchar_t, std::unique_ptr<testsupport::TmpfsMount>> mounts_;

 private:
  void Publish();
  std::map<wchar_t, std::string> spec_;
};

}  // namespace devicetest
