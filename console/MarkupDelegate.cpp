#include "console/MarkupDelegate.h"

#include "console/Markup.h"

#include <QFontMetrics>
#include <QPainter>

namespace orvek {

namespace {

constexpr int kTextMargin = 2;
const QColor kSilver(192, 192, 192);

QFont BoldFont(QFont font)
{
    font.setBold(true);
    return font;
}

}  // namespace

void MarkupDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const std::vector<MarkupRun> runs = ParseMarkup(index.data(Qt::DisplayRole).toString());
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool focused = option.state.testFlag(QStyle::State_HasFocus);
    const QColor selectedText = focused ? option.palette.color(QPalette::HighlightedText) : QColor(Qt::black);
    const QColor normalText = option.palette.color(QPalette::Text);

    painter->save();
    if (selected) painter->fillRect(option.rect, focused ? option.palette.color(QPalette::Highlight) : kSilver);

    const QFont boldFont = BoldFont(option.font);
    const QFontMetrics normalMetrics(option.font);
    const QFontMetrics boldMetrics(boldFont);
    const int top = option.rect.top();
    const int height = option.rect.height();
    int x = option.rect.left() + kTextMargin;
    for (const MarkupRun& run : runs) {
        if (x > option.rect.right()) break;
        const QFontMetrics& metrics = run.bold ? boldMetrics : normalMetrics;
        const int width = metrics.horizontalAdvance(run.text);
        if (run.background && !selected) painter->fillRect(QRect(x, top, width, height), *run.background);
        painter->setFont(run.bold ? boldFont : option.font);
        painter->setPen(selected ? selectedText : run.foreground.value_or(normalText));
        painter->drawText(QPoint(x, top + (height - metrics.height()) / 2 + metrics.ascent()), run.text);
        x += width;
    }
    painter->restore();
}

QSize MarkupDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics normalMetrics(option.font);
    const QFontMetrics boldMetrics(BoldFont(option.font));
    int width = 2 * kTextMargin;
    for (const MarkupRun& run : ParseMarkup(index.data(Qt::DisplayRole).toString()))
        width += (run.bold ? boldMetrics : normalMetrics).horizontalAdvance(run.text);
    return {width, normalMetrics.height()};
}

}  // namespace orvek
