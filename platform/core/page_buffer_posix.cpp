#include <sys/mman.h>
#include <unistd.h>

#include "platform/core/page_buffer.h"

namespace plat {
namespace {
std::size_t RoundToPages(std::size_t bytes) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}
}  // namespace

bool PageBuffer::Reserve(std::size_t bytes) {
  if (bytes <= capacity_) return true;
  const std::size_t size = RoundToPages(bytes);
  void* p = data_ == nullptr
                ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                : mremap(data_, capacity_, size, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) return false;
  data_ = static_cast<std::byte*>(p);
  capacity_ = size;
  return true;
}

void PageBuffer::Release() {
  if (data_ != nullptr) munmap(data_, capacity_);
  data_ = nullptr;
  capacity_ = 0;
}

}  // namespace plat
