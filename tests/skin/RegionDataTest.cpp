#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "skin/ByteStream.h"
#include "skin/RegionData.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Rect = Region::Rect;
using Status = RegionReadResult::Status;

void Put(Bytes& out, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

// A block assembled field by field, so malformed ones are easy to state.
Bytes Block(int32_t n, int32_t headerSize, int32_t type, int32_t count, int32_t listSize,
            const std::vector<Rect>& rects)
{
    Bytes out;
    Put(out, n);
    for (int32_t v : {headerSize, type, count, listSize, 0, 0, 0, 0})
        Put(out, v);
    for (const Rect& r : rects)
        for (int32_t v : {r.left, r.top, r.right, r.bottom})
            Put(out, v);
    return out;
}

Bytes ValidBlock(const std::vector<Rect>& rects)
{
    const auto c = static_cast<int32_t>(rects.size());
    return Block(32 + 16 * c, 32, 1, c, 16 * c, rects);
}

RegionReadResult Read(const Bytes& bytes)
{
    MemoryByteSource source(bytes);
    return ReadRegions(source);
}

Bytes Write(const std::optional<Region>& region)
{
    VectorByteSink sink;
    WriteRegions(sink, region);
    return sink.Bytes();
}

TEST(RegionDataTest, OneRectangleIsWrittenFieldByField)
{
    const Bytes expected = Block(48, 32, 1, 1, 16, {{0, 0, 10, 10}});
    Bytes withBounds = expected;
    // Bounding rectangle (0, 0, 10, 10) at offset 20.
    withBounds[20 + 8] = 10;
    withBounds[20 + 12] = 10;
    EXPECT_EQ(Write(Region(Rect{0, 0, 10, 10})), withBounds);
    EXPECT_EQ(withBounds.size(), 52u);
}

TEST(RegionDataTest, NoOutlineIsFourZeroBytesAndReadsAsNotStored)
{
    EXPECT_EQ(Write(std::nullopt), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Write(Region()), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Read(Bytes{0, 0, 0, 0}).status, Status::NotStored);
}

TEST(RegionDataTest, ReadingUnitesRectanglesInAnyOrder)
{
    const RegionReadResult r = Read(ValidBlock({{0, 5, 4, 6}, {5, 0, 9, 5}, {0, 0, 5, 5}, {3, 3, 3, 9}, {0, 0, 2, 1}}));
    ASSERT_EQ(r.status, Status::Loaded);
    EXPECT_EQ(r.region.Rects(), (std::vector<Rect>{{0, 0, 9, 5}, {0, 5, 4, 6}}));
    EXPECT_EQ(r.region.CheckInvariants(), "");
}

TEST(RegionDataTest, ReadingStopsAtTheBlocksEnd)
{
    Bytes bytes = ValidBlock({{1, 1, 2, 2}});
    bytes.insert(bytes.end(), {0xAA, 0xBB});
    MemoryByteSource source(bytes);
    EXPECT_EQ(ReadRegions(source).status, Status::Loaded);
    EXPECT_EQ(source.Remaining(), 2u);
}

struct MalformedCase {
    const char* name;
    Bytes bytes;
};

void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedBlockTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBlockTest, GivesNoRegion)
{
    const RegionReadResult r = Read(GetParam().bytes);
    EXPECT_EQ(r.status, Status::Rejected);
    EXPECT_TRUE(r.region.IsEmpty());
}

