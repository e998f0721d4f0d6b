#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/wide_text.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;
using plat::DriveTable;
using plat::EntryKind;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::TmpfsMount;

std::wstring Wide(const fs::path& p) {
  return plat::DecodeUtf8(p.native());
}

// ---- the drive table ----

TEST(DriveTable, SpecGivesRootsAndCaps) {
  struct Case {
    const char* spec;
    wchar_t letter;
    const char* root;
    std::optional<std::uint64_t> cap;
  };
  const Case cases[] = {
      {"E=/media/stick", L'E', "/media/stick", std::nullopt},
      {"e=/media/stick:2G", L'E', "/media/stick", 2ull << 30},
      {"F=/x:512m", L'F', "/x", 512ull << 20},
      {"G=/x:4KiB", L'G', "/x", 4096},
      {"H=/x:1000", L'H', "/x", 1000},
      {"I=/a:b:1T", L'I', "/a:b", 1ull << 40},
      {"J=/a:bc", L'J', "/a:bc", std::nullopt},  // not a size: part of the path
      {" K = /x ", L'K', "/x", std::nullopt},
      {"A=/floppy", L'A', "/floppy", std::nullopt},  // named explicitly, so it exists
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spec);
    const DriveTable table = DriveTable::FromSpec(c.spec);
    ASSERT_EQ(table.drives().size(), 1u);
    const DriveTable::Drive* drive = table.Find(c.letter);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->root, fs::path(c.root));
    EXPECT_EQ(drive->capBytes, c.cap);
  }
}

TEST(DriveTable, SpecSkipsMalformedEntriesAndKeepsTheRest) {
  const DriveTable table =
      DriveTable::FromSpec("=/x,EE=/y,E=,7=/z,,F=/ok,G=/big:99999999999999999999G");
  ASSERT_EQ(table.drives().size(), 2u);
  EXPECT_EQ(table.Find(L'f')->root, fs::path("/ok"));
  // A size that overflows is no size: the text stays part of the path.
  EXPECT_EQ(table.Find(L'G')->root, fs::path("/big:99999999999999999999G"));
  EXPECT_EQ(table.Find(L'E'), nullptr);
}

TEST(DriveTable, MountInfoLettersRemovableMediaFromDInMountPointOrder) {
  const char* mountinfo =
      "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "30 22 0:5 / /proc rw - proc proc rw\n"
      "41 22 8:17 / /run/media/ann/CARD rw - vfat /dev/sdb1 rw\n"
      "42 22 8:33 / /media/ann/MY\\040STICK rw shared:9 - vfat /dev/sdc1 rw\n"
      "43 22 8:49 / /mnt/usb rw - vfat /dev/sdd1 rw\n"
      "44 22 8:50 / /mnt rw - ext4 /dev/sdd2 rw\n"  // the parent itself is not media
      "45 22 8:51 / /media rw - ext4 /dev/sdd3 rw\n"
      "46 22 8:52 / /mediaX/y rw - ext4 /dev/sdd4 rw\n"
      "47 22 8:53 / /mnt/usb rw - vfat /dev/sdd1 rw\n"  // mounted again: one drive
      "48 22 8:54 / /home rw - ext4 /dev/sde1 rw\n"
      "truncated line\n";
  const DriveTable table = DriveTable::FromMountInfo(mountinfo);
  ASSERT_EQ(table.drives().size(), 3u);
  EXPECT_EQ(table.Find(L'D')->root, fs::path("/media/ann/MY STICK"));
  EXPECT_EQ(table.Find(L'E')->root, fs::path("/mnt/usb"));
  EXPECT_EQ(table.Find(L'F')->root, fs::path("/run/media/ann/CARD"));
  EXPECT_FALSE(table.Find(L'D')->capBytes);
}

