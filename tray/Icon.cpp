#include "tray/Icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tray/IconFile.h"
#include "tray/TrayErrors.h"

namespace {

// Reads a whole regular file; false when it cannot be opened or read.
bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && static_cast<std::uint64_t>(st.st_size) > IconFile::kMaxFileSize) {
        // Too big to be an icon: one byte past the limit is enough for the
        // check to refuse it, without reading the rest.
        st.st_size = static_cast<off_t>(IconFile::kMaxFileSize + 1);
    }
    std::vector<std::uint8_t> data;
    if (ok) {
        data.resize(static_cast<std::size_t>(st.st_size));
        std::size_t filled = 0;
        while (filled < data.size()) {
            const ssize_t got = ::read(fd, data.data() + filled, data.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        data.resize(filled);  // a file that shrank meanwhile is checked as it is
    }
    ::close(fd);
    if (ok)
        out = std::move(data);
    return ok;
}

}  // namespace

void TIcon::Clear()
{
    FBytes.clear();
    FGiven.reset();
    FBuilt.reset();
}

void TIcon::Assign(const TIcon& other)
{
    if (&other == this)
        return;
    FBytes = other.FBytes;
    FGiven = other.FGiven;
    FBuilt = other.FBuilt;
}

void TIcon::LoadFromFile(const std::string& path)
{
    std::vector<std::uint8_t> data;
    if (!ReadWhole(path, data))
        throw EIconOpenError(path);
    LoadFromBytes(std::move(data));
}

void TIcon::LoadFromBytes(std::vector<std::uint8_t> bytes)
{
    switch (IconFile::Check(bytes, nullptr)) {
    case IconFile::Result::Truncated:
        throw EReadError();
    case IconFile::Result::NotValid:
        throw EInvalidGraphic();
    case IconFile::Result::Ok:
        break;
    }
    FBytes = std::move(bytes);
    FGiven.reset();
    FBuilt.reset();
}

void TIcon::LoadFromResource(const std::string& name)
{
    QFile resource(QStringLiteral(":/icons/") + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (!resource.open(QIODevice::ReadOnly)) {
        Clear();
        return;
    }
    const QByteArray bytes = resource.readAll();
    try {
        LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    } catch (const std::exception&) {
        Clear();
    }
}

void TIcon::SetHandle(const QIcon& icon)
{
    FBytes.clear();
    FBuilt.reset();
    if (icon.isNull())
        FGiven.reset();
    else
        FGiven = icon;
}

const QIcon& TIcon::Handle() const
{
    if (FGiven)
        return *FGiven;
    if (!FBuilt) {
        QIcon icon;
        if (!FBytes.empty()) {
            QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(FBytes.data()),
                                                      static_cast<qsizetype>(FBytes.size()));
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, "ico");
            // Every image of the file, so the panel can pick the size it draws.
            const int count = reader.imageCount();
            for (int i = 0; i < count; ++i) {
                if (i > 0 && !reader.jumpToImage(i))
                    break;
                const QImage image = reader.read();
                if (!image.isNull())
                    icon.addPixmap(QPixmap::fromImage(image));
            }
        }
        FBuilt = icon;
    }
    return *FBuilt;
}
