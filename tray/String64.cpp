#include "tray/String64.h"

#include "common/Utf8.h"

std::string_view String64::Cut(std::string_view text, std::size_t characters)
{
    std::size_t at = 0;
    // A byte that begins no well-formed sequence counts as a character of
    // its own, so malformed text is cut too, and never inside a sequence.
    for (std::size_t count = 0; count < characters && at < text.size(); ++count) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
        } else {
            const std::size_t length = Utf8::SequenceLength(text.substr(at));
            at += length == 0 ? 1 : length;
        }
    }
    return text.substr(0, at);
}
