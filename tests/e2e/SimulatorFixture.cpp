#include "tests/e2e/SimulatorFixture.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <chrono>

namespace orvek::test {

using namespace std::chrono_literals;

ModalAnswerer::ModalAnswerer()
{
    m_timer.setInterval(20ms);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_lastAnswered) return;
    m_lastAnswered = modal;
    Answer answer;
    if (!m_answers.empty()) {
        answer = std::move(m_answers.front());
        m_answers.pop_front();
    } else {
        const auto* box = qobject_cast<QMessageBox*>(modal);
        m_unexpected.append(box ? box->text() : modal->windowTitle());
        answer = [](QWidget* widget) {
            if (auto* dialog = qobject_cast<QDialog*>(widget)) dialog->reject();
        };
    }
    // Queued: the answer may open a nested modal loop, which this timer must keep watching.
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, [target, answer] {
        if (target) answer(target);
    });
}

ModalAnswerer::Answer AcceptDefaults()
{
    return [](QWidget* widget) {
        auto* buttons = widget->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr) << "expected a parameter dialog, got " << widget->metaObject()->className();
        buttons->button(QDialogButtonBox::Ok)->click();
    };
}

ModalAnswerer::Answer ConfirmYes()
{
    return [](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr) << "expected a confirmation, got " << widget->metaObject()->className();
        box->button(QMessageBox::Yes)->click();
    };
}

const char* LinkName(Link link) { return link == Link::Tcp ? "tcp" : "pty"; }

void PrintTo(Link link, std::ostream* out) { *out << LinkName(link); }

void SimulatorFixture::SetUp()
{
    ASSERT_TRUE(m_folder.isValid());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvek", "Pontivo").clear();
}

void SimulatorFixture::TearDown()
{
    m_console.reset();
    m_simulator.stop();
    qunsetenv("ORVEK_SERIAL_PORTS");
    EXPECT_TRUE(m_modals.unexpected().isEmpty()) << m_modals.unexpected().join(" | ").toStdString();
    EXPECT_TRUE(m_modals.allAnswered());
}

void SimulatorFixture::StartAndConnect(Link link, QStringList args)
{
    if (link == Link::Tcp)
        args << "--listen"
             << "127.0.0.1:0";
    else
        args << "--link" << PtyLinkPath();
    ASSERT_TRUE(m_simulator.start(args)) << m_simulator.failure().toStdString();

    // The window lists the pty when it is made and whenever the port list opens.
    if (link == Link::Pty) qputenv("ORVEK_SERIAL_PORTS", PtyLinkPath().toLocal8Bit());
    m_console = std::make_unique<ConsoleDriver>(m_simulator.tcpPort());
    if (link == Link::Tcp) {
        m_console->tickConnect();
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->isConnected(); }, kWaitMs));
    } else {
        ASSERT_TRUE(m_console->openPort(PtyLinkPath()))
            << "the port list does not name " << PtyLinkPath().toStdString();
        ASSERT_TRUE(m_console->isPortOpen());
    }
}

std::optional<int> SimulatorFixture::WaitForDecoded(int fromRow, const QString& prefix, const QStringList& also,
                                                    int timeoutMs)
{
    const auto matches = [&](const QString& line) {
        if (!line.startsWith(prefix)) return false;
        for (const QString& text : also) {
            if (!line.contains(text)) return false;
        }
        return true;
    };
    std::optional<int> row;
    (void)QTest::qWaitFor([&] { return (row = m_console->findLine(fromRow, 1, matches)).has_value(); }, timeoutMs);
    return row;
}

}  // namespace orvek::test
