#pragma once
// Folder operations on Windows-style paths: making every level of a path,
// looking at and listing entries, removing a whole tree, and the user's
// application-data folder.
#include <cstdint>
#include <string>
#include <string_view>

// Entry attributes as FirstFolderEntry reports them (Windows values).
constexpr std::uint32_t kAttributeFolder = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
constexpr std::uint32_t kAttributeNormal = 0x80;  // FILE_ATTRIBUTE_NORMAL
constexpr std::uint32_t kAttributeLink = 0x400;   // FILE_ATTRIBUTE_REPARSE_POINT

// Folder ids of GetSpecialFolder.
constexpr int kFolderAppData = 26;  // CSIDL_APPDATA

// Collapses doubled backslashes in path (in place), then creates every level
// of it: each text before a backslash, and the whole text when it does not end
// in one; "E:" is passed over. Levels that exist or fail are not reported.
// False only for an empty path.
bool CreateFolderPath(std::wstring& path);

// 0 nothing there, 1 a file, 2 a folder; one trailing backslash is ignored.
// A symbolic link counts as a file: it is never followed.
int PathKind(std::wstring_view path);

// The first entry (by name) of folder matching pattern, "." and ".." left out.
// name and attributes are written only when name is given (set to empty and 0
// first). False when there is no such entry or the folder cannot be listed.
bool FirstFolderEntry(std::wstring_view folder, std::wstring* name, std::uint32_t* attributes,
                      std::wstring_view pattern = L"*.*");

// Removes folder with everything in it. A link inside is removed as an entry;
// what it points to is left alone. 0 removed, -2 removed though an entry would
// not go, -1 not removed (not a folder, or the folder stayed; unless quiet,
// the latter is reported in a message box).
int DeleteFolderTree(std::wstring_view folder, bool quiet);

// The folder of id (only kFolderAppData is known), created when missing. False
// with an empty buffer when it cannot be had.
bool GetSpecialFolder(std::wstring& buffer, int folderId);
bool GetAppDataFolder(std::wstring& buffer);
