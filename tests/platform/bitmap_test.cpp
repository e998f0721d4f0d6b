#include <gtest/gtest.h>

#include "platform/gfx/bitmap.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Bitmap, PngRoundTripKeepsEveryPixel) {
  testsupport::TempDir dir;
  plat::Bitmap picture(3, 2, 0x0000FF);
  picture.Set(0, 0, 0x123456);
  picture.Set(2, 1, 0xFEFDFC);
  const auto file = dir.path() / "p.png";
  ASSERT_TRUE(picture.SavePng(file));
  auto loaded = plat::Bitmap::Load(file);
  ASSERT_TRUE(loaded.has_value());
  ASSERT_EQ(loaded->width(), 3);
  ASSERT_EQ(loaded->height(), 2);
  EXPECT_EQ(loaded->At(0, 0), 0x123456u);
  EXPECT_EQ(loaded->At(1, 0), 0x0000FFu);
  EXPECT_EQ(loaded->At(2, 1), 0xFEFDFCu);
}

TEST(Bitmap, LoadRejectsWhatIsNotAPicture) {
  testsupport::TempDir dir;
  EXPECT_FALSE(plat::Bitmap::Load(dir.Write("t.txt", "not a picture")).has_value());
  EXPECT_FALSE(plat::Bitmap::Load(dir.path() / "missing.png").has_value());
}

}  // namespace
