#include "protocol/Envelope.h"
#include "tests/e2e/SimulatorFixture.h"
#include "tests/protocol/TestFrames.h"

#include <QAction>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace orvek::test {
namespace {

// The console retries every 2 s; a loaded machine may take several times that.
constexpr int kReconnectMs = 20000;
constexpr int kCommandMs = 20000;

int SentFirmwareQueries(ConsoleDriver& console)
{
    int count = 0;
    for (int row = 0; row < console.rowCount(); ++row)
        count += console.level(row) == 0 && IsSentCommandLine(console.markup(row), 1);
    return count;
}

// Every received frame logged was decoded with its checksum matching.
void ExpectEveryFrameDecodedGreen(ConsoleDriver& console)
{
    for (int row = 0; row < console.rowCount(); ++row) {
        if (console.level(row) != 1) continue;
        EXPECT_FALSE(console.plainText(row).startsWith(" CK(")) << console.markup(row).toStdString();
        EXPECT_TRUE(HasGreenChecksum(console.markup(row))) << console.markup(row).toStdString();
    }
}

// The whole log, for a failure message.
std::string Log(ConsoleDriver& console)
{
    std::string log;
    for (int row = 0; row < console.rowCount(); ++row) log += "\n" + console.markup(row).toStdString();
    return log;
}

void ExpectStrictlyRising(const std::vector<std::int64_t>& progressives)
{
    for (std::size_t i = 1; i < progressives.size(); ++i)
        EXPECT_LT(progressives[i - 1], progressives[i]) << "passing " << progressives[i] << " logged out of order";
}

// Triggers a command that needs no dialog and waits for its "Inviato" line.
void ExpectCommandSent(ConsoleDriver& console, const char* actionName)
{
    QAction* action = console.action(actionName);
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());
    const int before = console.rowCount();
    action->trigger();
    const auto code = static_cast<std::uint8_t>(action->data().toInt());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return console.findLine(before, 0, [](const QString& line) { return line.contains("Inviato:"); })
                .has_value();
        },
        kCommandMs));
    const auto sent = console.findLine(before, 0, [](const QString& line) { return line.contains("Inviato:"); });
    EXPECT_TRUE(IsSentCommandLine(console.markup(*sent), code)) << console.markup(*sent).toStdString();
}

class LinkDropTest : public SimulatorFixture {};

TEST_F(LinkDropTest, ReaderClosingEveryFewFramesIsReconnectedAndQueriedAgain)
{
    // Each connection carries the reply to (1) and four passings, then the reader closes it.
    StartAndConnect(Link::Tcp, {"--close-after", "5", "--passings-per-second", "10", "--status-every", "0"});
    ASSERT_FALSE(HasFatalFailure());
    constexpr int kConnections = 4;
    ASSERT_TRUE(QTest::qWaitFor([this] { return SentFirmwareQueries(*m_console) >= kConnections; },
                                kConnections * kReconnectMs))
        << SentFirmwareQueries(*m_console) << " connections";
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->isConnected(); }, kReconnectMs));
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->passingProgressives().size() >= 8; }, kReconnectMs));

    ExpectStrictlyRising(m_console->passingProgressives());
    ExpectEveryFrameDecodedGreen(*m_console);
    EXPECT_TRUE(WaitForDecoded(0, "(1)Firmware ID(1)").has_value());
}

TEST_F(LinkDropTest, ReaderKilledAndRestartedOnTheSamePortIsReconnected)
{
    StartAndConnect(Link::Tcp, {"--passings-per-second", "0", "--status-every", "0"});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(WaitForDecoded(0, "(1)Firmware ID(1)").has_value());
    const quint16 port = m_simulator.tcpPort();

    m_simulator.kill();
    ASSERT_FALSE(m_simulator.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_console->isConnected(); }, kWaitMs));
    const int afterCrash = m_console->rowCount();

    ASSERT_TRUE(m_simulator.start(
        {"--passings-per-second", "0", "--status-every", "0", "--listen", QString("127.0.0.1:%1").arg(port)}))
        << m_simulator.failure().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->isConnected(); }, kReconnectMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentFirmwareQueries(*m_console) >= 2; }, kWaitMs));
    EXPECT_TRUE(WaitForDecoded(afterCrash, "(1)Firmware ID(1)").has_value());
    ExpectCommandSent(*m_console, "ACT_9readTrans");
    EXPECT_TRUE(WaitForDecoded(afterCrash, "(9)Interroga transiti ID(1)").has_value());
}

// The command frames of the "{...}" envelopes completed in pending, which keeps the text of an
// envelope not yet closed. (The console's receiver takes reader codes only, not commands.)
std::vector<Bytes> TakeCommandFrames(QByteArray& pending)
{
    std::vector<Bytes> frames;
    qsizetype close = 0;
    while ((close = pending.indexOf('}')) >= 0) {
        const qsizetype open = pending.lastIndexOf('{', close);
        if (open >= 0) {
            const std::string_view text(pending.constData() + open + 1, static_cast<std::size_t>(close - open - 1));
            Bytes frame(DecodedCapacity(text));
            frame.resize(DecodeEnvelope(text, frame));
            if (!frame.empty()) frames.push_back(std::move(frame));
        }
        pending.remove(0, close + 1);
    }
    return frames;
}

