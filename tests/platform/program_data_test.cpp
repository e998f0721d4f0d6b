// Reading the program's data files from a folder: what both builds share.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs/program_data.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<unsigned char> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST(ProgramData, ReadsTheWholeFileUpToItsLimit) {
  testsupport::TempDir dir;
  const std::string big(40000, 'x');  // several reads
  const std::wstring path = dir.Write("dat/big.dat", big).wstring();
  std::vector<unsigned char> bytes = Bytes("old");
  ASSERT_TRUE(plat::ReadProgramData(path, bytes, big.size()));
  EXPECT_EQ(bytes, Bytes(big));
  EXPECT_FALSE(plat::ReadProgramData(path, bytes, big.size() - 1));
  EXPECT_TRUE(bytes.empty());
  const std::wstring empty = dir.Write("dat/empty.dat", "").wstring();
  EXPECT_TRUE(plat::ReadProgramData(empty, bytes, 10));
  EXPECT_TRUE(bytes.empty());
}

TEST(ProgramData, NothingForAMissingFileOrAFolder) {
  testsupport::TempDir dir;
  std::vector<unsigned char> bytes = Bytes("old");
  EXPECT_FALSE(plat::ReadProgramData((dir.path() / "missing.dat").wstring(), bytes, 100));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(plat::ReadProgramData(dir.path().wstring(), bytes, 100));
  EXPECT_FALSE(plat::ReadProgramData(L"", bytes, 100));
}

}  // namespace
