#include "app/XRenderClockSurface.h"

#include <QGuiApplication>

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {

template <typename T>
struct Reply {
    explicit Reply(T* reply) : p(reply) {}
    ~Reply() { std::free(p); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
    T* p;
};

bool IsBgrx(const xcb_render_directformat_t& direct)
{
    return direct.red_shift == 16 && direct.red_mask == 0xff && direct.green_shift == 8 && direct.green_mask == 0xff &&
           direct.blue_shift == 0 && direct.blue_mask == 0xff;
}

// The picture format of 32-bit premultiplied images with alpha, the
// framework's own ARGB32 layout.
std::uint32_t FindArgbFormat(const xcb_render_query_pict_formats_reply_t* formats)
{
    auto it = xcb_render_query_pict_formats_formats_iterator(formats);
    for (; it.rem; xcb_render_pictforminfo_next(&it)) {
        const xcb_render_pictforminfo_t& info = *it.data;
        if (info.type == XCB_RENDER_PICT_TYPE_DIRECT && info.depth == 32 && IsBgrx(info.direct) &&
            info.direct.alpha_shift == 24 && info.direct.alpha_mask == 0xff)
            return info.id;
    }
    return 0;
}

const xcb_render_pictforminfo_t* FormatInfo(const xcb_render_query_pict_formats_reply_t* formats, std::uint32_t id)
{
    auto it = xcb_render_query_pict_formats_formats_iterator(formats);
    for (; it.rem; xcb_render_pictforminfo_next(&it))
        if (it.data->id == id)
            return it.data;
    return nullptr;
}

std::uint32_t FormatOfVisual(const xcb_render_query_pict_formats_reply_t* formats, xcb_visualid_t visual)
{
    auto screens = xcb_render_query_pict_formats_screens_iterator(formats);
    for (; screens.rem; xcb_render_pictscreen_next(&screens)) {
        auto depths = xcb_render_pictscreen_depths_iterator(screens.data);
        for (; depths.rem; xcb_render_pictdepth_next(&depths)) {
            auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data);
            for (; visuals.rem; xcb_render_pictvisual_next(&visuals))
                if (visuals.data->visual == visual)
                    return visuals.data->format;
        }
    }
    return 0;
}

// Whether images of this depth travel as 32 bits a pixel, low byte first:
// the framework's images then go to the server as they lie in memory.
bool Is32BitLittleEndian(xcb_connection_t* connection, std::uint8_t depth)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    auto it = xcb_setup_pixmap_formats_iterator(setup);
    for (; it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    return false;
}

}  // namespace

void XRenderClockSurface::FormatsFree::operator()(xcb_render_query_pict_formats_reply_t* reply) const
{
    std::free(reply);
}

std::unique_ptr<ClockSurface> ClockSurface::ForDisplay()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    return XRenderClockSurface::Make(x11->connection());
}

std::unique_ptr<XRenderClockSurface> XRenderClockSurface::Make(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_render_id);
    if (!extension || !extension->present)
        return nullptr;
    Reply<xcb_render_query_version_reply_t> version(
        xcb_render_query_version_reply(connection, xcb_render_query_version(connection, 0, 11), nullptr));
    // Composite and pictures of pixmaps came with 0.1.
    if (!version || (version->major_version == 0 && version->minor_version < 1))
        return nullptr;
    Formats formats(
        xcb_render_query_pict_formats_reply(connection, xcb_render_query_pict_formats(connection), nullptr));
    if (!formats)
        return nullptr;
    const std::uint32_t argb = FindArgbFormat(formats.get());
    if (argb == 0 || !Is32BitLittleEndian(connection, 32))
        return nullptr;
    return std::unique_ptr<XRenderClockSurface>(new XRenderClockSurface(connection, std::move(formats), argb));
}

XRenderClockSurface::XRenderClockSurface(xcb_connection_t* connection, Formats formats, std::uint32_t argbFormat)
    : FConnection(connection), FFormats(std::move(formats)), FArgbFormat(argbFormat)
{
}

