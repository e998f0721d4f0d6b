#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/fs/built_in_data.h"
#include "platform/fs/drive_table.h"

// The build (cmake/windows_program.cmake) keeps each file of dat\ as an
// RCDATA resource named after its path, and each bitmap res\<id>.bmp as a
// bitmap resource with that id.
namespace plat {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

wchar_t Upper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// The part of path below the program folder with single backslashes; empty
// when path lies elsewhere. Letters match ignoring case, as Windows paths do.
std::wstring RelativeToProgram(std::wstring_view path) {
  std::wstring folder = ProgramFolder();
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  if (folder.empty() || path.size() <= folder.size() + 1 || !IsSeparator(path[folder.size()]))
    return {};
  for (std::size_t i = 0; i < folder.size(); ++i) {
    const wchar_t a = folder[i], b = path[i];
    if (Upper(a) != Upper(b) && !(IsSeparator(a) && IsSeparator(b))) return {};
  }
  std::wstring relative;
  for (const wchar_t c : path.substr(folder.size())) {
    if (!IsSeparator(c))
      relative += c;
    else if (!relative.empty() && relative.back() != L'\\')
      relative += L'\\';
  }
  return relative;
}

// "DAT_DIALOG_GRAPHIC_BMP" for "dat\Dialog Graphic.bmp".
std::wstring ResourceName(const std::wstring& relative) {
  std::wstring name;
  for (wchar_t c : relative) {
    c = Upper(c);
    name += (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ? c : L'_';
  }
  return name;
}

// The id of "res\<id>.bmp"; 0 for any other path.
unsigned BitmapId(const std::wstring& relative) {
  constexpr std::wstring_view kFolder = L"RES\\", kType = L".BMP";
  if (relative.size() <= kFolder.size() + kType.size()) return 0;
  std::wstring upper;
  for (wchar_t c : relative) upper += Upper(c);
  if (upper.compare(0, kFolder.size(), kFolder) != 0 ||
      upper.compare(upper.size() - kType.size(), kType.size(), kType) != 0) {
    return 0;
  }
  const std::wstring digits =
      upper.substr(kFolder.size(), upper.size() - kFolder.size() - kType.size());
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return 0;
  }
  const unsigned long id = std::stoul(digits);
  return id > 0 && id <= 0xFFFF ? static_cast<unsigned>(id) : 0;
}

// The resource's bytes; they live as long as the program. False when absent.
bool FindData(const wchar_t* name, const wchar_t* type, const unsigned char*& data,
              std::size_t& size) {
  const HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  data = static_cast<const unsigned char*>(LockResource(loaded));
  size = SizeofResource(module, found);
  return data != nullptr;
}

std::uint32_t Read32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void Put16(unsigned char* p, std::uint16_t v) {
  std::memcpy(p, &v, sizeof v);
}

void Put32(unsigned char* p, std::uint32_t v) {
  std::memcpy(p, &v, sizeof v);
}

// A bitmap resource is the file without its 14-byte file header; the header
// is made again from the info header and the colour table it announces.
bool BitmapFile(const unsigned char* dib, std::size_t size, std::vector<unsigned char>& bytes) {
  if (size < 12) return false;
  const std::uint32_t headerSize = Read32(dib);
  if (headerSize > size || size > 0xFFFFFFFFu - 14) return false;
  std::size_t tableBytes = 0;
  if (headerSize == sizeof(BITMAPCOREHEADER)) {
    const BITMAPCOREHEADER* core = reinterpret_cast<const BITMAPCOREHEADER*>(dib);
    if (core->bcBitCount <= 8) tableBytes = (std::size_t{1} << core->bcBitCount) * 3;
  } else if (headerSize >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib, sizeof info);
    std::size_t colours = info.biClrUsed;
    if (colours == 0 && info.biBitCount <= 8) colours = std::size_t{1} << info.biBitCount;
    tableBytes = colours * 4;
    if (headerSize == sizeof(BITMAPINFOHEADER) && info.biCompression == BI_BITFIELDS)
      tableBytes += 12;  // the three colour masks
  } else {
    return false;
  }
  if (tableBytes > size - headerSize) return false;
  bytes.assign(14, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(&bytes[2], static_cast<std::uint32_t>(14 + size));
  Put16(&bytes[6], 0);
  Put32(&bytes[10], static_cast<std::uint32_t>(14 + headerSize + tableBytes));
  bytes.insert(bytes.end(), dib, dib + size);
  return true;
}

}  // namespace

bool ReadBuiltInData(std::wstring_view path, std::vector<unsigned char>& bytes) {
  bytes.clear();
  const std::wstring relative = RelativeToProgram(path);
  if (relative.empty()) return false;
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  if (const unsigned id = BitmapId(relative)) {
    return FindData(MAKEINTRESOURCEW(id), RT_BITMAP, data, size) && BitmapFile(data, size, bytes);
  }
  if (!FindData(ResourceName(relative).c_str(), RT_RCDATA, data, size)) return false;
  bytes.assign(data, data + size);
  return true;
}

}  // namespace plat
