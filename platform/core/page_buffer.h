#pragma once
// Page-allocated memory that grows without copying (stands in for
// VirtualAlloc / VirtualFree). Used for large transfer buffers.
#include <cstddef>

namespace plat {

class PageBuffer {
 public:
  PageBuffer() = default;
  ~PageBuffer();
  PageBuffer(PageBuffer&& other) noexcept;
  PageBuffer& operator=(PageBuffer&& other) noexcept;
  PageBuffer(const PageBuffer&) = delete;
  PageBuffer& operator=(const PageBuffer&) = delete;

  // Makes room for at least bytes (rounded up to whole pages), keeping the
  // contents; the memory may move. False, with the buffer unchanged, when the
  // system has no memory for it.
  bool Reserve(std::size_t bytes);
  void Release();

  std::byte* data() { return data_; }
  const std::byte* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }

 private:
  std::byte* data_ = nullptr;
  std::size_t capacity_ = 0;
};

}  // namespace plat
