#include "util/folders.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/wide_text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tmpfs_mount.h"
#include "util/message_box.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::TmpfsMount;

std::wstring Wide(const fs::path& p) {
  return plat::DecodeUtf8(p.native());
}

// Records the message boxes asked for while it lives.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    SetMessageBoxHook([this](const std::wstring& text, unsigned type) {
      texts.push_back(text);
      types.push_back(type);
      return int{IDOK};
    });
  }
  ~MessageBoxRecorder() { SetMessageBoxHook({}); }
  std::vector<std::wstring> texts;
  std::vector<unsigned> types;
};

// A temporary folder reached as drive E:.
class OnDriveE : public ::testing::Test {
 protected:
  fs::path At(const char* relative) const { return dir_.path() / relative; }
  TempDir dir_;
  TempDir outside_;
  ScopedEnv env_{"SWAYMO_DRIVES", ("E=" + dir_.path().string()).c_str()};
};

using CreateFolderPathTest = OnDriveE;

TEST_F(CreateFolderPathTest, MakesEveryLevel) {
  std::wstring path = L"E:\\PSP\\GAME\\UPDATE\\";
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_TRUE(fs::is_directory(At("PSP/GAME/UPDATE")));

  path = L"E:\\\\PSP\\\\\\SWAYMO";  // collapsed in place; the last part is a folder too
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_EQ(path, L"E:\\PSP\\SWAYMO");
  EXPECT_TRUE(fs::is_directory(At("PSP/SWAYMO")));

  path = L"e:\\psp\\game\\Extra\\";  // existing levels found ignoring case
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_TRUE(fs::is_directory(At("PSP/GAME/Extra")));
  EXPECT_FALSE(fs::exists(At("psp")));
}

TEST_F(CreateFolderPathTest, EmptyPathAndDriveRootCreateNothing) {
  std::wstring empty;
  EXPECT_FALSE(CreateFolderPath(empty));
  std::wstring root = L"E:\\";
  EXPECT_TRUE(CreateFolderPath(root));
  std::wstring unmapped = L"Q:\\PSP\\";  // no such drive: nothing anywhere
  EXPECT_TRUE(CreateFolderPath(unmapped));
  EXPECT_TRUE(fs::is_empty(dir_.path()));
}

TEST_F(CreateFolderPathTest, ALevelThatIsAFileStopsNothingButFails) {
  dir_.Write("PSP", "a file in the way");
  std::wstring path = L"E:\\PSP\\GAME\\";
  EXPECT_TRUE(CreateFolderPath(path));  // levels are not reported
  EXPECT_TRUE(fs::is_regular_file(At("PSP")));
}

