#pragma once
// Finding and loading a skin picture: the folder part of a Windows-style
// path, and a picture file decoded into a bitmap.
#include <string>
#include <string_view>

#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"

// The folder of path, ending in one backslash. A path that names a folder
// (nothing after its last separator) comes back unchanged; a relative path is
// taken from the current folder first.
std::wstring FolderOfPath(std::wstring_view path);

// Results of LoadPictureFile.
constexpr int kPictureLoaded = 0;
constexpr int kPictureCannotOpen = -1;
constexpr int kPictureUndecodable = -2;  // opens, but is no picture we can read

// Decodes the picture file at path into target and its size into size (may
// be null). On failure target and size are left as they were.
int LoadPictureFile(std::wstring_view path, plat::Bitmap* target, plat::Size* size);
