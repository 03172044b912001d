#pragma once

#include "skin/ByteStream.h"

class QIODevice;

// The stored-layout streams over a Qt device, which the caller owns and
// keeps open while these are used.
class QIODeviceByteSource final : public ByteSource {
public:
    explicit QIODeviceByteSource(QIODevice& device) : device_(device) {}
    size_t Read(uint8_t* dst, size_t size) override;

private:
    QIODevice& device_;
};

class QIODeviceByteSink final : public ByteSink {
public:
    explicit QIODeviceByteSink(QIODevice& device) : device_(device) {}
    void Write(const uint8_t* src, size_t size) override;
    // True once any write fell short; the caller reports it when saving.
    bool Failed() const { return failed_; }

private:
    QIODevice& device_;
    bool failed_ = false;
};
