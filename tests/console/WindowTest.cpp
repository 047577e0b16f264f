#include "console/CommandDialog.h"
#include "console/CommandPanel.h"
#include "console/Main.h"
#include "console/Settings.h"
#include "console/TrafficLogModel.h"
#include "console/TrafficLogView.h"
#include "links/TcpLink.h"
#include "protocol/Envelope.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace orvek {
namespace {

using namespace std::chrono_literals;

constexpr int kWaitMs = 15000;
using Bytes = std::vector<std::uint8_t>;

// A frame as a reader sends it: the checksum field carries the plain sum.
Bytes ReaderFrame(std::uint8_t code, std::uint8_t readerId, const Bytes& payload)
{
    std::uint32_t sum = code + readerId;
    Bytes frame{0x00, code, readerId};
    for (const std::uint8_t byte : payload) {
        sum += byte;
        frame.push_back(byte);
    }
    for (const int shift : {24, 16, 8, 0}) frame.push_back(static_cast<std::uint8_t>(sum >> shift));
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    return frame;
}

Bytes FirmwareReply(const std::string& text)
{
    Bytes payload(text.begin(), text.end());
    payload.push_back(0x00);
    return ReaderFrame(0x81, 1, payload);
}

// Status report: internal temperature sign and magnitude, supply voltage in tenths.
Bytes StatusReport(std::uint8_t temperatureSign, std::uint8_t temperature, std::uint8_t volt)
{
    return ReaderFrame(0x51, 1, {24, 5, 5, 14, 7, 9, 0, 0, 0, 1, 3, 40, 0, 21, volt, temperatureSign, temperature, 2});
}

// The command (1) frame to reader 1 and its envelope.
const Bytes kReadFirmwareFrame{0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0x0D, 0x0A};
constexpr char kReadFirmwareDump[] = "000101000000010D0A";

// Answers the modal dialogs that the window opens, in the order the test expects them, and
// closes (and records) any that nobody expected, so that no test can hang on one.
class ModalDriver {
public:
    using Answer = std::function<void(QWidget*)>;

    ModalDriver()
    {
        m_timer.setInterval(20ms);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    void expect(Answer answer) { m_answers.push_back(std::move(answer)); }

    bool allAnswered() const { return m_answers.empty(); }
    const QStringList& unexpected() const { return m_unexpected; }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_lastAnswered) return;
        m_lastAnswered = modal;
        Answer answer;
        if (!m_answers.empty()) {
            answer = std::move(m_answers.front());
            m_answers.pop_front();
        } else {
            auto* box = qobject_cast<QMessageBox*>(modal);
            m_unexpected.append(box ? box->text() : modal->windowTitle());
            answer = [](QWidget* widget) {
                if (auto* dialog = qobject_cast<QDialog*>(widget)) dialog->reject();
            };
        }
        // Queued: an answer may open a nested modal loop, which this timer must keep watching.
        QPointer<QWidget> target(modal);
        QTimer::singleShot(0, [target, answer] {
            if (target) answer(target);
        });
    }

    QTimer m_timer;
    std::deque<Answer> m_answers;
    QPointer<QWidget> m_lastAnswered;
    QStringList m_unexpected;
};

ModalDriver::Answer ClickBox(QMessageBox::StandardButton button, QString* text = nullptr)
{
    return [button, text](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr) << "expected a message box, got " << widget->metaObject()->className();
        if (text) *text = box->text();
        box->button(button)->click();
    };
}

ModalDriver::Answer FillDialog(std::map<QString, QString> values, QDialogButtonBox::StandardButton button)
{
    return [values, button](QWidget* widget) {
        auto* dialog = qobject_cast<ParameterDialog*>(widget);
        ASSERT_NE(dialog, nullptr) << "expected a parameter dialog, got " << widget->metaObject()->className();
        for (const auto& [name, value] : values) {
            auto* edit = dialog->findChild<QLineEdit*>(name);
            ASSERT_NE(edit, nullptr) << name.toStdString();
            edit->setText(value);
        }
        dialog->findChild<QDialogButtonBox*>()->button(button)->click();
    };
}

