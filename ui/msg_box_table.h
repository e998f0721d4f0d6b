#pragma once
// What a skinned message box of each type shows: how many buttons, what each
// returns, where it stands on the button row and what it says.
#include <array>
#include <string_view>

// Two private box types besides the MB_ ones of util/message_box.h.
constexpr unsigned kMsgBoxYesNoCancel2 = 0x9998;  // as MB_YESNOCANCEL
constexpr unsigned kMsgBoxFourButtons = 0x9999;   // yes, no, cancel and a fourth
constexpr int kMsgBoxFourthResult = 0x9999;

struct MsgBoxButtons {
  unsigned type = 0;                            // the type after validation
  int count = 1;                                // buttons One .. One + count - 1 are shown
  std::array<int, 4> results{};                 // of buttons One, Two, Three, Four (0: not shown)
  std::array<int, 4> columns{};                 // x of each shown button on the row
  std::array<std::wstring_view, 4> captions{};  // empty: the face without text
};

// A type other than 0, 1, 3, 4, 5, 0x9998 and 0x9999 (any extra flag) counts
// as MB_OK.
MsgBoxButtons MsgBoxButtonsFor(unsigned type);
