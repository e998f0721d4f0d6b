#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/core/wide_text.h"
#include "platform/fs/drive_pin.h"
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

TEST(DriveTable, MountInfoLettersFatMediaFromDInMountPointOrder) {
  const char* mountinfo =
      "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "30 22 0:5 / /proc rw - proc proc rw\n"
      "41 22 8:17 / /run/media/ann/CARD rw - vfat /dev/sdb1 rw\n"
      "42 22 8:33 / /media/ann/MY\\040STICK rw shared:9 master:2 - vfat /dev/sdc1 rw\n"
      "43 22 8:49 / /mnt/usb rw - vfat /dev/sdd1 rw\n"
      "44 22 8:50 / /mnt rw - msdos /dev/sdd2 rw\n"  // the parent itself is not media
      "45 22 8:51 / /media rw - vfat /dev/sdd3 rw\n"
      "46 22 8:52 / /mediaX/y rw - vfat /dev/sdd4 rw\n"
      "47 22 8:49 / /mnt/usb rw - vfat /dev/sdd1 rw\n"  // mounted again: one drive
      "48 22 8:54 / /media/ann/DISK rw - ext4 /dev/sde1 rw\n"
      "49 22 0:60 / /mnt/share rw - nfs4 server:/x rw\n"
      "50 22 8:17 /DCIM /media/ann/BIND rw - vfat /dev/sdb1 rw\n"  // a bind mount of a folder
      "51 22 0:61 / /media/ann/FUSE rw - fuse.fusefat /dev/loop0 rw\n"
      "52 22 8:65 / /media/ann/OLD rw - msdos /dev/sdf1 rw\n"
      "53 22 8:81 / /mnt/over rw - vfat /dev/sdg1 rw\n"
      "54 22 0:62 / /mnt/over rw - tmpfs tmpfs rw\n"  // hides the stick below it
      "truncated line\n"
      "55 22 8:97 / /media/no-type rw -\n";
  const DriveTable table = DriveTable::FromMountInfo(mountinfo);
  std::map<wchar_t, std::string> roots;
  for (const auto& [letter, drive] : table.drives()) roots[letter] = drive.root.string();
  EXPECT_EQ(roots, (std::map<wchar_t, std::string>{{L'D', "/media/ann/FUSE"},
                                                   {L'E', "/media/ann/MY STICK"},
                                                   {L'F', "/media/ann/OLD"},
                                                   {L'G', "/mnt/usb"},
                                                   {L'H', "/run/media/ann/CARD"}}));
  EXPECT_FALSE(table.Find(L'D')->capBytes);
  EXPECT_EQ(table.Find(L'H')->device, makedev(8, 17));
  EXPECT_EQ(table.Find(L'D')->device, makedev(0, 61));
}

TEST(DriveTable, AMountKeepsItsLetterWhileItStaysMounted) {
  const auto line = [](int dev, const char* mountPoint) {
    return "40 22 8:" + std::to_string(dev) + " / " + mountPoint + " rw - vfat /dev/x rw\n";
  };
  const auto letters = [](const DriveTable& table) {
    std::map<wchar_t, std::string> out;
    for (const auto& [letter, drive] : table.drives()) out[letter] = drive.root.string();
    return out;
  };
  using Letters = std::map<wchar_t, std::string>;
  const DriveTable first = DriveTable::FromMountInfo(line(1, "/media/b"));
  EXPECT_EQ(letters(first), (Letters{{L'D', "/media/b"}}));
  // A mount point that sorts first takes the next free letter, not D:.
  const DriveTable second =
      DriveTable::FromMountInfo(line(2, "/media/a") + line(1, "/media/b"), first);
  EXPECT_EQ(letters(second), (Letters{{L'D', "/media/b"}, {L'E', "/media/a"}}));
  const DriveTable third = DriveTable::FromMountInfo(line(2, "/media/a"), second);
  EXPECT_EQ(letters(third), (Letters{{L'E', "/media/a"}}));
  // The lowest free letter from D up.
  const DriveTable fourth = DriveTable::FromMountInfo(
      line(2, "/media/a") + line(3, "/media/c") + line(4, "/media/d"), third);
  EXPECT_EQ(letters(fourth), (Letters{{L'D', "/media/c"}, {L'E', "/media/a"}, {L'F', "/media/d"}}));
  // Another device on a mount point is another mount: the letter is given afresh.
  const DriveTable fifth =
      DriveTable::FromMountInfo(line(2, "/media/a") + line(9, "/media/c"),
                                DriveTable::FromMountInfo(line(2, "/media/a"), fourth));
  EXPECT_EQ(letters(fifth), (Letters{{L'D', "/media/c"}, {L'E', "/media/a"}}));
  EXPECT_EQ(fifth.Find(L'D')->device, makedev(8, 9));
}

