#include "ui/msg_box_table.h"

#include <gtest/gtest.h>

#include "util/message_box.h"

namespace {

TEST(MsgBoxButtonsFor, TypesGiveButtonsResultsAndCaptions) {
  using Captions = std::array<std::wstring_view, 4>;
  struct Case {
    unsigned type;
    unsigned validType;
    int count;
    std::array<int, 4> results;
    std::array<int, 4> columns;
    Captions captions;
  };
  const Case cases[] = {
      {MB_OK, MB_OK, 1, {IDOK, 0, 0, 0}, {159, 0, 0, 0}, {L"OK"}},
      {MB_OKCANCEL, MB_OKCANCEL, 2, {IDOK, IDCANCEL, 0, 0}, {100, 199, 0, 0}, {L"OK", L"Cancel"}},
      // Two buttons read "OK" and "Cancel" whatever they return.
      {MB_YESNO, MB_YESNO, 2, {IDYES, IDNO, 0, 0}, {100, 199, 0, 0}, {L"OK", L"Cancel"}},
      {MB_RETRYCANCEL,
       MB_RETRYCANCEL,
       2,
       {IDRETRY, IDCANCEL, 0, 0},
       {100, 199, 0, 0},
       {L"OK", L"Cancel"}},
      // Three and four buttons show their faces without text.
      {MB_YESNOCANCEL, MB_YESNOCANCEL, 3, {IDYES, IDNO, IDCANCEL, 0}, {50, 150, 250, 0}, {}},
      {0x9998, 0x9998, 3, {IDYES, IDNO, IDCANCEL, 0}, {50, 150, 250, 0}, {}},
      {0x9999, 0x9999, 4, {IDYES, IDNO, IDCANCEL, 0x9999}, {10, 105, 200, 295}, {}},
      // Any other value, flags included, is a plain OK box.
      {0x10 | MB_OKCANCEL, MB_OK, 1, {IDOK, 0, 0, 0}, {159, 0, 0, 0}, {L"OK"}},
      {0x20 | MB_YESNO, MB_OK, 1, {IDOK, 0, 0, 0}, {159, 0, 0, 0}, {L"OK"}},
      {2, MB_OK, 1, {IDOK, 0, 0, 0}, {159, 0, 0, 0}, {L"OK"}},
      {6, MB_OK, 1, {IDOK, 0, 0, 0}, {159, 0, 0, 0}, {L"OK"}},
      {0xFFFFFFFF, MB_OK, 1, {IDOK, 0, 0, 0}, {159, 0, 0, 0}, {L"OK"}},
  };
  for (const Case& c : cases) {
    const MsgBoxButtons b = MsgBoxButtonsFor(c.type);
    SCOPED_TRACE(c.type);
    EXPECT_EQ(b.type, c.validType);
    EXPECT_EQ(b.count, c.count);
    EXPECT_EQ(b.results, c.results);
    EXPECT_EQ(b.columns, c.columns);
    EXPECT_EQ(b.captions, c.captions);
  }
}

}  // namespace
