// Outline from a picture: the band-by-band scan against the window system's
// own ways to the same outline, on the built-in skin and on a 3840 x 2160
// disc with a ragged edge (24 and 8 bits per pixel):
//   Ours      fcCreateRegionFromBitmap
//   QBitmap   QImage::createMaskFromColor + QBitmap::fromImage + QRegion(QBitmap)
//   Unions    QRegion += QRect for every opaque run, runs found beforehand
//   Bands     our Region::Builder fed the same runs row by row (the scan
//             without looking at pixels, to compare with Unions)
// Run with QT_QPA_PLATFORM=offscreen where no display is available.

#include <benchmark/benchmark.h>

#include <QBitmap>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QRegion>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "skin/Bitmap.h"
#include "skin/BitmapQt.h"
#include "tests/support/BmpFile.h"
#include "skin/RegionFromBitmap.h"
#include "skin/RegionQt.h"
#include "skin/SkinResources.h"

namespace {

constexpr uint32_t kSkinKey = 0x00FCFEFC;

struct Picture {
    Bitmap bitmap;
    QImage image;
    uint32_t key = 0;  // 0x00BBGGRR
    std::vector<QRect> runs;
};

QRgb ToQRgb(uint32_t c)
{
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c >> 16 & 0xFF));
}

std::vector<QRect> RunsOf(const Bitmap& bmp, uint32_t key)
{
    std::vector<QRect> runs;
    for (int32_t y = 0; y < bmp.Height(); ++y) {
        int32_t x = 0;
        while (x < bmp.Width()) {
            while (x < bmp.Width() && bmp.ColorAt(x, y) == key)
                ++x;
            const int32_t start = x;
            while (x < bmp.Width() && bmp.ColorAt(x, y) != key)
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
    }
    return runs;
}

Picture Skin()
{
    Picture p;
    const QByteArray file = BuiltInSkinPicture();
    p.bitmap = *DecodeBmp({reinterpret_cast<const uint8_t*>(file.constData()), static_cast<size_t>(file.size())});
    p.image = QImage::fromData(file, "BMP");
    p.key = kSkinKey;
    p.runs = RunsOf(p.bitmap, p.key);
    return p;
}

uint32_t Hash(uint32_t x, uint32_t y)
{
    uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// A large disc whose edge wanders by up to 12 pixels from pixel to pixel.
Picture Disc(int depth)
{
    constexpr int32_t w = 3840, h = 2160;
    Picture p;
    p.bitmap = Bitmap(w, h, depth);
    p.key = 0x00FF00FF;  // magenta background
    if (depth == 8) {
        std::vector<uint32_t> table(256);
        table[0] = p.key;
        for (uint32_t i = 1; i < 256; ++i)
            table[i] = (i * 3 % 256) | (i << 8) | ((255 - i) << 16);
        p.bitmap.SetColorTable(table);
    }
    const double cx = w / 2.0, cy = h / 2.0, radius = 1000.0;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t noise = Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
            const double d = std::hypot(x - cx, y - cy);
            const bool inside = d < radius + static_cast<double>(noise % 25) - 12.0;
            if (depth == 8) {
                p.bitmap.SetPixelValue(x, y, inside ? 1 + (noise >> 8) % 255 : 0);
            } else {
                // Stored as 0x00RRGGBB bytes; the key is magenta either way.
                p.bitmap.SetPixelValue(x, y, inside ? (noise >> 8) & 0x00FFFF00u : 0x00FF00FFu);
            }
        }
    }
    p.image = ToQImage(p.bitmap);
    if (depth == 24)
        p.image = p.image.convertToFormat(QImage::Format_RGB888);
    if (depth == 8) {
        QList<QRgb> colors;
        for (uint32_t c : p.bitmap.ColorTable())
            colors.push_back(ToQRgb(c));
        p.image = p.image.convertToFormat(QImage::Format_Indexed8, colors, Qt::ThresholdDither);
    }
    p.runs = RunsOf(p.bitmap, p.key);
    return p;
}

std::map<std::string, Picture>& Pictures()
{
    static std::map<std::string, Picture> pictures;
    return pictures;
}

