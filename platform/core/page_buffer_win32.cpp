#include <windows.h>

#include <cstring>

#include "platform/core/page_buffer.h"

namespace plat {
namespace {
std::size_t RoundToPages(std::size_t bytes) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const std::size_t page = info.dwPageSize;
  return (bytes + page - 1) / page * page;
}
}  // namespace

bool PageBuffer::Reserve(std::size_t bytes) {
  if (bytes <= capacity_) return true;
  const std::size_t size = RoundToPages(bytes);
  // Windows cannot grow a block in place: a new one takes the contents.
  void* p = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (p == nullptr) return false;
  if (data_ != nullptr) {
    std::memcpy(p, data_, capacity_);
    VirtualFree(data_, 0, MEM_RELEASE);
  }
  data_ = static_cast<std::byte*>(p);
  capacity_ = size;
  return true;
}

void PageBuffer::Release() {
  if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
  capacity_ = 0;
}

}  // namespace plat
