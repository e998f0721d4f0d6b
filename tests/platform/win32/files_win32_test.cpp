// Files and folders on Win32: the safe write and its faults, links never
// followed, listing with the system's wildcards.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/files.h"
#include "tests/support/scripted_faults.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using plat::EntryKind;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::wstring> Names(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class Win32Files : public ::testing::Test {
 protected:
  std::wstring At(const wchar_t* name) const { return (dir_.path() / name).wstring(); }
  testsupport::TempDir dir_;
};

TEST_F(Win32Files, CreateWriteReadAndRemove) {
  EXPECT_TRUE(plat::CreateFolder(At(L"Folder")));
  EXPECT_FALSE(plat::CreateFolder(At(L"FOLDER")));  // already there
  EXPECT_EQ(plat::KindOfPath(At(L"folder\\")), EntryKind::kFolder);
  {
    plat::File out = plat::OpenFile(At(L"folder\\a.txt"), "wb");
    ASSERT_TRUE(out);
    std::fputs("hello", out.get());
  }
  EXPECT_EQ(plat::KindOfPath(At(L"FOLDER\\A.TXT")), EntryKind::kFile);
  EXPECT_TRUE(plat::CanOpenForReading(At(L"Folder\\a.txt")));
  EXPECT_FALSE(plat::CanOpenForReading(At(L"Folder\\b.txt")));
  EXPECT_FALSE(plat::OpenFile(At(L"Folder"), "rb"));  // a folder is no file
  EXPECT_FALSE(plat::RemoveFolder(At(L"Folder")));    // not empty
  EXPECT_FALSE(plat::RemoveFile(At(L"Folder")));
  EXPECT_TRUE(plat::RemoveFile(At(L"Folder\\a.txt")));
  EXPECT_FALSE(plat::RemoveFile(At(L"Folder\\a.txt")));
  EXPECT_TRUE(plat::RemoveFolder(At(L"Folder")));
  EXPECT_EQ(plat::KindOfPath(At(L"Folder")), EntryKind::kNone);
}

TEST_F(Win32Files, SafeWriteReplacesTheFileAndLeavesNothingElse) {
  dir_.Write("EBOOT.PBP", "old contents");
  const std::string data(300000, 'x');
  ASSERT_TRUE(plat::WriteFileSafely(At(L"EBOOT.PBP"), data.data(), data.size()));
  EXPECT_EQ(ReadAll(dir_.path() / "EBOOT.PBP"), data);
  ASSERT_TRUE(plat::WriteFileSafely(At(L"Language.bin"), "\x02", 1));
  EXPECT_EQ(ReadAll(dir_.path() / "Language.bin"), "\x02");
  ASSERT_TRUE(plat::WriteFileSafely(At(L"empty"), "", 0));
  EXPECT_EQ(fs::file_size(dir_.path() / "empty"), 0u);
  EXPECT_EQ(Names(dir_.path()),
            (std::vector<std::wstring>{L"EBOOT.PBP", L"Language.bin", L"empty"}));
}

TEST_F(Win32Files, AFailedSafeWriteKeepsTheOldFileAndLeavesNothingBehind) {
  dir_.Write("keep.bin", "old");
  fs::create_directory(dir_.path() / "folder");
  // A folder of that name, a folder that is not there, a path that is a
  // folder, no path.
  EXPECT_FALSE(plat::WriteFileSafely(At(L"folder"), "new", 3));
  EXPECT_FALSE(plat::WriteFileSafely(At(L"missing\\file.bin"), "new", 3));
  EXPECT_FALSE(plat::WriteFileSafely(At(L"folder\\"), "new", 3));
  EXPECT_FALSE(plat::WriteFileSafely(L"", "new", 3));
  EXPECT_TRUE(fs::is_directory(dir_.path() / "folder"));
  EXPECT_TRUE(fs::is_empty(dir_.path() / "folder"));
  EXPECT_EQ(Names(dir_.path()), (std::vector<std::wstring>{L"folder", L"keep.bin"}));
}

TEST_F(Win32Files, EveryWriteFaultLeavesTheOldFileWholeAndNoTemporaryFile) {
  using testsupport::ScriptedFaults;
  constexpr std::uint64_t kAll = ScriptedFaults::kNoLimit;
  const struct {
    const char* name;
    int create, write;
    std::uint64_t writeLimit;
    int fsync, rename;
  } cases[] = {
      {"read-only stick", EROFS, 0, kAll, 0, 0},   {"I/O error on write", 0, EIO, kAll, 0, 0},
      {"full after 1000 bytes", 0, 0, 1000, 0, 0}, {"full from the start", 0, 0, 0, 0, 0},
      {"I/O error on flush", 0, 0, kAll, EIO, 0},  {"failed rename", 0, 0, kAll, 0, EIO},
  };
  const std::string next(5000, 'n');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool hadFile : {true, false}) {
      SCOPED_TRACE(hadFile ? "over an old file" : "a new file");
      fs::remove_all(dir_.path() / "S");
      fs::create_directory(dir_.path() / "S");
      if (hadFile) dir_.Write("S/Language.bin", "old");
      {
        ScriptedFaults faults;
        faults.create = c.create;
        faults.write = c.write;
        faults.writeLimit = c.writeLimit;
        faults.fsync = c.fsync;
        faults.rename = c.rename;
        EXPECT_FALSE(plat::WriteFileSafely(At(L"S\\Language.bin"), next.data(), next.size()));
      }
      if (hadFile) {
        EXPECT_EQ(ReadAll(dir_.path() / "S" / "Language.bin"), "old");
        EXPECT_EQ(Names(dir_.path() / "S"), std::vector<std::wstring>{L"Language.bin"});
      } else {
        EXPECT_TRUE(Names(dir_.path() / "S").empty());
      }
    }
  }
  // Short writes are continued; with the faults gone the write goes through.
  {
    ScriptedFaults faults;
    faults.chunk = 777;
    EXPECT_TRUE(plat::WriteFileSafely(At(L"S\\Language.bin"), next.data(), next.size()));
    EXPECT_EQ(faults.writes, 7);
  }
  EXPECT_EQ(ReadAll(dir_.path() / "S" / "Language.bin"), next);
}

