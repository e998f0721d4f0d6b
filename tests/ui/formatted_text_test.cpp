#include "ui/formatted_text.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/pixels.h"
#include "util/style_tables.h"

namespace {

constexpr plat::Pixel kBlack = 0;
// Style colours, distinct so that a test sees which one a text took.
constexpr plat::ColorRef kColours[kStyleCount] = {0x00F5F5F5, 0x000000FF, 0x0000FF00, 0x00FF0000,
                                                  0x0000FFFF};
constexpr int kHeights[kStyleCount] = {18, 16, 13, 12, 10};

struct Piece {
  plat::Point at;
  int style;   // font index
  int colour;  // colour index
  std::wstring text;
};

struct Result {
  int lines = -1;
  int height = -1;
  int overflow = -1;
  int yEnd = -1;
};

class FormattedText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::array<StyleFontDescription, kStyleCount> fonts;
    for (int i = 0; i < kStyleCount; ++i) fonts[i] = {L"Verdana", kHeights[i], i == 0 ? 700 : 400};
    CreateStyleFonts(fonts);
    SetStyleColours({kColours[0], kColours[1], kColours[2], kColours[3], kColours[4]});
  }
  static void TearDownTestSuite() { DeleteStyleFonts(); }

  FormattedText() {
    dc_.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    dc_.SelectFont(&callerFont_);
  }

  Result Draw(std::wstring_view text, plat::Rect rect = {10, 5, 390, 195}, TextLayout layout = {},
              bool withYEnd = true) {
    Result r;
    EXPECT_EQ(DrawFormattedText(0, dc_, rect, 0, text, layout, &r.lines, &r.height, &r.overflow,
                                withYEnd ? &r.yEnd : nullptr),
              0);
    return r;
  }
  static int Width(int style, std::wstring_view text) { return StyleFonts[style]->TextWidth(text); }

  plat::Bitmap Reference(const std::vector<Piece>& pieces) {
    plat::Bitmap b(bitmap_.width(), bitmap_.height(), kBlack);
    plat::Canvas dc(b);
    dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    for (const Piece& p : pieces) {
      dc.SelectFont(StyleFonts[p.style].get());
      dc.SetTextColour(kColours[p.colour]);
      dc.TextOut(p.at, p.text);
    }
    return b;
  }
  void ExpectPieces(const std::vector<Piece>& pieces) {
    EXPECT_TRUE(testsupport::SamePixels(bitmap_, Reference(pieces)));
  }

  plat::Font callerFont_{{L"DejaVu Sans", 30, 0, 400}};
  plat::Bitmap bitmap_{400, 200, kBlack};
  plat::Canvas dc_{bitmap_};
};

TEST_F(FormattedText, OneWordIsOneLine) {
  const Result r = Draw(L"Swaymo");
  EXPECT_EQ(r.lines, 1);
  EXPECT_EQ(r.height, 20);
  EXPECT_EQ(r.yEnd, 20);
  EXPECT_EQ(r.overflow, 0);
  ExpectPieces({{{10, 5}, 0, 0, L"Swaymo"}});
}

TEST_F(FormattedText, FontCodesChangeTheFontWithoutAddingLines) {
  const Result r = Draw(L"\\fs2Title\r\n\\fs4Body");
  EXPECT_EQ(r.lines, 2);
  EXPECT_EQ(r.yEnd, 18 + 14);
  EXPECT_EQ(r.height, 14);
  ExpectPieces({{{10, 5}, 1, 0, L"Title"}, {{10, 5 + 18}, 3, 0, L"Body"}});
}

TEST_F(FormattedText, ColourCodeContinuesTheLineAndPersists) {
  const Result r = Draw(L"A \\fc2B\nC");
  EXPECT_EQ(r.lines, 3);  // A, B and C each drawn as a line of their own segment
  EXPECT_EQ(r.yEnd, 40);
  ExpectPieces(
      {{{10, 5}, 0, 0, L"A "}, {{10 + Width(0, L"A "), 5}, 0, 1, L"B"}, {{10, 25}, 0, 1, L"C"}});
}

TEST_F(FormattedText, CodeInTheMiddleOfALineKeepsTheLineGoing) {
  Draw(L"\\fs3small \\fs1big \\fc5end");
  const int small = Width(2, L"small ");
  ExpectPieces({{{10, 5}, 2, 0, L"small "},
                {{10 + small, 5}, 0, 0, L"big "},
                {{10 + small + Width(0, L"big "), 5}, 0, 4, L"end"}});
}

