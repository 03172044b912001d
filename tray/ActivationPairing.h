#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Turns the activations a desktop tray reports into the mouse messages of a
// tray icon. An XEmbed tray reports a double click itself (a trigger, then a
// double click); a StatusNotifierItem host reports only activations, so two
// triggers within the double-click interval stand for one double click:
// release, double click, release. Plain logic; the caller passes the time.
class TActivationPairing {
public:
    enum class Activation { Trigger, DoubleClick, Context, Other };

    struct Messages {
        std::array<std::uint32_t, 2> message{};
        std::size_t count = 0;
    };

    // `nowMs` is a monotonic time in milliseconds.
    Messages Report(Activation activation, std::int64_t nowMs, std::int64_t doubleClickIntervalMs);

private:
    bool FPending = false;  // a trigger not yet part of a double click
    std::int64_t FLastTrigger = 0;
};
