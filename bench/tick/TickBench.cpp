// The cost of one clock tick of the running clock, beside its floor: the
// formatting and comparison of the time text alone. A tick that finds the
// same text on show must cost about the floor: no repaint, no allocation.
//
//   zum_tick_bench                  (offscreen; no display needed)
//
// Each benchmark reports heap allocations per iteration ("allocs").
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/Clock.h"
#include "app/Form1.h"
#include "app/TimeText.h"

namespace {

std::atomic<long> Allocations{0};

class FixedClock final : public Clock {
public:
    std::time_t now = 1796715000;
    std::time_t Now() override { return now; }
};

void ReportAllocations(benchmark::State& state, long before)
{
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(Allocations.load() - before), benchmark::Counter::kAvgIterations);
}

// The floor: format the time of now and compare it with the text on show.
void BM_FormatAndCompare(benchmark::State& state)
{
    FixedClock clock;
    char shown[128];
    const std::size_t shownLength = TimeText(clock.Now(), shown, sizeof shown);
    const long before = Allocations.load();
    for (auto _ : state) {
        char text[128];
        const std::size_t length = TimeText(clock.Now(), text, sizeof text);
        const bool same = length == shownLength && std::memcmp(text, shown, length) == 0;
        benchmark::DoNotOptimize(same);
    }
    ReportAllocations(state, before);
}
BENCHMARK(BM_FormatAndCompare);

// A main window on a fixed clock whose ticks the benchmark drives itself.
struct DrivenForm {
    FixedClock clock;
    TForm1 form{Services(&clock)};
    DrivenForm() { form.Timer1->stop(); }
    static TForm1Services Services(Clock* clock)
    {
        TForm1Services services;
        services.clock = clock;
        return services;
    }
};

// A whole tick of the main window when the second has not changed.
void BM_TickSameSecond(benchmark::State& state)
{
    DrivenForm driven;
    TForm1& form = driven.form;
    form.Label2->setText(QStringLiteral("07:30:05"));
    form.Label3->setText(QStringLiteral("/ring.wav"));
    form.Timer1Timer();
    const long before = Allocations.load();
    for (auto _ : state)
        form.Timer1Timer();
    ReportAllocations(state, before);
}
BENCHMARK(BM_TickSameSecond);

// A tick that shows a new second: the label changes and is laid out again.
void BM_TickNewSecond(benchmark::State& state)
{
    DrivenForm driven;
    const long before = Allocations.load();
    for (auto _ : state) {
        ++driven.clock.now;
        driven.form.Timer1Timer();
    }
    ReportAllocations(state, before);
}
BENCHMARK(BM_TickNewSecond);

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
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
