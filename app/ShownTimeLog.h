#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The time texts the clock label has shown since the previous alarm check.
// The check timer can come late or drift past a whole second under load, so
// comparing only the label's text of the moment could miss the alarm's
// second: the tick records each new text, and the check compares the alarm
// with every text recorded since it last ran. A text is recorded once, when
// it first appears, so a second matches once however many checks fall in it.
// Past Capacity texts the oldest are dropped (a check that late has no
// second to make up); recording reuses the stored strings' buffers, so a
// steady clock allocates nothing.
class ShownTimeLog {
public:
    static constexpr std::size_t Capacity = 3600;

    // The label now shows `text`; recorded only when it differs from the last one.
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
    std::optional<std::string> FLast;  // the latest text shown, kept across checks
};