TEST(DriveTable, MountInfoStopsAtZ) {
  std::string mountinfo;
  for (int i = 0; i < 30; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "%d 1 8:%d / /media/s%02d rw - vfat /dev/x rw\n", 50 + i, i,
                  i);
    mountinfo += line;
  }
  const DriveTable table = DriveTable::FromMountInfo(mountinfo);
  EXPECT_EQ(table.drives().size(), 23u);
  EXPECT_EQ(table.Find(L'Z')->root, fs::path("/media/s22"));
  EXPECT_EQ(table.Find(L'C'), nullptr);
}

TEST(DriveTable, SwaymoDrivesWinsEvenWhenEmpty) {
  {
    ScopedEnv env("SWAYMO_DRIVES", "E=/somewhere");
    EXPECT_EQ(DriveTable::Current().drives().size(), 1u);
  }
  ScopedEnv env("SWAYMO_DRIVES", "");
  EXPECT_TRUE(DriveTable::Current().drives().empty());
}

// ---- path translation ----

class PathTranslation : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"PSP/game/Update", "dat", "Dup", "dup", "\xC3\xA9t\xC3\xA9"}) {
      fs::create_directories(dir_.path() / folder);
    }
    dir_.Write("dat/EnglishStrings.dat", "x");
  }
  fs::path Translate(std::wstring_view path) {
    const auto native = plat::ToNativePath(path, drives_);
    return native ? *native : fs::path("<none>");
  }
  TempDir dir_;
  DriveTable drives_ = DriveTable::FromSpec("E=" + dir_.path().string());
};

TEST_F(PathTranslation, ResolvesDriveLettersAndCaseLikeFat) {
  const fs::path root = dir_.path();
  const struct {
    const wchar_t* path;
    fs::path expected;
  } cases[] = {
      {L"E:", root},
      {L"E:\\", root},
      {L"e:\\PSP\\GAME\\UPDATE\\EBOOT.PBP", root / "PSP/game/Update/EBOOT.PBP"},
      {L"E:\\psp\\\\game\\", root / "PSP/game"},
      {L"E:/psp/GAME", root / "PSP/game"},
      {L"E:\\Dup", root / "Dup"},  // an exact name wins
      {L"E:\\dup", root / "dup"},
      {L"E:\\DUP", root / "Dup"},                // else the first match in byte order
      {L"E:\\New\\psp\\x", root / "New/psp/x"},  // below a missing folder: as given
      {L"E:\\\u00C9T\u00C9", root / "\xC3\xA9t\xC3\xA9"},
      {L"E:\\DAT\\..\\psp", root / "dat/../PSP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(plat::EncodeUtf8(c.path));
    EXPECT_EQ(Translate(c.path), c.expected);
  }
}

TEST_F(PathTranslation, NativePathsTakeBackslashesAsSeparators) {
  // The program folder followed by "\Dat\..." finds dat/.
  EXPECT_EQ(Translate(Wide(dir_.path()) + L"\\Dat\\EnglishStrings.dat"),
            dir_.path() / "dat/EnglishStrings.dat");
  EXPECT_EQ(Translate(Wide(dir_.path()) + L"\\\\dat"), dir_.path() / "dat");
}

TEST_F(PathTranslation, UnmappedLettersAndEmptyPathsTranslateToNothing) {
  for (const wchar_t* path : {L"F:\\x", L"C:\\", L"a:", L""}) {
    SCOPED_TRACE(plat::EncodeUtf8(path));
    EXPECT_FALSE(plat::ToNativePath(path, drives_));
  }
}

TEST(WideText, NamesRoundTripThroughUtf8EvenWhenInvalid) {
  const std::string names[] = {
      "plain",       "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
      "bad\xFF\xC3", "\xED\xA0\x80",      "\xC0\xAF"};
  for (const auto& name : names) {
    EXPECT_EQ(plat::EncodeUtf8(plat::DecodeUtf8(name)), name);
  }
  EXPECT_EQ(plat::DecodeUtf8("\xE2\x82\xAC"), L"\u20AC");
  EXPECT_EQ(plat::DecodeUtf8("\xF0\x9F\x98\x80"), std::wstring(1, wchar_t(0x1F600)));
}

// ---- files and folders through a drive letter ----

class DriveFiles : public ::testing::Test {
 protected:
  TempDir dir_;
  TempDir outside_;
  ScopedEnv env_{"SWAYMO_DRIVES", ("E=" + dir_.path().string()).c_str()};
};

TEST_F(DriveFiles, CreateWriteReadAndRemove) {
  EXPECT_TRUE(plat::CreateFolder(L"E:\\Folder"));
  EXPECT_FALSE(plat::CreateFolder(L"E:\\FOLDER"));  // already there
  EXPECT_EQ(plat::KindOfPath(L"E:\\folder\\"), EntryKind::kFolder);
  {
    plat::File out = plat::OpenFile(L"E:\\folder\\a.txt", "wb");
    ASSERT_TRUE(out);
    std::fputs("hello", out.get());
  }
  EXPECT_EQ(plat::KindOfPath(L"E:\\FOLDER\\A.TXT"), EntryKind::kFile);
  {
    plat::File in = plat::OpenFile(L"E:\\Folder\\A.txt", "rb");
    ASSERT_TRUE(in);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, in.get()), 5u);
    EXPECT_STREQ(text, "hello");
  }
  EXPECT_FALSE(plat::OpenFile(L"E:\\missing\\a.txt", "rb"));
  EXPECT_FALSE(plat::RemoveFolder(L"E:\\Folder"));  // not empty
  EXPECT_FALSE(plat::RemoveFile(L"E:\\Folder"));    // a folder is no file
  EXPECT_TRUE(plat::RemoveFile(L"E:\\Folder\\a.txt"));
  EXPECT_FALSE(plat::RemoveFile(L"E:\\Folder\\a.txt"));
  EXPECT_TRUE(plat::RemoveFolder(L"E:\\Folder\\"));
  EXPECT_EQ(plat::KindOfPath(L"E:\\Folder"), EntryKind::kNone);
}

