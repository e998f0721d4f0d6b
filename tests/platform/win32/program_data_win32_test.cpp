// The data files built into a Windows program: found by their path in the
// program folder when no file lies there; a file there wins.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/core/wide_text.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/program_data.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kAnySize = 16u << 20;

// A file of the source tree (under Wine its Unix path is one on the current drive).
std::vector<unsigned char> SourceFile(const std::string& relative) {
  const char* source = std::getenv("SWAYMO_SOURCE_DIR");
  if (source == nullptr) return {};
  std::ifstream in(fs::path(source) / relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> Read(const std::wstring& path, std::size_t maxBytes = kAnySize) {
  std::vector<unsigned char> bytes;
  if (!plat::ReadProgramData(path, bytes, maxBytes)) bytes.assign({'n', 'o', 'n', 'e'});
  return bytes;
}

TEST(BuiltInData, EveryKindOfDataFileIsInTheProgramAsInTheTree) {
  const std::wstring program = plat::ProgramFolder();
  ASSERT_FALSE(fs::exists(fs::path(program) / "dat"));  // nothing beside this test
  struct Case {
    const wchar_t* path;  // below the program folder
    const char* source;
  };
  const Case cases[] = {
      {L"\\dat\\EnglishStrings.dat", "dat/EnglishStrings.dat"},
      {L"/dat/ChineseStrings.dat", "dat/ChineseStrings.dat"},  // as the tables are named
      {L"\\DAT\\\\dialog graphic.BMP", "dat/Dialog Graphic.bmp"},
      {L"\\dat\\Lumetra_Jap.png", "dat/Lumetra_Jap.png"},
      // Bitmaps come back as whole files: the file header made again.
      {L"\\res\\230.bmp", "res/230.bmp"},
      {L"\\res\\1078.bmp", "res/1078.bmp"},
      {L"\\res\\990.bmp", "res/990.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    const std::vector<unsigned char> expected = SourceFile(c.source);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Read(program + c.path), expected);
  }
}

TEST(BuiltInData, NothingOutsideTheProgramFolderOrUnderAnotherName) {
  const std::wstring program = plat::ProgramFolder();
  const std::vector<unsigned char> none = {'n', 'o', 'n', 'e'};
  for (const std::wstring& path : {
           std::wstring(L"C:\\elsewhere\\dat\\EnglishStrings.dat"),
           program + L"x\\dat\\EnglishStrings.dat",  // a folder beside it, longer name
           program + L"\\dat\\Missing.dat",
           program + L"\\res\\9999.bmp",
           program + L"\\res\\230.png",
           program + L"\\EnglishStrings.dat",
       }) {
    SCOPED_TRACE(plat::EncodeUtf8(path));
    EXPECT_EQ(Read(path), none);
  }
  EXPECT_EQ(Read(program + L"\\dat\\EnglishStrings.dat", 100), none);  // over the limit
}

TEST(BuiltInData, AFileBesideTheProgramWins) {
  const fs::path dat = fs::path(plat::ProgramFolder()) / "dat";
  const fs::path res = fs::path(plat::ProgramFolder()) / "res";
  fs::create_directories(dat);
  fs::create_directories(res);
  std::ofstream(dat / "EnglishStrings.dat", std::ios::binary) << "replaced";
  std::ofstream(res / "230.bmp", std::ios::binary) << "BM own";
  const std::wstring program = plat::ProgramFolder();
  const std::vector<unsigned char> table = Read(program + L"\\dat\\EnglishStrings.dat");
  const std::vector<unsigned char> bitmap = Read(program + L"\\res\\230.bmp");
  const std::vector<unsigned char> other = Read(program + L"\\dat\\FrenchStrings.dat");
  fs::remove_all(dat);
  fs::remove_all(res);
  EXPECT_EQ(std::string(table.begin(), table.end()), "replaced");
  EXPECT_EQ(std::string(bitmap.begin(), bitmap.end()), "BM own");
  EXPECT_EQ(other, SourceFile("dat/FrenchStrings.dat"));  // the rest stay built in
}

}  // namespace
