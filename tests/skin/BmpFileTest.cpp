#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <random>

#include "skin/BitmapQt.h"
#include "tests/support/BmpFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bitmap Sample(int depth, int32_t w, int32_t h, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bitmap bmp(w, h, depth);
    if (depth <= 8) {
        std::vector<uint32_t> table(size_t{1} << depth);
        for (uint32_t& c : table)
            c = rng() & 0xFFFFFF;
        bmp.SetColorTable(table);
    }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            bmp.SetPixelValue(x, y, static_cast<uint32_t>(rng()));
    return bmp;
}

TEST(BmpFileTest, EveryDepthSurvivesWritingAndReading)
{
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        for (int32_t w : {1, 3, 7, 8, 9, 33}) {
            const Bitmap bmp = Sample(depth, w, 5, static_cast<uint32_t>(depth * 100 + w));
            const auto back = DecodeBmp(EncodeBmp(bmp));
            ASSERT_TRUE(back.has_value()) << depth << " bpp, width " << w;
            // Pixel bytes past the width are row padding; compare pixels.
            for (int32_t y = 0; y < 5; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(back->ColorAt(x, y), bmp.ColorAt(x, y));
            EXPECT_EQ(back->ColorTable(), bmp.ColorTable());
        }
    }
}

TEST(BmpFileTest, QtReadsTheFilesTheSameWay)
{
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        const Bitmap bmp = Sample(depth, 13, 4, static_cast<uint32_t>(depth));
        const Bytes file = EncodeBmp(bmp);
        const QImage image = QImage::fromData(
            QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())), "BMP");
        ASSERT_FALSE(image.isNull()) << depth;
        const QImage ours = ToQImage(bmp);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, ours.pixel(x, y) & 0xFFFFFF)
                    << depth << " at " << x << "," << y;
        const auto fromQt = FromQImage(image);
        ASSERT_TRUE(fromQt.has_value());
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 13; ++x)
                ASSERT_EQ(fromQt->ColorAt(x, y), bmp.ColorAt(x, y));
    }
}

// Files written by another program (the fuzzing seeds): 1, 4, 24 bits with
// the 40-byte header, 16 and 32 bits with longer headers and channel masks.
TEST(BmpFileTest, ReadsFilesFromElsewhereAsQtDoes)
{
    const QDir dir(QStringLiteral(ZUM_SKIN_SEED_DIR));
    const QStringList names = dir.entryList({"*.bmp"}, QDir::Files);
    ASSERT_GE(names.size(), 5);
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        const auto bitmap =
            DecodeBmp({reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size())});
        ASSERT_TRUE(bitmap.has_value()) << name.toStdString();
        const QImage image = QImage::fromData(data, "BMP");
        ASSERT_EQ(image.width(), bitmap->Width());
        ASSERT_EQ(image.height(), bitmap->Height());
        const QImage ours = ToQImage(*bitmap);
        for (int32_t y = 0; y < bitmap->Height(); ++y)
            for (int32_t x = 0; x < bitmap->Width(); ++x)
                ASSERT_EQ(ours.pixel(x, y) & 0xFFFFFF, image.pixel(x, y) & 0xFFFFFF)
                    << name.toStdString() << " at " << x << "," << y;
    }
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(BmpFileTest, TopDownAndChannelMaskFilesAreRead)
{
    Bitmap bmp(2, 2, 16);
    bmp.SetMasks({0xF800, 0x07E0, 0x001F});
    bmp.SetPixelValue(0, 0, 0xF800);
    bmp.SetPixelValue(1, 1, 0x001F);
    Bytes file = EncodeBmp(bmp);
    auto back = DecodeBmp(file);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->ColorAt(0, 0), 0x0000F8u);
    EXPECT_EQ(back->ColorAt(1, 1), 0xF80000u);

    // The same rows stored top first, announced by a negative height.
    const size_t offset = file[10] | file[11] << 8;
    const size_t stride = back->Stride();
    Bytes flipped = file;
    std::copy(file.begin() + static_cast<std::ptrdiff_t>(offset),
              file.begin() + static_cast<std::ptrdiff_t>(offset + stride),
              flipped.begin() + static_cast<std::ptrdiff_t>(offset + stride));
    std::copy(file.begin() + static_cast<std::ptrdiff_t>(offset + stride),
              file.begin() + static_cast<std::ptrdiff_t>(offset + 2 * stride),
              flipped.begin() + static_cast<std::ptrdiff_t>(offset));
    Put32(flipped, 22, static_cast<uint32_t>(-2));
    back = DecodeBmp(flipped);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->ColorAt(0, 0), 0x0000F8u);
    EXPECT_EQ(back->ColorAt(1, 1), 0xF80000u);
}

struct BadFile {
    const char* name;
    size_t at;  // offset of a 32-bit field to overwrite
    uint32_t value;
};

void PrintTo(const BadFile& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedBmpTest : public testing::TestWithParam<BadFile> {};

TEST_P(MalformedBmpTest, IsRejected)
{
    Bytes file = EncodeBmp(Sample(8, 5, 3, 7));
    Put32(file, GetParam().at, GetParam().value);
    EXPECT_FALSE(DecodeBmp(file).has_value());
}

INSTANTIATE_TEST_SUITE_P(Fields, MalformedBmpTest,
                         testing::Values(BadFile{"Magic", 0, 0x11114D42 & 0xFFFF0000},
                                         BadFile{"InfoHeaderSize", 14, 12}, BadFile{"HugeWidth", 18, 0x7FFFFFFF},
                                         BadFile{"NegativeWidth", 18, static_cast<uint32_t>(-5)},
                                         BadFile{"HugeHeight", 22, 100000}, BadFile{"LowestHeight", 22, 0x80000000u},
                                         BadFile{"Planes", 26, 0x00080002}, BadFile{"Depth", 26, 0x00070001},
                                         BadFile{"RunLengthCompression", 30, 1}, BadFile{"ColourTableTooLong", 46, 257},
                                         BadFile{"PixelsPastTheEnd", 10, 0x10000},
                                         BadFile{"TallerThanItsData", 22, 40}),
                         [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST(BmpFileTest, EveryCutOfAFileIsRejected)
{
    const Bytes file = EncodeBmp(Sample(4, 9, 3, 3));
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(DecodeBmp(std::span(file).first(n)).has_value()) << n;
}

}  // namespace
