// The safe write under injected faults: whatever fails, the file that was
// there is whole and no temporary file is left beside it.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/fs/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scripted_faults.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ScriptedFaults;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

class SafeWrite : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
  testsupport::ScopedEnv env_{"SWAYMO_DRIVES", ("E=" + dir_.path().string()).c_str()};
};

struct FaultCase {
  const char* name;
  int create, write;
  std::uint64_t writeLimit;
  int fsync, rename;
};

TEST_F(SafeWrite, EveryFaultLeavesTheOldFileWholeAndNoTemporaryFile) {
  constexpr std::uint64_t kAll = ScriptedFaults::kNoLimit;
  const FaultCase cases[] = {
      {"read-only stick", EROFS, 0, kAll, 0, 0},   {"I/O error on write", 0, EIO, kAll, 0, 0},
      {"full after 1000 bytes", 0, 0, 1000, 0, 0}, {"full from the start", 0, 0, 0, 0, 0},
      {"I/O error on fsync", 0, 0, kAll, EIO, 0},  {"failed rename", 0, 0, kAll, 0, EIO},
  };
  const std::string next(5000, 'n');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool hadFile : {true, false}) {
      SCOPED_TRACE(hadFile ? "over an old file" : "a new file");
      fs::remove_all(dir_.path() / "S");
      fs::create_directories(dir_.path() / "S");
      if (hadFile) std::ofstream(dir_.path() / "S" / "Language.bin") << "old";
      {
        ScriptedFaults faults;
        faults.create = c.create;
        faults.write = c.write;
        faults.writeLimit = c.writeLimit;
        faults.fsync = c.fsync;
        faults.rename = c.rename;
        EXPECT_FALSE(plat::WriteFileSafely(L"E:\\S\\Language.bin", next.data(), next.size()));
      }
      if (hadFile) {
        EXPECT_EQ(ReadAll(dir_.path() / "S" / "Language.bin"), "old");
        EXPECT_EQ(Names(dir_.path() / "S"), std::vector<std::string>{"Language.bin"});
      } else {
        EXPECT_TRUE(Names(dir_.path() / "S").empty());
      }
    }
  }
  // With the faults gone the same write goes through.
  EXPECT_TRUE(plat::WriteFileSafely(L"E:\\S\\Language.bin", next.data(), next.size()));
  EXPECT_EQ(ReadAll(dir_.path() / "S" / "Language.bin"), next);
}

TEST_F(SafeWrite, ShortWritesAreContinued) {
  ScriptedFaults faults;
  faults.chunk = 777;
  std::string data(30000, 0);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  EXPECT_TRUE(plat::WriteFileSafely(L"E:\\a.bin", data.data(), data.size()));
  EXPECT_EQ(ReadAll(dir_.path() / "a.bin"), data);
  EXPECT_EQ(faults.writes, 39);
}

// A real full stick: the write fails on the device itself.
TEST(SafeWriteOnAStick, AFullStickKeepsTheOldFile) {
  testsupport::TmpfsMount stick("size=64k");
  if (!stick.Mounted()) GTEST_SKIP() << stick.Reason();
  testsupport::ScopedEnv env("SWAYMO_DRIVES", ("F=" + stick.path().string()).c_str());
  const std::string old(1000, 'o');
  ASSERT_TRUE(plat::WriteFileSafely(L"F:\\EBOOT.PBP", old.data(), old.size()));
  const std::string big(200 * 1024, 'b');
  EXPECT_FALSE(plat::WriteFileSafely(L"F:\\EBOOT.PBP", big.data(), big.size()));
  EXPECT_EQ(ReadAll(stick.path() / "EBOOT.PBP"), old);
  EXPECT_EQ(Names(stick.path()), std::vector<std::string>{"EBOOT.PBP"});
}

}  // namespace
