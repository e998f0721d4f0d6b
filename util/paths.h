#pragma once
// Operations on Windows-style path text (backslashes, drive letter and colon).
#include <string>

// Turns every run of backslashes into one; true when something was removed.
bool CollapseDoubleBackslashes(std::wstring& text);

// Keeps the text up to and including its last backslash; unchanged when a
// colon comes after that backslash ("C:b.txt"), empty when there is neither.
void CutToFolder(std::wstring& path);
