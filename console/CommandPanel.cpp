#include "console/CommandPanel.h"

#include <QAction>
#include <QFrame>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvek {

namespace {

constexpr int kItemSpacingHorizontal = 8;
constexpr int kItemSpacingVertical = 12;

QFont PanelFont(QStringList families, int pixelSize, bool bold)
{
    QFont font;
    families.append(QFont().defaultFamily());
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace

CommandPanel::CommandPanel(const QString& sectionName, const QString& sectionCaption, const QList<QAction*>& actions,
                           QWidget* parent)
    : QWidget(parent), m_header(new QPushButton), m_items(new QWidget)
{
    auto* section = new QFrame;
    section->setObjectName(sectionName);
    section->setStyleSheet(
        QString("QFrame#%1 { background: white; border: 1px solid rgb(197, 226, 199); }").arg(sectionName));

    m_header->setText(sectionCaption);
    m_header->setCheckable(true);
    m_header->setFont(PanelFont({"Tahoma"}, 11, true));
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_header->setFixedHeight(25);
    m_header->setStyleSheet(
        "QPushButton { color: rgb(82, 82, 198); text-align: left; padding-left: 8px; border: none;"
        " background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 white, stop: 1 rgb(197, 226, 199)); }");
    connect(m_header, &QPushButton::toggled, m_items, &QWidget::setVisible);

    auto* itemLayout = new QVBoxLayout(m_items);
    itemLayout->setContentsMargins(kItemSpacingHorizontal, kItemSpacingVertical, kItemSpacingHorizontal,
                                   kItemSpacingVertical);
    itemLayout->setSpacing(kItemSpacingVertical);
    // Where Calibri is missing, a narrow face keeps the captions inside the 197-pixel panel.
    const QFont itemFont = PanelFont({"Calibri", "Carlito", "DejaVu Sans Condensed"}, 15, false);
    for (QAction* action : actions) {
        auto* item = new QToolButton;
        item->setDefaultAction(action);
        item->setFont(itemFont);
        item->setToolButtonStyle(Qt::ToolButtonTextOnly);
        item->setAutoRaise(true);
        item->setFocusPolicy(Qt::NoFocus);
        item->setCursor(Qt::PointingHandCursor);
        item->setStyleSheet(
            "QToolButton { color: rgb(0, 0, 128); border: none; padding: 0px; text-align: left; }"
            " QToolButton:hover { color: rgb(0, 0, 255); }"
            " QToolButton:disabled { color: gray; }");
        itemLayout->addWidget(item);
    }
    m_items->setVisible(false);

    auto* sectionLayout = new QVBoxLayout(section);
    sectionLayout->setContentsMargins(0, 0, 0, 0);
    sectionLayout->setSpacing(0);
    sectionLayout->addWidget(m_header);
    sectionLayout->addWidget(m_items);

    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(4, 4, 4, 4);
    contentLayout->addWidget(section);
    contentLayout->addStretch();

    // The window may be shorter than the open section: the panel scrolls rather than clipping.
    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

void CommandPanel::setSectionExpanded(bool expanded) { m_header->setChecked(expanded); }

bool CommandPanel::isSectionExpanded() const { return m_header->isChecked(); }

}  // namespace orvek