// What an interrupted safe write leaves is named after the file; only those
// names go, and only files.
TEST_F(Win32Files, StaleTemporariesOfAFileAreRemovedAndSizesRead) {
  dir_.Write("EBOOT.PBP", "package");
  dir_.Write("EBOOT.PBP.4242-7.tmp", "half");
  dir_.Write("EBOOT.PBP.1-0.tmp", "half");
  dir_.Write("EBOOT.PBP.x-0.tmp", "not ours");
  dir_.Write("EBOOT.PBP.1-.tmp", "not ours");
  dir_.Write("OTHER.PBP.1-0.tmp", "another file's");
  fs::create_directory(dir_.path() / "EBOOT.PBP.2-2.tmp");
  EXPECT_EQ(plat::RemoveStaleTemporaries(At(L"EBOOT.PBP")), 2);
  EXPECT_EQ(Names(dir_.path()),
            (std::vector<std::wstring>{L"EBOOT.PBP", L"EBOOT.PBP.1-.tmp", L"EBOOT.PBP.2-2.tmp",
                                       L"EBOOT.PBP.x-0.tmp", L"OTHER.PBP.1-0.tmp"}));
  EXPECT_EQ(plat::RemoveStaleTemporaries(At(L"missing\\EBOOT.PBP")), 0);

  EXPECT_EQ(plat::FileSize(At(L"EBOOT.PBP")), 7u);
  EXPECT_EQ(plat::FileSize(At(L"EBOOT.PBP.2-2.tmp")), std::nullopt);  // a folder
  EXPECT_EQ(plat::FileSize(At(L"nothing")), std::nullopt);
}

// A link on the stick may point anywhere: nothing is written through it.
TEST_F(Win32Files, LinksAreReportedAndNeverWrittenThrough) {
  testsupport::TempDir outside;
  const fs::path target = outside.Write("keep/file.txt", "mine");
  // Wine 8 answers CreateSymbolicLinkW with success and makes nothing; there
  // the mapped drive's test checks a link made on the Linux side.
  if (!CreateSymbolicLinkW(At(L"toFolder").c_str(), target.parent_path().c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      GetFileAttributesW(At(L"toFolder").c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "this system made no symbolic link (error " << GetLastError() << ")";
  }
  EXPECT_EQ(plat::KindOfPath(At(L"toFolder")), EntryKind::kLink);
  EXPECT_EQ(plat::KindOfPath(At(L"TOFOLDER\\")), EntryKind::kLink);
  EXPECT_FALSE(plat::WriteFileSafely(At(L"toFolder\\file.txt"), "evil", 4));
  EXPECT_FALSE(plat::OpenFile(At(L"toFolder\\new.txt"), "wb"));
  EXPECT_FALSE(plat::CreateFolder(At(L"toFolder\\sub")));
  EXPECT_FALSE(plat::RemoveFolder(At(L"toFolder")));
  EXPECT_EQ(ReadAll(target), "mine");
  EXPECT_EQ(Names(target.parent_path()), (std::vector<std::wstring>{L"file.txt"}));
  EXPECT_TRUE(plat::RemoveFile(At(L"toFolder")));
  EXPECT_TRUE(fs::exists(target));
}

TEST_F(Win32Files, ListFolderUsesTheSystemsWildcardsSortedByName) {
  for (const char* name : {"a.dat", "B.DAT", "c.txt", "noext"}) dir_.Write(name, "");
  fs::create_directory(dir_.path() / "sub");
  const struct {
    const wchar_t* pattern;
    std::vector<std::wstring> names;
  } cases[] = {
      {L"*", {L"B.DAT", L"a.dat", L"c.txt", L"noext", L"sub"}},
      {L"*.*", {L"B.DAT", L"a.dat", L"c.txt", L"noext", L"sub"}},
      {L"*.dat", {L"B.DAT", L"a.dat"}},
      {L"?.TXT", {L"c.txt"}},
      {L"nothing*", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.pattern)));
    std::vector<std::wstring> names;
    for (const auto& entry : plat::ListFolder(dir_.path().wstring(), c.pattern)) {
      names.push_back(entry.name);
    }
    EXPECT_EQ(names, c.names);
  }
  const auto all = plat::ListFolder(dir_.path().wstring() + L"\\");
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].kind, EntryKind::kFile);
  EXPECT_EQ(all[4].kind, EntryKind::kFolder);
  EXPECT_TRUE(plat::ListFolder(At(L"sub")).empty());
  EXPECT_TRUE(plat::ListFolder(At(L"missing")).empty());
}

TEST_F(Win32Files, DiskSpaceOfAFolderAndOfNothing) {
  const auto space = plat::QueryDiskSpace(dir_.path().wstring());
  ASSERT_TRUE(space);
  EXPECT_GT(space->totalBytes, 0u);
  EXPECT_LE(space->freeBytes, space->totalFreeBytes);
  EXPECT_LE(space->totalFreeBytes, space->totalBytes);
  EXPECT_FALSE(plat::QueryDiskSpace(At(L"missing")));
}

}  // namespace
