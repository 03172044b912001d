#include "tray/ActivationPairing.h"

TActivationPairing::Activations TActivationPairing::Report(Reported reported, std::int64_t nowMs,
                                                           std::int64_t doubleClickIntervalMs)
{
    Activations out;
    auto add = [&out](TTrayActivation activation) { out.activation[out.count++] = activation; };
    switch (reported) {
    case Reported::Trigger:
        if (FPending && nowMs - FLastTrigger <= doubleClickIntervalMs) {
            FPending = false;
            add(TTrayActivation::DoubleClick);
        } else {
            FPending = true;
            FLastTrigger = nowMs;
        }
        add(TTrayActivation::Click);
        break;
    case Reported::DoubleClick:
        // The tray saw the double click itself; the trigger before it is
        // taken, so a trigger after it starts afresh.
        FPending = false;
        add(TTrayActivation::DoubleClick);
        break;
    case Reported::Context:
        FPending = false;
        add(TTrayActivation::Context);
        break;
    case Reported::Other:
        // A middle click: no activation of the icon, but it parts two
        // triggers around it.
        FPending = false;
        break;
    }
    return out;
}
