#include "ui/msg_box_table.h"

#include "util/message_box.h"

MsgBoxButtons MsgBoxButtonsFor(unsigned type) {
  MsgBoxButtons b;
  switch (type) {
    case MB_OKCANCEL:
      b = {type, 2, {IDOK, IDCANCEL, 0, 0}};
      break;
    case MB_YESNOCANCEL:
    case kMsgBoxYesNoCancel2:
      b = {type, 3, {IDYES, IDNO, IDCANCEL, 0}};
      break;
    case MB_YESNO:
      b = {type, 2, {IDYES, IDNO, 0, 0}};
      break;
    case MB_RETRYCANCEL:
      b = {type, 2, {IDRETRY, IDCANCEL, 0, 0}};
      break;
    case kMsgBoxFourButtons:
      b = {type, 4, {IDYES, IDNO, IDCANCEL, kMsgBoxFourthResult}};
      break;
    default:
      b = {MB_OK, 1, {IDOK, 0, 0, 0}};
      break;
  }
  // Captions go by the number of buttons, whatever the type.
  switch (b.count) {
    case 1:
      b.columns = {159, 0, 0, 0};
      b.captions = {L"OK"};
      break;
    case 2:
      b.columns = {100, 199, 0, 0};
      b.captions = {L"OK", L"Cancel"};
      break;
    case 3:
      b.columns = {50, 150, 250, 0};
      break;
    default:
      b.columns = {10, 105, 200, 295};
      break;
  }
  return b;
}
