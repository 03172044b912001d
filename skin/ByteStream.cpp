#include "skin/ByteStream.h"

#include <algorithm>
#include <cstring>

size_t MemoryByteSource::Read(uint8_t* dst, size_t size)
{
    const size_t n = std::min(size, FData.size() - FPosition);
    if (n > 0)
        std::memcpy(dst, FData.data() + FPosition, n);
    FPosition += n;
    return n;
}
