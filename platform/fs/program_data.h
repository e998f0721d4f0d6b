#pragma once
// The data files the program ships with: its language tables, skin and
// pictures under dat\ and its bitmaps under res\ (stands in for
// FindResourceW, LoadResource and LockResource beside the C run-time's file
// reads). A file at the path always wins, so a skin or a table can be
// replaced. The Windows program also carries a copy of each inside itself,
// used when the path lies in the program folder and no file is there.
#include <cstddef>
#include <string_view>
#include <vector>

namespace plat {

// Reads all of the data file at path (a Windows-style path) into bytes.
// False, with bytes empty, when there is neither a file nor a built-in copy,
// or when it holds more than maxBytes.
bool ReadProgramData(std::wstring_view path, std::vector<unsigned char>& bytes,
                     std::size_t maxBytes);

}  // namespace plat
