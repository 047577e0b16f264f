// Traffic log at scale: heap per frame and the time to paint one screen at the end of the
// log, for TrafficLogModel + TrafficLogView and, beside it, a QTreeWidget holding the same
// lines as strings.
#include "console/TrafficLogModel.h"
#include "console/TrafficLogView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace orvek {
namespace {

constexpr int kScreenRows = 50;
constexpr std::int64_t kFirstFrameMsecs = 1'780'000'000'000;

// Heap in use, large blocks that malloc maps on their own included.
double HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (const int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Alternately a passing report (80, 32 bytes) and a status report (81, 27 bytes), as a reader
// sends them, each with its own counter, clock and plain-sum checksum.
ReceivedFrame ReaderFrame(std::uint32_t n)
{
    const auto seconds = static_cast<std::uint8_t>(n % 60);
    const auto minutes = static_cast<std::uint8_t>(n / 60 % 60);
    const auto hours = static_cast<std::uint8_t>(n / 3600 % 24);
    ReceivedFrame frame;
    std::vector<std::uint8_t>& bytes = frame.bytes;
    if (n % 2 == 0) {
        bytes = {0x00, 0x50, 1, 26, 12, 11, hours, minutes, seconds};
        PutBigEndian(bytes, n / 2);              // Prog
        PutBigEndian(bytes, 100'000 + n % 977);  // Transp.ID
        PutBigEndian(bytes, n * 37);             // Tempo
        bytes.insert(bytes.end(), {0, static_cast<std::uint8_t>(n % 7), static_cast<std::uint8_t>(n % 50 == 0), 0, 0});
    } else {
        bytes = {0x00, 0x51, 1, 26, 12, 11, hours, minutes, seconds};
        PutBigEndian(bytes, n / 2);
        bytes.insert(bytes.end(), {3, 41, 0, 18, 126, 0, 31, 1});
    }
    std::uint32_t sum = 0;
    for (std::size_t i = 1; i < bytes.size(); ++i) sum += bytes[i];
    PutBigEndian(bytes, sum);
    bytes.push_back(0x0D);
    bytes.push_back(0x0A);
    frame.sum = sum;
    frame.checksumField = sum;
    return frame;
}

void FillModel(TrafficLogModel& model, std::int64_t frames)
{
    for (std::int64_t i = 0; i < frames; ++i)
        model.appendReceived(kFirstFrameMsecs + i * 50, ReaderFrame(static_cast<std::uint32_t>(i)));
    model.flush();
}

template <typename View>
void ShowScreen(View& view)
{
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(1000, kScreenRows * TrafficLogView::kRowHeight + 2 * view.frameWidth() +
                          view.horizontalScrollBar()->sizeHint().height());
    view.show();
    QCoreApplication::processEvents();
}

// The screen the views paint into, made before the heap is measured.
QImage ScreenImage() { return QImage(1000, 1000, QImage::Format_RGB32); }

template <typename View>
void PaintAtTheEnd(benchmark::State& state, View& view, QImage& image)
{
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

void BM_TrafficLogView(benchmark::State& state)
{
    const std::int64_t frames = state.range(0);
    QImage image = ScreenImage();
    const double heapBefore = HeapInUse();
    QElapsedTimer fill;
    fill.start();
    auto model = std::make_unique<TrafficLogModel>();
    FillModel(*model, frames);
    auto view = std::make_unique<TrafficLogView>();
    view->setModel(model.get());
    ShowScreen(*view);
    state.counters["fill_s"] = fill.elapsed() / 1000.0;
    PaintAtTheEnd(state, *view, image);
    const double heapGrowth = HeapInUse() - heapBefore;
    state.counters["heap_MB"] = heapGrowth / 1e6;
    state.counters["heap_per_frame_B"] = heapGrowth / static_cast<double>(frames);
}

// The same lines as strings in a stock tree: one item per line, every frame expanded.
void BM_QTreeWidget(benchmark::State& state)
{
    const std::int64_t frames = state.range(0);
    std::vector<QString> lines;
    {
        TrafficLogModel source;
        FillModel(source, frames);
        lines.reserve(static_cast<std::size_t>(source.rowCount()));
        for (int row = 0; row < source.rowCount(); ++row) lines.push_back(source.index(row).data().toString());
    }
    QImage image = ScreenImage();
    const double heapBefore = HeapInUse();
    QElapsedTimer fill;
    fill.start();
    auto tree = std::make_unique<QTreeWidget>();
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(frames));
    for (std::size_t row = 0; row + 1 < lines.size(); row += 2) {
        auto* item = new QTreeWidgetItem(QStringList{std::move(lines[row])});
        item->addChild(new QTreeWidgetItem(QStringList{std::move(lines[row + 1])}));
        items.push_back(item);
    }
    std::vector<QString>().swap(lines);
    tree->addTopLevelItems(items);
    tree->expandAll();
    ShowScreen(*tree);
    state.counters["fill_s"] = fill.elapsed() / 1000.0;
    PaintAtTheEnd(state, *tree, image);
    const double heapGrowth = HeapInUse() - heapBefore;
    state.counters["heap_MB"] = heapGrowth / 1e6;
    state.counters["heap_per_frame_B"] = heapGrowth / static_cast<double>(frames);
}

// A fixed count of paints, so that each log is filled only once.
BENCHMARK(BM_TrafficLogView)
    ->Arg(1'000)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTreeWidget)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Iterations(50)->Unit(benchmark::kMillisecond);

// Fonts, styles and caches that Qt sets up at the first paint are not the log's.
void WarmUp()
{
    TrafficLogModel model;
    FillModel(model, 10);
    TrafficLogView view;
    view.setModel(&model);
    ShowScreen(view);
    QImage image = ScreenImage();
    view.render(&image);
    QTreeWidget tree;
    tree.addTopLevelItem(new QTreeWidgetItem(QStringList{model.index(0).data().toString()}));
    ShowScreen(tree);
    tree.render(&image);
}

}  // namespace
}  // namespace orvek

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    orvek::WarmUp();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