TEST_F(DriveFiles, LinksAreReportedAsLinksAndNeverFollowed) {
  const fs::path target = outside_.Write("keep/file.txt", "mine");
  fs::create_directory_symlink(target.parent_path(), dir_.path() / "toFolder");
  fs::create_symlink(target, dir_.path() / "toFile");
  fs::create_symlink(dir_.path() / "nothing", dir_.path() / "dangling");
  for (const wchar_t* link : {L"E:\\toFolder", L"E:\\TOFOLDER\\", L"E:\\toFile", L"E:\\dangling"}) {
    SCOPED_TRACE(plat::EncodeUtf8(link));
    EXPECT_EQ(plat::KindOfPath(link), EntryKind::kLink);
  }
  EXPECT_FALSE(plat::RemoveFolder(L"E:\\toFolder"));
  EXPECT_TRUE(plat::RemoveFile(L"E:\\toFolder"));
  EXPECT_TRUE(plat::RemoveFile(L"E:\\toFile"));
  EXPECT_TRUE(fs::exists(target));
  // Inside the tree a linked folder is walked through like any folder.
  fs::create_directory_symlink(target.parent_path(), dir_.path() / "via");
  EXPECT_EQ(plat::KindOfPath(L"E:\\via\\FILE.TXT"), EntryKind::kFile);
}

TEST(DriveRoot, ALinkedDriveRootIsAFolder) {
  TempDir dir;
  const fs::path link = dir.path() / "stick";
  fs::create_directory_symlink(dir.path(), link);
  ScopedEnv env("SWAYMO_DRIVES", ("E=" + link.string()).c_str());
  EXPECT_EQ(plat::KindOfPath(L"E:\\"), EntryKind::kFolder);
  EXPECT_EQ(plat::KindOfPath(L"E:"), EntryKind::kFolder);
}

