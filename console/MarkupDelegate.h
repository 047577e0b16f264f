#pragma once

#include <QStyledItemDelegate>

namespace orvek {

// Paints a log line's markup runs straight with QPainter: bold runs in a bold font, colours
// as pens, backgrounds as filled rectangles. A selected line is drawn in the selection
// colours, black on silver while its view does not have the focus.
class MarkupDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The width of the line's text; the height of one line of the font.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace orvek