// The real window, shown offscreen, with settings in the test's private store.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvek", "Pontivo").clear(); }

    void TearDown() override
    {
        m_window.reset();
        EXPECT_TRUE(m_modals.unexpected().isEmpty()) << m_modals.unexpected().join(" | ").toStdString();
        EXPECT_TRUE(m_modals.allAnswered());
    }

    void openWindow(quint16 tcpPort = TForm1::kReaderPort)
    {
        m_window = std::make_unique<TForm1>(tcpPort);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void closeWindow()
    {
        m_window->close();
        m_window.reset();
    }

    template <typename T>
    T* child(const QString& name) const
    {
        T* found = m_window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    QLineEdit* address() const { return child<QLineEdit>("AdvIPEdit1"); }
    QCheckBox* connectBox() const { return child<QCheckBox>("CHB_rete"); }
    QCheckBox* openPortBox() const { return child<QCheckBox>("CHB_comm"); }
    QComboBox* portList() const { return child<QComboBox>("CBX_com"); }
    QLineEdit* readerId() const { return child<QLineEdit>("EDI_reader"); }
    CommandPanel* panel() const { return child<CommandPanel>("EXB_menu"); }
    QLabel* firmwarePanel() const { return child<QLabel>("firmwarePanel"); }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QString temperature() const { return child<DataLabel>("AdvDataLabel1")->dataText(); }
    QString power() const { return child<DataLabel>("AdvDataLabel2")->dataText(); }
    QColor addressColour() const { return address()->palette().color(QPalette::Disabled, QPalette::Base); }

    TrafficLogModel* log() const
    {
        auto* model = qobject_cast<TrafficLogModel*>(child<TrafficLogView>("TRV_rx")->model());
        model->flush();
        return model;
    }

    QStringList logLines() const
    {
        QStringList lines;
        TrafficLogModel* model = log();
        for (int row = 0; row < model->rowCount(); ++row) lines.append(model->data(model->index(row)).toString());
        return lines;
    }

    bool waitFor(const std::function<bool()>& condition, int timeoutMs = kWaitMs)
    {
        return QTest::qWaitFor(condition, timeoutMs);
    }

    ModalDriver m_modals;
    std::unique_ptr<TForm1> m_window;
};

// --- TCP ---

// A QTcpServer on 127.0.0.1 plays the reader.
class TcpWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        m_port = m_server.serverPort();
        openWindow(m_port);
    }

    void tickConnect()
    {
        address()->setText("127.0.0.1");
        connectBox()->click();
    }

    // Ticks "Connetti" and waits for the peer and the connected window.
    void connectToPeer()
    {
        tickConnect();
        acceptPeer();
    }

    void acceptPeer()
    {
        ASSERT_TRUE(waitFor([this] { return m_server.hasPendingConnections(); }));
        m_peer = m_server.nextPendingConnection();
        ASSERT_TRUE(waitFor([this] { return addressColour() == QColor(0, 255, 0); }));
    }

    // The frames the peer has received since the last call, waiting for at least count.
    std::vector<Bytes> framesAtPeer(std::size_t count)
    {
        std::vector<Bytes> frames;
        (void)waitFor([&] {
            m_text += m_peer->readAll();
            qsizetype end;
            while ((end = m_text.indexOf('}')) >= 0) {
                const std::string envelope = m_text.left(end + 1).toStdString();
                m_text.remove(0, end + 1);
                Bytes frame(DecodedCapacity(envelope));
                frame.resize(DecodeEnvelope(envelope, frame));
                frames.push_back(frame);
            }
            return frames.size() >= count;
        });
        return frames;
    }

    // Sends (5) as a marker: the next frame at the peer shows what went out before it.
    Bytes nextFrameBeforeMarker()
    {
        action("ACT_5leggiOra")->trigger();
        const auto frames = framesAtPeer(1);
        return frames.empty() ? Bytes{} : frames.front();
    }

    void sendFromPeer(const Bytes& frame) { m_peer->write(QByteArray::fromStdString(EncodeEnvelope(frame))); }

    QTcpServer m_server;
    quint16 m_port = 0;
    QPointer<QTcpSocket> m_peer;
    QByteArray m_text;
};

