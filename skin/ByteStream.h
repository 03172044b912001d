#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The two directions of a stored property's stream. Reads report how many
// bytes they delivered; a short read means the data has ended and is not an
// error of its own, so callers check the count.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual size_t Read(uint8_t* dst, size_t size) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const uint8_t* src, size_t size) = 0;
};

// Reads from bytes it does not own; they must outlive the source.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const uint8_t> data) : FData(data) {}
    size_t Read(uint8_t* dst, size_t size) override
    {
        const size_t n = std::min(size, Remaining());
        std::ranges::copy(FData.subspan(FPosition, n), dst);
        FPosition += n;
        return n;
    }
    size_t Remaining() const { return FData.size() - FPosition; }

private:
    std::span<const uint8_t> FData;
    size_t FPosition = 0;
};

class VectorByteSink final : public ByteSink {
public:
    void Write(const uint8_t* src, size_t size) override { FBytes.insert(FBytes.end(), src, src + size); }
    const std::vector<uint8_t>& Bytes() const { return FBytes; }

private:
    std::vector<uint8_t> FBytes;
};
