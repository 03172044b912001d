// The image form on a form: outline, picture, painting and which presses
// start a drag.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "FakeDragPlatform.h"
#include "skin/ByteStream.h"
#include "skin/CaptureMessageClass.h"
#include "skin/ImageForm.h"
#include "skin/RegionData.h"
#include "skin/SkinResources.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const QByteArray& a)
{
    return Bytes(a.begin(), a.end());
}

void Read(TfcCustomImageForm& image, const Bytes& block)
{
    MemoryByteSource source(block);
    image.ReadRegions(source);
}

QImage Picture(int width, int height, QRgb fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

class ImageFormTest : public ::testing::Test {
protected:
    // The main window's arrangement: the form's client 399 x 201, the skin
    // picture loaded into the picture object, then the stored block.
    TfcImageForm& Make(bool designMode = false, bool withPicture = true)
    {
        form = std::make_unique<QWidget>();
        form->setFixedSize(399, 201);
        image = new TfcImageForm(form.get());
        image->SetDesignMode(designMode);
        image->SetParent(form.get());
        image->SetBounds(0, 0, 399, 201);
        if (withPicture) {
            EXPECT_TRUE(image->Picture().LoadFromData(BuiltInSkinPicture()));
        }
        return *image;
    }

    std::unique_ptr<QWidget> form;
    TfcImageForm* image = nullptr;
};

TEST_F(ImageFormTest, PlacedOnAPanelItLiesOnTheFormWhichBecomesBorderless)
{
    QWidget window;
    auto* panel = new QWidget(&window);
    auto* onPanel = new TfcImageForm(panel);
    onPanel->SetParent(panel);
    EXPECT_EQ(onPanel->parentWidget(), &window);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_NE(onPanel->Hook(), nullptr);
    EXPECT_EQ(onPanel->Hook()->WndHandle(), &window);
    EXPECT_TRUE(onPanel->Hook()->SubClassed());
    // The hook is made once, for the first form.
    TfcCaptureMessageClass* hook = onPanel->Hook();
    QWidget other;
    onPanel->SetParent(&other);
    EXPECT_EQ(onPanel->Hook(), hook);
    EXPECT_EQ(hook->WndHandle(), &window);
    onPanel->SetParent(&window);
}

TEST_F(ImageFormTest, ConstructorDefaults)
{
    QWidget window;
    TfcImageForm fresh(&window);
    EXPECT_EQ(fresh.DragTolerance(), 5);
    EXPECT_EQ(fresh.TransparentColor(), clNone);
    EXPECT_EQ(fresh.Align(), TAlign::alClient);
    EXPECT_FALSE(fresh.Options().ifUseWindowsDrag);
    EXPECT_FALSE(fresh.HeldRegion().has_value());
    EXPECT_EQ(fresh.Hook(), nullptr);
    EXPECT_EQ(fresh.CaptionBarControl(), nullptr);
}

TEST_F(ImageFormTest, StoredOutlineShapesTheWindow)
{
    Make();
    Read(*image, ToBytes(BuiltInRegionData()));
    ASSERT_TRUE(image->HeldRegion().has_value());
    EXPECT_EQ(image->HeldRegion()->Rects().size(), 11u);
    EXPECT_TRUE(image->RegionHandedToWindow());
    const QRegion mask = form->mask();
    EXPECT_FALSE(mask.contains(QPoint(1, 100)));
    EXPECT_TRUE(mask.contains(QPoint(2, 100)));
    EXPECT_TRUE(mask.contains(QPoint(397, 100)));
    EXPECT_FALSE(mask.contains(QPoint(398, 100)));
}

TEST_F(ImageFormTest, EmptyBlockScansThePictureForTheSameOutline)
{
    Make();
    Read(*image, Bytes{0, 0, 0, 0});
    ASSERT_TRUE(image->HeldRegion().has_value());
    const Bytes block = ToBytes(BuiltInRegionData());
    MemoryByteSource stored(block);
    EXPECT_EQ(*image->HeldRegion(), ReadRegions(stored).region);
    EXPECT_TRUE(form->mask().contains(QPoint(2, 100)));
    EXPECT_FALSE(form->mask().contains(QPoint(1, 100)));
}

void Put(Bytes& out, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

Bytes OneRectBlock(int32_t type, int32_t l, int32_t t, int32_t r, int32_t b)
{
    Bytes out;
    Put(out, 48);
    for (int32_t v : {32, type, 1, 16, l, t, r, b, l, t, r, b})
        Put(out, v);
    return out;
}

struct BadBlock {
    const char* name;
    Bytes block;
};

void PrintTo(const BadBlock& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedBlock : public ImageFormTest, public ::testing::WithParamInterface<BadBlock> {};

// A block that builds no outline leaves the window a plain rectangle, also
// after it had an outline.
TEST_P(RefusedBlock, LeavesTheWindowRectangular)
{
    Make();
    Read(*image, ToBytes(BuiltInRegionData()));
    ASSERT_FALSE(form->mask().isEmpty());
    Read(*image, GetParam().block);
    EXPECT_FALSE(image->HeldRegion().has_value());
    EXPECT_TRUE(form->mask().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Blocks, RefusedBlock,
                         ::testing::Values(BadBlock{"WidthOverflows", OneRectBlock(1, -100, 0, 0x7FFFFFF0, 5)},
                                           BadBlock{"HeightOverflows", OneRectBlock(1, 0, INT32_MIN, 5, 10)},
                                           BadBlock{"WrongType", OneRectBlock(2, 0, 0, 5, 5)},
                                           BadBlock{"CutShort", Bytes{48, 0, 0, 0, 32, 0}},
                                           BadBlock{"NoRectangles",
                                                    [] {
                                                        Bytes out;
                                                        Put(out, 32);
                                                        for (int32_t v : {32, 1, 0, 0, 0, 0, 0, 0})
                                                            Put(out, v);
                                                        return out;
                                                    }()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImageFormTest, DesignModeWritesTheStoredBlockAndShapesNothing)
{
    Make(true);
    EXPECT_EQ(image->Hook(), nullptr);
    VectorByteSink sink;
    image->WriteRegions(sink);
    EXPECT_EQ(sink.Bytes(), ToBytes(BuiltInRegionData()));
    EXPECT_EQ(sink.Bytes().size(), 212u);
    ASSERT_TRUE(image->HeldRegion().has_value());
    EXPECT_FALSE(image->RegionHandedToWindow());
    EXPECT_TRUE(form->mask().isEmpty());
    // Reading it back holds the region, still without a window outline.
    Read(*image, sink.Bytes());
    EXPECT_TRUE(image->HeldRegion().has_value());
    EXPECT_TRUE(form->mask().isEmpty());
}

TEST_F(ImageFormTest, PicturesWithoutOpaquePixelsWriteFourZeroBytes)
{
    for (const QImage& picture : {QImage(), Picture(20, 10, qRgb(9, 8, 7))}) {
        Make(true, false);
        if (!picture.isNull())
            image->Picture().SetBitmap(picture);
        VectorByteSink sink;
        image->WriteRegions(sink);
        EXPECT_EQ(sink.Bytes(), (Bytes{0, 0, 0, 0}));
        EXPECT_FALSE(image->HeldRegion().has_value());
    }
}

TEST_F(ImageFormTest, TransparentColourFollowsTheBottomLeftPixelUnlessSet)
{
    Make();
    EXPECT_EQ(image->GetTransparentColor(), 0x00FCFEFCu);
    QImage picture = Picture(10, 10, qRgb(0, 0, 0));
    picture.setPixel(0, 9, qRgb(0x11, 0x22, 0x33));
    image->Picture().SetBitmap(picture);
    EXPECT_EQ(image->GetTransparentColor(), 0x00332211u);
    image->SetTransparentColor(0x00000000);
    EXPECT_EQ(image->GetTransparentColor(), 0u);
    image->ApplyBitmapRegion();
    // Black is cut out now; the bottom-left pixel is what is left.
    ASSERT_TRUE(image->HeldRegion().has_value());
    EXPECT_EQ(image->HeldRegion()->Rects(), (std::vector<Region::Rect>{{0, 9, 1, 10}}));
}

TEST_F(ImageFormTest, NewPictureSizesTheFormAndKeepsTheOutline)
{
    for (bool autoSize : {false, true}) {
        Make();
        Read(*image, ToBytes(BuiltInRegionData()));
        image->SetAutoSize(autoSize);
        const QRegion before = form->mask();
        TPicture picture;
        picture.SetBitmap(Picture(300, 100, qRgb(1, 2, 3)));
        image->SetPicture(picture);
        EXPECT_EQ(form->size(), QSize(300, 100)) << "AutoSize " << autoSize;
        EXPECT_EQ(image->size(), QSize(300, 100)) << "AutoSize " << autoSize;
        EXPECT_EQ(form->mask(), before);
    }
}

// Aligned to the client area, it follows the form however the form is
// resized, also with the form's events going through the hook.
TEST_F(ImageFormTest, FillsTheFormThroughAnyResize)
{
    Make();
    form->setMinimumSize(0, 0);
    form->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    form->show();
    form->resize(250, 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(image->geometry(), QRect(0, 0, 250, 120));
}

TEST_F(ImageFormTest, AutoSizeFollowsAPictureLoadedDirectly)
{
    Make();
    image->SetAutoSize(true);
    image->Picture().SetBitmap(Picture(300, 100, qRgb(1, 2, 3)));
    EXPECT_EQ(image->size(), QSize(300, 100));
    EXPECT_EQ(form->size(), QSize(300, 100));
}

TEST_F(ImageFormTest, EmptyPictureIsPaintedAsABlankBitmapOfTheControlsSize)
{
    Make(false, false);
    QImage target(399, 201, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter painter(&target);
    image->Paint(painter, 32, image->rect());
    painter.end();
    EXPECT_EQ(image->Picture().Kind(), TGraphicKind::Bitmap);
    EXPECT_EQ(image->Picture().Image().size(), QSize(399, 201));
    EXPECT_EQ(target.pixel(200, 100), qRgb(255, 255, 255));
}

TEST_F(ImageFormTest, PaintingAnythingButABitmapFails)
{
    Make(false, false);
    image->Picture().SetGraphic(TGraphicKind::Icon, Picture(16, 16, qRgb(1, 1, 1)));
    QImage target(399, 201, QImage::Format_RGB32);
    QPainter painter(&target);
    try {
        image->Paint(painter, 32, image->rect());
        FAIL() << "painting an icon did not fail";
    } catch (const EInvalidGraphicOperation& error) {
        EXPECT_STREQ(error.what(), "Can only modify an image if it contains a bitmap");
    }
}

// Palette displays and deep ones show the same pixels, unscaled from (0, 0),
// and a paint converts nothing once the background is composed.
TEST_F(ImageFormTest, BothDepthsDrawThePictureUnscaledAtTheTopLeft)
{
    Make();
    const QImage expected = image->Picture().Image().convertToFormat(QImage::Format_RGB32);
    for (int depth : {8, 24}) {
        QImage target(399, 201, QImage::Format_RGB32);
        target.fill(Qt::black);
        QPainter painter(&target);
        image->Paint(painter, depth, image->rect());
        painter.end();
        for (const QPoint p : {QPoint(0, 0), QPoint(1, 100), QPoint(200, 100), QPoint(398, 200), QPoint(50, 170)})
            EXPECT_EQ(target.pixel(p), expected.pixel(p)) << "depth " << depth << " at " << p.x() << "," << p.y();
    }
    const qint64 composed = image->ComposedBackground().cacheKey();
    QImage target(399, 201, QImage::Format_RGB32);
    QPainter painter(&target);
    image->Paint(painter, 24, QRect(96, 60, 50, 30));
    EXPECT_EQ(image->ComposedBackground().cacheKey(), composed);
    EXPECT_TRUE(image->Opaque());
}

TEST_F(ImageFormTest, HugeOrEmptyPictureAtRunTimeLeavesTheWindowUsable)
{
    Make();
    Read(*image, ToBytes(BuiltInRegionData()));
    const QSize screen = form->screen()->availableGeometry().size();
    QImage huge(screen.width() * 3, screen.height() * 3, QImage::Format_Indexed8);
    huge.setColorCount(2);
    huge.setColor(0, qRgb(0, 0, 0));
    huge.setColor(1, qRgb(255, 255, 255));
    huge.fill(1);
    TPicture picture;
    picture.SetBitmap(huge);
    image->SetPicture(picture);
    EXPECT_LE(form->width(), screen.width());
    EXPECT_LE(form->height(), screen.height());
    QImage target(form->size(), QImage::Format_RGB32);
    QPainter painter(&target);
    image->Paint(painter, 24, image->rect());
    painter.end();
    EXPECT_LE(image->ComposedBackground().width(), form->width());
    // All white with the white bottom-left: no outline, a plain rectangle.
    image->ApplyBitmapRegion();
    EXPECT_FALSE(image->HeldRegion().has_value());
    EXPECT_TRUE(form->mask().isEmpty());

    const QSize before = form->size();
    image->SetPicture(TPicture());
    EXPECT_EQ(form->size(), before);
    QImage again(form->size(), QImage::Format_RGB32);
    QPainter painter2(&again);
    image->Paint(painter2, 24, image->rect());
    painter2.end();
    image->ApplyBitmapRegion();
    EXPECT_TRUE(form->mask().isEmpty());
}

TEST_F(ImageFormTest, RemovedCaptionBarControlIsForgotten)
{
    Make();
    auto* bar = new QWidget(form.get());
    image->SetCaptionBarControl(bar);
    EXPECT_EQ(image->CaptionBarControl(), bar);
    delete bar;
    EXPECT_EQ(image->CaptionBarControl(), nullptr);
}

class ExposedForm : public QWidget {
public:
    using QWidget::destroy;
};

TEST_F(ImageFormTest, DestroyedWindowTakesOutlineAndHookAlong)
{
    ExposedForm window;
    window.resize(399, 201);
    auto* skin = new TfcImageForm(&window);
    skin->SetParent(&window);
    skin->Picture().LoadFromData(BuiltInSkinPicture());
    Read(*skin, ToBytes(BuiltInRegionData()));
    window.winId();  // a native window exists
    ASSERT_TRUE(skin->Hook()->SubClassed());
    window.destroy();
    EXPECT_FALSE(skin->HeldRegion().has_value());
    EXPECT_TRUE(window.mask().isEmpty());
    EXPECT_FALSE(skin->Hook()->SubClassed());
}

// Which presses on the form start a drag.
struct PressCase {
    const char* name;
    QPoint at;
    const char* captionBar;  // object name of the caption bar control, or none
    bool drags;
};

void PrintTo(const PressCase& c, std::ostream* os)
{
    *os << c.name;
}

class PressOnTheForm : public ImageFormTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(PressOnTheForm, StartsADragOnlyWhereTheSkinIsPressed)
{
    Make();
    auto* label = new QLabel(QStringLiteral("12:00:00"), form.get());
    label->setObjectName(QStringLiteral("label"));
    label->setGeometry(10, 10, 60, 20);
    auto* button = new QToolButton(form.get());
    button->setObjectName(QStringLiteral("button"));
    button->setGeometry(100, 10, 40, 20);
    auto* disabled = new QToolButton(form.get());
    disabled->setGeometry(150, 10, 40, 20);
    disabled->setEnabled(false);
    auto* hidden = new QLabel(form.get());
    hidden->setGeometry(200, 10, 40, 20);
    hidden->hide();
    if (GetParam().captionBar != nullptr)
        image->SetCaptionBarControl(form->findChild<QWidget*>(QString::fromLatin1(GetParam().captionBar)));

    auto owned = std::make_unique<FakeDragPlatform>();
    FakeDragPlatform* fake = owned.get();
    image->SetDragPlatform(std::move(owned));
    fake->script = {FakeDragPlatform::Up()};

    const QPoint at = GetParam().at;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(at), QPointF(form->mapToGlobal(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &press);
    QCoreApplication::processEvents();
    EXPECT_EQ(fake->captures, GetParam().drags ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Places, PressOnTheForm,
                         ::testing::Values(PressCase{"Skin", {50, 120}, nullptr, true},
                                           PressCase{"LabelWithoutHandler", {20, 15}, nullptr, false},
                                           PressCase{"Button", {110, 15}, nullptr, false},
                                           PressCase{"DisabledButtonCounts", {160, 15}, nullptr, false},
                                           PressCase{"HiddenLabelDoesNot", {210, 15}, nullptr, true},
                                           PressCase{"CaptionBarLabel", {20, 15}, "label", true},
                                           PressCase{"CaptionBarSetSkinOutsideIt", {50, 120}, "label", false},
                                           PressCase{"CaptionBarSetButtonIsHandled", {110, 15}, "label", false},
                                           PressCase{"CaptionBarButtonItself", {110, 15}, "button", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