TEST_F(TcpWindowTest, RetriesClosedPortQuietlyAndReachesPeerThatStartsListening)
{
    m_server.close();
    auto* link = m_window->findChild<TcpLink*>();
    ASSERT_NE(link, nullptr);
    QSignalSpy states(link, &TcpLink::stateChanged);
    tickConnect();

    // Two refused attempts: the first from the tick, the next from the reconnect timer.
    ASSERT_TRUE(waitFor([&] {
        int closed = 0;
        for (const auto& change : states) closed += change.at(1).value<TcpLink::State>() == TcpLink::State::Closed;
        return closed >= 2;
    }));
    EXPECT_FALSE(address()->isEnabled());
    EXPECT_EQ(addressColour(), QColor(255, 255, 255));
    EXPECT_FALSE(openPortBox()->isEnabled());
    EXPECT_FALSE(panel()->isSectionExpanded());
    EXPECT_TRUE(logLines().isEmpty());

    ASSERT_TRUE(m_server.listen(QHostAddress::LocalHost, m_port));
    acceptPeer();
    EXPECT_TRUE(panel()->isSectionExpanded());
    EXPECT_EQ(framesAtPeer(1), std::vector<Bytes>{kReadFirmwareFrame});
    const QStringList lines = logLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().contains("Inviato: </FONT> " + QString(kReadFirmwareDump) + " CK(2)"))
        << lines.first().toStdString();
}

TEST_F(TcpWindowTest, FirmwareReplySetsPanelAndCommandsAndStatusSetsReadouts)
{
    connectToPeer();
    const char* dependent[] = {"ACT_11autoInvio", "ACT_12stopInvio", "ACT_16start",
                               "ACT_17stopSess",  "ACT_50cache",     "ACT_51autostart"};

    sendFromPeer(FirmwareReply("ZTB Ver: 7.02"));
    ASSERT_TRUE(waitFor([this] { return !firmwarePanel()->text().isEmpty(); }));
    EXPECT_EQ(firmwarePanel()->text(), "FIRMWARE:  \"ZTB Ver: 7.02\"");
    EXPECT_TRUE(action("ACT_20pcbeep")->isEnabled());
    for (const char* name : dependent) EXPECT_FALSE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(action("ACT_fw")->isEnabled());

    sendFromPeer(FirmwareReply("ZTB Ver: 6.10"));
    ASSERT_TRUE(waitFor([this] { return firmwarePanel()->text().contains("6.10"); }));
    EXPECT_FALSE(action("ACT_20pcbeep")->isEnabled());
    for (const char* name : dependent) EXPECT_TRUE(action(name)->isEnabled()) << name;

    sendFromPeer(StatusReport(1, 5, 126));
    ASSERT_TRUE(waitFor([this] { return !temperature().isEmpty(); }));
    EXPECT_EQ(temperature(), QString::fromUtf8("-5°"));
    EXPECT_EQ(power(), "12.6V");

    // Sent (1), then two lines for each of the three frames received.
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[1].contains("Ricevuto: ")) << lines[1].toStdString();
    EXPECT_EQ(log()->data(log()->index(2), TrafficLogModel::LevelRole).toInt(), 1);
}

TEST_F(TcpWindowTest, ClearEmptiesTheLogAndNothingElse)
{
    connectToPeer();
    sendFromPeer(FirmwareReply("ZTB Ver: 7.02"));
    sendFromPeer(StatusReport(0, 23, 120));
    ASSERT_TRUE(waitFor([this] { return logLines().size() == 5; }));

    child<QPushButton>("Button1")->click();
    EXPECT_TRUE(logLines().isEmpty());
    EXPECT_EQ(temperature(), QString::fromUtf8("+23°"));
    EXPECT_EQ(power(), "12.0V");
    EXPECT_EQ(firmwarePanel()->text(), "FIRMWARE:  \"ZTB Ver: 7.02\"");
    EXPECT_TRUE(connectBox()->isChecked());
    EXPECT_EQ(addressColour(), QColor(0, 255, 0));

    // The context menu's "Clear" is the same operation; later lines start a new list.
    sendFromPeer(StatusReport(0, 24, 120));
    ASSERT_TRUE(waitFor([this] { return logLines().size() == 2; }));
    child<QAction>("Clear2")->trigger();
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(TcpWindowTest, PeerClosingIsFollowedByANewAttemptAndUntickingStopsRetrying)
{
    connectToPeer();
    sendFromPeer(FirmwareReply("ZTB Ver: 7.02"));
    sendFromPeer(StatusReport(0, 23, 120));
    ASSERT_TRUE(waitFor([this] { return !temperature().isEmpty(); }));

    m_peer->close();
    ASSERT_TRUE(waitFor([this] { return addressColour() == QColor(255, 255, 255); }));
    EXPECT_TRUE(panel()->isSectionExpanded());
    EXPECT_FALSE(address()->isEnabled());
    acceptPeer();

    connectBox()->click();
    EXPECT_EQ(addressColour(), QColor(255, 255, 255));
    EXPECT_TRUE(address()->isEnabled());
    EXPECT_TRUE(temperature().isEmpty());
    EXPECT_TRUE(power().isEmpty());
    EXPECT_TRUE(firmwarePanel()->text().isEmpty());
    EXPECT_TRUE(panel()->isSectionExpanded());
    // No port is selected, so "Apri Comm" stays disabled.
    EXPECT_FALSE(openPortBox()->isEnabled());

    auto* reconnect = child<QTimer>("TIM_IPConnect");
    ASSERT_TRUE(waitFor([reconnect] { return !reconnect->isActive(); }, 6000));
    QTest::qWait(2500);
    EXPECT_FALSE(m_server.hasPendingConnections());
}

struct DialogCase {
    const char* name;
    const char* action;
    std::map<QString, QString> values;
    Bytes message;  // code, then payload
};

void PrintTo(const DialogCase& entry, std::ostream* out) { *out << entry.name; }

class DialogCommandTest : public TcpWindowTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DialogCommandTest, SendsTheFieldsOfItsDialog)
{
    connectToPeer();
    ASSERT_EQ(framesAtPeer(1).size(), 1u);
    m_modals.expect(FillDialog(GetParam().values, QDialogButtonBox::Ok));
    action(GetParam().action)->trigger();