void Ours(benchmark::State& state, const std::string& name)
{
    const Picture& p = Pictures().at(name);
    for (auto _ : state) {
        auto region = fcCreateRegionFromBitmap(p.bitmap, p.key);
        benchmark::DoNotOptimize(region);
    }
}

void QtBitmap(benchmark::State& state, const std::string& name)
{
    const Picture& p = Pictures().at(name);
    for (auto _ : state) {
        const QImage mask = p.image.createMaskFromColor(ToQRgb(p.key), Qt::MaskInColor);
        const QRegion region(QBitmap::fromImage(mask));
        benchmark::DoNotOptimize(region);
    }
}

void QtUnions(benchmark::State& state, const std::string& name)
{
    const Picture& p = Pictures().at(name);
    for (auto _ : state) {
        QRegion region;
        for (const QRect& r : p.runs)
            region += r;
        benchmark::DoNotOptimize(region);
    }
}

void OurBands(benchmark::State& state, const std::string& name)
{
    const Picture& p = Pictures().at(name);
    std::vector<Region::Span> spans;
    for (auto _ : state) {
        Region::Builder builder;
        size_t i = 0;
        while (i < p.runs.size()) {
            const int y = p.runs[i].y();
            spans.clear();
            for (; i < p.runs.size() && p.runs[i].y() == y; ++i)
                spans.push_back({p.runs[i].left(), p.runs[i].right() + 1});
            builder.AddBand(y, y + 1, spans);
        }
        Region region = builder.Finish();
        benchmark::DoNotOptimize(region);
    }
}

// Keeps each run's time so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

bool SameOutline(const Picture& p)
{
    const auto ours = fcCreateRegionFromBitmap(p.bitmap, p.key);
    const QRegion qt(QBitmap::fromImage(p.image.createMaskFromColor(ToQRgb(p.key), Qt::MaskInColor)));
    // Qt keeps identical bands apart, so compare pixels, not rectangle lists.
    const QRegion diff = ours ? ToQRegion(*ours) ^ qt : qt;
    if (!diff.isEmpty())
        std::printf("  differs in %d rects, first at %d,%d; ours %zu rects, Qt %d\n", diff.rectCount(),
                    diff.boundingRect().x(), diff.boundingRect().y(), ours ? ours->Rects().size() : 0, qt.rectCount());
    return diff.isEmpty();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // QBitmap needs one
    benchmark::Initialize(&argc, argv);

    Pictures().emplace("Skin", Skin());
    Pictures().emplace("Disc24", Disc(24));
    Pictures().emplace("Disc8", Disc(8));
    for (const auto& [name, picture] : Pictures()) {
        std::printf("%-7s %dx%d, %d bpp, %zu opaque runs, outline %s\n", name.c_str(), picture.bitmap.Width(),
                    picture.bitmap.Height(), picture.bitmap.BitsPerPixel(), picture.runs.size(),
                    SameOutline(picture) ? "same as Qt's" : "DIFFERS FROM Qt's");
    }

    for (const char* name : {"Skin", "Disc24", "Disc8"}) {
        const std::string n = name;
        benchmark::RegisterBenchmark(("Ours/" + n).c_str(), Ours, n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("QBitmap/" + n).c_str(), QtBitmap, n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("Unions/" + n).c_str(), QtUnions, n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("Bands/" + n).c_str(), OurBands, n)->Unit(benchmark::kMicrosecond);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-7s %12s %14s %14s %14s\n", "picture", "ours (us)", "QBitmap/ours", "unions/ours", "unions/bands");
    for (const char* name : {"Skin", "Disc24", "Disc8"}) {
        const std::string n = name;
        const auto ours = reporter.times.find("Ours/" + n);
        if (ours == reporter.times.end())
            continue;
        auto ratio = [&](const std::string& other) {
            const auto it = reporter.times.find(other + "/" + n);
            return it == reporter.times.end() ? 0.0 : it->second / ours->second;
        };
        const auto bands = reporter.times.find("Bands/" + n);
        const double unionsPerBands =
            bands == reporter.times.end() ? 0.0 : ratio("Unions") * ours->second / bands->second;
        std::printf("%-7s %12.1f %13.1fx %13.1fx %13.1fx\n", name, ours->second, ratio("QBitmap"), ratio("Unions"),
                    unionsPerBands);
    }
    benchmark::Shutdown();
    return 0;
}
