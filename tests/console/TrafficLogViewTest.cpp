#include "console/TrafficLogView.h"

#include "console/MarkupDelegate.h"
#include "console/TrafficLogModel.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orvek {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A passing report (code 80): its decoded line has the widest markup of all.
ReceivedFrame Passing(std::uint8_t readerId)
{
    ReceivedFrame frame;
    frame.bytes = {0x00, 0x50, readerId, 26, 3, 4, 5, 6, 7, 0, 0, 0, 1, 0, 1, 0xE2, 0x40, 0, 0, 0, 9, 1, 0x2C, 1, 0, 0};
    std::uint32_t sum = 0;
    for (std::size_t i = 1; i < frame.bytes.size(); ++i) sum += frame.bytes[i];
    for (const int shift : {24, 16, 8, 0}) frame.bytes.push_back(static_cast<std::uint8_t>(sum >> shift));
    frame.bytes.push_back(0x0D);
    frame.bytes.push_back(0x0A);
    return frame;
}

class CountingDelegate : public MarkupDelegate {
public:
    using MarkupDelegate::MarkupDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++paints;
        MarkupDelegate::paint(painter, option, index);
    }
    mutable int paints = 0;
};

class CountingPaints : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

class TrafficLogViewTest : public ::testing::Test {
protected:
    TrafficLogViewTest()
    {
        m_view.setModel(&m_model);
        m_view.resize(400, 12 * TrafficLogView::kRowHeight + 2 * m_view.frameWidth() + 20);
        m_view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    }

    void appendPassings(int count)
    {
        for (int i = 0; i < count; ++i) m_model.appendReceived(i, Passing(static_cast<std::uint8_t>(i)));
        m_model.flush();
        QCoreApplication::processEvents();
    }

    void makeCurrent(int row) { m_view.setCurrentIndex(m_model.index(row)); }
    int currentRow() const { return m_view.currentIndex().row(); }
    int rowsInView() const { return m_view.viewport()->height() / TrafficLogView::kRowHeight; }

    QImage render()
    {
        QImage image(m_view.viewport()->size(), QImage::Format_RGB32);
        m_view.viewport()->render(&image);
        return image;
    }

    TrafficLogModel m_model;
    TrafficLogView m_view;
};

TEST_F(TrafficLogViewTest, IsTheLogView) { EXPECT_EQ(m_view.objectName(), "TRV_rx"); }

TEST_F(TrafficLogViewTest, AppendingMovesNeitherSelectionNorScrollBars)
{
    appendPassings(100);
    makeCurrent(7);
    m_view.verticalScrollBar()->setValue(5 * TrafficLogView::kRowHeight);
    m_view.horizontalScrollBar()->setValue(m_view.horizontalScrollBar()->maximum() / 2);
    const int vertical = m_view.verticalScrollBar()->value();
    const int horizontal = m_view.horizontalScrollBar()->value();
    ASSERT_GT(horizontal, 0);

    appendPassings(100);
    EXPECT_EQ(m_model.rowCount(), 400);
    EXPECT_EQ(currentRow(), 7);
    EXPECT_TRUE(m_view.selectionModel()->isSelected(m_model.index(7)));
    EXPECT_EQ(m_view.verticalScrollBar()->value(), vertical);
    EXPECT_EQ(m_view.horizontalScrollBar()->value(), horizontal);
}

TEST_F(TrafficLogViewTest, AtTheEndAppendingDoesNotFollowTheNewLines)
{
    appendPassings(50);
    m_view.verticalScrollBar()->setValue(m_view.verticalScrollBar()->maximum());
    const int bottom = m_view.verticalScrollBar()->value();
    appendPassings(50);
    EXPECT_EQ(m_view.verticalScrollBar()->value(), bottom);
    EXPECT_GT(m_view.verticalScrollBar()->maximum(), bottom);
    EXPECT_EQ(m_view.indexAt(QPoint(30, 0)).row(), bottom / TrafficLogView::kRowHeight);
}

struct KeyCase {
    const char* name;
    Qt::Key key;
    int from;
    int to;  // -1: the page size below or above from
};

class TrafficLogKeyTest : public TrafficLogViewTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(TrafficLogKeyTest, MovesTheCurrentRow)
{
    appendPassings(50);
    makeCurrent(GetParam().from);
    m_view.setFocus();
    QTest::keyClick(&m_view, GetParam().key);
    int expected = GetParam().to;
    if (GetParam().key == Qt::Key_PageDown && expected < 0) expected = GetParam().from + rowsInView();
    if (GetParam().key == Qt::Key_PageUp && expected < 0) expected = GetParam().from - rowsInView();
    EXPECT_EQ(currentRow(), expected);
    EXPECT_TRUE(m_view.selectionModel()->isSelected(m_model.index(expected)));
    // The new current row is brought into view.
    const QRect rect = m_view.visualRect(m_model.index(expected));
    EXPECT_GE(rect.top(), 0);
    EXPECT_LE(rect.bottom(), m_view.viewport()->height() - 1);
}

