#include "tests/device/drive_fixture.h"

#include <cstdlib>

namespace devicetest {

void DriveFixture::SetUp() {
  if (!testsupport::UsbTestbed::active()) GTEST_SKIP() << "needs umockdev-wrapper around the test";
  testsupport::TmpfsMount probe("size=64k");
  if (!probe.Mounted()) GTEST_SKIP() << probe.Reason();
  Publish();
}

void DriveFixture::TearDown() {
  mounts_.clear();
}

testsupport::TmpfsMount& DriveFixture::Mount(wchar_t letter, std::uint64_t bytes,
                                             std::optional<std::uint64_t> cap) {
  auto& mount = mounts_[letter];
  mount = std::make_unique<testsupport::TmpfsMount>("size=" + std::to_string(bytes));
  EXPECT_TRUE(mount->Mounted()) << mount->Reason();
  spec_[letter] = mount->path().string() + (cap ? ":" + std::to_string(*cap) : "");
  Publish();
  return *mount;
}

std::filesystem::path DriveFixture::Folder(wchar_t letter) {
  const auto path = folders_.path() / std::string(1, static_cast<char>(letter));
  std::filesystem::create_directories(path);
  Map(letter, path);
  return path;
}

void DriveFixture::Map(wchar_t letter, const std::filesystem::path& path) {
  spec_[letter] = path.string();
  Publish();
}

void DriveFixture::ClearDrives() {
  mounts_.clear();
  spec_.clear();
  Publish();
}

std::string DriveFixture::PlugPsp(const char* product, const char* name) {
  return usb_.AddDevice(name, "054c", product, "0123456789AB");
}

void DriveFixture::Publish() {
  std::string spec;
  for (const auto& [letter, path] : spec_) {
    if (!spec.empty()) spec += ',';
    spec += static_cast<char>(letter);
    spec += '=' + path;
  }
  // Never an empty table: that would let the machine's own media in. A: is
  // never examined.
  if (spec.empty()) spec = "A=" + (folders_.path() / "none").string();
  setenv("SWAYMO_DRIVES", spec.c_str(), 1);
}

}  // namespace devicetest
