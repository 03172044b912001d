#include "tray/ActivationPairing.h"

TActivationPairing::Activations TActivationPairing::Report(Reported reported, std::int64_t nowMs,
                                                           std::int64_t doubleClickIntervalMs)
{
    Activations out;
    auto add = [&out](TTrayActivation activation) { out.activation[out.count++] = activation; };
    if (reported == Reported::Trigger) {
        if (FPending && nowMs - FLastTrigger <= doubleClickIntervalMs) {
            FPending = false;
            add(TTrayActivation::DoubleClick);
        } else {
            FPending = true;
            FLastTrigger = nowMs;
        }
        add(TTrayActivation::Click);
        return out;
    }
    // Anything else parts two triggers around it: the tray saw a double click
    // itself and took the trigger before it, or it is the menu, or a middle
    // click, which is no activation of the icon.
    FPending = false;
    if (reported == Reported::DoubleClick)
        add(TTrayActivation::DoubleClick);
    if (reported == Reported::Context)
        add(TTrayActivation::Context);
    return out;
}
