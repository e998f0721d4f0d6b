#include "device/stick_layout.h"

#include "platform/fs/files.h"
#include "util/folders.h"
#include "util/paths.h"

void PrepareTargetFolders(std::wstring path) {
  // Cut to the folder first: the last part of a path without a final
  // backslash would be made a folder too.
  CollapseDoubleBackslashes(path);
  CutToFolder(path);
  CreateFolderPath(path);
}

bool WriteWholeFile(std::wstring_view path, const void* data, std::size_t size) {
  plat::File file = plat::OpenFile(path, "wb");
  if (!file) return false;
  const std::size_t written = size ? std::fwrite(data, 1, size, file.get()) : 0;
  const bool closed = std::fclose(file.release()) == 0;
  return written == size && closed;
}
