#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "app/ClockSurface.h"

struct xcb_connection_t;
struct xcb_render_query_pict_formats_reply_t;

// The clock surface of an X display: the background and each character
// image are pictures held by the server, composed into a scratch pixmap of
// the label's size and copied into the window in one request. Only the
// images' first use sends pixels; a new second sends a few dozen bytes.
//
// Every resource is made on the display connection the framework itself
// uses, so that the requests keep their order with the framework's own
// drawing of the window. The surface owns the pixmaps, pictures and
// graphics contexts it makes and frees them with itself or with a change
// of window.
class XRenderClockSurface : public ClockSurface {
public:
    // Null when the display lacks the render extension or a picture format
    // for 32-bit images with alpha.
    static std::unique_ptr<XRenderClockSurface> Make(xcb_connection_t* connection);
    ~XRenderClockSurface() override;
    XRenderClockSurface(const XRenderClockSurface&) = delete;
    XRenderClockSurface& operator=(const XRenderClockSurface&) = delete;

    bool HasBackground(const Target& target) const override;
    bool SetBackground(const Target& target, const QImage& background) override;
    bool Draw(const Target& target, const QRect& dirty, const std::vector<GlyphCache::Placed>& glyphs) override;
    void DropBackground() override;
    void DropAll() override;

private:
    struct FormatsFree {
        void operator()(xcb_render_query_pict_formats_reply_t* reply) const;
    };
    using Formats = std::unique_ptr<xcb_render_query_pict_formats_reply_t, FormatsFree>;
    struct Glyph {
        std::uint32_t pixmap = 0;
        std::uint32_t picture = 0;
    };

    XRenderClockSurface(xcb_connection_t* connection, Formats formats, std::uint32_t argbFormat);

    // Learns the window's depth and picture format and makes what draws
    // into it; false for a window whose pixels are not 32-bit little-endian
    // BGRX (the framework's own image layout).
    bool Bind(std::uintptr_t window);
    bool MakeScratch(const QSize& size);
    void FreeScratch();
    // A new pixmap for the bound window's screen.
    std::uint32_t NewPixmap(std::uint8_t depth, const QSize& size);
    std::uint32_t GlyphPicture(const QImage& image);
    void PutImage(std::uint32_t drawable, std::uint32_t gc, std::uint8_t depth, const QImage& image);
    void FreeWindowResources();
    void FreeGlyphs();

    xcb_connection_t* FConnection;
    Formats FFormats;
    std::uint32_t FArgbFormat;

    std::uintptr_t FWindow = 0;  // 0 until bound
    std::uint8_t FDepth = 0;
    std::uint32_t FWindowFormat = 0;
    std::uint32_t FWindowGc = 0;
    QSize FScratchSize;
    std::uint32_t FScratch = 0;
    std::uint32_t FScratchPicture = 0;
    std::uint32_t FBackground = 0;
    Target FBackgroundTarget;
    bool FHasBackground = false;
    std::uint32_t FGlyphGc = 0;  // for the 32-bit glyph pixmaps
    std::unordered_map<qint64, Glyph> FGlyphs;  // by the image's cache key
};