const std::vector<Rect> kTwo = {{0, 0, 1, 1}, {2, 2, 3, 3}};

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedBlockTest,
    testing::Values(
        MalformedCase{"NoCount", {}},
        MalformedCase{"CountCutShort", {0x30, 0}},
        MalformedCase{"WrongHeaderSize", Block(64, 40, 1, 2, 32, kTwo)},
        MalformedCase{"WrongType", Block(64, 32, 2, 2, 32, kTwo)},
        MalformedCase{"CountTooLargeForN", Block(64, 32, 1, 3, 32, kTwo)},
        MalformedCase{"CountTooSmallForN", Block(64, 32, 1, 1, 32, kTwo)},
        MalformedCase{"ListSizeNotSixteenPerRect", Block(64, 32, 1, 2, 31, kTwo)},
        MalformedCase{"NegativeCount", Block(-64, 32, 1, 2, 32, kTwo)},
        MalformedCase{"NegativeRectCount", Block(64, 32, 1, -2, -32, kTwo)},
        MalformedCase{"NShorterThanHeader", Bytes{16, 0, 0, 0, 32, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        MalformedCase{"AbsurdN", Block(0x7FFFFFF0, 32, 1, 2, 32, kTwo)},
        MalformedCase{"AbsurdRectCount", Block(32 + 16 * 2, 32, 1, 0x10000000, 0, kTwo)},
        // Valid 32-bit numbers whose right - left or bottom - top is not.
        MalformedCase{"WidthOverflows", ValidBlock({{-2, 0, 0x7FFFFFFF, 1}})},
        MalformedCase{"HeightOverflows", ValidBlock({{0, INT32_MIN, 1, 1}})},
        MalformedCase{"OverflowBesideValidRect", ValidBlock({{0, 0, 4, 4}, {INT32_MIN, 5, 0, 6}})},
        // Each fits, but they overlap into one span that does not.
        MalformedCase{"UnionOverflows", ValidBlock({{-10, 0, 10, 1}, {0, 0, INT32_MAX, 1}})},
        // Bands that each fit, an outline that does not.
        MalformedCase{"BoundsOverflow", ValidBlock({{0, -5, 1, 0x7FFFFFF0}, {0, -20, 2, -15}})},
        MalformedCase{"LowestCoordinate", ValidBlock({{INT32_MIN, 0, 1, 1}})},
        MalformedCase{"StreamEndsEarly", [] {
                          Bytes b = ValidBlock(kTwo);
                          b.resize(b.size() - 1);
                          return b;
                      }()}),
    [](const testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST(RegionDataTest, WidestRectanglesThatFitAreRead)
{
    const Rect widest{INT32_MIN + 1, 0, 0, 1};
    const Rect tallest{0, 0, 1, INT32_MAX};
    for (const Rect& r : {widest, tallest}) {
        const RegionReadResult read = Read(ValidBlock({r}));
        ASSERT_EQ(read.status, Status::Loaded);
        EXPECT_EQ(read.region.Rects(), std::vector<Rect>{r});
    }
}

TEST(RegionDataTest, EveryCutOfAValidBlockIsRejected)
{
    const Bytes full = ValidBlock({{0, 0, 4, 1}, {1, 1, 3, 2}, {0, 2, 4, 3}});
    ASSERT_EQ(Read(full).status, Status::Loaded);
    for (size_t n = 0; n < full.size(); ++n) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(Read(cut).status, Status::Rejected) << n << " bytes";
    }
}

// A source that claims a huge block but has only a few bytes: the reader
// must not ask for (and so allocate) the whole claimed size in one go.
class StingySource final : public ByteSource {
public:
    explicit StingySource(Bytes bytes) : bytes_(std::move(bytes)), inner_(bytes_) {}
    size_t Read(uint8_t* dst, size_t size) override
    {
        largestRequest = std::max(largestRequest, size);
        return inner_.Read(dst, size);
    }
    size_t largestRequest = 0;

private:
    Bytes bytes_;
    MemoryByteSource inner_;
};

TEST(RegionDataTest, LargeClaimedBlockIsReadInBoundedSteps)
{
    const int32_t claimed = 32 + 16 * 1000000;
    Bytes bytes = Block(claimed, 32, 1, 1000000, 16000000, kTwo);
    StingySource source(bytes);
    EXPECT_EQ(ReadRegions(source).status, Status::Rejected);
    EXPECT_LE(source.largestRequest, 64u * 1024u);
}

TEST(RegionDataTest, WriteThenReadGivesTheSameRegion)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> coord(-50, 50);
    std::uniform_int_distribution<int> extent(1, 30);
    for (int round = 0; round < 500; ++round) {
        std::vector<Rect> rects(static_cast<size_t>(round % 12 + 1));
        for (Rect& r : rects) {
            r.left = coord(rng);
            r.top = coord(rng);
            r.right = r.left + extent(rng);
            r.bottom = r.top + extent(rng);
        }
        const Region region = Region::FromRects(rects);
        const Bytes bytes = Write(region);
        const auto n = static_cast<size_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24);
        ASSERT_EQ(bytes.size(), 4 + n);
        ASSERT_EQ(n, 32 + 16 * region.Rects().size());
        const RegionReadResult back = Read(bytes);
        ASSERT_EQ(back.status, Status::Loaded);
        ASSERT_EQ(back.region, region);
        // Writing the decoded region again is byte for byte the same.
        ASSERT_EQ(Write(back.region), bytes);
    }
}

}  // namespace
