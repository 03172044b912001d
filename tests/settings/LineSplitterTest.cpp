#include "settings/AlarmFile.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

using LineSplitter = AlarmFile::LineSplitter;

std::vector<std::string> SplitInChunks(const std::string& input, std::size_t chunk, std::size_t maxLines = 2,
                                       std::size_t maxLineBytes = 8)
{
    LineSplitter splitter(maxLines, maxLineBytes);
    for (std::size_t at = 0; at < input.size() && !splitter.Done(); at += chunk)
        splitter.Feed(std::string_view(input).substr(at, chunk));
    return splitter.Finish();
}

// The file reader hands over the input in blocks; where a block boundary
// falls (between CR and LF, inside a cut line) must not change the lines.
TEST(LineSplitterTest, ResultDoesNotDependOnWhereTheInputIsCut)
{
    const std::string inputs[] = {
        "a\r\nb\r\n",
        "a\r\n\nb",
        "a\r",
        "\r\n",
        "abcdefghijkl\r\nxy",
        "abcdefghij\rk",
        "\0\0\r\n\0"s,
        "12345678\r\n12345678\n",
        "abc",
        "",
    };
    for (const auto& input : inputs) {
        SCOPED_TRACE(input);
        const auto whole = SplitInChunks(input, input.size() + 1);
        for (std::size_t chunk = 1; chunk <= input.size(); ++chunk)
            EXPECT_EQ(SplitInChunks(input, chunk), whole) << "chunk " << chunk;
    }
    EXPECT_EQ(SplitInChunks("a\r\nb", 1), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitInChunks("abcdefghijkl\r\nxy", 1), (std::vector<std::string>{"abcdefgh", "xy"}));
}

TEST(LineSplitterTest, StopsConsumingOnceEnoughLinesAreComplete)
{
    LineSplitter splitter(2, 16);
    const std::string input = "one\r\ntwo\r\nthree\r\n";
    EXPECT_EQ(splitter.Feed(input), std::string("one\r\ntwo\r").size());
    EXPECT_TRUE(splitter.Done());
    EXPECT_EQ(splitter.Feed("more"), 0u);
    EXPECT_EQ(splitter.Finish(), (std::vector<std::string>{"one", "two"}));
}

}  // namespace