TEST_F(FormattedText, BackslashesThatAreNotCodes) {
  struct Case {
    std::wstring text;
    std::wstring drawn;  // as one line in style 1
  };
  const Case cases[] = {
      {L"C:\\\\PSP\\\\GAME", L"C:\\PSP\\GAME"},
      {L"\\\\fs2", L"\\fs2"},  // a doubled backslash never starts a code
      {L"a\\xb", L"a\\xb"},
      {L"\\fsx and \\fc", L"\\fsx and \\fc"},
      {L"\\vr1", L"\\vr1"},  // too short for a version code
      {L"end\\", L"end\\"},
  };
  for (const Case& c : cases) {
    bitmap_ = plat::Bitmap(400, 200, kBlack);
    const Result r = Draw(c.text);
    EXPECT_EQ(r.yEnd, 20) << std::string(c.text.begin(), c.text.end());
    ExpectPieces({{{10, 5}, 0, 0, c.drawn}});
  }
}

TEST_F(FormattedText, EmptyLines) {
  Result r = Draw(L"A\r\n\r\nB");
  EXPECT_EQ(r.lines, 2);
  EXPECT_EQ(r.yEnd, 60);
  ExpectPieces({{{10, 5}, 0, 0, L"A"}, {{10, 45}, 0, 0, L"B"}});

  bitmap_ = plat::Bitmap(400, 200, kBlack);
  r = Draw(L"A\n\nB");
  EXPECT_EQ(r.yEnd, 60);
  ExpectPieces({{{10, 5}, 0, 0, L"A"}, {{10, 45}, 0, 0, L"B"}});

  // Before anything is drawn an empty line has no height.
  bitmap_ = plat::Bitmap(400, 200, kBlack);
  r = Draw(L"\r\nA");
  EXPECT_EQ(r.yEnd, 20);
  ExpectPieces({{{10, 5}, 0, 0, L"A"}});
}

TEST_F(FormattedText, CarriageReturnIsFoundBeforeAnEarlierLineFeed) {
  const Result r = Draw(L"A\nB\rC");
  EXPECT_EQ(r.lines, 2);
  EXPECT_EQ(r.yEnd, 40);
  ExpectPieces({{{10, 5}, 0, 0, L"A\nB"}, {{10, 25}, 0, 0, L"C"}});
}

TEST_F(FormattedText, CodesWithOtherDigitsChangeNothing) {
  Draw(L"\\fs7Hello \\fc0World \\fs0!");
  ExpectPieces({{{10, 5}, 0, 0, L"Hello World !"}});
}

TEST_F(FormattedText, ABlankAfterACodeIsEaten) {
  Draw(L"\\fs2 Title");
  ExpectPieces({{{10, 5}, 1, 0, L"Title"}});
}

TEST_F(FormattedText, VersionCode) {
  // Any number above the notice's version 0 puts two line breaks in front.
  Result r = Draw(L"A\r\n\\vr001B");
  EXPECT_EQ(r.yEnd, 80);
  ExpectPieces({{{10, 5}, 0, 0, L"A"}, {{10, 65}, 0, 0, L"B"}});

  bitmap_ = plat::Bitmap(400, 200, kBlack);
  r = Draw(L"A\r\n\\vr000B");
  EXPECT_EQ(r.yEnd, 40);
  ExpectPieces({{{10, 5}, 0, 0, L"A"}, {{10, 25}, 0, 0, L"B"}});
}

TEST_F(FormattedText, ALongWordIsSplitOverLines) {
  const std::wstring word(40, L'W');
  const int w = Width(0, L"W");
  const int perLine = 100 / w;
  const Result r = Draw(word, {0, 0, 100, 200});
  const int lines = (40 + perLine - 1) / perLine;
  EXPECT_EQ(r.lines, lines);
  EXPECT_EQ(r.yEnd, 20 * lines);
  std::vector<Piece> want;
  for (int i = 0; i < lines; ++i)
    want.push_back({{0, 20 * i}, 0, 0, word.substr(i * perLine, perLine)});
  ExpectPieces(want);
}

