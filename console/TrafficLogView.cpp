#include "console/TrafficLogView.h"

#include "console/MarkupDelegate.h"
#include "console/TrafficLogModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace orvek {

TrafficLogView::TrafficLogView(QWidget* parent) : QAbstractItemView(parent)
{
    setObjectName(QStringLiteral("TRV_rx"));
    setItemDelegate(new MarkupDelegate(this));
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
}

int TrafficLogView::rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int TrafficLogView::level(int row) const
{
    return model()->index(row, 0, rootIndex()).data(TrafficLogModel::LevelRole).toInt();
}

qint64 TrafficLogView::contentTop() const
{
    const qint64 value = verticalScrollBar()->value();
    return m_pixelUnits ? value : value * kRowHeight;
}

int TrafficLogView::rowAt(int y) const
{
    const qint64 contentY = contentTop() + y;
    if (contentY < 0) return -1;
    return static_cast<int>(std::min<qint64>(contentY / kRowHeight, std::numeric_limits<int>::max()));
}

QRect TrafficLogView::rowRect(int row) const
{
    const qint64 top = qint64{row} * kRowHeight - contentTop();
    const int left = (level(row) + 1) * kIndentation - horizontalScrollBar()->value();
    const int y = static_cast<int>(std::clamp<qint64>(top, -kRowHeight, viewport()->height()));
    return {left, y, std::max(viewport()->width() - left, m_contentWidth), kRowHeight};
}

int TrafficLogView::fullRowsInView() const { return std::max(1, viewport()->height() / kRowHeight); }

QRect TrafficLogView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rows()) return {};
    return rowRect(index.row());
}

void TrafficLogView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid()) return;
    QScrollBar* bar = verticalScrollBar();
    const qint64 unit = m_pixelUnits ? 1 : kRowHeight;
    const qint64 rowTop = qint64{index.row()} * kRowHeight / unit;
    const qint64 rowSize = kRowHeight / unit;
    const qint64 page = m_pixelUnits ? viewport()->height() : fullRowsInView();
    qint64 value = bar->value();
    switch (hint) {
        case EnsureVisible:
            if (rowTop < value)
                value = rowTop;
            else if (rowTop + rowSize > value + page)
                value = rowTop + rowSize - page;
            break;
        case PositionAtTop:
            value = rowTop;
            break;
        case PositionAtBottom:
            value = rowTop + rowSize - page;
            break;
        case PositionAtCenter:
            value = rowTop + (rowSize - page) / 2;
            break;
    }
    bar->setValue(static_cast<int>(std::clamp<qint64>(value, bar->minimum(), bar->maximum())));
}

QModelIndex TrafficLogView::indexAt(const QPoint& point) const
{
    const int row = rowAt(point.y());
    if (point.y() < 0 || row < 0 || row >= rows()) return {};
    return model()->index(row, 0, rootIndex());
}

void TrafficLogView::reset()
{
    QAbstractItemView::reset();
    m_contentWidth = 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    // Lay out now rather than at the next turn, so that a clear costs one repaint, not two.
    doItemsLayout();
}

QModelIndex TrafficLogView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (count == 0) return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    qint64 target = current;
    switch (cursorAction) {
        case MoveUp:
        case MovePrevious:
            target = current - 1;
            break;
        case MoveDown:
        case MoveNext:
            target = current + 1;
            break;
        case MovePageUp:
            target = qint64{current} - fullRowsInView();
            break;
        case MovePageDown:
            target = qint64{current} + fullRowsInView();
            break;
        case MoveHome:
            target = 0;
            break;
        case MoveEnd:
            target = count - 1;
            break;
        case MoveLeft:
        case MoveRight:
            return currentIndex();
    }
    return model()->index(static_cast<int>(std::clamp<qint64>(target, 0, count - 1)), 0, rootIndex());
}

int TrafficLogView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int TrafficLogView::verticalOffset() const
{
    return static_cast<int>(std::min<qint64>(contentTop(), std::numeric_limits<int>::max()));
}