    const auto frames = framesAtPeer(1);
    ASSERT_EQ(frames.size(), 1u);
    const Bytes& frame = frames.front();
    ASSERT_EQ(frame.size(), GetParam().message.size() + 8);
    EXPECT_EQ(frame[2], 1);
    EXPECT_EQ(Bytes(frame.begin() + 1, frame.begin() + 2),
              Bytes(GetParam().message.begin(), GetParam().message.begin() + 1));
    EXPECT_EQ(Bytes(frame.begin() + 3, frame.end() - 6),
              Bytes(GetParam().message.begin() + 1, GetParam().message.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DialogCommandTest,
    ::testing::Values(
        DialogCase{"BeepDefaults", "ACT_setBeep", {}, {4, 0x09, 0xC4, 0x00, 0x5A, 0x00, 0x64}},
        DialogCase{
            "BeepFrequency9999", "ACT_setBeep", {{"Frequenza", "9999"}}, {4, 0x27, 0x0F, 0x00, 0x5A, 0x00, 0x64}},
        DialogCase{"BeepEmptyFieldIsZero", "ACT_setBeep", {{"Durata", ""}}, {4, 0x09, 0xC4, 0x00, 0x00, 0x00, 0x64}},
        DialogCase{"ResendDefaults", "ACT_10rimandaPass", {}, {10, 0, 0, 0, 0, 0, 1, 0}},
        DialogCase{"RedundanciesBeyondHint", "ACT_13setRidond", {{"Ridondanze", "99"}}, {13, 0x63}},
        DialogCase{"WorkingModeSecondByte", "ACT_19modalita", {{"Tipo", "1"}}, {19, 0x00, 0x01}},
        DialogCase{"Autostart99", "ACT_51autostart", {{"Tipo", "99"}}, {51, 0x63}},
        DialogCase{"Sensitivity", "ACT_53setSens", {{"Booster", "1"}, {"Livello", "5"}}, {53, 1, 5}},
        DialogCase{"Hardware", "ACT_98setHw", {{"Valore", "123456789"}}, {98, 0x07, 0x5B, 0xCD, 0x15}}),
    [](const auto& info) { return info.param.name; });

TEST_F(TcpWindowTest, CancelAndNoSendNothingAndYesSendsTheReset)
{
    connectToPeer();
    ASSERT_EQ(framesAtPeer(1).size(), 1u);

    m_modals.expect(FillDialog({}, QDialogButtonBox::Cancel));
    action("ACT_setBeep")->trigger();
    QString question;
    m_modals.expect(ClickBox(QMessageBox::No, &question));
    action("ACT_8resetMem")->trigger();
    EXPECT_EQ(question, "Confermi l'azzeramento della memoria?");
    EXPECT_EQ(nextFrameBeforeMarker()[1], 5);

    m_modals.expect(ClickBox(QMessageBox::Yes));
    action("ACT_8resetMem")->trigger();
    const auto frames = framesAtPeer(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames.front().size(), 9u);
    EXPECT_EQ(frames.front()[1], 8);
}

TEST_F(TcpWindowTest, ValueTooLargeForItsFieldIsRefusedAndTheDialogStaysOpen)
{
    connectToPeer();
    ASSERT_EQ(framesAtPeer(1).size(), 1u);

    QString refusal;
    m_modals.expect(FillDialog({{"Valore", "300"}}, QDialogButtonBox::Ok));
    m_modals.expect(ClickBox(QMessageBox::Ok, &refusal));
    QString keptText;
    m_modals.expect([&keptText](QWidget* widget) {
        auto* dialog = qobject_cast<ParameterDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        keptText = dialog->fieldText("Valore");
        dialog->reject();
    });
    action("ACT_6setId")->trigger();

    EXPECT_TRUE(refusal.contains("Valore (0-250)")) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains("255")) << refusal.toStdString();
    EXPECT_EQ(keptText, "300");
    EXPECT_EQ(readerId()->text(), "1");
    EXPECT_EQ(nextFrameBeforeMarker()[1], 5);
}

TEST_F(TcpWindowTest, SetIdGoesToTheOldReaderAndLaterFramesToTheNewOne)
{
    connectToPeer();
    ASSERT_EQ(framesAtPeer(1).size(), 1u);

    m_modals.expect(FillDialog({{"Valore", "7"}}, QDialogButtonBox::Ok));
    action("ACT_6setId")->trigger();
    auto frames = framesAtPeer(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Bytes(frames.front().begin(), frames.front().begin() + 4), (Bytes{0x00, 6, 1, 7}));
    EXPECT_EQ(readerId()->text(), "7");
    EXPECT_EQ(nextFrameBeforeMarker()[2], 7);
}

TEST_F(TcpWindowTest, SetClockSendsTheLocalDateAndTime)
{
    connectToPeer();
    ASSERT_EQ(framesAtPeer(1).size(), 1u);
    const QDate today = QDate::currentDate();
    action("ACT_setClock")->trigger();
    const auto frames = framesAtPeer(1);
    ASSERT_EQ(frames.size(), 1u);
    const Bytes& frame = frames.front();
    ASSERT_EQ(frame.size(), 16u);
    EXPECT_EQ(frame[1], 3);
    EXPECT_EQ(frame[3], today.year() % 100);
    EXPECT_EQ(frame[4], today.month());
    EXPECT_EQ(frame[5], today.day());
    EXPECT_EQ(frame[6], today.dayOfWeek() - 1);
}

TEST_F(TcpWindowTest, PanelItemsFollowTheirActions)
{
    EXPECT_FALSE(panel()->isSectionExpanded());
    const auto items = panel()->findChildren<QToolButton*>();
    std::vector<QAction*> actions;
    for (QToolButton* item : items) {
        if (item->defaultAction()) actions.push_back(item->defaultAction());
    }
    ASSERT_EQ(actions.size(), 25u);
    EXPECT_EQ(actions.front()->text(), "(1) Leggi Firmware");
    EXPECT_EQ(actions.front()->objectName(), "ACT_fw");
    EXPECT_EQ(actions.front()->data().toInt(), 1);
    EXPECT_EQ(actions.back()->text(), "(98) Configura hardware");
    EXPECT_EQ(actions.back()->data().toInt(), 98);

    connectToPeer();
    ASSERT_EQ(framesAtPeer(1).size(), 1u);
    QToolButton* readClock = nullptr;
    for (QToolButton* item : items) {
        if (item->defaultAction() == action("ACT_5leggiOra")) readClock = item;
    }
    ASSERT_NE(readClock, nullptr);
    readClock->click();
    const auto frames = framesAtPeer(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames.front()[1], 5);
}

TEST_F(WindowTest, ReaderIdAbove250BecomesTheLargestOnFocusOut)
{
    openWindow();
    struct Case {
        const char* typed;
        const char* kept;
    };
    for (const Case& entry : {Case{"300", "250"}, Case{"250", "250"}, Case{"12", "12"}, Case{"1x9", "19"}}) {
        QLineEdit* edit = readerId();
        edit->clear();
        QTest::keyClicks(edit, entry.typed);
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &focusOut);
        EXPECT_EQ(edit->text(), entry.kept) << entry.typed;
    }
}

