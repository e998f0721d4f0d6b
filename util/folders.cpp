#include "util/folders.h"

#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "util/message_box.h"
#include "util/paths.h"

namespace {

std::uint32_t AttributesOf(plat::EntryKind kind) {
  switch (kind) {
    case plat::EntryKind::kFolder:
      return kAttributeFolder;
    case plat::EntryKind::kLink:
      return kAttributeLink;
    default:
      return kAttributeNormal;
  }
}

}  // namespace

bool CreateFolderPath(std::wstring& path) {
  CollapseDoubleBackslashes(path);
  if (path.empty()) return false;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != L'\\') continue;
    const std::wstring_view level = std::wstring_view(path).substr(0, i);
    if (!level.empty() && level.back() != L':') plat::CreateFolder(level);
    if (i + 1 == path.size()) break;  // a final backslash: the last level is made
  }
  return true;
}

int PathKind(std::wstring_view path) {
  if (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  if (path.empty()) return 0;
  switch (plat::KindOfPath(path)) {
    case plat::EntryKind::kNone:
      return 0;
    case plat::EntryKind::kFolder:
      return 2;
    default:
      return 1;
  }
}

bool FirstFolderEntry(std::wstring_view folder, std::wstring* name, std::uint32_t* attributes,
                      std::wstring_view pattern) {
  if (name != nullptr) {
    name->clear();
    if (attributes != nullptr) *attributes = 0;
  }
  const auto entries = plat::ListFolder(folder, pattern);
  if (entries.empty()) return false;
  if (name != nullptr) {
    *name = entries.front().name;
    if (attributes != nullptr) *attributes = AttributesOf(entries.front().kind);
  }
  return true;
}

int DeleteFolderTree(std::wstring_view folder, bool quiet) {
  if (PathKind(folder) != 2) return -1;
  std::wstring name;
  std::wstring previous;
  std::uint32_t attributes = 0;
  bool stuck = false;
  while (FirstFolderEntry(folder, &name, &attributes)) {
    const std::wstring entry = std::wstring(folder) + L"\\" + name;
    if (attributes & kAttributeFolder) {
      DeleteFolderTree(entry, quiet);
    } else if (attributes & kAttributeLink) {
      plat::RemoveFile(entry);  // the link goes, its target stays
    } else if (plat::CanOpenForReading(entry)) {
      plat::RemoveFile(entry);
    }
    if (name == previous) {
      stuck = true;
      break;
    }
    previous = name;
  }
  if (plat::RemoveFolder(folder)) return stuck ? -2 : 0;
  if (!quiet) ShowMessageBox(L"Couldn't delete the folder:\n\n" + std::wstring(folder), MB_OK);
  return -1;
}

bool GetSpecialFolder(std::wstring& buffer, int folderId) {
  buffer.clear();
  if (folderId != kFolderAppData) return false;
  buffer = plat::AppDataFolder();
  return !buffer.empty();
}

bool GetAppDataFolder(std::wstring& buffer) {
  return GetSpecialFolder(buffer, kFolderAppData);
}
