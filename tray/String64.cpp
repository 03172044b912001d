#include "tray/String64.h"

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at the start of `text`, or 1 for
// a byte that does not begin one (stray continuation, overlong lead,
// truncated or malformed sequence).
std::size_t SequenceLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 1;
    }
    if (text.size() < length)
        return 1;
    const auto second = static_cast<unsigned char>(text[1]);
    if (second < low || second > high)
        return 1;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[i])))
            return 1;
    return length;
}

}  // namespace

std::string_view String64::Cut(std::string_view text, std::size_t characters)
{
    std::size_t at = 0;
    // Plain ASCII is the common case and needs no decoding.
    for (std::size_t count = 0; count < characters && at < text.size(); ++count) {
        if (static_cast<unsigned char>(text[at]) < 0x80)
            ++at;
        else
            at += SequenceLength(text.substr(at));
    }
    return text.substr(0, at);
}
