#include "tray/Icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tray/IconFile.h"
#include "tray/TrayErrors.h"

namespace {

// Reads a whole regular file; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWhole(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::vector<std::uint8_t>> data;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // Too big to be an icon: one byte past the limit is enough for the
        // check to refuse it, without reading the rest.
        data.emplace(std::min<std::uint64_t>(st.st_size, IconFile::kMaxFileSize + 1));
        std::size_t filled = 0;
        while (filled < data->size()) {
            const ssize_t got = ::read(fd, data->data() + filled, data->size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        data->resize(filled);  // a file that shrank meanwhile is checked as it is
    }
    ::close(fd);
    return data;
}

}  // namespace

void TIcon::LoadFromFile(const std::string& path)
{
    auto data = ReadWhole(path);
    if (!data)
        throw EIconOpenError(path);
    LoadFromBytes(std::move(*data));
}

void TIcon::LoadFromBytes(std::vector<std::uint8_t> bytes)
{
    const IconFile::Result result = IconFile::Check(bytes, nullptr);
    if (result == IconFile::Result::Truncated)
        throw EReadError();
    if (result == IconFile::Result::NotValid)
        throw EInvalidGraphic();
    Clear();
    FBytes = std::move(bytes);
}

void TIcon::LoadFromResource(const std::string& name)
{
    QFile resource(QStringLiteral(":/icons/") + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    // No such resource reads as no bytes, which are no icon either.
    const QByteArray bytes = resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray();
    try {
        LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    } catch (const std::exception&) {
        Clear();
    }
}

void TIcon::SetHandle(const QIcon& icon)
{
    Clear();
    if (!icon.isNull())
        FGiven = icon;
}

const QIcon& TIcon::Handle() const
{
    if (FGiven)
        return *FGiven;
    if (!FBuilt && !FBytes.empty()) {
        FBuilt.emplace();
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(FBytes.data()),
                                                  static_cast<qsizetype>(FBytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "ico");
        // Every image of the file, so the panel can pick the size it draws.
        for (int i = 0, count = reader.imageCount(); i < count && (i == 0 || reader.jumpToImage(i)); ++i) {
            const QImage image = reader.read();
            if (!image.isNull())
                FBuilt->addPixmap(QPixmap::fromImage(image));
        }
    }
    if (!FBuilt)
        FBuilt.emplace();
    return *FBuilt;
}
