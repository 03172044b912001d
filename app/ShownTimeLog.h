#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The time texts the clock label has shown since the previous alarm check.
//
// The alarm check runs once a second, but a timer can come late or drift
// past a whole second under load; comparing only the label's text of the
// moment would then miss the alarm's second. The clock tick records each
// new text it puts into the label, and the check compares the alarm text
// with every text recorded since it last ran. A text is recorded once when
// it first appears, so a second is matched once however many checks fall
// inside it.
//
// Memory is bounded: past Capacity texts the oldest are dropped (a check
// more than that many seconds late has no second to make up). Recording
// reuses the stored strings' buffers, so a steady clock allocates nothing.
class ShownTimeLog {
public:
    static constexpr std::size_t Capacity = 3600;

    // The label now shows `text`; recorded only when it differs from the
    // text recorded last.
    void Shown(std::string_view text);

    // True when any text shown since the previous call equals `alarm`
    // exactly (character by character, case-sensitive). Forgets them all.
    bool TakeMatch(std::string_view alarm);

    // Forget the pending texts but not the one on show: a check started now
    // matches from the next new text on, as one comparing the label would.
    void Clear();

    std::size_t Pending() const { return FCount; }

private:
    std::vector<std::string> FTexts;  // ring buffer of the pending texts
    std::size_t FFirst = 0;
    std::size_t FCount = 0;
    std::string FLast;  // the latest text shown, kept across checks
    bool FHasLast = false;
};
