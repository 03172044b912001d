#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <algorithm>

#include "skin/BitmapQt.h"
#include "tests/support/BmpFile.h"
#include "skin/ByteStream.h"
#include "tests/support/ByteStreamQt.h"
#include "skin/RegionData.h"
#include "skin/RegionFromBitmap.h"
#include "skin/SkinResources.h"

namespace {

using Rect = Region::Rect;

const std::vector<Rect> kOutline = {
    {8, 2, 392, 3},     {6, 3, 394, 4},     {6, 4, 395, 5},     {4, 5, 396, 6},
    {3, 6, 397, 8},     {2, 8, 398, 195},   {2, 195, 397, 196}, {3, 196, 397, 197},
    {4, 197, 396, 198}, {5, 198, 395, 199}, {7, 199, 393, 200},
};

std::span<const uint8_t> AsBytes(const QByteArray& a)
{
    return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<size_t>(a.size())};
}

TEST(BuiltInSkinTest, PictureIsTheSkinWithItsTransparentColour)
{
    const auto skin = DecodeBmp(AsBytes(BuiltInSkinPicture()));
    ASSERT_TRUE(skin.has_value());
    EXPECT_EQ(skin->Width(), 401);
    EXPECT_EQ(skin->Height(), 203);
    EXPECT_EQ(skin->BitsPerPixel(), 8);
    ASSERT_EQ(skin->ColorTable().size(), 256u);
    const uint32_t key = skin->ColorAt(0, 202);
    EXPECT_EQ(key, 0x00FCFEFCu);
    EXPECT_EQ(std::count(skin->ColorTable().begin(), skin->ColorTable().end(), key), 1);
}

TEST(BuiltInSkinTest, StoredBlockIsExactlyTheOneWrittenForThePicture)
{
    const auto skin = DecodeBmp(AsBytes(BuiltInSkinPicture()));
    ASSERT_TRUE(skin.has_value());
    const auto region = fcCreateRegionFromBitmap(*skin, skin->ColorAt(0, skin->Height() - 1));
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->Rects(), kOutline);
    EXPECT_EQ(region->Bounds(), (Rect{2, 2, 398, 200}));

    VectorByteSink written;
    WriteRegions(written, region);
    const QByteArray stored = BuiltInRegionData();
    ASSERT_EQ(stored.size(), 212);
    const auto storedBytes = AsBytes(stored);
    EXPECT_TRUE(std::equal(storedBytes.begin(), storedBytes.end(), written.Bytes().begin(), written.Bytes().end()));

    MemoryByteSource source(storedBytes);
    const RegionReadResult read = ReadRegions(source);
    ASSERT_EQ(read.status, RegionReadResult::Status::Loaded);
    EXPECT_EQ(read.region.Rects(), kOutline);
}

TEST(BuiltInSkinTest, BlockTravelsThroughAQtDevice)
{
    QByteArray stored = BuiltInRegionData();
    QBuffer in(&stored);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QIODeviceByteSource source(in);
    const RegionReadResult read = ReadRegions(source);
    ASSERT_EQ(read.status, RegionReadResult::Status::Loaded);

    QByteArray copy;
    QBuffer out(&copy);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QIODeviceByteSink sink(out);
    WriteRegions(sink, read.region);
    EXPECT_FALSE(sink.Failed());
    EXPECT_EQ(copy, stored);

    QBuffer closed;  // not open: every write fails
    QIODeviceByteSink failing(closed);
    WriteRegions(failing, read.region);
    EXPECT_TRUE(failing.Failed());
}

TEST(BuiltInSkinTest, QtSeesTheSamePicture)
{
    const QImage image = QImage::fromData(BuiltInSkinPicture(), "BMP");
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    const auto bitmap = FromQImage(image);
    ASSERT_TRUE(bitmap.has_value());
    const auto region = fcCreateRegionFromBitmap(*bitmap, 0x00FCFEFC);
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->Rects(), kOutline);
}

}  // namespace
