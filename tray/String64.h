#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A hint text of at most 64 characters. The text is UTF-8 (the program's
// 8-bit text); a character is one well-formed UTF-8 sequence, or one byte of
// a malformed one, so cutting never splits a well-formed sequence.
class String64 {
public:
    static constexpr std::size_t MaxCharacters = 64;

    String64() = default;
    // Keeps the first 64 characters of `text`.
    explicit String64(std::string_view text) : FText(Cut(text)) {}

    const std::string& str() const { return FText; }
    bool empty() const { return FText.empty(); }

    // The longest prefix of `text` holding at most `characters` characters.
    static std::string_view Cut(std::string_view text, std::size_t characters = MaxCharacters);

    friend bool operator==(const String64& a, const String64& b) { return a.FText == b.FText; }

private:
    std::string FText;
};
