#include "device/stick_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/fs/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    out.insert(fs::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : ""));
  }
  return out;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Drive G: is a fresh folder.
class StickLayoutTest : public ::testing::Test {
 protected:
  testsupport::TempDir stick_;
  testsupport::ScopedEnv drives_{"SWAYMO_DRIVES", ("G=" + stick_.path().string()).c_str()};
};

TEST(StickPath, IsTheLetterFollowedByThePlace) {
  EXPECT_EQ(StickPath(L'G', kStickApplicationFile), L"G:\\PSP\\GAME\\UPDATE\\EBOOT.PBP");
  EXPECT_EQ(StickPath(L'E', kStickLanguageFile), L"E:\\SWAYMO\\Language.bin");
  EXPECT_EQ(StickPath(L'Z', kStickWriteTestFile), L"Z:\\mmm_temp_fil_36569.tmp");
}

TEST_F(StickLayoutTest, PreparesEveryFolderLevelButNotTheFile) {
  PrepareTargetFolders(StickPath(L'G', kStickApplicationFile));
  PrepareTargetFolders(StickPath(L'G', kStickLanguageFile));
  EXPECT_EQ(Tree(stick_.path()),
            (std::set<std::string>{"PSP/", "PSP/GAME/", "PSP/GAME/UPDATE/", "SWAYMO/"}));
  // Doubled backslashes are collapsed first.
  PrepareTargetFolders(L"G:\\\\PSP\\\\LOG\\\\\\x.txt");
  EXPECT_TRUE(fs::is_directory(stick_.path() / "PSP/LOG"));
  EXPECT_FALSE(fs::exists(stick_.path() / "PSP/LOG/x.txt"));
}

TEST_F(StickLayoutTest, ExistingFoldersAreLeftAsTheyAre) {
  stick_.Write("PSP/GAME/UPDATE/EBOOT.PBP", "old");
  stick_.Write("psp_other/keep", "k");
  const auto before = Tree(stick_.path());
  PrepareTargetFolders(StickPath(L'G', kStickApplicationFile));
  EXPECT_EQ(Tree(stick_.path()), before);
  EXPECT_EQ(Read(stick_.path() / "PSP/GAME/UPDATE/EBOOT.PBP"), "old");
}

TEST_F(StickLayoutTest, FoldersMatchExistingOnesWhateverTheirCase) {
  fs::create_directories(stick_.path() / "psp/game");
  PrepareTargetFolders(StickPath(L'G', kStickApplicationFile));
  EXPECT_EQ(Tree(stick_.path()), (std::set<std::string>{"psp/", "psp/game/", "psp/game/UPDATE/"}));
}

TEST_F(StickLayoutTest, AnExistingApplicationFileIsReplaced) {
  const std::wstring path = StickPath(L'G', kStickApplicationFile);
  PrepareTargetFolders(path);
  const std::string longer(5000, 'a');
  ASSERT_TRUE(plat::WriteFileSafely(path, longer.data(), longer.size()));
  ASSERT_TRUE(plat::WriteFileSafely(path, "new", 3));
  EXPECT_EQ(Read(stick_.path() / "PSP/GAME/UPDATE/EBOOT.PBP"), "new");
}

}  // namespace
