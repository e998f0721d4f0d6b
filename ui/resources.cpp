#include "ui/resources.h"

#include <mutex>

#include "platform/fs/drive_table.h"

namespace {

std::mutex gFolderMutex;
std::wstring gFolder;  // empty: beside the program

}  // namespace

std::wstring ResourceFolder() {
  {
    std::lock_guard lock(gFolderMutex);
    if (!gFolder.empty()) return gFolder;
  }
  return plat::ProgramFolder() + L"\\res\\";
}

void SetResourceFolder(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  std::lock_guard lock(gFolderMutex);
  gFolder = std::move(folder);
}

Picture LoadResourceBitmap(unsigned id) {
  Picture picture;
  LoadImageFile(ResourceFolder() + std::to_wstring(id) + L".bmp", picture);
  return picture;
}
