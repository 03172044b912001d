#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tray/ActivationPairing.h"
#include "tray/NotifyMessages.h"

namespace {

using A = TActivationPairing::Activation;

struct Step {
    A activation;
    std::int64_t at;
};

struct PairingCase {
    const char* name;
    std::vector<Step> steps;
    std::string expected;  // messages in order
};

void PrintTo(const PairingCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string Name(std::uint32_t message)
{
    switch (message) {
    case NotifyMessage::WM_LBUTTONUP:
        return "Up";
    case NotifyMessage::WM_LBUTTONDBLCLK:
        return "Dbl";
    case NotifyMessage::WM_RBUTTONUP:
        return "RUp";
    default:
        return "Other";
    }
}

class Pairing : public ::testing::TestWithParam<PairingCase> {};

TEST_P(Pairing, ReportsMouseMessages)
{
    TActivationPairing pairing;
    std::string got;
    for (const Step& step : GetParam().steps) {
        const auto messages = pairing.Report(step.activation, step.at, 400);
        for (std::size_t i = 0; i < messages.count; ++i)
            got += (got.empty() ? "" : " ") + Name(messages.message[i]);
    }
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Pairing,
    ::testing::Values(
        PairingCase{"OneTrigger", {{A::Trigger, 0}}, "Up"},
        // A StatusNotifierItem host: two activations make a double click.
        PairingCase{"TwoTriggersInTime", {{A::Trigger, 0}, {A::Trigger, 400}}, "Up Dbl Up"},
        PairingCase{"TwoTriggersTooFarApart", {{A::Trigger, 0}, {A::Trigger, 401}}, "Up Up"},
        // Three quick ones: one double click, then a single click anew.
        PairingCase{"ThreeTriggers", {{A::Trigger, 0}, {A::Trigger, 100}, {A::Trigger, 200}}, "Up Dbl Up Up"},
        PairingCase{"FourTriggers",
                    {{A::Trigger, 0}, {A::Trigger, 100}, {A::Trigger, 200}, {A::Trigger, 300}},
                    "Up Dbl Up Up Dbl Up"},
        // An XEmbed tray reports the double click itself; it is not doubled.
        PairingCase{"XEmbedDoubleClick", {{A::Trigger, 0}, {A::DoubleClick, 150}}, "Up Dbl"},
        PairingCase{"XEmbedDoubleClickThenClick", {{A::Trigger, 0}, {A::DoubleClick, 150}, {A::Trigger, 300}},
                    "Up Dbl Up"},
        PairingCase{"ContextBreaksAPair", {{A::Trigger, 0}, {A::Context, 50}, {A::Trigger, 100}}, "Up RUp Up"},
        PairingCase{"Middle", {{A::Other, 0}}, "Other"}),
    [](const ::testing::TestParamInfo<PairingCase>& info) { return std::string(info.param.name); });

}  // namespace
