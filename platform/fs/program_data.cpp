#include "platform/fs/program_data.h"

#include <cstdio>

#include "platform/fs/built_in_data.h"
#include "platform/fs/files.h"

namespace plat {
namespace {

// Reads the whole stream; false on a read error or past maxBytes.
bool ReadAll(std::FILE* file, std::vector<unsigned char>& bytes, std::size_t maxBytes) {
  unsigned char block[16384];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
    if (got > maxBytes - bytes.size()) return false;
    bytes.insert(bytes.end(), block, block + got);
  }
  return std::ferror(file) == 0;
}

}  // namespace

bool ReadProgramData(std::wstring_view path, std::vector<unsigned char>& bytes,
                     std::size_t maxBytes) {
  bytes.clear();
  bool read = false;
  if (const File file = OpenFile(path, "rb"))
    read = ReadAll(file.get(), bytes, maxBytes);
  else
    read = ReadBuiltInData(path, bytes) && bytes.size() <= maxBytes;
  if (!read) bytes.clear();
  return read;
}

}  // namespace plat
