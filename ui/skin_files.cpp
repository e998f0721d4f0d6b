#include "ui/skin_files.h"

#include <filesystem>
#include <system_error>

#include "ui/picture.h"

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool IsAbsolute(std::wstring_view path) {
  if (!path.empty() && IsSeparator(path.front())) return true;
  return path.size() >= 2 && path[1] == L':';
}

std::wstring FullPath(std::wstring_view path) {
  if (IsAbsolute(path)) return std::wstring(path);
  std::error_code error;
  const std::filesystem::path cwd = std::filesystem::current_path(error);
  if (error) return std::wstring(path);
  return cwd.wstring() + L'\\' + std::wstring(path);
}

}  // namespace

std::wstring FolderOfPath(std::wstring_view path) {
  std::wstring full = FullPath(path);
  const std::size_t lastSeparator = full.find_last_of(L"\\/");
  const std::size_t nameStart = lastSeparator == std::wstring::npos
                                    ? (full.size() >= 2 && full[1] == L':' ? 2 : 0)
                                    : lastSeparator + 1;
  if (nameStart >= full.size()) return std::wstring(path);
  full.erase(nameStart);
  if (!full.empty() && IsSeparator(full.back())) full.pop_back();
  return full + L'\\';
}

int LoadPictureFile(std::wstring_view path, plat::Bitmap* target, plat::Size* size) {
  Picture picture;
  const int result = LoadImageFile(path, picture);
  if (result == kImageCannotOpen) return kPictureCannotOpen;
  if (result != kImageLoaded) return kPictureUndecodable;
  if (size != nullptr) *size = {picture->width(), picture->height()};
  if (target != nullptr) *target = std::move(*picture);
  return kPictureLoaded;
}
