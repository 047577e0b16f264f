#include "tests/e2e/ConsoleDriver.h"

#include "console/CommandPanel.h"
#include "console/TrafficLogView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

namespace orvek::test {

namespace {

template <typename T>
T& Child(const QWidget& window, const QString& name)
{
    T* found = window.findChild<T*>(name);
    if (!found) throw std::logic_error("the console has no " + name.toStdString());
    return *found;
}

const QColor kConnectedAddress(0, 255, 0);

}  // namespace

ConsoleDriver::ConsoleDriver(quint16 tcpPort) : m_window(std::make_unique<TForm1>(tcpPort))
{
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get())) throw std::runtime_error("the console window was not shown");
}

ConsoleDriver::~ConsoleDriver() { m_window->close(); }

void ConsoleDriver::tickConnect()
{
    Child<QLineEdit>(*m_window, "AdvIPEdit1").setText("127.0.0.1");
    Child<QCheckBox>(*m_window, "CHB_rete").click();
}

bool ConsoleDriver::isConnected() const
{
    return Child<QLineEdit>(*m_window, "AdvIPEdit1").palette().color(QPalette::Disabled, QPalette::Base) ==
           kConnectedAddress;
}

bool ConsoleDriver::openPort(const QString& path)
{
    auto& list = Child<QComboBox>(*m_window, "CBX_com");
    list.showPopup();
    int index = -1;
    for (int item = 0; item < list.count(); ++item) {
        if (list.itemText(item).contains(path)) index = item;
    }
    if (index < 0) {
        list.hidePopup();
        return false;
    }
    QAbstractItemView* view = list.view();
    view->setCurrentIndex(view->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    Child<QCheckBox>(*m_window, "CHB_comm").click();
    return true;
}

bool ConsoleDriver::isPortOpen() const
{
    // The port list is locked exactly while the port is open.
    return Child<QCheckBox>(*m_window, "CHB_comm").isChecked() && !Child<QComboBox>(*m_window, "CBX_com").isEnabled();
}

QAction* ConsoleDriver::action(const QString& name) const { return &Child<QAction>(*m_window, name); }

bool ConsoleDriver::isCommandSectionExpanded() const
{
    return Child<CommandPanel>(*m_window, "EXB_menu").isSectionExpanded();
}

QString ConsoleDriver::firmwarePanelText() const { return Child<QLabel>(*m_window, "firmwarePanel").text(); }

QString ConsoleDriver::temperature() const { return Child<DataLabel>(*m_window, "AdvDataLabel1").dataText(); }

QString ConsoleDriver::power() const { return Child<DataLabel>(*m_window, "AdvDataLabel2").dataText(); }

TrafficLogModel& ConsoleDriver::log() const
{
    auto* model = qobject_cast<TrafficLogModel*>(Child<TrafficLogView>(*m_window, "TRV_rx").model());
    if (!model) throw std::logic_error("the traffic log view shows no traffic log");
    model->flush();
    return *model;
}

int ConsoleDriver::rowCount() const { return log().rowCount(); }

QString ConsoleDriver::markup(int row) const
{
    const TrafficLogModel& model = log();
    return model.data(model.index(row), Qt::DisplayRole).toString();
}

QString ConsoleDriver::plainText(int row) const
{
    const TrafficLogModel& model = log();
    return model.data(model.index(row), TrafficLogModel::PlainTextRole).toString();
}

int ConsoleDriver::level(int row) const
{
    const TrafficLogModel& model = log();
    return model.data(model.index(row), TrafficLogModel::LevelRole).toInt();
}

std::size_t ConsoleDriver::frameCount() const { return log().frameCount(); }

std::optional<int> ConsoleDriver::findLine(int fromRow, int lineLevel,
                                           const std::function<bool(const QString&)>& matches) const
{
    const TrafficLogModel& model = log();
    for (int row = fromRow; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        if (model.data(index, TrafficLogModel::LevelRole).toInt() == lineLevel &&
            matches(model.data(index, TrafficLogModel::PlainTextRole).toString()))
            return row;
    }
    return std::nullopt;
}

std::vector<std::int64_t> ConsoleDriver::passingProgressives() const
{
    // The markup is read rather than the plain text: a flood has too many lines to strip.
    static const QRegularExpression passing("^<FONT [^>]*><B>\\((?:80|90)\\)PASS</B>.*  Prog:<B>(-?[0-9]+)</B>");
    const TrafficLogModel& model = log();
    std::vector<std::int64_t> progressives;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        if (model.data(index, TrafficLogModel::LevelRole).toInt() != 1) continue;
        const QRegularExpressionMatch match = passing.match(model.data(index).toString());
        if (match.hasMatch()) progressives.push_back(match.captured(1).toLongLong());
    }
    return progressives;
}

bool IsSentCommandLine(const QString& markup, std::uint8_t code, std::uint8_t readerId)
{
    const QString dump = QString("00%1%2").arg(code, 2, 16, QChar('0')).arg(readerId, 2, 16, QChar('0')).toUpper();
    return markup.contains("Inviato: </FONT> " + dump);
}

bool HasRedChecksum(const QString& markup)
{
    static const QRegularExpression red("<FONT color=\"clRed\">CK\\(-?[0-9]+\\)</FONT>$");
    return red.match(markup).hasMatch();
}

bool HasGreenChecksum(const QString& markup)
{
    static const QRegularExpression green("<FONT color=\"clGreen\">CK\\(-?[0-9]+\\)</FONT>$");
    return green.match(markup).hasMatch();
}

}  // namespace orvek::test