TEST_F(OnDriveE, PathKindTellsNothingFileOrFolder) {
  dir_.Write("Dat/file.dat", "x");
  fs::create_directory_symlink(outside_.path(), At("link"));
  const struct {
    const wchar_t* path;
    int kind;
  } cases[] = {
      {L"E:\\missing", 0},
      {L"E:\\dat\\FILE.DAT", 1},
      {L"E:\\Dat", 2},
      {L"E:\\Dat\\", 2},
      {L"E:\\", 2},
      {L"E:", 2},
      {L"E:\\link", 1},
      {L"Q:\\", 0},
      {L"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathKind(c.path), c.kind) << plat::EncodeUtf8(c.path);
  }
}

TEST_F(OnDriveE, FirstFolderEntryGivesTheFirstMatchAndItsAttributes) {
  std::wstring name = L"stale";
  std::uint32_t attributes = 99;
  EXPECT_FALSE(FirstFolderEntry(L"E:\\", &name, &attributes));
  EXPECT_EQ(name, L"");
  EXPECT_EQ(attributes, 0u);

  dir_.Write("b.txt", "");
  dir_.Write("c.dat", "");
  fs::create_directory(At("a"));
  fs::create_symlink(outside_.path(), At("0link"));
  const struct {
    const wchar_t* pattern;
    const wchar_t* name;
    std::uint32_t attributes;
  } cases[] = {
      {L"*.*", L"0link", kAttributeLink},
      {L"a*", L"a", kAttributeFolder},
      {L"*.TXT", L"b.txt", kAttributeNormal},
      {L"c.*", L"c.dat", kAttributeNormal},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(FirstFolderEntry(L"E:", &name, &attributes, c.pattern));
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(attributes, c.attributes);
  }
  EXPECT_TRUE(FirstFolderEntry(L"E:\\", nullptr, nullptr));  // outputs are optional
  attributes = 7;
  EXPECT_TRUE(FirstFolderEntry(L"E:\\", nullptr, &attributes));
  EXPECT_EQ(attributes, 7u);  // written only together with a name
  EXPECT_FALSE(FirstFolderEntry(L"E:\\", &name, &attributes, L"*.png"));
  EXPECT_FALSE(FirstFolderEntry(L"E:\\missing", &name, &attributes));
}

using DeleteFolderTreeTest = OnDriveE;

TEST_F(DeleteFolderTreeTest, RemovesAWholeTree) {
  for (const char* file : {"cache/a.txt", "cache/sub/b.txt", "cache/sub/deeper/c", "cache/A.TXT",
                           "cache/bad\xFF\xFEname", "cache/*.*"}) {
    dir_.Write(file, "data");
  }
  fs::create_directories(At("cache/empty/too"));
  MessageBoxRecorder boxes;
  EXPECT_EQ(DeleteFolderTree(L"E:\\cache", false), 0);
  EXPECT_FALSE(fs::exists(At("cache")));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DeleteFolderTreeTest, LinksAreRemovedAndTheirTargetsLeftAlone) {
  // A link in the cache folder must never take the user's files with it.
  const fs::path mine = outside_.Write("documents/letter.txt", "keep me");
  outside_.Write("documents/more/photo.png", "keep me too");
  dir_.Write("cache/own.txt", "x");
  fs::create_directory_symlink(outside_.path() / "documents", At("cache/docs"));
  fs::create_symlink(mine, At("cache/letter"));
  fs::create_symlink(At("nowhere"), At("cache/dangling"));
  fs::create_directory(At("cache/sub"));
  fs::create_directory_symlink(outside_.path(), At("cache/sub/up"));

  EXPECT_EQ(DeleteFolderTree(Wide(At("cache")), true), 0);
  EXPECT_FALSE(fs::exists(At("cache")));
  EXPECT_TRUE(fs::exists(mine));
  EXPECT_TRUE(fs::exists(outside_.path() / "documents/more/photo.png"));

  // The folder given may itself be a link: it is no folder, and nothing goes.
  fs::create_directory_symlink(outside_.path() / "documents", At("linked"));
  EXPECT_EQ(DeleteFolderTree(L"E:\\linked", false), -1);
  EXPECT_TRUE(fs::exists(mine));
}

TEST_F(DeleteFolderTreeTest, AFileOrNothingIsNotRemovedAndNotReported) {
  dir_.Write("file.txt", "x");
  MessageBoxRecorder boxes;
  for (const wchar_t* path : {L"E:\\file.txt", L"E:\\missing", L"Q:\\cache"}) {
    EXPECT_EQ(DeleteFolderTree(path, false), -1) << plat::EncodeUtf8(path);
  }
  EXPECT_TRUE(fs::exists(At("file.txt")));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(DeleteFolderTreeFailure, AStuckTreeIsReportedUnlessQuiet) {
  TmpfsMount volume("size=1m");
  if (!volume.Mounted()) GTEST_SKIP() << volume.Reason();
  std::filesystem::create_directories(volume.path() / "cache/sub");
  { std::ofstream(volume.path() / "cache/sub/file.txt") << "x"; }
  ASSERT_EQ(mount(nullptr, volume.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  ScopedEnv env("SWAYMO_DRIVES", ("E=" + volume.path().string()).c_str());

  MessageBoxRecorder boxes;
  EXPECT_EQ(DeleteFolderTree(L"E:\\cache", true), -1);
  EXPECT_TRUE(boxes.texts.empty());

  EXPECT_EQ(DeleteFolderTree(L"E:\\cache", false), -1);
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_EQ(boxes.texts.back(), L"Couldn't delete the folder:\n\nE:\\cache");
  EXPECT_EQ(boxes.types.back(), unsigned{MB_OK});
  EXPECT_TRUE(fs::exists(volume.path() / "cache/sub/file.txt"));
}

TEST(GetAppDataFolder, GivesTheConfigFolderCreatingIt) {
  TempDir dir;
  ScopedEnv config("XDG_CONFIG_HOME", (dir.path() / "config").c_str());
  std::wstring buffer = L"old";
  EXPECT_TRUE(GetAppDataFolder(buffer));
  EXPECT_EQ(buffer, Wide(dir.path() / "config"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "config"));

  EXPECT_FALSE(GetSpecialFolder(buffer, 5));  // no other folder is known
  EXPECT_EQ(buffer, L"");
}

TEST(GetAppDataFolder, FailsWithAnEmptyBufferWhenTheFolderCannotBeHad) {
  TempDir dir;
  const fs::path file = dir.Write("config", "a file, not a folder");
  ScopedEnv config("XDG_CONFIG_HOME", file.c_str());
  std::wstring buffer = L"old";
  EXPECT_FALSE(GetAppDataFolder(buffer));
  EXPECT_EQ(buffer, L"");
}

}  // namespace