TEST_F(WindowTest, AddressFieldTakesOnlyIpv4Text)
{
    openWindow();
    QLineEdit* edit = address();
    edit->clear();
    QTest::keyClicks(edit, "10.0.0.7x");
    EXPECT_EQ(edit->text(), "10.0.0.7");
    EXPECT_TRUE(edit->hasAcceptableInput());
    edit->clear();
    QTest::keyClicks(edit, "300.1");
    EXPECT_FALSE(edit->hasAcceptableInput());
    EXPECT_FALSE(IsIpv4Address("reader.local"));
    EXPECT_FALSE(IsIpv4Address("1.2.3"));
    EXPECT_TRUE(IsIpv4Address("127.0.0.1"));
}

TEST_F(WindowTest, IncompleteAddressIsReportedAndNotLookedUp)
{
    openWindow();
    auto* link = m_window->findChild<TcpLink*>();
    QSignalSpy states(link, &TcpLink::stateChanged);
    address()->setText("10.0.");
    QString error;
    m_modals.expect(ClickBox(QMessageBox::Ok, &error));
    connectBox()->click();
    EXPECT_TRUE(error.contains("10.0.")) << error.toStdString();
    EXPECT_TRUE(states.isEmpty());
    EXPECT_FALSE(address()->isEnabled());
    connectBox()->click();
    EXPECT_TRUE(address()->isEnabled());
}