XRenderClockSurface::~XRenderClockSurface()
{
    // Past the framework's end the connection is closed, and the server has
    // freed everything with it.
    if (!qGuiApp)
        return;
    FreeWindowResources();
    xcb_flush(FConnection);
}

void XRenderClockSurface::FreeGlyphs()
{
    for (const auto& [key, glyph] : FGlyphs) {
        xcb_render_free_picture(FConnection, glyph.picture);
        xcb_free_pixmap(FConnection, glyph.pixmap);
    }
    FGlyphs.clear();
    if (FGlyphGc) {
        xcb_free_gc(FConnection, FGlyphGc);
        FGlyphGc = 0;
    }
}

void XRenderClockSurface::FreeWindowResources()
{
    FreeGlyphs();
    DropBackground();
    FreeScratch();
    if (FWindowGc)
        xcb_free_gc(FConnection, FWindowGc);
    FWindowGc = 0;
    FWindow = 0;
}

bool XRenderClockSurface::Bind(std::uintptr_t window)
{
    if (window == 0)
        return false;
    if (window == FWindow)
        return true;
    FreeWindowResources();
    const auto id = static_cast<xcb_window_t>(window);
    const xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(FConnection, id);
    const xcb_get_window_attributes_cookie_t attributesCookie = xcb_get_window_attributes(FConnection, id);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(FConnection, geometryCookie, nullptr));
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(FConnection, attributesCookie, nullptr));
    if (!geometry || !attributes)
        return false;
    const std::uint32_t format = FormatOfVisual(FFormats.get(), attributes->visual);
    const xcb_render_pictforminfo_t* info = FormatInfo(FFormats.get(), format);
    if (!info || info->type != XCB_RENDER_PICT_TYPE_DIRECT || !IsBgrx(info->direct) ||
        (geometry->depth != 24 && geometry->depth != 32) || !Is32BitLittleEndian(FConnection, geometry->depth))
        return false;
    FWindow = window;
    FDepth = geometry->depth;
    FWindowFormat = format;
    FWindowGc = xcb_generate_id(FConnection);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(FConnection, FWindowGc, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    return true;
}

void XRenderClockSurface::FreeScratch()
{
    if (FScratchPicture)
        xcb_render_free_picture(FConnection, FScratchPicture);
    if (FScratch)
        xcb_free_pixmap(FConnection, FScratch);
    FScratchPicture = 0;
    FScratch = 0;
    FScratchSize = QSize();
}

std::uint32_t XRenderClockSurface::NewPixmap(std::uint8_t depth, const QSize& size)
{
    // The protocol's sizes are 16-bit; the caller has checked the range.
    const std::uint32_t pixmap = xcb_generate_id(FConnection);
    xcb_create_pixmap(FConnection, depth, pixmap, static_cast<xcb_drawable_t>(FWindow),
                      static_cast<std::uint16_t>(size.width()), static_cast<std::uint16_t>(size.height()));
    return pixmap;
}

bool XRenderClockSurface::MakeScratch(const QSize& size)
{
    if (size == FScratchSize && FScratch)
        return true;
    FreeScratch();
    if (size.isEmpty() || size.width() > 0x7fff || size.height() > 0x7fff)
        return false;
    FScratch = NewPixmap(FDepth, size);
    FScratchPicture = xcb_generate_id(FConnection);
    xcb_render_create_picture(FConnection, FScratchPicture, FScratch, FWindowFormat, 0, nullptr);
    FScratchSize = size;
    return true;
}

void XRenderClockSurface::PutImage(std::uint32_t drawable, std::uint32_t gc, std::uint8_t depth, const QImage& image)
{
    // In bands of rows that each fit one request.
    const std::size_t maxBytes = static_cast<std::size_t>(xcb_get_maximum_request_length(FConnection)) * 4;
    const auto rowBytes = static_cast<std::size_t>(image.bytesPerLine());
    const std::size_t header = 64;
    const int band = static_cast<int>(std::max<std::size_t>(1, (maxBytes > header ? maxBytes - header : 0) / rowBytes));
    for (int y = 0; y < image.height(); y += band) {
        const int rows = std::min(band, image.height() - y);
        xcb_put_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, static_cast<std::uint16_t>(image.width()),
                      static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(y), 0, depth,
                      static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(rows)), image.constScanLine(y));
    }
}

