#include "ui/picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/support/temp_dir.h"

namespace {

constexpr plat::Pixel kWhite = 0xFFFFFF;

std::wstring Wide(const std::filesystem::path& p) {
  return p.wstring();
}

class LoadImageFileTest : public ::testing::Test {
 protected:
  std::filesystem::path SavePng(const plat::Bitmap& b, const char* name) {
    const auto file = dir_.path() / name;
    EXPECT_TRUE(b.SavePng(file));
    return file;
  }
  testsupport::TempDir dir_;
};

TEST_F(LoadImageFileTest, ResultCodes) {
  plat::Bitmap source(3, 2, 0x0000FF);
  source.Set(1, 1, 0x123456);
  const auto png = SavePng(source, "good.png");

  std::ifstream in(png, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const auto truncated = dir_.Write("cut.png", bytes.substr(0, 40));

  struct Case {
    std::wstring path;
    int result;
  };
  const Case cases[] = {
      {L"", kImageCannotOpen},
      {Wide(dir_.path() / "missing.png"), kImageCannotOpen},
      {Wide(dir_.path()), kImageCannotOpen},  // a folder
      {Wide(dir_.Write("text.png", "just some text, not a picture")), kImageUnknownType},
      {Wide(dir_.Write("empty.bin", "")), kImageUnknownType},
      {Wide(truncated), kImageUndecodable},
      {Wide(png), kImageLoaded},
  };
  for (const Case& c : cases) {
    Picture out = std::make_unique<plat::Bitmap>(1, 1);  // a failure leaves it null
    EXPECT_EQ(LoadImageFile(c.path, out), c.result) << std::string(c.path.begin(), c.path.end());
    EXPECT_EQ(out != nullptr, c.result == kImageLoaded);
  }

  Picture out;
  ASSERT_EQ(LoadImageFile(Wide(png), out), kImageLoaded);
  ASSERT_EQ(out->width(), 3);
  ASSERT_EQ(out->height(), 2);
  EXPECT_EQ(out->At(0, 0), 0x0000FFu);
  EXPECT_EQ(out->At(1, 1), 0x123456u);
}

TEST(DrawImageAt, PureBlueIsTransparentAndNothingElse) {
  plat::Bitmap picture(3, 2, 0x0000FF);
  picture.Set(1, 0, 0x0000FE);  // (0, 0, 254)
  picture.Set(2, 1, 0x000000);
  plat::Bitmap target(6, 4, kWhite);
  plat::Canvas dc(target);
  DrawImageAt(dc, 2, 1, &picture);
  DrawImageAt(dc, 0, 0, nullptr);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      plat::Pixel want = kWhite;
      if (x == 3 && y == 1) want = 0x0000FE;
      if (x == 4 && y == 2) want = 0x000000;
      EXPECT_EQ(target.At(x, y), want) << x << "," << y;
    }
  }

  plat::Bitmap allBlue(4, 4, 0x0000FF);
  DrawImageAt(dc, 0, 0, &allBlue);
  EXPECT_EQ(target.At(0, 0), kWhite);
  EXPECT_EQ(target.At(3, 1), 0x0000FEu);
}

TEST(DrawFrame, StyleTwelveEdges) {
  const plat::ColorRef top = plat::Rgb(1, 0, 0), bottom = plat::Rgb(2, 0, 0),
                       left = plat::Rgb(3, 0, 0), right = plat::Rgb(4, 0, 0);
  plat::Bitmap b(30, 30, kWhite);
  plat::Canvas dc(b);
  DrawFrame(dc, 10, 10, 20, 20, 12, top, bottom, left, right);

  struct Probe {
    int x, y;
    plat::ColorRef colour;
  };
  const Probe probes[] = {
      {15, 10, top},   {11, 10, top},   {18, 10, top},   {15, 19, bottom}, {11, 19, bottom},
      {10, 15, left},  {10, 10, left},  {10, 19, left},  {19, 15, right},  {20, 15, right},
      {19, 10, right}, {20, 10, right}, {19, 19, right}, {20, 19, right},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(b.At(p.x, p.y), plat::ToPixel(p.colour)) << p.x << "," << p.y;
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) inked += b.At(x, y) != kWhite;
  EXPECT_EQ(inked, 46);  // two rows of 10, column 10, columns 19 and 20: nothing more
  for (const plat::Point outside :
       {plat::Point{9, 15}, {21, 15}, {15, 9}, {15, 20}, {20, 20}, {21, 10}, {15, 11}, {18, 18}})
    EXPECT_EQ(b.At(outside.x, outside.y), kWhite) << outside.x << "," << outside.y;

  plat::Bitmap other(30, 30, kWhite);
  plat::Canvas otherDc(other);
  DrawFrame(otherDc, 10, 10, 20, 20, 3, top, bottom, left, right);
  EXPECT_EQ(other.At(15, 10), kWhite);  // other styles draw nothing
}

}  // namespace
