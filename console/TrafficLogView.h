#pragma once

#include <QAbstractItemView>

namespace orvek {

// The traffic log's view over the flat TrafficLogModel: fixed 16-pixel rows, decoded lines
// indented one level, one current row. It keeps nothing per row and paints only the rows in
// sight, so its cost does not grow with the log. Appending never scrolls it or moves its
// selection.
class TrafficLogView : public QAbstractItemView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 16;
    static constexpr int kIndentation = 19;

    explicit TrafficLogView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rows() const;
    int level(int row) const;
    // Pixels from the top of the first row to the top of the viewport.
    qint64 contentTop() const;
    int rowAt(int y) const;
    QRect rowRect(int row) const;
    int fullRowsInView() const;
    void updateScrollRanges();

    int m_contentWidth = 0;     // widest line painted since the last reset
    bool m_pixelUnits = false;  // vertical scroll bar counts pixels rather than rows
};

}  // namespace orvek