TEST(DriveTable, CurrentRemembersLettersBetweenCalls) {
  ScopedEnv env("SWAYMO_DRIVES", nullptr);
  std::string table = "40 22 8:1 / /media/b rw - vfat /dev/x rw\n";
  plat::SetMountTableSource([&table] { return table; });
  EXPECT_EQ(DriveTable::Current().Find(L'D')->root, fs::path("/media/b"));
  table = "41 22 8:2 / /media/a rw - vfat /dev/y rw\n" + table;
  EXPECT_EQ(DriveTable::Current().Find(L'D')->root, fs::path("/media/b"));
  EXPECT_EQ(DriveTable::Current().Find(L'E')->root, fs::path("/media/a"));
  plat::SetMountTableSource({});
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

// ---- paths on a drive ----

class DrivePaths : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each file holds its own path below the root.
    for (const char* file :
         {"PSP/game/Update/eboot.pbp", "dat/x.dat", "Dup", "dup", "\xC3\xA9t\xC3\xA9"}) {
      dir_.Write(file, file);
    }
  }
  // What the file at path holds; "<none>" when it cannot be opened.
  static std::string Content(std::wstring_view path) {
    const plat::File file = plat::OpenFile(path, "rb");
    if (!file) return "<none>";
    char text[64] = {};
    return std::string(text, std::fread(text, 1, sizeof text, file.get()));
  }
  TempDir dir_;
  TempDir outside_;
  ScopedEnv env_{"SWAYMO_DRIVES", ("E=" + dir_.path().string()).c_str()};
};

TEST_F(DrivePaths, NamesMatchIgnoringCaseLikeFat) {
  const struct {
    const wchar_t* path;
    const char* content;
  } cases[] = {
      {L"e:\\PSP\\GAME\\UPDATE\\EBOOT.PBP", "PSP/game/Update/eboot.pbp"},
      {L"E:\\psp\\\\game\\/update\\eboot.pbp", "PSP/game/Update/eboot.pbp"},
      {L"E:\\Dup", "Dup"},  // an exact name wins
      {L"E:\\dup", "dup"},
      {L"E:\\DUP", "Dup"},  // else the first match in byte order
      {L"E:\\\u00C9T\u00C9", "\xC3\xA9t\xC3\xA9"},
      {L"E:\\DAT\\..\\dat\\x.dat", "<none>"},  // ".." is refused
      {L"E:\\.\\dat\\x.dat", "<none>"},
      {L"E:\\missing\\x.dat", "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(plat::EncodeUtf8(c.path));
    EXPECT_EQ(Content(c.path), c.content);
  }
}

TEST_F(DrivePaths, NativePathsTakeBackslashesAndKeepTheirCase) {
  // Beside the program no name is matched ignoring case: "Upgrade.EXE" is
  // not "upgrade.exe".
  const std::wstring root = Wide(dir_.path());
  EXPECT_EQ(Content(root + L"\\dat\\x.dat"), "dat/x.dat");
  EXPECT_EQ(Content(root + L"\\\\dat/x.dat"), "dat/x.dat");
  EXPECT_EQ(Content(root + L"\\Dat\\x.dat"), "<none>");
  EXPECT_FALSE(plat::RemoveFile(root + L"\\DUP"));
  EXPECT_TRUE(fs::exists(dir_.path() / "Dup"));
}

TEST_F(DrivePaths, UnmappedLettersAndEmptyPathsLeadNowhere) {
  for (const wchar_t* path : {L"F:\\x", L"C:\\", L"a:", L""}) {
    SCOPED_TRACE(plat::EncodeUtf8(path));
    EXPECT_EQ(plat::KindOfPath(path), EntryKind::kNone);
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
}

TEST_F(DriveFiles, NothingIsReachedThroughALinkOrWaitedForOnAFifo) {
  const fs::path keep = outside_.Write("keep/file.txt", "mine");
  fs::create_directory_symlink(keep.parent_path(), dir_.path() / "via");
  fs::create_symlink(keep, dir_.path() / "file.lnk");
  ASSERT_EQ(mkfifo((dir_.path() / "pipe").c_str(), 0644), 0);
  for (const wchar_t* path :
       {L"E:\\via\\file.txt", L"E:\\VIA\\new.txt", L"E:\\file.lnk", L"E:\\FILE.LNK", L"E:\\pipe"}) {
    SCOPED_TRACE(plat::EncodeUtf8(path));
    EXPECT_FALSE(plat::OpenFile(path, "rb"));
    EXPECT_FALSE(plat::OpenFile(path, "wb"));
    EXPECT_FALSE(plat::OpenFile(path, "ab"));
    EXPECT_FALSE(plat::WriteFileSafely(path, "x", 1));
  }
  EXPECT_FALSE(plat::CreateFolder(L"E:\\via\\sub"));
  EXPECT_EQ(plat::KindOfPath(L"E:\\via\\file.txt"), EntryKind::kNone);
  EXPECT_TRUE(plat::ListFolder(L"E:\\via").empty());
  // Nothing changed on either side.
  std::ifstream in(keep);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "mine");
  EXPECT_EQ(fs::directory_iterator(keep.parent_path())->path(), keep);
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "file.lnk"));
  EXPECT_TRUE(fs::is_fifo(dir_.path() / "pipe"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 3);
}

