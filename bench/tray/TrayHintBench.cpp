// The cost of the tray hint on the 100 ms clock tick, beside its floor (a
// plain comparison of the same text): SetHint with an unchanged text, with a
// changed text while the icon is shown (one modify to the tray), and the
// whole tick of an armed clock whose icon is shown.
//
//   zum_tray_hint_bench             (offscreen; no display needed)
//
// Each benchmark reports heap allocations per iteration ("allocs"). The
// tray here accepts every request and does nothing, so what is measured is
// the component and the window, not a tray.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "app/Clock.h"
#include "app/Form1.h"
#include "tray/TrayBackend.h"
#include "tray/TaskIcon.h"

namespace {

std::atomic<long> Allocations{0};

void ReportAllocations(benchmark::State& state, long before)
{
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(Allocations.load() - before), benchmark::Counter::kAvgIterations);
}

class QuietBackend final : public TTrayBackend {
public:
    long modifies = 0;
    bool Add(std::uint32_t, const Look&) override { return true; }
    bool Modify(std::uint32_t, const Look& look) override
    {
        ++modifies;
        benchmark::DoNotOptimize(look.tip.data());
        return true;
    }
    bool Remove(std::uint32_t) override { return true; }
    bool Available() const override { return true; }
};

const std::string kArmed = "AlarmTime:07:30:00";
const std::string kOther = "AlarmTime:07:30:01";

// The floor: compare the text with the one held.
void BM_CompareFloor(benchmark::State& state)
{
    const std::string held = kArmed;
    const long before = Allocations.load();
    for (auto _ : state) {
        const std::string_view text(kArmed);
        benchmark::DoNotOptimize(text == held);
    }
    ReportAllocations(state, before);
}
BENCHMARK(BM_CompareFloor);

void BM_SetHintUnchanged(benchmark::State& state)
{
    QObject parent;
    auto backend = std::make_unique<QuietBackend>();
    QuietBackend& area = *backend;
    TTaskIcon icon(&parent, "TaskIcon1", std::move(backend));
    icon.SetShowHint(true);
    icon.SetHint(kArmed);
    icon.SetActive(true);
    const long before = Allocations.load();
    for (auto _ : state)
        icon.SetHint(kArmed);
    ReportAllocations(state, before);
    if (area.modifies != 0)
        state.SkipWithError("an unchanged hint reached the tray");
}
BENCHMARK(BM_SetHintUnchanged);

void BM_SetHintChanged(benchmark::State& state)
{
    QObject parent;
    auto backend = std::make_unique<QuietBackend>();
    QuietBackend& area = *backend;
    TTaskIcon icon(&parent, "TaskIcon1", std::move(backend));
    icon.SetShowHint(true);
    icon.SetActive(true);
    bool odd = false;
    const long before = Allocations.load();
    for (auto _ : state) {
        icon.SetHint(odd ? kOther : kArmed);
        odd = !odd;
    }
    ReportAllocations(state, before);
    state.counters["modifies"] =
        benchmark::Counter(static_cast<double>(area.modifies), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SetHintChanged);

class FixedClock final : public Clock {
public:
    std::time_t now = 1796715000;
    std::time_t Now() override { return now; }
};

// A whole tick of an armed clock in the tray within one second: the label
// is unchanged and so is the hint.
void BM_TickArmedInTray(benchmark::State& state)
{
    FixedClock clock;
    QuietBackend* area = nullptr;
    TForm1Services services;
    services.clock = &clock;
    services.makeTrayBackend = [&area] {
        auto made = std::make_unique<QuietBackend>();
        area = made.get();
        return made;
    };
    TForm1 form(std::move(services));
    form.Timer1->stop();
    form.Label2->setText(QStringLiteral("07:30:00"));
    form.Label3->setText(QStringLiteral("/ring.wav"));
    form.Image1->show();
    form.SpeedButton2Click();
    form.Timer1Timer();
    const long modifies = area->modifies;
    const long before = Allocations.load();
    for (auto _ : state)
        form.Timer1Timer();
    ReportAllocations(state, before);
    if (area->modifies != modifies)
        state.SkipWithError("an unchanged tick reached the tray");
}
BENCHMARK(BM_TickArmedInTray);

}  // namespace

void* operator new(std::size_t size)
{
    ++Allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("TZ", "UTC", 1);
    // The bench's window must not find a marker or an alarm of this machine.
    const std::string scratch = "/tmp/zum-tray-bench-" + std::to_string(::getpid());
    ::mkdir(scratch.c_str(), 0700);
    setenv("ZUM_SYSTEM_DIR", scratch.c_str(), 1);
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::rmdir(scratch.c_str());
    return 0;
}