// --- serial ---

// A pseudo-terminal: the test holds the master and plays the reader; the window lists the
// slave through ORVEK_SERIAL_PORTS and opens it.
class SerialWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(::openpty(&m_master, &slave, name, nullptr, nullptr), 0) << std::strerror(errno);
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slavePath = QString::fromLocal8Bit(name);
        m_missingPath = QString("/dev/orvek-missing-%1").arg(::getpid());
        qputenv("ORVEK_SERIAL_PORTS", (m_slavePath + QDir::listSeparator() + m_missingPath).toLocal8Bit());
        openWindow();
    }

    void TearDown() override
    {
        WindowTest::TearDown();
        closeMaster();
        qunsetenv("ORVEK_SERIAL_PORTS");
    }

    void closeMaster()
    {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

    // Opens the list (which rebuilds it) and picks the entry of path, as the operator does.
    void pickPort(const QString& path)
    {
        QComboBox* list = portList();
        list->showPopup();
        int index = -1;
        for (int item = 0; item < list->count(); ++item) {
            if (list->itemText(item).contains(path)) index = item;
        }
        ASSERT_GE(index, 0) << path.toStdString();
        EXPECT_EQ(list->currentIndex(), -1);
        QAbstractItemView* view = list->view();
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_EQ(list->currentIndex(), index);
    }

    QByteArray readMaster(qsizetype expected)
    {
        QByteArray bytes;
        (void)waitFor([&] {
            char chunk[256];
            for (ssize_t count; (count = ::read(m_master, chunk, sizeof chunk)) > 0;) bytes.append(chunk, count);
            return bytes.size() >= expected;
        });
        return bytes;
    }

    void writeMaster(const Bytes& bytes, std::size_t from, std::size_t to)
    {
        ASSERT_EQ(::write(m_master, bytes.data() + from, to - from), static_cast<ssize_t>(to - from));
    }

    void openPort()
    {
        pickPort(m_slavePath);
        EXPECT_TRUE(openPortBox()->isEnabled());
        openPortBox()->click();
        ASSERT_TRUE(openPortBox()->isChecked());
        const QByteArray sent = readMaster(9);
        ASSERT_EQ(sent, QByteArray(reinterpret_cast<const char*>(kReadFirmwareFrame.data()), 9));
    }

    int m_master = -1;
    QString m_slavePath;
    QString m_missingPath;
};

TEST_F(SerialWindowTest, OpeningAListedPortSendsReadFirmwareAndOpensTheSection)
{
    openPort();
    EXPECT_TRUE(panel()->isSectionExpanded());
    EXPECT_FALSE(connectBox()->isEnabled());
    EXPECT_FALSE(portList()->isEnabled());
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().contains("Inviato: </FONT> " + QString(kReadFirmwareDump)))
        << lines.first().toStdString();

    openPortBox()->click();
    EXPECT_FALSE(panel()->isSectionExpanded());
    EXPECT_TRUE(connectBox()->isEnabled());
    EXPECT_TRUE(portList()->isEnabled());
}