TEST_F(DriveFiles, SafeWritesReplaceWholeFilesAndLeaveNoTemporaryBehind) {
  ASSERT_TRUE(plat::CreateFolder(L"E:\\SWAYMO"));
  ASSERT_TRUE(plat::WriteFileSafely(L"E:\\swaymo\\Language.bin", "\x02", 1));
  ASSERT_TRUE(plat::WriteFileSafely(L"E:\\SWAYMO\\LANGUAGE.BIN", "\x05", 1));
  EXPECT_TRUE(plat::WriteFileSafely(L"E:\\empty.tmp", nullptr, 0));
  EXPECT_FALSE(plat::WriteFileSafely(L"E:\\missing\\x", "x", 1));
  EXPECT_FALSE(plat::WriteFileSafely(L"E:\\", "x", 1));
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
    names.push_back(fs::relative(entry.path(), dir_.path()).string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"SWAYMO", "SWAYMO/Language.bin", "empty.tmp"}));
  std::ifstream in(dir_.path() / "SWAYMO/Language.bin", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x05");
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

TEST(DiskSpace, MediaThatAreNotFatAreNotDiscovered) {
  if (!fs::is_directory("/mnt")) GTEST_SKIP() << "no /mnt folder on this machine";
  TmpfsMount disk("size=2m", "/mnt");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  ScopedEnv env("SWAYMO_DRIVES", nullptr);
  const DriveTable drives = DriveTable::Current();
  for (const auto& [letter, drive] : drives.drives()) {
    EXPECT_NE(drive.root, disk.path()) << static_cast<char>(letter);
  }
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

// ---- the pinned drive ----

// A mount table that names a real tmpfs under /mnt as a FAT stick.
class PinnedDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory("/mnt")) GTEST_SKIP() << "no /mnt folder on this machine";
    if (!stick_.Mounted()) GTEST_SKIP() << stick_.Reason();
    if (!other_.Mounted()) GTEST_SKIP() << other_.Reason();
    plat::SetMountTableSource([this] { return table_; });
    table_ = Line(stick_.path(), Device(stick_.path()));
  }
  void TearDown() override {
    plat::UnpinDrive();
    plat::SetMountTableSource({});
  }
  static std::string Device(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  }
  static std::string Line(const fs::path& mountPoint, const std::string& device) {
    return "40 22 " + device + " / " + mountPoint.string() + " rw - vfat /dev/sdz1 rw\n";
  }
  static bool WriteSomething() { return plat::WriteFileSafely(L"D:\\x.bin", "x", 1); }

  TmpfsMount stick_{"size=1m", "/mnt"};
  TmpfsMount other_{"size=1m", "/mnt"};
  ScopedEnv env_{"SWAYMO_DRIVES", nullptr};
  std::string table_;
};

TEST_F(PinnedDrive, WritesGoOnlyWhereTheLetterLedWhenItWasPinned) {
  ASSERT_TRUE(plat::PinDrive(L'd'));
  EXPECT_EQ(plat::PinnedDriveLetter(), L'D');
  EXPECT_TRUE(WriteSomething());
  // Another stick mounted at a mount point that sorts first: D: stays.
  table_ = Line("/mnt/0", "8:99") + table_;
  EXPECT_TRUE(plat::PinnedDriveHolds());
  EXPECT_TRUE(WriteSomething());

  struct Case {
    const char* what;
    std::string table;
  };
  const Case cases[] = {
      {"vanished", Line("/mnt/0", "8:99")},
      {"another device on the mount point", Line("/mnt/0", "8:99") + Line(stick_.path(), "8:98")},
      {"the letter leads to another mount", Line(other_.path(), Device(other_.path()))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    table_ = c.table;  // the letters given so far are remembered
    EXPECT_FALSE(plat::PinnedDriveHolds());
    EXPECT_FALSE(WriteSomething());
    EXPECT_FALSE(plat::CreateFolder(L"D:\\PSP"));
    EXPECT_FALSE(plat::OpenFile(L"D:\\y.bin", "wb"));
    EXPECT_EQ(plat::KindOfPath(L"D:\\x.bin"),
              c.table.find(stick_.path().string()) != std::string::npos ? EntryKind::kFile
                                                                        : EntryKind::kNone);
  }
  EXPECT_TRUE(fs::is_empty(other_.path()));
  // Unpinned, writes go wherever the letter leads.
  plat::UnpinDrive();
  EXPECT_FALSE(plat::PinnedDriveHolds());
  EXPECT_TRUE(WriteSomething());
  EXPECT_TRUE(fs::exists(other_.path() / "x.bin"));
}

TEST_F(PinnedDrive, ALetterThatLeadsNowhereCannotBePinned) {
  EXPECT_FALSE(plat::PinDrive(L'E'));
  EXPECT_EQ(plat::PinnedDriveLetter(), 0);
  EXPECT_TRUE(WriteSomething());
}
