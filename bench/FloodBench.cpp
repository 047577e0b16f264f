// Floods the real console window, shown offscreen and connected over loopback TCP, with N
// passings from the reader simulator (N = 100000 unless given) and reports how fast they reach
// the traffic log, how many are lost, the process's peak memory and its growth, and the longest
// gap between two ticks of a 10 ms timer on the window's thread while the flood lasts.

#include "bench/PeakMemory.h"
#include "tests/e2e/ConsoleDriver.h"
#include "tests/e2e/ReaderSimulator.h"
#include "tests/support/TempSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace {

using orvek::bench::PeakResidentKiB;

using namespace std::chrono_literals;

constexpr long long kDefaultPassings = 100000;
constexpr long long kMostPassings = 100000000;
constexpr auto kTick = 10ms;
constexpr qint64 kLongGapMs = 50;
constexpr auto kProgressCheck = 50ms;
// Once the simulator has sent everything, this long without a new frame ends the wait.
constexpr qint64 kQuietMs = 5000;
// Besides the passings: (1) sent when the link comes up, and its reply.
constexpr long long kOtherFrames = 2;

bool ParseCount(const char* text, long long& count)
{
    try {
        std::size_t used = 0;
        count = std::stoll(text, &used);
        return used == std::char_traits<char>::length(text) && count >= 1 && count <= kMostPassings;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    long long passings = kDefaultPassings;
    if (argc > 2 || (argc == 2 && !ParseCount(argv[1], passings))) {
        std::fprintf(stderr, "usage: bench_flood [PASSINGS]  (a number of passings from 1 to %lld, default %lld)\n",
                     kMostPassings, kDefaultPassings);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window stores its settings when it closes; never in the user's own.
    orvek::test::UsePrivateSettingsLocation();
    QApplication application(argc, argv);

    orvek::test::ReaderSimulator simulator;
    if (!simulator.start({"--listen", "127.0.0.1:0", "--flood", QString::number(passings), "--passings-per-second", "0",
                          "--status-every", "0"})) {
        std::fprintf(stderr, "bench_flood: %s\n", qPrintable(simulator.failure()));
        return 2;
    }
    orvek::test::ConsoleDriver console(simulator.tcpPort());
    const long peakBefore = PeakResidentKiB();

    QElapsedTimer sinceTick;
    qint64 longestGapMs = 0;
    int longGaps = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTick);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        longestGapMs = std::max(longestGapMs, gap);
        longGaps += gap > kLongGapMs;
    });

    // The window's own event loop runs the flood, as in the console; no polling wait in between.
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastFrameMs = 0;
    std::size_t framesSeen = 0;
    QTimer progress;
    progress.setInterval(kProgressCheck);
    QObject::connect(&progress, &QTimer::timeout, [&] {
        const std::size_t frames = console.frameCount();
        if (frames != framesSeen) {
            framesSeen = frames;
            lastFrameMs = clock.elapsed();
        }
        const bool everyFrame = static_cast<long long>(frames) >= passings + kOtherFrames;
        const bool quietAfterFlood = simulator.output().contains("flood: ") && clock.elapsed() - lastFrameMs > kQuietMs;
        if (everyFrame || quietAfterFlood || !simulator.isRunning()) loop.quit();
    });

    clock.start();
    sinceTick.start();
    ticker.start();
    progress.start();
    console.tickConnect();
    loop.exec();
    ticker.stop();
    progress.stop();

    // The simulator reports once the last byte has left it; that may come after the last frame.
    (void)QTest::qWaitFor([&] { return simulator.output().contains("flood: "); }, kQuietMs);

    const std::vector<std::int64_t> progressives = console.passingProgressives();
    const std::set<std::int64_t> distinct(progressives.begin(), progressives.end());
    long long logged = 0;
    for (const std::int64_t progressive : distinct) logged += progressive >= 1 && progressive <= passings;
    const long long lost = passings - logged;
    const double seconds = static_cast<double>(lastFrameMs) / 1000.0;
    const long peakAfter = PeakResidentKiB();

    std::printf("simulator: %s\n", qPrintable(simulator.output().section("flood: ", 1).trimmed()));
    std::printf("flood of %lld passings over 127.0.0.1: %lld in the log in %.3f s (%.0f frames/s), %lld lost%s\n",
                passings, logged, seconds, seconds > 0 ? static_cast<double>(logged) / seconds : 0.0, lost,
                lost == 0 ? "" : "  FRAMES LOST");
    std::printf("peak RSS (VmHWM): %ld KiB before the flood, %ld KiB after, growth %ld KiB (%.1f bytes per passing)\n",
                peakBefore, peakAfter, peakAfter - peakBefore,
                logged > 0 ? 1024.0 * static_cast<double>(peakAfter - peakBefore) / static_cast<double>(logged) : 0.0);
    std::printf("ticks of a %lld ms timer on the window's thread: longest gap %lld ms, %d gaps over %lld ms\n",
                static_cast<long long>(kTick.count()), static_cast<long long>(longestGapMs), longGaps,
                static_cast<long long>(kLongGapMs));
    return lost == 0 ? 0 : 1;
}
