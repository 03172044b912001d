#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "IconBytes.h"
#include "tray/Icon.h"
#include "tray/IconFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

struct CheckCase {
    const char* name;
    std::function<void(Bytes&)> change;
    IconFile::Result expected;
};

void PrintTo(const CheckCase& c, std::ostream* out)
{
    *out << c.name;
}

class IconFileCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(IconFileCheck, ChecksEverySizeAgainstTheData)
{
    Bytes bytes = MakeIconFile();
    GetParam().change(bytes);
    EXPECT_EQ(IconFile::Check(bytes, nullptr), GetParam().expected);
}

constexpr std::size_t kEntry = 6;
constexpr std::size_t kImage = 22;
using R = IconFile::Result;

INSTANTIATE_TEST_SUITE_P(
    Files, IconFileCheck,
    ::testing::
        Values(
            CheckCase{"Valid", [](Bytes&) {}, R::Ok}, CheckCase{"Empty", [](Bytes& b) { b.clear(); }, R::Truncated},
            CheckCase{"FiveBytes", [](Bytes& b) { b.resize(5); }, R::Truncated},
            CheckCase{"HeaderOnly", [](Bytes& b) { b.resize(6); }, R::NotValid},
            CheckCase{"CursorType", [](Bytes& b) { Put16(b, 2, 2); }, R::NotValid},
            CheckCase{"TypeAboveOne", [](Bytes& b) { Put16(b, 2, 7); }, R::NotValid},
            CheckCase{"TypeZero", [](Bytes& b) { Put16(b, 2, 0); }, R::NotValid},
            CheckCase{"ReservedSet", [](Bytes& b) { Put16(b, 0, 1); }, R::NotValid},
            CheckCase{"NoImages", [](Bytes& b) { Put16(b, 4, 0); }, R::NotValid},
            CheckCase{"DirectoryPastTheEnd", [](Bytes& b) { Put16(b, 4, 0xFFFF); }, R::NotValid},
            CheckCase{"ImagePastTheEnd", [](Bytes& b) { b.pop_back(); }, R::NotValid},
            CheckCase{"HugeImageSize", [](Bytes& b) { Put32(b, kEntry + 8, 0xFFFFFFFF); }, R::NotValid},
            CheckCase{"OffsetWrapsAround", [](Bytes& b) { Put32(b, kEntry + 12, 0xFFFFFFF0); }, R::NotValid},
            CheckCase{"OffsetInsideTheDirectory", [](Bytes& b) { Put32(b, kEntry + 12, 4); }, R::NotValid},
            CheckCase{"ZeroImageSize", [](Bytes& b) { Put32(b, kEntry + 8, 0); }, R::NotValid},
            CheckCase{"BitmapHeaderTooSmall", [](Bytes& b) { Put32(b, kImage, 12); }, R::NotValid},
            CheckCase{"BitmapHeaderLargerThanImage", [](Bytes& b) { Put32(b, kImage, 5000); }, R::NotValid},
            CheckCase{"TooWide", [](Bytes& b) { Put32(b, kImage + 4, 4096); }, R::NotValid},
            CheckCase{"NegativeWidth", [](Bytes& b) { Put32(b, kImage + 4, 0xFFFFFFE0); }, R::NotValid},
            CheckCase{"OddDoubleHeight", [](Bytes& b) { Put32(b, kImage + 8, 63); }, R::NotValid},
            CheckCase{"BitsOutrunTheImage", [](Bytes& b) { Put32(b, kImage + 8, 128); }, R::NotValid},
            CheckCase{"EightBitsOutrunTheImage", [](Bytes& b) { Put16(b, kImage + 14, 8); }, R::NotValid},
            CheckCase{"TooManyColours", [](Bytes& b) { Put32(b, kImage + 32, 17); }, R::NotValid},
            CheckCase{"FewerColoursStillFit", [](Bytes& b) { Put32(b, kImage + 32, 2); }, R::Ok},
            CheckCase{"Compressed", [](Bytes& b) { Put32(b, kImage + 16, 1); }, R::NotValid},
            CheckCase{"TwoPlanes", [](Bytes& b) { Put16(b, kImage + 12, 2); }, R::NotValid},
            CheckCase{"SixteenBits", [](Bytes& b) { Put16(b, kImage + 14, 16); }, R::NotValid},
            CheckCase{
                "TruncatedPng",
                [](Bytes& b) {
                    const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
                    std::copy(std::begin(png), std::end(png), b.begin() + kImage);
                    Put32(b, kEntry + 8, 20);
                },
                R::NotValid}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST(IconFile, ReportsTheImage)
{
    std::vector<IconFile::Image> images;
    ASSERT_EQ(IconFile::Check(MakeIconFile(0xFF0000, 16), &images), IconFile::Result::Ok);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 16u);
    EXPECT_EQ(images[0].height, 16u);
    EXPECT_EQ(images[0].bitCount, 4);
    EXPECT_FALSE(images[0].png);
}

TEST(IconFile, TheProgramsIconIsOne32By32ImageIn16ColoursOf766Bytes)
{
    const char* source = std::getenv("ZUM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::ifstream in(std::string(source) + "/resources/icon/zum.ico", std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes.size(), 766u);
    std::vector<IconFile::Image> images;
    ASSERT_EQ(IconFile::Check(bytes, &images), IconFile::Result::Ok);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 32u);
    EXPECT_EQ(images[0].height, 32u);
    EXPECT_EQ(images[0].bitCount, 4);
    // Qt's reader turns it into a 32 x 32 picture with something drawn.
    TIcon icon;
    icon.LoadFromBytes(bytes);
    const QImage image = icon.Handle().pixmap(32, 32).toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255;
    EXPECT_GT(opaque, 200);
}

class IconLoad : public ::testing::Test {
public:
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << AsString(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(IconLoad, DecodesTheColoursOfTheFile)
{
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    EXPECT_TRUE(icon.Handle().isNull());
    icon.LoadFromFile(Write("red.ico", MakeIconFile(0xFF0000)));
    EXPECT_FALSE(icon.Empty());
    const QImage image = icon.Handle().pixmap(32, 32).toImage();
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFF, 0xFF0000u);
    // The built picture is kept, so every request carries the same one.
    EXPECT_EQ(icon.Handle().cacheKey(), icon.Handle().cacheKey());
}

struct LoadFailure {
    const char* name;
    std::function<std::string(IconLoad&)> make;  // returns the path to load
    std::string message;                         // "%s" stands for the path
};

TEST_F(IconLoad, FailuresKeepThePictureAndSayWhy)
{
    const std::vector<LoadFailure> cases = {
        {"Missing", [](IconLoad& t) { return t.dir.filePath("none.ico").toStdString(); }, "Cannot open file %s"},
        {"Directory", [](IconLoad& t) { return t.dir.path().toStdString(); }, "Cannot open file %s"},
        {"Short",
         [](IconLoad& t) {
             return t.Write("short.ico", Bytes{0, 0, 1});
         },
         "Stream read error"},
        {"EmptyFile", [](IconLoad& t) { return t.Write("empty.ico", Bytes{}); }, "Stream read error"},
        {"Cursor",
         [](IconLoad& t) {
             Bytes b = MakeIconFile();
             b[2] = 2;
             return t.Write("cursor.cur", b);
         },
         "Icon image is not valid"},
        {"NotAnIcon", [](IconLoad& t) { return t.Write("text.ico", Bytes(100, 'x')); }, "Icon image is not valid"},
    };
    for (const LoadFailure& c : cases) {
        SCOPED_TRACE(c.name);
        TIcon icon;
        icon.LoadFromBytes(MakeIconFile(0x00FF00));
        const qint64 before = icon.Handle().cacheKey();
        const std::string path = c.make(*this);
        std::string message = c.message;
        if (const auto at = message.find("%s"); at != std::string::npos)
            message.replace(at, 2, path);
        try {
            icon.LoadFromFile(path);
            ADD_FAILURE() << "no failure";
        } catch (const std::exception& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        EXPECT_EQ(icon.Handle().cacheKey(), before);
    }
}

TEST_F(IconLoad, AssignCopiesAndClearEmpties)
{
    TIcon a;
    a.LoadFromBytes(MakeIconFile());
    TIcon b;
    b.Assign(a);
    EXPECT_FALSE(b.Empty());
    b.Clear();
    EXPECT_TRUE(b.Empty());
    EXPECT_FALSE(a.Empty());
    b.SetHandle(QIcon());
    EXPECT_TRUE(b.Empty());
}

}  // namespace

namespace {

// Every seed of the fuzz corpus that the check accepts is one Qt's reader
// turns into a picture, so nothing the check lets through draws blank.
TEST(IconFile, AcceptedSeedsDecode)
{
    int accepted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZUM_TRAY_SEED_DIR)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
        if (IconFile::Check(bytes, nullptr) != IconFile::Result::Ok)
            continue;
        ++accepted;
        TIcon icon;
        icon.LoadFromBytes(bytes);
        EXPECT_FALSE(icon.Handle().isNull());
        EXPECT_FALSE(icon.Handle().availableSizes().isEmpty());
    }
    EXPECT_GE(accepted, 3);
}

}  // namespace
