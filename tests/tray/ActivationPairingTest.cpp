#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tray/ActivationPairing.h"

namespace {

using A = TActivationPairing::Reported;

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

std::string Name(TTrayActivation activation)
{
    switch (activation) {
    case TTrayActivation::Click:
        return "Up";
    case TTrayActivation::DoubleClick:
        return "Dbl";
    case TTrayActivation::Context:
        return "RUp";
    }
    return "?";
}

class Pairing : public ::testing::TestWithParam<PairingCase> {};

TEST_P(Pairing, ReportsActivations)
{
    TActivationPairing pairing;
    std::string got;
    for (const Step& step : GetParam().steps) {
        const auto reported = pairing.Report(step.activation, step.at, 400);
        for (std::size_t i = 0; i < reported.count; ++i)
            got += (got.empty() ? "" : " ") + Name(reported.activation[i]);
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
        PairingCase{
            "XEmbedDoubleClickThenClick", {{A::Trigger, 0}, {A::DoubleClick, 150}, {A::Trigger, 300}}, "Up Dbl Up"},
        PairingCase{"ContextBreaksAPair", {{A::Trigger, 0}, {A::Context, 50}, {A::Trigger, 100}}, "Up RUp Up"},
        // A middle click is none of the icon's, and parts two triggers.
        PairingCase{"MiddleBreaksAPair", {{A::Trigger, 0}, {A::Other, 50}, {A::Trigger, 100}}, "Up Up"}),
    [](const ::testing::TestParamInfo<PairingCase>& info) { return std::string(info.param.name); });

}  // namespace
