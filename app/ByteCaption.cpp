#include "app/ByteCaption.h"

#include <QLabel>

#include "common/Utf8.h"

void ByteCaption::SetBytes(std::string bytes)
{
    FShown = Display(bytes);
    FBytes = std::move(bytes);
    FLabel->setText(FShown);
}

std::string ByteCaption::Bytes() const
{
    const QString text = FLabel->text();
    if (text == FShown)
        return FBytes;
    return text.toUtf8().toStdString();
}

QString ByteCaption::Display(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::size_t length = Utf8::SequenceLength(bytes);
        if (length == 0) {
            text += QChar(static_cast<unsigned char>(bytes.front()));
            length = 1;
        } else {
            text += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(length));
        }
        bytes.remove_prefix(length);
    }
    return text;
}
