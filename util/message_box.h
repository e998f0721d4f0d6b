#pragma once
// The program's one way to show a message box (stands in for AfxMessageBox).
// The application installs the hook that shows its skinned box; with no hook
// installed nothing is shown and the result is 0, as with no main window.
#include <functional>
#include <string>

// Box types and results, with their Windows values.
enum MessageBoxType : unsigned {
  MB_OK = 0,
  MB_OKCANCEL = 1,
  MB_YESNOCANCEL = 3,
  MB_YESNO = 4,
  MB_RETRYCANCEL = 5,
};
enum MessageBoxResult : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7,
};

using MessageBoxHook = std::function<int(const std::wstring& text, unsigned type)>;

void SetMessageBoxHook(MessageBoxHook hook);
// Shows text through the hook on the calling thread and returns its result.
int ShowMessageBox(const std::wstring& text, unsigned type = MB_OK);
