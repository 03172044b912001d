#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits a byte stream into lines the way a settings file is read back: a
// line ends at CR LF, at a lone CR or at a lone LF, and a last line without
// an end still counts (an empty input has no lines; an input that ends with
// a line end has no empty line after it). Bytes are kept as they are,
// NUL bytes included.
//
// It is bounded so that a huge or hostile input costs a fixed amount of
// memory and reading: a line longer than maxLineBytes keeps only its first
// maxLineBytes bytes (the rest of it, up to its end, is skipped), and once
// maxLines lines are complete it accepts no more input.
//
// Input may arrive in chunks of any size; the result does not depend on how
// the input is cut.
class LineSplitter {
public:
    LineSplitter(std::size_t maxLines, std::size_t maxLineBytes);

    // Consumes bytes from the front of `data` and returns how many it
    // consumed; fewer than data.size() only once Done().
    std::size_t Feed(std::string_view data);

    // True once maxLines lines are complete; further input is not needed.
    bool Done() const { return lines_.size() >= maxLines_; }

    // Ends the input: a pending line without an end becomes the last line.
    // Returns the lines (at most maxLines of them).
    std::vector<std::string> Finish();

private:
    void EndLine();

    std::size_t maxLines_;
    std::size_t maxLineBytes_;
    std::vector<std::string> lines_;
    std::string current_;
    bool inLine_ = false;     // bytes of an unfinished line have been seen
    bool afterCR_ = false;    // the last byte was a CR; an LF now belongs to it
};
