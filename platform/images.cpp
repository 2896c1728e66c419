#include "platform/images.h"

#include <algorithm>
#include <cstring>

namespace platform {

std::size_t MemoryReader::Read(void* buffer, std::size_t size) {
  const std::size_t n = std::min(size, size_ - pos_);
  if (n) std::memcpy(buffer, data_ + pos_, n);
  pos_ += n;
  return n;
}

}  // namespace platform
