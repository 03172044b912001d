#include "ClockFace.h"

#include <QDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "Layout.h"
#include "TimeText.h"

namespace {

// Every anti-aliased edge comes out the same in the same font machinery; a
// 16-bit screen rounds each channel to 5 or 6 bits. A wrong character or
// old ink differs by far more than this in many pixels.
constexpr int kTolerance = 40;
// How many seconds ahead each run of the reference program draws.
constexpr int kBatchSeconds = 60;

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

}  // namespace

ClockFace::ClockFace(const EnvOverrides& env, std::string locale, int scale)
    : env_(env), locale_(std::move(locale)), scale_(scale)
{
    env_["QT_QPA_PLATFORM"] = "offscreen";
    env_["LC_ALL"] = locale_;
    // A tool of the tests, not the product: what it leaves at exit is not
    // checked.
    env_["ASAN_OPTIONS"] = "detect_leaks=0";
    dir_ = QDir::tempPath().toStdString() + "/zum-clock-reference-XXXXXX";
    if (mkdtemp(dir_.data()) == nullptr)
        throw std::runtime_error("cannot make a directory for the clock references");
    env_["ZUM_SYSTEM_DIR"] = dir_;  // empty: the reference window restores no alarm
}

ClockFace::~ClockFace()
{
    if (!failed_) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

void ClockFace::render(std::time_t from)
{
    std::vector<std::string> texts;
    std::vector<std::string> argv{ZUM_CLOCK_REFERENCE, dir_};
    for (std::time_t t = from; t < from + kBatchSeconds; ++t) {
        const auto text = timeText(locale_, t);
        if (!text)
            throw std::runtime_error("locale " + locale_ + " is not installed");
        if (references_.count(*text) == 0 && std::find(texts.begin(), texts.end(), *text) == texts.end())
            texts.push_back(*text);
    }
    argv.insert(argv.end(), texts.begin(), texts.end());
    const CommandResult r = runCommand(argv, env_, std::chrono::seconds(120));
    if (r.exitCode != 0)
        throw std::runtime_error("the clock reference program failed: " + r.err);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QImage image(QString::fromStdString(dir_ + "/" + std::to_string(i) + ".png"));
        if (image.isNull())
            throw std::runtime_error("no reference picture for " + texts[i]);
        references_[texts[i]] = image.convertToFormat(QImage::Format_ARGB32);
    }
}

const QImage& ClockFace::reference(std::time_t second)
{
    const auto text = timeText(locale_, second);
    if (!text)
        throw std::runtime_error("locale " + locale_ + " is not installed");
    if (references_.count(*text) == 0)
        render(second - 1);
    return references_.at(*text);
}

int ClockFace::differences(const QImage& shot, const QImage& reference) const
{
    const QRect band(layout::kClockBand.topLeft() * scale_, layout::kClockBand.size() * scale_);
    if (shot.size() != reference.size())
        return band.width() * band.height();
    int count = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x) {
            const QRgb want = reference.pixel(x, y);
            if (qAlpha(want) == 255 && channelDistance(want, shot.pixel(x, y)) > kTolerance)
                ++count;
        }
    return count;
}

bool ClockFace::showsTheTime(const Desktop& desktop, const Desktop::WindowId& window, std::chrono::milliseconds timeout,
                             std::string* why)
{
    return showsTheTime([&] { return desktop.windowShot(window); }, timeout, why);
}

bool ClockFace::showsTheTime(const std::function<QImage()>& takeShot, std::chrono::milliseconds timeout,
                             std::string* why)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QImage shot;
    const QImage* closest = nullptr;
    int fewest = 0;
    std::string text;
    for (;;) {
        // The clock may show a new second a little after the wall clock
        // turns, and a shot takes a while: the shot passes for either end.
        const std::time_t before = std::time(nullptr);
        shot = takeShot().convertToFormat(QImage::Format_ARGB32);
        const std::time_t after = std::time(nullptr);
        closest = nullptr;
        for (std::time_t second : {before, after}) {
            const QImage& want = reference(second);
            const int n = differences(shot, want);
            if (n == 0)
                return true;
            if (closest == nullptr || n < fewest) {
                closest = &want;
                fewest = n;
                text = timeText(locale_, second).value_or("");
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    failed_ = true;
    shot.save(QString::fromStdString(dir_ + "/failed-shot.png"));
    closest->save(QString::fromStdString(dir_ + "/failed-reference.png"));
    if (why)
        *why = std::to_string(fewest) + " pixels of the clock differ from the window drawn for \"" + text +
               "\" (shot of " + std::to_string(shot.width()) + "x" + std::to_string(shot.height()) + "; see " + dir_ +
               "/failed-*.png)";
    return false;
}
