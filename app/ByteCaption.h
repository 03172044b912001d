#pragma once

#include <QString>

#include <string>
#include <string_view>

class QLabel;

// A label whose caption is 8-bit text, such as a line of the alarm file: the
// bytes are what the program stores, compares and hands on, exactly as they
// came; the label shows them as well as it can (see Display). Should the
// label's text be set other than by SetBytes, that text takes over, and its
// bytes are its UTF-8 form.
class ByteCaption {
public:
    explicit ByteCaption(QLabel* label = nullptr) : FLabel(label) {}

    // Shows `bytes` on the label and keeps them.
    void SetBytes(std::string bytes);
    std::string Bytes() const;

    // What the label shows for `bytes`: well-formed UTF-8 as the characters
    // it encodes, every other byte as the Latin-1 character of its value
    // (so a Latin-1 "é" still reads as "é").
    static QString Display(std::string_view bytes);

private:
    QLabel* FLabel;
    std::string FBytes;
    QString FShown;
};