TEST_F(SerialWindowTest, FrameWrittenInPiecesIsLoggedOnce)
{
    openPort();
    const Bytes report = StatusReport(0, 21, 118);
    writeMaster(report, 0, 10);
    QTest::qWait(30);
    writeMaster(report, 10, 20);
    QTest::qWait(30);
    writeMaster(report, 20, report.size());
    ASSERT_TRUE(waitFor([this] { return logLines().size() >= 3; }));
    EXPECT_EQ(temperature(), QString::fromUtf8("+21°"));
    EXPECT_EQ(power(), "11.8V");
    // Past the idle time-out nothing more appears.
    QTest::qWait(600);
    EXPECT_EQ(logLines().size(), 3);
    EXPECT_FALSE(child<QTimer>("TIM_outRx")->isActive());
}

TEST_F(SerialWindowTest, DeviceGoneWhileOpenClosesThePortWithAnError)
{
    openPort();
    QString error;
    m_modals.expect(ClickBox(QMessageBox::Ok, &error));
    closeMaster();
    ASSERT_TRUE(waitFor([&] { return !error.isEmpty(); }));
    EXPECT_FALSE(openPortBox()->isChecked());
    EXPECT_FALSE(panel()->isSectionExpanded());
    EXPECT_TRUE(connectBox()->isEnabled());
    EXPECT_TRUE(portList()->isEnabled());

    // Nothing goes anywhere now: a command leaves the log as it was.
    const int lines = logLines().size();
    action("ACT_fw")->trigger();
    EXPECT_EQ(logLines().size(), lines);
}

