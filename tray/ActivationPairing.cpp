#include "tray/ActivationPairing.h"

#include "tray/NotifyMessages.h"

TActivationPairing::Messages TActivationPairing::Report(Activation activation, std::int64_t nowMs,
                                                        std::int64_t doubleClickIntervalMs)
{
    Messages out;
    auto add = [&out](std::uint32_t message) { out.message[out.count++] = message; };
    switch (activation) {
    case Activation::Trigger:
        if (FPending && nowMs - FLastTrigger <= doubleClickIntervalMs) {
            FPending = false;
            add(NotifyMessage::WM_LBUTTONDBLCLK);
        } else {
            FPending = true;
            FLastTrigger = nowMs;
        }
        add(NotifyMessage::WM_LBUTTONUP);
        break;
    case Activation::DoubleClick:
        // The tray saw the double click itself; the trigger before it is
        // taken, so a trigger after it starts afresh.
        FPending = false;
        add(NotifyMessage::WM_LBUTTONDBLCLK);
        break;
    case Activation::Context:
        FPending = false;
        add(NotifyMessage::WM_RBUTTONUP);
        break;
    case Activation::Other:
        FPending = false;
        add(NotifyMessage::WM_MBUTTONUP);
        break;
    }
    return out;
}
