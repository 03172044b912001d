#include "tests/support/ByteStreamQt.h"

#include <QIODevice>

size_t QIODeviceByteSource::Read(uint8_t* dst, size_t size)
{
    // A device may deliver less than asked before its end; keep asking until
    // it has nothing more.
    size_t done = 0;
    while (done < size) {
        const qint64 got = device_.read(reinterpret_cast<char*>(dst + done), static_cast<qint64>(size - done));
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void QIODeviceByteSink::Write(const uint8_t* src, size_t size)
{
    if (size == 0)
        return;
    const qint64 written = device_.write(reinterpret_cast<const char*>(src), static_cast<qint64>(size));
    if (written != static_cast<qint64>(size))
        failed_ = true;
}
