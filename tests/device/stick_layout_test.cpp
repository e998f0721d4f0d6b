#include "device/stick_layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

// A link or a FIFO at any place the wizard writes: the write through it
// fails, the others go on, nothing outside the stick changes, nothing waits.
TEST_F(StickLayoutTest, LinksAndFifosOnTheStickLeadNowhere) {
  testsupport::TempDir outside;
  const fs::path outsideFile = outside.Write("target.txt", "mine");
  fs::create_directories(outside.path() / "GAME/UPDATE");
  const auto outsideTree = Tree(outside.path());
  enum Write { kPackage, kLanguage, kWriteTest };
  const struct {
    const char* place;
    bool folder;
    Write blocked;
  } places[] = {
      {"PSP", true, kPackage},
      {"PSP/GAME", true, kPackage},
      {"PSP/GAME/UPDATE", true, kPackage},
      {"PSP/GAME/UPDATE/EBOOT.PBP", false, kPackage},
      {"SWAYMO", true, kLanguage},
      {"SWAYMO/Language.bin", false, kLanguage},
      {"mmm_temp_fil_36569.tmp", false, kWriteTest},
  };
  for (const auto& p : places) {
    for (const bool fifo : {false, true}) {
      SCOPED_TRACE(std::string(p.place) + (fifo ? " as a FIFO" : " as a link"));
      fs::remove_all(stick_.path());
      fs::create_directories(stick_.path() / fs::path(p.place).parent_path());
      const fs::path trap = stick_.path() / p.place;
      if (fifo) {
        ASSERT_EQ(mkfifo(trap.c_str(), 0644), 0);
      } else if (p.folder) {
        fs::create_directory_symlink(outside.path(), trap);
      } else {
        fs::create_symlink(outsideFile, trap);
      }

      const std::wstring package = StickPath(L'G', kStickApplicationFile);
      const std::wstring language = StickPath(L'G', kStickLanguageFile);
      const std::wstring writeTest = StickPath(L'G', kStickWriteTestFile);
      PrepareTargetFolders(package);
      PrepareTargetFolders(language);
      EXPECT_EQ(plat::WriteFileSafely(language, "\x01", 1), p.blocked != kLanguage);
      EXPECT_EQ(plat::WriteFileSafely(package, "PBP", 3), p.blocked != kPackage);
      EXPECT_EQ(plat::WriteFileSafely(writeTest, nullptr, 0), p.blocked != kWriteTest);
      if (p.blocked != kWriteTest) {
        EXPECT_TRUE(plat::RemoveFile(writeTest));
      }

      EXPECT_EQ(Tree(outside.path()), outsideTree);
      EXPECT_EQ(Read(outsideFile), "mine");
      EXPECT_EQ(fs::symlink_status(trap).type(),
                fifo ? fs::file_type::fifo : fs::file_type::symlink);
    }
  }
}

}  // namespace
