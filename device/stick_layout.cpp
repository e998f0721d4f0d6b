#include "device/stick_layout.h"

#include "util/folders.h"
#include "util/paths.h"

void PrepareTargetFolders(std::wstring path) {
  // Cut to the folder first: the last part of a path without a final
  // backslash would be made a folder too.
  CollapseDoubleBackslashes(path);
  CutToFolder(path);
  CreateFolderPath(path);
}
