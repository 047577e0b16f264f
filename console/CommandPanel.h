#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QAction;
class QPushButton;

namespace orvek {

// The side panel of commands: one collapsible section whose items are actions. An item shows
// its action's caption and enabled state; a click on an enabled item triggers the action.
class CommandPanel : public QWidget {
    Q_OBJECT
public:
    CommandPanel(const QString& sectionName, const QString& sectionCaption, const QList<QAction*>& actions,
                 QWidget* parent = nullptr);

    void setSectionExpanded(bool expanded);
    bool isSectionExpanded() const;

private:
    QPushButton* m_header;
    QWidget* m_items;
};

}  // namespace orvek
