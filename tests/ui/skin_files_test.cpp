#include "ui/skin_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/drive_table.h"
#include "tests/support/temp_dir.h"
#include "ui/resources.h"

namespace {

std::string Narrow(const std::wstring& w) {
  return std::string(w.begin(), w.end());
}

TEST(FolderOfPath, FolderOfAFileOrTheFolderItself) {
  struct Case {
    std::wstring path;
    std::wstring folder;
  };
  const Case cases[] = {
      {L"C:\\Dat\\", L"C:\\Dat\\"},  // names a folder: unchanged
      {L"/opt/swaymo\\Dat\\", L"/opt/swaymo\\Dat\\"},
      {L"C:\\Dat\\Dialog Graphic.bmp", L"C:\\Dat\\"},
      {L"/opt/swaymo\\Dat\\Dialog Graphic.bmp", L"/opt/swaymo\\Dat\\"},
      {L"/opt/swaymo/skin.bmp", L"/opt/swaymo\\"},
      {L"C:\\file.bmp", L"C:\\"},
      {L"/file.bmp", L"\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOfPath(c.path), c.folder) << Narrow(c.path);
}

TEST(FolderOfPath, RelativePathsStartInTheCurrentFolder) {
  const std::wstring cwd = std::filesystem::current_path().wstring();
  EXPECT_EQ(FolderOfPath(L"Dat\\skin.bmp"), cwd + L"\\Dat\\");
  EXPECT_EQ(FolderOfPath(L"skin.bmp"), cwd + L"\\");
}

class PictureFilesTest : public ::testing::Test {
 protected:
  std::wstring Wide(const std::filesystem::path& p) { return p.wstring(); }
  testsupport::TempDir dir_;
};

TEST_F(PictureFilesTest, LoadPictureFileLeavesTargetAloneOnFailure) {
  plat::Bitmap source(5, 3, 0x123456);
  ASSERT_TRUE(source.SavePng(dir_.path() / "good.png"));

  struct Case {
    std::wstring path;
    int result;
  };
  const Case cases[] = {
      {Wide(dir_.path() / "missing.bmp"), kPictureCannotOpen},
      {L"", kPictureCannotOpen},
      {Wide(dir_.Write("text.bmp", "not a picture at all")), kPictureUndecodable},
      {Wide(dir_.Write("cut.bmp", "BM\x10\x00")), kPictureUndecodable},
  };
  for (const Case& c : cases) {
    plat::Bitmap target(2, 2, 0xABCDEF);
    plat::Size size{7, 7};
    EXPECT_EQ(LoadPictureFile(c.path, &target, &size), c.result) << Narrow(c.path);
    EXPECT_EQ(target.width(), 2);
    EXPECT_EQ(target.At(1, 1), 0xABCDEFu);
    EXPECT_EQ(size, (plat::Size{7, 7}));
  }

  plat::Bitmap target;
  plat::Size size;
  ASSERT_EQ(LoadPictureFile(Wide(dir_.path() / "good.png"), &target, &size), kPictureLoaded);
  EXPECT_EQ(size, (plat::Size{5, 3}));
  EXPECT_EQ(target.At(4, 2), 0x123456u);
}

TEST_F(PictureFilesTest, ResourcesComeFromTheResourceFolder) {
  EXPECT_EQ(ResourceFolder(), plat::ProgramFolder() + L"\\res\\");

  ASSERT_TRUE(plat::Bitmap(4, 2, 0x00FF00).SavePng(dir_.path() / "17.bmp"));  // any format
  dir_.Write("18.bmp", "garbage");
  SetResourceFolder(Wide(dir_.path()));
  EXPECT_EQ(ResourceFolder(), Wide(dir_.path()) + L"\\");
  const Picture found = LoadResourceBitmap(17);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->width(), 4);
  EXPECT_EQ(LoadResourceBitmap(18), nullptr);
  EXPECT_EQ(LoadResourceBitmap(19), nullptr);

  SetResourceFolder(L"");
  EXPECT_EQ(ResourceFolder(), plat::ProgramFolder() + L"\\res\\");
}

}  // namespace