INSTANTIATE_TEST_SUITE_P(Keys, TrafficLogKeyTest,
                         ::testing::Values(KeyCase{"Down", Qt::Key_Down, 10, 11}, KeyCase{"Up", Qt::Key_Up, 10, 9},
                                           KeyCase{"UpAtTheTop", Qt::Key_Up, 0, 0},
                                           KeyCase{"DownAtTheEnd", Qt::Key_Down, 99, 99},
                                           KeyCase{"PageDown", Qt::Key_PageDown, 20, -1},
                                           KeyCase{"PageDownNearTheEnd", Qt::Key_PageDown, 95, 99},
                                           KeyCase{"PageUp", Qt::Key_PageUp, 60, -1},
                                           KeyCase{"PageUpNearTheTop", Qt::Key_PageUp, 3, 0},
                                           KeyCase{"Home", Qt::Key_Home, 40, 0}, KeyCase{"End", Qt::Key_End, 4, 99}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(TrafficLogViewTest, ClickSelectsTheRowUnderTheMouse)
{
    appendPassings(50);
    m_view.verticalScrollBar()->setValue(10 * TrafficLogView::kRowHeight);
    QTest::mouseClick(m_view.viewport(), Qt::LeftButton, {}, QPoint(60, 3 * TrafficLogView::kRowHeight + 5));
    EXPECT_EQ(currentRow(), 13);
    EXPECT_EQ(m_view.selectionModel()->selectedIndexes(), QModelIndexList{m_model.index(13)});
}

TEST_F(TrafficLogViewTest, RowsScrollByPixelsOrByRows)
{
    appendPassings(50);
    m_view.verticalScrollBar()->setValue(3 * TrafficLogView::kRowHeight + 8);
    EXPECT_EQ(m_view.indexAt(QPoint(30, 0)).row(), 3);
    EXPECT_EQ(m_view.indexAt(QPoint(30, 8)).row(), 4);

    m_view.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    EXPECT_EQ(m_view.verticalScrollBar()->maximum(), 100 - rowsInView());
    m_view.verticalScrollBar()->setValue(20);
    EXPECT_EQ(m_view.indexAt(QPoint(30, 0)).row(), 20);
    EXPECT_EQ(m_view.visualRect(m_model.index(21)).top(), TrafficLogView::kRowHeight);
}

TEST_F(TrafficLogViewTest, ChildLinesAreIndentedOneLevel)
{
    appendPassings(2);
    EXPECT_EQ(m_view.visualRect(m_model.index(0)).left(), TrafficLogView::kIndentation);
    EXPECT_EQ(m_view.visualRect(m_model.index(1)).left(), 2 * TrafficLogView::kIndentation);
    EXPECT_EQ(m_view.visualRect(m_model.index(1)).height(), TrafficLogView::kRowHeight);
}

TEST_F(TrafficLogViewTest, LongLinesScrollSideways)
{
    appendPassings(2);
    render();
    QScrollBar* horizontal = m_view.horizontalScrollBar();
    EXPECT_GT(horizontal->maximum(), 0);
    m_view.setFocus();
    QTest::keyClick(&m_view, Qt::Key_Right);
    EXPECT_GT(horizontal->value(), 0);
    EXPECT_EQ(m_view.visualRect(m_model.index(0)).left(), TrafficLogView::kIndentation - horizontal->value());
}

TEST_F(TrafficLogViewTest, CtrlCCopiesTheLineWithoutTags)
{
    appendPassings(1);
    makeCurrent(1);
    m_view.setFocus();
    QTest::keyClick(&m_view, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(u"(80)PASS ID(0)  data(aa-mm-gg): 26-03-04 "));
    EXPECT_EQ(copied, m_model.index(1).data(TrafficLogModel::PlainTextRole).toString());
}

TEST_F(TrafficLogViewTest, PaintsOnlyTheRowsInSight)
{
    auto* delegate = new CountingDelegate(&m_view);
    m_view.setItemDelegate(delegate);
    appendPassings(5000);
    m_view.verticalScrollBar()->setValue(m_view.verticalScrollBar()->maximum() / 2);
    delegate->paints = 0;
    render();
    EXPECT_GT(delegate->paints, 0);
    EXPECT_LE(delegate->paints, rowsInView() + 1);
}

TEST_F(TrafficLogViewTest, ClearRepaintsOnceAndReturnsToTheTop)
{
    appendPassings(200);
    m_view.verticalScrollBar()->setValue(100 * TrafficLogView::kRowHeight);
    QCoreApplication::processEvents();
    CountingPaints counter;
    m_view.viewport()->installEventFilter(&counter);
    m_model.clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= 1; }));
    QTest::qWait(100);
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(m_view.verticalScrollBar()->value(), 0);
    EXPECT_EQ(m_view.verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(m_view.currentIndex().isValid());
}

// The selected line is silver behind black text while the view does not have the focus.
TEST_F(TrafficLogViewTest, SelectionColoursFollowTheFocus)
{
    appendPassings(2);
    makeCurrent(0);
    QWidget other;
    other.show();
    other.activateWindow();
    other.setFocus();
    m_view.clearFocus();
    // In the row, just left of its text.
    const QPoint besideText(TrafficLogView::kIndentation, TrafficLogView::kRowHeight / 2);
    QImage image = render();
    EXPECT_EQ(QColor(image.pixel(besideText)), QColor(192, 192, 192));
    bool blackText = false;
    for (int x = 0; x < image.width(); ++x) blackText |= QColor(image.pixel(x, 8)) == QColor(Qt::black);
    EXPECT_TRUE(blackText);

    m_view.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_view.hasFocus(); }));
    image = render();
    EXPECT_EQ(QColor(image.pixel(besideText)), m_view.palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(TrafficLogViewTest, BackgroundRunsAreFilled)
{
    appendPassings(1);
    const QImage image = render();
    bool fuchsia = false;
    const int childTop = TrafficLogView::kRowHeight;
    for (int x = 0; x < image.width(); ++x)
        fuchsia |= QColor(image.pixel(x, childTop + TrafficLogView::kRowHeight / 2)) == QColor(255, 0, 255);
    EXPECT_TRUE(fuchsia);
}

}  // namespace
}  // namespace orvek
