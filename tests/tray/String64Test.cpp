#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tray/String64.h"

namespace {

struct CutCase {
    const char* name;
    std::string text;
    std::size_t characters;
    std::string expected;
};

void PrintTo(const CutCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

class String64Cut : public ::testing::TestWithParam<CutCase> {};

TEST_P(String64Cut, KeepsWholeCharacters)
{
    const CutCase& c = GetParam();
    EXPECT_EQ(std::string(String64::Cut(c.text, c.characters)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, String64Cut,
    ::testing::Values(CutCase{"Empty", "", 64, ""}, CutCase{"ShortAscii", "Disable", 64, "Disable"},
                      CutCase{"Exactly64", std::string(64, 'a'), 64, std::string(64, 'a')},
                      CutCase{"Seventy", std::string(70, 'b'), 64, std::string(64, 'b')},
                      // Two-, three- and four-byte characters count once each.
                      CutCase{"TwoByte", Repeat("\xC3\xA4", 70), 64, Repeat("\xC3\xA4", 64)},
                      CutCase{"ThreeByte", Repeat("\xE2\x82\xAC", 65), 64, Repeat("\xE2\x82\xAC", 64)},
                      CutCase{"FourByte", Repeat("\xF0\x9F\x95\x90", 65), 64, Repeat("\xF0\x9F\x95\x90", 64)},
                      // The cut falls right after a whole sequence, never inside one.
                      CutCase{"MixedAtBoundary", std::string(63, 'x') + "\xE2\x82\xAC" + "y", 64,
                              std::string(63, 'x') + "\xE2\x82\xAC"},
                      // Malformed bytes count one each, and a lead byte whose sequence is
                      // cut short by the text's end stays a byte of its own.
                      CutCase{"StrayContinuations", "\x80\x80\x80", 2, "\x80\x80"},
                      CutCase{"TruncatedAtEnd", "ab\xE2\x82", 3, "ab\xE2"},
                      CutCase{"LeadWithoutContinuation",
                              "\xC3"
                              "A\xC3\xA4",
                              2,
                              "\xC3"
                              "A"},
                      CutCase{"OverlongLead",
                              "\xC0\xAF"
                              "z",
                              2, "\xC0\xAF"},
                      CutCase{"SurrogateIsNotOneCharacter", "\xED\xA0\x80", 1, "\xED"}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

}  // namespace
