#pragma once
// The program's bitmap resources: files <id>.bmp in the resource folder, which
// is res\ beside the program unless a test or a tool points it elsewhere. The
// Windows program carries res\ inside itself; a file there still wins.
#include <string>

#include "ui/picture.h"

// A Windows-style folder path ending in a backslash.
std::wstring ResourceFolder();
// An empty folder returns to res\ beside the program. Any thread.
void SetResourceFolder(std::wstring folder);

// The picture of resource id; null when there is none or it does not decode.
Picture LoadResourceBitmap(unsigned id);
