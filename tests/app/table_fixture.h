#pragma once
// A language table written for a test: each key's value is its own name,
// except the formatted keys, which get placeholders. Made current for the
// fixture's life.
#include <initializer_list>
#include <string>
#include <utility>

#include "app/language_table.h"

namespace testsupport {

// The table file's bytes for entries (UTF-16LE, with the final empty key).
inline std::string TableFileBytes(
    std::initializer_list<std::pair<std::wstring, std::wstring>> entries) {
  std::string bytes;
  auto put = [&](const std::wstring& text) {
    for (wchar_t c : text) {
      bytes.push_back(static_cast<char>(c & 0xFF));
      bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    bytes.append(2, '\0');
  };
  for (const auto& [key, value] : entries) {
    put(key);
    put(value);
  }
  bytes.append(2, '\0');
  return bytes;
}

inline std::string KeyNameTableBytes() {
  return TableFileBytes({
      {L"IDS_MAINFRAME", L"IDS_MAINFRAME"},
      {L"IDS_RESTORE", L"IDS_RESTORE"},
      {L"IDS_MINIMIZE", L"IDS_MINIMIZE"},
      {L"IDS_SELECT_LANGUAGE", L"IDS_SELECT_LANGUAGE"},
      {L"IDS_CHECKING_FOR_NET_CONNECTION", L"IDS_CHECKING_FOR_NET_CONNECTION"},
      {L"IDS_NOT_CONNECTED_TO_NET", L"IDS_NOT_CONNECTED_TO_NET"},
      {L"IDS_NEED_INTERNET_MESSAGE", L"IDS_NEED_INTERNET_MESSAGE"},
      {L"IDS_CONNECTING_TO_SERVER", L"IDS_CONNECTING_TO_SERVER"},
      {L"IDS_CONNECTED_OK", L"IDS_CONNECTED_OK"},
      {L"IDS_UPDATE_AVAILABLE", L"IDS_UPDATE_AVAILABLE"},
      {L"IDS_CLOSE_CD", L"IDS_CLOSE_CD"},
      {L"IDS_CONNECT_PSP_SLIM_TEXT", L"IDS_CONNECT_PSP_SLIM_TEXT"},
      {L"IDS_I_WILL_SELECT", L"IDS_I_WILL_SELECT"},
      {L"IDS_SEARCHING_FOR_PSP", L"IDS_SEARCHING_FOR_PSP"},
      {L"IDS_PSP_FOUND_ON_DRIVE_X", L"found %c:"},
      {L"IDS_IS_THIS_DRIVE_CORRECT", L"size %s free %s"},
      {L"IDS_YES_SELECT_DRIVE", L"IDS_YES_SELECT_DRIVE"},
      {L"IDS_NEXT_BUTTON", L"IDS_NEXT_BUTTON"},
      {L"IDS_CANCEL_BUTTON", L"IDS_CANCEL_BUTTON"},
      {L"IDS_DOWNLOADING_SAVE", L"IDS_DOWNLOADING_SAVE"},
      {L"IDS_FINISHED_ALL", L"IDS_FINISHED_ALL"},
      {L"IDS_GO_USE_IT", L"IDS_GO_USE_IT"},
      {L"IDS_INTERNET_ERROR_SERVER", L"IDS_INTERNET_ERROR_SERVER"},
  });
}

class CurrentKeyNameTable {
 public:
  CurrentKeyNameTable() : table_(KeyNameTableBytes()) { SetCurrentLanguageTable(&table_); }
  ~CurrentKeyNameTable() { SetCurrentLanguageTable(nullptr); }
  CurrentKeyNameTable(const CurrentKeyNameTable&) = delete;
  CurrentKeyNameTable& operator=(const CurrentKeyNameTable&) = delete;

 private:
  LanguageTable table_;
};

}  // namespace testsupport
