#include "app/ShownTimeLog.h"

void ShownTimeLog::Shown(std::string_view text)
{
    if (FLast == text)
        return;
    FLast = text;

    if (FTexts.size() < Capacity && FCount == FTexts.size()) {
        FTexts.emplace_back(text);
        ++FCount;
        return;
    }
    if (FCount == Capacity) {  // full: drop the oldest
        FFirst = (FFirst + 1) % FTexts.size();
        --FCount;
    }
    FTexts[(FFirst + FCount) % FTexts.size()].assign(text);
    ++FCount;
}

bool ShownTimeLog::TakeMatch(std::string_view alarm)
{
    bool match = false;
    for (std::size_t i = 0; i < FCount && !match; ++i)
        match = FTexts[(FFirst + i) % FTexts.size()] == alarm;
    Clear();
    return match;
}

void ShownTimeLog::Clear()
{
    FFirst = 0;
    FCount = 0;
}