TEST_F(SerialWindowTest, MissingDeviceShowsItsErrorAndRestoresTheControls)
{
    pickPort(m_missingPath);
    QString error;
    m_modals.expect(ClickBox(QMessageBox::Ok, &error));
    openPortBox()->click();
    EXPECT_EQ(error, "Specified device not found (" + m_missingPath + ").");
    EXPECT_FALSE(openPortBox()->isChecked());
    EXPECT_TRUE(portList()->isEnabled());
    EXPECT_TRUE(connectBox()->isEnabled());
    EXPECT_FALSE(panel()->isSectionExpanded());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(SerialWindowTest, WithBothLinksUpFramesGoToTheSerialPort)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    m_window.reset();
    openWindow(server.serverPort());
    address()->setText("127.0.0.1");
    connectBox()->click();
    ASSERT_TRUE(waitFor([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    ASSERT_TRUE(waitFor([&] { return peer->bytesAvailable() >= 14; }));
    EXPECT_EQ(peer->readAll(), "{AAEBAAAAAQ0K}");
    EXPECT_FALSE(openPortBox()->isEnabled());

    // Picking a port makes "Apri Comm" usable again even with "Connetti" ticked.
    openPort();
    EXPECT_FALSE(connectBox()->isEnabled());
    action("ACT_5leggiOra")->trigger();
    EXPECT_EQ(readMaster(9).at(1), 5);
    QTest::qWait(200);
    EXPECT_EQ(peer->bytesAvailable(), 0);
    EXPECT_TRUE(logLines().last().contains("Inviato: </FONT> 000501")) << logLines().last().toStdString();
}

TEST_F(SerialWindowTest, OpeningTheListAgainClearsTheSelection)
{
    pickPort(m_slavePath);
    const QStringList before = [this] {
        QStringList items;
        for (int item = 0; item < portList()->count(); ++item) items.append(portList()->itemText(item));
        return items;
    }();
    portList()->showPopup();
    EXPECT_EQ(portList()->currentIndex(), -1);
    EXPECT_EQ(portList()->count(), before.size());
    portList()->hidePopup();
    // Ticking with nothing selected does nothing but the tick.
    openPortBox()->click();
    EXPECT_TRUE(openPortBox()->isChecked());
    EXPECT_FALSE(panel()->isSectionExpanded());
    EXPECT_TRUE(connectBox()->isEnabled());
}

// --- settings and lifecycle ---

TEST_F(WindowTest, FirstRunShowsTheDefaults)
{
    openWindow();
    EXPECT_EQ(m_window->windowTitle(), "ORVEK utility for ZTB - ZTK  (Ver: 1.0.0.1)");
    EXPECT_EQ(m_window->size(), TForm1::kDesignClientSize);
    EXPECT_EQ(address()->text(), "192.168.0.100");
    EXPECT_EQ(portList()->currentIndex(), -1);
    EXPECT_FALSE(openPortBox()->isEnabled());
    EXPECT_FALSE(connectBox()->isChecked());
    EXPECT_FALSE(panel()->isSectionExpanded());
    EXPECT_TRUE(temperature().isEmpty());
    EXPECT_TRUE(firmwarePanel()->text().isEmpty());
    EXPECT_EQ(readerId()->text(), "1");
    EXPECT_FALSE(m_window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(child<QLabel>("clockPanel")->text().contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")));
}

TEST_F(WindowTest, ControlsKeepTheirAnchorsWhenTheWindowGrows)
{
    openWindow();
    m_window->resize(TForm1::kDesignClientSize + QSize(100, 50));
    EXPECT_EQ(child<TrafficLogView>("TRV_rx")->geometry(), QRect(8, 56, 906, 730));
    EXPECT_EQ(child<QPushButton>("Button1")->geometry(), QRect(272, 24, 233, 25));
    EXPECT_EQ(portList()->geometry(), QRect(696, 24, 218, 23));
    EXPECT_EQ(address()->geometry(), QRect(8, 24, 140, 23));
    EXPECT_EQ(panel()->geometry(), QRect(924, 0, 197, 790));
    EXPECT_EQ(child<QWidget>("HTMLStatusBar1")->geometry(), QRect(0, 790, 1121, 21));
}

TEST_F(WindowTest, StoredAddressPortAndPlacementComeBack)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    qputenv("ORVEK_SERIAL_PORTS", name);

    openWindow();
    address()->setText("10.0.0.7");
    QComboBox* list = portList();
    list->showPopup();
    const int index = list->findText(QString::fromLocal8Bit(name), Qt::MatchContains);
    ASSERT_GE(index, 0);
    list->view()->setCurrentIndex(list->view()->model()->index(index, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    const QString port = list->currentText();
    // The offscreen desktop is smaller than the window: the placement comes back clamped to its
    // top-left corner, as it was left.
    m_window->move(0, 0);
    m_window->resize(1100, 700);
    ASSERT_TRUE(waitFor([&] { return m_window->frameGeometry().topLeft() == QPoint(0, 0); }));
    const QRect placement = m_window->frameGeometry();
    closeWindow();

    const Settings stored;
    EXPECT_EQ(stored.ipAddress(), "10.0.0.7");
    EXPECT_EQ(stored.comm(), port);
    // The offscreen screen has 96 dpi: the outer size is stored as it is.
    ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    EXPECT_EQ(stored.placement(), (WindowPlacement{0, 0, placement.width(), placement.height(), false}));

    openWindow();
    EXPECT_EQ(address()->text(), "10.0.0.7");
    EXPECT_EQ(portList()->currentText(), port);
    EXPECT_TRUE(openPortBox()->isEnabled());
    EXPECT_FALSE(openPortBox()->isChecked());
    EXPECT_FALSE(connectBox()->isChecked());
    EXPECT_EQ(m_window->findChild<TcpLink*>()->state(), TcpLink::State::Closed);
    EXPECT_EQ(m_window->frameGeometry(), placement);

    m_window.reset();
    qunsetenv("ORVEK_SERIAL_PORTS");
    ::close(slave);
    ::close(master);
}

TEST_F(WindowTest, AbsentPortAndInvalidAddressFallBack)
{
    {
        Settings stored;
        stored.setComm("(/dev/orvek-gone) Porta virtuale");
        stored.setIpAddress("reader.example");
    }
    openWindow();
    EXPECT_EQ(address()->text(), "192.168.0.100");
    EXPECT_EQ(portList()->currentIndex(), -1);
    EXPECT_FALSE(openPortBox()->isEnabled());

    closeWindow();
    EXPECT_EQ(Settings().comm(), "");
}

TEST(ClampToDesktopTest, MovesThePlacementInsideTheDesktop)
{
    const QRect desktop(0, 0, 1920, 1080);
    struct Case {
        const char* name;
        QRect placement;
        QRect expected;
    };
    const Case cases[] = {
        {"inside", {100, 100, 1030, 700}, {100, 100, 1030, 700}},
        {"past the right edge", {1500, 100, 1030, 700}, {890, 100, 1030, 700}},
        {"past the bottom edge", {100, 900, 1030, 700}, {100, 380, 1030, 700}},
        {"left of and above", {-50, -20, 1030, 700}, {0, 0, 1030, 700}},
        {"wider than the desktop", {300, 0, 2000, 700}, {0, 0, 2000, 700}},
    };
    for (const Case& entry : cases) EXPECT_EQ(ClampToDesktop(entry.placement, desktop), entry.expected) << entry.name;
}

}  // namespace
}  // namespace orvek
