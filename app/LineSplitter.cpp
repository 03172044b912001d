#include "app/LineSplitter.h"

LineSplitter::LineSplitter(std::size_t maxLines, std::size_t maxLineBytes)
    : maxLines_(maxLines), maxLineBytes_(maxLineBytes)
{
}

void LineSplitter::EndLine()
{
    lines_.push_back(std::move(current_));
    current_.clear();
    inLine_ = false;
}

std::size_t LineSplitter::Feed(std::string_view data)
{
    std::size_t i = 0;
    while (i < data.size() && !Done()) {
        const char byte = data[i];
        if (afterCR_) {
            afterCR_ = false;
            if (byte == '\n') {
                ++i;
                continue;
            }
        }
        if (byte == '\r' || byte == '\n') {
            afterCR_ = (byte == '\r');
            EndLine();
            ++i;
            continue;
        }
        // Take the run of ordinary bytes up to the next line end at once,
        // keeping only what still fits under the line bound.
        std::size_t end = i;
        while (end < data.size() && data[end] != '\r' && data[end] != '\n')
            ++end;
        const std::size_t room = maxLineBytes_ - current_.size();
        const std::size_t run = end - i;
        current_.append(data.data() + i, run < room ? run : room);
        inLine_ = true;
        i = end;
    }
    return i;
}

std::vector<std::string> LineSplitter::Finish()
{
    if (inLine_ && !Done())
        EndLine();
    afterCR_ = false;
    return std::move(lines_);
}
