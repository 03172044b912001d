#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "tray/TrayActivation.h"

// Turns the activations a desktop tray reports into those of a tray icon.
// An XEmbed tray reports a double click itself (a trigger, then a double
// click); a StatusNotifierItem host reports only activations, so two
// triggers within the double-click interval stand for one double click:
// click, double click, click. Plain logic; the caller passes the time.
class TActivationPairing {
public:
    enum class Reported { Trigger, DoubleClick, Context, Other };

    struct Activations {
        std::array<TTrayActivation, 2> activation{};
        std::size_t count = 0;
    };

    // `nowMs` is a monotonic time in milliseconds.
    Activations Report(Reported reported, std::int64_t nowMs, std::int64_t doubleClickIntervalMs);

private:
    bool FPending = false;  // a trigger not yet part of a double click
    std::int64_t FLastTrigger = 0;
};
