#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "common/Utf8.h"

// A hint text of at most 64 characters. The text is UTF-8 (the program's
// 8-bit text); a character is one well-formed UTF-8 sequence, or one byte of
// a malformed one, so cutting never splits a well-formed sequence.
struct String64 {
    static constexpr std::size_t MaxCharacters = 64;

    // The longest prefix of `text` holding at most `characters` characters.
    static std::string_view Cut(std::string_view text, std::size_t characters = MaxCharacters)
    {
        std::size_t at = 0;
        // A byte that begins no well-formed sequence counts as a character of
        // its own, so malformed text is cut too, and never inside a sequence.
        for (std::size_t count = 0; count < characters && at < text.size(); ++count)
            at += std::max<std::size_t>(1, Utf8::SequenceLength(text.substr(at)));
        return text.substr(0, at);
    }
};