bool XRenderClockSurface::HasBackground(const Target& target) const
{
    return FHasBackground && FBackgroundTarget == target && FWindow == target.window;
}

bool XRenderClockSurface::SetBackground(const Target& target, const QImage& background)
{
    DropBackground();
    if (!Bind(target.window) || background.size() != target.size || !MakeScratch(target.size))
        return false;
    const QImage pixels = background.format() == QImage::Format_RGB32 || background.format() == QImage::Format_ARGB32
                              ? background
                              : background.convertToFormat(QImage::Format_RGB32);
    FBackground = NewPixmap(FDepth, target.size);
    PutImage(FBackground, FWindowGc, FDepth, pixels);
    FBackgroundTarget = target;
    FHasBackground = true;
    return true;
}

void XRenderClockSurface::DropBackground()
{
    if (FBackground)
        xcb_free_pixmap(FConnection, FBackground);
    FBackground = 0;
    FHasBackground = false;
}

void XRenderClockSurface::DropAll()
{
    FreeGlyphs();
    DropBackground();
}

std::uint32_t XRenderClockSurface::GlyphPicture(const QImage& image)
{
    const auto found = FGlyphs.find(image.cacheKey());
    if (found != FGlyphs.end())
        return found->second.picture;
    if (image.isNull() || image.width() > 0x7fff || image.height() > 0x7fff)
        return 0;
    const QImage pixels = image.format() == QImage::Format_ARGB32_Premultiplied
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Glyph glyph;
    glyph.pixmap = NewPixmap(32, image.size());
    if (!FGlyphGc) {
        FGlyphGc = xcb_generate_id(FConnection);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(FConnection, FGlyphGc, glyph.pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    PutImage(glyph.pixmap, FGlyphGc, 32, pixels);
    glyph.picture = xcb_generate_id(FConnection);
    xcb_render_create_picture(FConnection, glyph.picture, glyph.pixmap, FArgbFormat, 0, nullptr);
    FGlyphs.emplace(image.cacheKey(), glyph);
    return glyph.picture;
}

bool XRenderClockSurface::Draw(const Target& target, const QRect& dirty, const std::vector<GlyphCache::Placed>& glyphs)
{
    if (!HasBackground(target) || !MakeScratch(target.size))
        return false;
    const QRect area = dirty & QRect(QPoint(0, 0), target.size);
    if (area.isEmpty())
        return true;
    const auto x = static_cast<std::int16_t>(area.x());
    const auto y = static_cast<std::int16_t>(area.y());
    const auto w = static_cast<std::uint16_t>(area.width());
    const auto h = static_cast<std::uint16_t>(area.height());
    xcb_copy_area(FConnection, FBackground, FScratch, FWindowGc, x, y, x, y, w, h);
    // The scratch outside the area is never shown: whole images go over it.
    for (const GlyphCache::Placed& glyph : glyphs) {
        if (glyph.image.isNull() || !glyph.Ink().intersects(area))
            continue;
        const std::uint32_t picture = GlyphPicture(glyph.image);
        if (picture == 0)
            return false;
        xcb_render_composite(FConnection, XCB_RENDER_PICT_OP_OVER, picture, XCB_RENDER_PICTURE_NONE, FScratchPicture, 0,
                             0, 0, 0, static_cast<std::int16_t>(glyph.at.x()), static_cast<std::int16_t>(glyph.at.y()),
                             static_cast<std::uint16_t>(glyph.image.width()),
                             static_cast<std::uint16_t>(glyph.image.height()));
    }
    xcb_copy_area(FConnection, FScratch, static_cast<xcb_drawable_t>(FWindow), FWindowGc, x, y,
                  static_cast<std::int16_t>(target.at.x() + area.x()), static_cast<std::int16_t>(target.at.y() + area.y()),
                  w, h);
    xcb_flush(FConnection);
    return true;
}