TEST_F(FormattedText, AfterAWrappedSegmentTheLineGoesOnWhereItsLastLineEnds) {
  const int width = Width(0, L"AAAA BBB");  // the second word does not fit beside the first
  const Result r = Draw(L"AAAA BBBB\\fc2end", {0, 0, width, 200});
  EXPECT_EQ(r.lines, 3);
  EXPECT_EQ(r.yEnd, 40);
  ExpectPieces(
      {{{0, 0}, 0, 0, L"AAAA"}, {{0, 20}, 0, 0, L"BBBB"}, {{Width(0, L"BBBB"), 20}, 0, 1, L"end"}});
}

TEST_F(FormattedText, FontAndColourAreRestored) {
  dc_.SetTextColour(1);
  Draw(L"x\\fc3y\\fs5z");
  EXPECT_EQ(dc_.selectedFont(), &callerFont_);
  EXPECT_EQ(dc_.textColour(), 1u);
}

TEST_F(FormattedText, EmptyTextDrawsNothing) {
  const Result r = Draw(L"");
  EXPECT_EQ(r.lines, 0);
  EXPECT_EQ(r.height, 0);
  ExpectPieces({});
}

TEST_F(FormattedText, StopsBelowTheRectangleOnlyWithoutYEnd) {
  const std::wstring text = L"1\r\n2\r\n3\r\n4\r\n5\r\n6";
  const plat::Rect rect{0, 0, 100, 30};
  Result r = Draw(text, rect, {}, false);
  EXPECT_EQ(r.lines, 2);  // y 0 and 20 are inside; at 40 the text stops
  EXPECT_EQ(r.overflow, 1);

  r = Draw(text, rect);
  EXPECT_EQ(r.lines, 6);
  EXPECT_EQ(r.yEnd, 120);
  EXPECT_EQ(r.overflow, 1);

  r = Draw(L"fits", {0, 0, 100, 40});
  EXPECT_EQ(r.overflow, 0);  // 20 + 20 is not above 40
  r = Draw(L"fits", {0, 0, 100, 39});
  EXPECT_EQ(r.overflow, 1);
}

TEST_F(FormattedText, CentredAndDy) {
  Draw(L"Hi", {0, 0, 200, 100}, {.centred = true, .dx = 3, .dy = 7});
  ExpectPieces({{{(100 - Width(0, L"Hi") / 2) + 3, 7}, 0, 0, L"Hi"}});
}

TEST_F(FormattedText, HostileMarkupEnds) {
  const std::wstring fixed[] = {
      L"\\",
      L"\\f",
      L"\\fs",
      L"\\fc",
      L"\\v",
      L"\\vr",
      L"\\vr9",
      L"\\vr99",
      L"\\vr999",
      L"\\vr\r\n\r\n",
      L"\\\\\\",
      L"\\\r",
      L"\r",
      L"\n",
      L"\r\r\n\n",
      L"\\fs1\\fs1",
      L"\\fs1\\",
      L"a\\",
      L"\\vr\x01\x02\x03",
      L"\\fs\r\nx",
      L"\\vr99\r",
      std::wstring(1, L'\0') + L"\\fs1",
  };
  for (const auto& text : fixed) {
    for (bool withYEnd : {true, false}) {
      Draw(text, {0, 0, 50, 40}, {}, withYEnd);
      Draw(text, {0, 0, 0, 0}, {.breakAnywhere = true}, withYEnd);
    }
  }

  // Random texts over the characters that matter to the scanner.
  const std::wstring alphabet = L"\\\\\\fscvr0123456789\r\n a\t";
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::wstring text(random() % 40, L' ');
    for (auto& c : text) c = alphabet[random() % alphabet.size()];
    const plat::Rect rect{0, 0, static_cast<int>(random() % 80) - 10,
                          static_cast<int>(random() % 60)};
    Result r = Draw(text, rect, {.breakAnywhere = (round & 1) != 0}, (round & 2) != 0);
    EXPECT_GE(r.lines, 0);
  }

  // Long runs of codes finish in one pass over the text.
  std::wstring codes;
  for (int i = 0; i < 20000; ++i)
    codes += (i % 3 == 0) ? L"\\vr123" : (i % 3 == 1) ? L"\\fs2" : L"\\\\";
  codes += L"\r\n";
  Result r = Draw(codes, {0, 0, 300, 100}, {.measureOnly = true});
  EXPECT_GT(r.lines, 0);
}

}  // namespace