TEST_F(DriveFiles, ListFolderMatchesWindowsWildcardsSortedByName) {
  for (const char* name : {"a.dat", "B.DAT", "c.txt", "noext", "x.tar.gz"}) dir_.Write(name, "");
  fs::create_directory(dir_.path() / "sub");
  fs::create_symlink(dir_.path() / "sub", dir_.path() / "ln");
  const struct {
    const wchar_t* pattern;
    std::vector<std::wstring> names;
  } cases[] = {
      {L"*", {L"B.DAT", L"a.dat", L"c.txt", L"ln", L"noext", L"sub", L"x.tar.gz"}},
      {L"*.*", {L"B.DAT", L"a.dat", L"c.txt", L"ln", L"noext", L"sub", L"x.tar.gz"}},
      {L"*.dat", {L"B.DAT", L"a.dat"}},
      {L"?.TXT", {L"c.txt"}},
      {L"noext.*", {L"noext"}},
      {L"*.gz", {L"x.tar.gz"}},
      {L"*a*", {L"B.DAT", L"a.dat", L"x.tar.gz"}},
      {L"??", {L"ln"}},
      {L"nothing*", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(plat::EncodeUtf8(c.pattern));
    std::vector<std::wstring> names;
    for (const auto& entry : plat::ListFolder(L"E:\\", c.pattern)) names.push_back(entry.name);
    EXPECT_EQ(names, c.names);
  }
  const auto all = plat::ListFolder(L"E:");
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(all[0].kind, EntryKind::kFile);
  EXPECT_EQ(all[3].kind, EntryKind::kLink);
  EXPECT_EQ(all[5].kind, EntryKind::kFolder);
  EXPECT_TRUE(plat::ListFolder(L"E:\\sub").empty());
  EXPECT_TRUE(plat::ListFolder(L"E:\\missing").empty());
}

TEST(UnmappedDrive, EveryOperationFailsQuietly) {
  TempDir dir;
  ScopedEnv env("SWAYMO_DRIVES", ("E=" + dir.path().string()).c_str());
  for (const wchar_t* path : {L"F:\\", L"F:\\x", L"C:\\x", L"D:"}) {
    SCOPED_TRACE(plat::EncodeUtf8(path));
    EXPECT_FALSE(plat::OpenFile(path, "wb"));
    EXPECT_FALSE(plat::CreateFolder(path));
    EXPECT_FALSE(plat::RemoveFolder(path));
    EXPECT_FALSE(plat::RemoveFile(path));
    EXPECT_EQ(plat::KindOfPath(path), EntryKind::kNone);
    EXPECT_TRUE(plat::ListFolder(path).empty());
    EXPECT_FALSE(plat::QueryDiskSpace(path));
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// ---- disk sizes on real small file systems ----

TEST(DiskSpace, ReportsSizesOfTheFileSystemCappedAsTheDriveSays) {
  TmpfsMount stick("size=1m");
  if (!stick.Mounted()) GTEST_SKIP() << stick.Reason();
  const std::string root = stick.path().string();
  ScopedEnv env("SWAYMO_DRIVES", ("E=" + root + ",F=" + root + ":256K,G=" + root + ":2G").c_str());

  const auto empty = plat::QueryDiskSpace(L"E:\\");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->totalBytes, 1u << 20);
  EXPECT_EQ(empty->freeBytes, 1u << 20);
  EXPECT_EQ(empty->totalFreeBytes, 1u << 20);

  {
    std::ofstream out(stick.path() / "data.bin", std::ios::binary);
    out << std::string(256 * 1024, 'x');
  }
  const auto used = plat::QueryDiskSpace(L"e:");
  ASSERT_TRUE(used);
  EXPECT_EQ(used->totalBytes, 1u << 20);
  EXPECT_LE(used->freeBytes, (1u << 20) - 256 * 1024);

  const auto capped = plat::QueryDiskSpace(L"F:\\");
  ASSERT_TRUE(capped);
  EXPECT_EQ(capped->totalBytes, 256u * 1024);
  EXPECT_LE(capped->freeBytes, capped->totalBytes);

  const auto loose = plat::QueryDiskSpace(L"G:\\");  // a cap above the real size changes nothing
  ASSERT_TRUE(loose);
  EXPECT_EQ(loose->totalBytes, 1u << 20);
}

TEST(DiskSpace, ExactSizesAroundTheSixtyEightGibLimit) {
  // tmpfs allocates nothing up front, so these cost no memory.
  constexpr std::uint64_t kLimit = 17ull << 32;  // 68 GiB
  const struct {
    const char* options;
    std::uint64_t total;
  } cases[] = {{"size=68g", kLimit}, {"size=73014439936", kLimit - 4096}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    TmpfsMount big(c.options);
    if (!big.Mounted()) GTEST_SKIP() << big.Reason();
    ScopedEnv env("SWAYMO_DRIVES", ("E=" + big.path().string()).c_str());
    const auto space = plat::QueryDiskSpace(L"E:\\");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->totalBytes, c.total);
    EXPECT_EQ(space->freeBytes, c.total);
  }
}

TEST(DiskSpace, DiscoversMediaMountedUnderMnt) {
  if (!fs::is_directory("/mnt")) GTEST_SKIP() << "no /mnt folder on this machine";
  TmpfsMount stick("size=2m", "/mnt");
  if (!stick.Mounted()) GTEST_SKIP() << stick.Reason();
  ScopedEnv env("SWAYMO_DRIVES", nullptr);
  wchar_t letter = 0;
  const DriveTable drives = DriveTable::Current();
  for (const auto& [l, drive] : drives.drives()) {
    if (drive.root == stick.path()) letter = l;
  }
  ASSERT_NE(letter, 0) << "the mount was not discovered";
  EXPECT_GE(letter, L'D');
  const auto space = plat::QueryDiskSpace(std::wstring(1, letter) + L":\\");
  ASSERT_TRUE(space);
  EXPECT_EQ(space->totalBytes, 2u << 20);
}

TEST(DiskSpace, FailsForAFolderThatIsNotThere) {
  TempDir dir;
  ScopedEnv env("SWAYMO_DRIVES", ("E=" + (dir.path() / "gone").string()).c_str());
  EXPECT_FALSE(plat::QueryDiskSpace(L"E:\\"));
}

// ---- the program's folders ----

TEST(Folders, ProgramFolderHoldsTheRunningProgram) {
  const std::wstring folder = plat::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), L'/');
  EXPECT_NE(folder.back(), L'/');
  EXPECT_EQ(plat::KindOfPath(folder + L"\\platform_fs_test"), EntryKind::kFile);
}

TEST(Folders, AppDataFolderFollowsXdgAndIsCreated) {
  TempDir dir;
  const fs::path home = dir.path() / "home";
  fs::create_directory(home);
  ScopedEnv homeEnv("HOME", home.c_str());
  const struct {
    std::optional<std::string> config;  // XDG_CONFIG_HOME, or unset
    fs::path expected;
  } cases[] = {
      {std::nullopt, home / ".config"},
      {"", home / ".config"},
      {"relative/dir", home / ".config"},  // only absolute paths count
      {(dir.path() / "conf/").string(), dir.path() / "conf"},
      {(dir.path() / "deep/er").string(), dir.path() / "deep/er"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config.value_or("(unset)"));
    ScopedEnv env("XDG_CONFIG_HOME", c.config ? c.config->c_str() : nullptr);
    EXPECT_EQ(plat::AppDataFolder(), Wide(c.expected));
    EXPECT_TRUE(fs::is_directory(c.expected));
  }
  struct stat st;
  ASSERT_EQ(stat((home / ".config").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