// A reader played by the test on 127.0.0.1: it accepts connections and hands the command
// frames each one sends to onFrame.
class ScriptedReader {
public:
    using OnFrame = std::function<void(QTcpSocket&, const Bytes&)>;

    explicit ScriptedReader(OnFrame onFrame) : m_onFrame(std::move(onFrame))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto pending = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
                    pending->append(socket->readAll());
                    for (const Bytes& frame : TakeCommandFrames(*pending)) m_onFrame(*socket, frame);
                });
                ++m_connections;
            }
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }

private:
    QTcpServer m_server;
    OnFrame m_onFrame;
    int m_connections = 0;
};

class ScriptedReaderTest : public SimulatorFixture {
protected:
    void Connect(ScriptedReader& reader)
    {
        ASSERT_TRUE(reader.listen());
        m_console = std::make_unique<ConsoleDriver>(reader.port());
        m_panelBefore = m_console->firmwarePanelText();
        for (const char* name : {"ACT_11autoInvio", "ACT_20pcbeep", "ACT_50cache", "ACT_51autostart"})
            m_enabledBefore[name] = m_console->action(name)->isEnabled();
        m_console->tickConnect();
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->isConnected(); }, kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return reader.connections() == 1; }, kWaitMs));
    }

    // What the firmware reply would change, as it was before the link came up.
    QString m_panelBefore;
    std::map<QString, bool> m_enabledBefore;
};

TEST_F(ScriptedReaderTest, SilentReaderKeepsTheLinkUpAndCommandsGoOut)
{
    ScriptedReader reader([](QTcpSocket&, const Bytes&) {});
    Connect(reader);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(QTest::qWaitFor([this] { return SentFirmwareQueries(*m_console) == 1; }, kWaitMs));

    ExpectCommandSent(*m_console, "ACT_9readTrans");
    // The silence is long enough for a keep-alive probe, which the peer's kernel answers.
    QTest::qWait(7000);
    EXPECT_TRUE(m_console->isConnected());
    EXPECT_EQ(reader.connections(), 1) << "the console reconnected to a silent reader";
    EXPECT_EQ(SentFirmwareQueries(*m_console), 1);
    EXPECT_FALSE(m_console->findLine(0, 1, [](const QString&) { return true; }).has_value())
        << "a reply was logged from a reader that sent nothing";
}

TEST_F(ScriptedReaderTest, ErrorReplyToEveryCommandIsLoggedAndAppliesNothing)
{
    std::vector<std::uint8_t> refused;
    ScriptedReader reader([&](QTcpSocket& socket, const Bytes& frame) {
        if (frame.size() < 2) return;
        const std::uint8_t code = frame[1];
        refused.push_back(code);
        // Command code, error type 1, parameter 0; the reader's plain-sum checksum.
        socket.write(QByteArray::fromStdString(EncodeEnvelope(ReaderFrame(0xFF, 1, {code, 1, 0}))));
    });

    Connect(reader);
    ASSERT_FALSE(HasFatalFailure());

    const auto errorLine = [this](int fromRow, int code) -> std::optional<int> {
        const QString wanted = QString("ERRORE!!  ID(1)  Comando:<B>\"%1\"</B>").arg(code);
        for (int row = fromRow; row < m_console->rowCount(); ++row)
            if (m_console->level(row) == 1 && m_console->markup(row).contains(wanted)) return row;
        return std::nullopt;
    };
    std::optional<int> refusedQuery;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (refusedQuery = errorLine(0, 1)).has_value(); }, kWaitMs))
        << Log(*m_console);
    EXPECT_TRUE(HasGreenChecksum(m_console->markup(*refusedQuery))) << m_console->markup(*refusedQuery).toStdString();

    const int beforeCommand = m_console->rowCount();
    ExpectCommandSent(*m_console, "ACT_9readTrans");
    std::optional<int> refusedCommand;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (refusedCommand = errorLine(beforeCommand, 9)).has_value(); }, kWaitMs));
    EXPECT_TRUE(HasGreenChecksum(m_console->markup(*refusedCommand)))
        << m_console->markup(*refusedCommand).toStdString();

    EXPECT_EQ(refused, (std::vector<std::uint8_t>{1, 9}));
    EXPECT_EQ(m_console->firmwarePanelText(), m_panelBefore);
    for (const auto& [name, enabled] : m_enabledBefore)
        EXPECT_EQ(m_console->action(name)->isEnabled(), enabled) << name.toStdString();
    EXPECT_TRUE(m_console->isConnected());
}

}  // namespace
}  // namespace orvek::test
