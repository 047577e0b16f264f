#include "tests/e2e/SimulatorFixture.h"

#include <QAction>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace orvek::test {
namespace {

// The simulator's firmware text and the panel that shows it.
constexpr char kFirmwarePanel[] = "FIRMWARE:  \"ZTB Sim Ver: 7.02 build 2026\"";

// A reader left quiet, so that every line after a command belongs to it.
const QStringList kQuietReader{"--status-every", "0", "--passings-per-second", "0"};

enum class Answer { None, DialogDefaults, ConfirmYes };

struct CommandCase {
    const char* action;
    Answer answer;
    const char* reply;  // how the decoded line of the reader's answer starts
    const char* also;   // and what it says
};

// The commands that a reader of major version 7 takes, in the panel's order, each with the
// defaults of its dialog. The simulated reader checks the ranges its dialogs state, so an
// "Eseguito" also tells that the defaults reached it whole. (8) empties the memory before
// (10) resends from it; (52) is answered with the passing it makes.
const CommandCase kCommands[] = {
    {"ACT_fw", Answer::None, "(1)Firmware ID(1)", "Ver:\"ZTB Sim Ver: 7.02 build 2026\""},
    {"ACT_memFree", Answer::None, "(2)Memoria Libera ID(1)", "Totale:100'000  Libera:100'000"},
    {"ACT_setClock", Answer::None, "(3)Imposta orario ID(1)", "Comando:Eseguito"},
    {"ACT_setBeep", Answer::DialogDefaults, "(4)Imposta Beep ID(1)", "Comando:Eseguito"},
    {"ACT_5leggiOra", Answer::None, "(5)Leggi orario ID(1)", "ora(hh.mm.ss):"},
    {"ACT_6setId", Answer::DialogDefaults, "(6)Imposta Identificativo ID(1)", "Comando:Eseguito"},
    {"ACT_7resetTimer", Answer::None, "(7)Reset timer ID(1)", "Comando:Eseguito"},
    {"ACT_8resetMem", Answer::ConfirmYes, "(8)Reset memoria ID(1)", "Comando:Eseguito"},
    {"ACT_9readTrans", Answer::None, "(9)Interroga transiti ID(1)", "Num:0"},
    {"ACT_10rimandaPass", Answer::DialogDefaults, "(10)Rimanda passaggio ID(1)", "Fine procedura!"},
    {"ACT_13setRidond", Answer::DialogDefaults, "(13)Imposta ridondanze ID(1)", "Comando:Eseguito"},
    {"ACT_14setRilascio", Answer::DialogDefaults, "(14)Imposta tempo rilascio ID(1)", "Comando:Eseguito"},
    {"ACT_18paramFC", Answer::DialogDefaults, "(18)Imposta parametri fotocellula ID(1)", "Comando:Eseguito"},
    {"ACT_19modalita", Answer::DialogDefaults, "(19)Imposta modalità ID(1)", "Comando:Eseguito"},
    {"ACT_20pcbeep", Answer::DialogDefaults, "(20)Imposta invio contatto transponder ID(1)", "Comando:Eseguito"},
    {"ACT_52manuale", Answer::None, "(80)PASS ID(1)", "Prog:1"},
    {"ACT_53setSens", Answer::DialogDefaults, "(53)Imposta sensibilità ID(1)", "Comando:Eseguito"},
    {"ACT_54leggiSens", Answer::None, "(54)Consulta sensibilità ID(1)", "Booster:0  Livello:3"},
    {"ACT_98setHw", Answer::DialogDefaults, "(98)Configura hardware ID(1)", "Comando:Eseguito"},
};

// Taken by readers up to major version 6 only.
const char* const kOlderFirmwareCommands[] = {"ACT_11autoInvio", "ACT_12stopInvio", "ACT_16start",
                                              "ACT_17stopSess",  "ACT_50cache",     "ACT_51autostart"};

class LinkTest : public SimulatorFixture, public ::testing::WithParamInterface<Link> {};

TEST_P(LinkTest, LinkUpReadsTheFirmwareAndEveryCommandGetsItsReply)
{
    StartAndConnect(GetParam(), kQuietReader);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(m_console->isCommandSectionExpanded());

    // The first line is (1), sent by the link coming up; its reply sets the panel and commands.
    ASSERT_TRUE(WaitForDecoded(0, "(1)Firmware ID(1)").has_value());
    ASSERT_GT(m_console->rowCount(), 0);
    EXPECT_TRUE(IsSentCommandLine(m_console->markup(0), 1)) << m_console->markup(0).toStdString();
    EXPECT_EQ(m_console->firmwarePanelText(), kFirmwarePanel);
    EXPECT_TRUE(m_console->action("ACT_20pcbeep")->isEnabled());
    for (const char* name : kOlderFirmwareCommands) EXPECT_FALSE(m_console->action(name)->isEnabled()) << name;

    for (const CommandCase& command : kCommands) {
        SCOPED_TRACE(command.action);
        QAction* action = m_console->action(command.action);
        ASSERT_TRUE(action->isEnabled());
        if (command.answer == Answer::DialogDefaults) m_modals.expect(AcceptDefaults());
        if (command.answer == Answer::ConfirmYes) m_modals.expect(ConfirmYes());
        const int before = m_console->rowCount();
        action->trigger();

        const auto sent = m_console->findLine(before, 0, [](const QString& line) { return line.contains("Inviato:"); });
        ASSERT_TRUE(sent.has_value()) << "nothing was sent";
        const auto code = static_cast<std::uint8_t>(action->data().toInt());
        EXPECT_TRUE(IsSentCommandLine(m_console->markup(*sent), code)) << m_console->markup(*sent).toStdString();
        const std::optional<int> reply = WaitForDecoded(*sent, command.reply, {command.also});
        ASSERT_TRUE(reply.has_value()) << "no \"" << command.reply << "\" line with \"" << command.also << "\"";
        EXPECT_TRUE(HasGreenChecksum(m_console->markup(*reply))) << m_console->markup(*reply).toStdString();
    }
    EXPECT_TRUE(m_modals.allAnswered());
    EXPECT_FALSE(m_console->findLine(0, 1, [](const QString& line) { return line.startsWith("ERRORE!!"); }).has_value())
        << "the reader refused a command";
}

TEST_P(LinkTest, StatusReportSetsTemperatureAndPower)
{
    StartAndConnect(GetParam(), {"--status-every", "1", "--passings-per-second", "0"});
    ASSERT_FALSE(HasFatalFailure());
    const std::optional<int> first = WaitForDecoded(0, "(81)Stato> ID(1)");
    ASSERT_TRUE(first.has_value());
    // A second report, to see the read-outs follow the latest one.
    const std::optional<int> latest = WaitForDecoded(*first + 1, "(81)Stato> ID(1)");
    ASSERT_TRUE(latest.has_value());

    static const QRegularExpression fields("Volt:([0-9]+\\.[0-9])  Temp\\.Int:([+-][0-9]+)  Antenna:");
    int last = m_console->rowCount() - 1;
    while (last > *latest && !(m_console->level(last) == 1 && m_console->plainText(last).startsWith("(81)Stato>")))
        --last;
    const QString line = m_console->plainText(last);
    const QRegularExpressionMatch match = fields.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    EXPECT_EQ(m_console->temperature(), match.captured(2) + QString::fromUtf8("°"));
    EXPECT_EQ(m_console->power(), match.captured(1) + "V");
}

INSTANTIATE_TEST_SUITE_P(Links, LinkTest, ::testing::Values(Link::Tcp, Link::Pty),
                         [](const auto& info) { return std::string(LinkName(info.param)); });

class ReconnectTest : public SimulatorFixture {};

TEST_F(ReconnectTest, SimulatorStartedAgainOnTheSamePortIsReconnectedAndAskedForItsFirmware)
{
    StartAndConnect(Link::Tcp, kQuietReader);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(WaitForDecoded(0, "(1)Firmware ID(1)").has_value());
    const quint16 port = m_simulator.tcpPort();

    m_simulator.stop();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_console->isConnected(); }, kWaitMs));
    const int rowsBefore = m_console->rowCount();

    ASSERT_TRUE(m_simulator.start(QStringList(kQuietReader) << "--listen" << QString("127.0.0.1:%1").arg(port)))
        << m_simulator.failure().toStdString();
    QElapsedTimer sinceRestart;
    sinceRestart.start();
    // The console retries every 2 s; the rest is slack for a loaded machine.
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->isConnected(); }, 6000))
        << "not reconnected within " << sinceRestart.elapsed() << " ms";

    ASSERT_TRUE(QTest::qWaitFor([&] { return m_console->rowCount() > rowsBefore; }, kWaitMs));
    EXPECT_TRUE(IsSentCommandLine(m_console->markup(rowsBefore), 1)) << m_console->markup(rowsBefore).toStdString();
    EXPECT_TRUE(WaitForDecoded(rowsBefore, "(1)Firmware ID(1)").has_value());
    EXPECT_EQ(m_console->firmwarePanelText(), kFirmwarePanel);
}

}  // namespace
}  // namespace orvek::test
