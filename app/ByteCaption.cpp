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
    return text == FShown ? FBytes : text.toUtf8().toStdString();
}

QString ByteCaption::Display(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        const std::size_t length = Utf8::SequenceLength(bytes);
        if (length <= 1)  // ASCII reads the same in Latin-1
            text += QChar(static_cast<unsigned char>(bytes.front()));
        else
            text += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(length));
        bytes.remove_prefix(length == 0 ? 1 : length);
    }
    return text;
}