bool TrafficLogView::isIndexHidden(const QModelIndex&) const { return false; }

void TrafficLogView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const int count = rows();
    const int first = std::max(0, rowAt(rect.top()));
    const int last = std::min(count - 1, rowAt(rect.bottom()));
    QItemSelection selection;
    if (first <= last) selection.select(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion TrafficLogView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const int firstInView = std::max(0, rowAt(0));
    const int lastInView = rowAt(viewport()->height());
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), firstInView);
        const int last = std::min(range.bottom(), lastInView);
        if (first > last) continue;
        const int top = static_cast<int>(qint64{first} * kRowHeight - contentTop());
        region += QRect(0, top, viewport()->width(), (last - first + 1) * kRowHeight);
    }
    return region;
}

void TrafficLogView::updateGeometries()
{
    updateScrollRanges();
    QAbstractItemView::updateGeometries();
}

void TrafficLogView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateScrollRanges();
    if (start <= rowAt(viewport()->height())) viewport()->update();
}

void TrafficLogView::updateScrollRanges()
{
    const qint64 count = rows();
    const bool pixelUnits =
        verticalScrollMode() == ScrollPerPixel && count * kRowHeight <= std::numeric_limits<int>::max();
    QScrollBar* vertical = verticalScrollBar();
    const qint64 top = contentTop();
    m_pixelUnits = pixelUnits;
    if (pixelUnits) {
        vertical->setRange(0, static_cast<int>(std::max<qint64>(0, count * kRowHeight - viewport()->height())));
        vertical->setPageStep(viewport()->height());
        vertical->setSingleStep(kRowHeight);
    } else {
        vertical->setRange(0, static_cast<int>(std::max<qint64>(0, count - fullRowsInView())));
        vertical->setPageStep(fullRowsInView());
        vertical->setSingleStep(1);
    }
    // Only a change of units moves the value; new rows at the end leave it where it is.
    vertical->setValue(static_cast<int>(pixelUnits ? top : top / kRowHeight));

    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_contentWidth - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(kIndentation);
}

void TrafficLogView::paintEvent(QPaintEvent* event)
{
    const int count = rows();
    if (count == 0) return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State baseState = option.state;
    const int first = std::max(0, rowAt(event->rect().top()));
    const int last = std::min(count - 1, rowAt(event->rect().bottom()));
    const QModelIndex current = currentIndex();
    const int widthBefore = m_contentWidth;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = rowRect(row);
        option.state = baseState;
        if (selectionModel()->isSelected(index)) option.state |= QStyle::State_Selected;
        if (index == current && hasFocus()) option.state |= QStyle::State_HasFocus;
        if (index.data(TrafficLogModel::HasChildRole).toBool()) {
            QStyleOption branch;
            branch.initFrom(this);
            branch.rect = QRect(option.rect.left() - kIndentation, option.rect.top(), kIndentation, kRowHeight);
            branch.state = QStyle::State_Item | QStyle::State_Children | QStyle::State_Open;
            style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, &painter, this);
        }
        itemDelegate()->paint(&painter, option, index);
        const int lineWidth =
            option.rect.left() + horizontalScrollBar()->value() + itemDelegate()->sizeHint(option, index).width();
        m_contentWidth = std::max(m_contentWidth, lineWidth);
    }
    if (m_contentWidth != widthBefore) updateScrollRanges();
}

void TrafficLogView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (currentIndex().isValid())
            QGuiApplication::clipboard()->setText(currentIndex().data(TrafficLogModel::PlainTextRole).toString());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left ? QScrollBar::SliderSingleStepSub
                                                                          : QScrollBar::SliderSingleStepAdd);
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void TrafficLogView::focusInEvent(QFocusEvent* event)
{
    QAbstractItemView::focusInEvent(event);
    viewport()->update();
}

void TrafficLogView::focusOutEvent(QFocusEvent* event)
{
    QAbstractItemView::focusOutEvent(event);
    viewport()->update();
}

void TrafficLogView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace orvek
