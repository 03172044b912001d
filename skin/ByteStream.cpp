#include "skin/ByteStream.h"

#include <algorithm>
#include <cstring>

size_t MemoryByteSource::Read(uint8_t* dst, size_t size) {
    const size_t n = std::min(size, data_.size() - position_);
    if (n > 0) std::memcpy(dst, data_.data() + position_, n);
    position_ += n;
    return n;
}
