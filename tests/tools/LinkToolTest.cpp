#include "tests/tools/ToolRun.h"

#include "tools/SimulatorHost.h"
#include "tools/SimulatorOptions.h"

#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace orvek::test {
namespace {

using namespace std::chrono_literals;

enum class Link { Tcp, Pty };

std::string LinkName(Link link) { return link == Link::Tcp ? "Tcp" : "Pty"; }

// A simulated reader served in this process: the tools' event loops run it too.
class SimulatedReaderLink {
public:
    SimulatedReaderLink(Link link, const std::vector<std::string>& extraOptions = {})
    {
        std::vector<std::string> args = extraOptions;
        // Quiet unless a test asks for reports: the output is then the replies alone.
        for (const char* quiet : {"--status-every", "--passings-per-second"}) {
            if (std::find(args.begin(), args.end(), quiet) == args.end()) args.insert(args.end(), {quiet, "0"});
        }
        if (link == Link::Tcp) {
            args.insert(args.end(), {"--listen", "127.0.0.1:0"});
        } else {
            args.push_back("--pty");
        }
        auto options = ParseSimulatorOptions(args);
        m_host = std::make_unique<SimulatorHost>(std::get<SimulatorOptions>(options), m_announcements);
        const std::optional<std::string> error = m_host->start();
        EXPECT_FALSE(error) << *error;
        m_link = link == Link::Tcp ? std::vector<std::string>{"--tcp", "127.0.0.1:" + std::to_string(m_host->tcpPort())}
                                   : std::vector<std::string>{"--serial", m_host->ptyPath()};
    }

    // `orvek COMMAND --tcp/--serial ... args`
    ToolRun Run(const std::string& command, const std::vector<std::string>& args) const
    {
        std::vector<std::string> all{command};
        all.insert(all.end(), m_link.begin(), m_link.end());
        all.insert(all.end(), args.begin(), args.end());
        return RunTool(all);
    }

    std::string Announcements() const { return m_announcements.str(); }

private:
    std::ostringstream m_announcements;
    std::unique_ptr<SimulatorHost> m_host;
    std::vector<std::string> m_link;
};

// The printed lines with their verdicts taken off; a line whose checksum did not match
// keeps " (checksum wrong)".
std::vector<std::string> Lines(const std::string& out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const std::size_t ok = line.rfind(" CK ok (sum ");
        const std::size_t mismatch = line.rfind(" CK mismatch (field ");
        if (ok != std::string::npos) {
            lines.push_back(line.substr(0, ok));
        } else if (mismatch != std::string::npos) {
            lines.push_back(line.substr(0, mismatch) + " (checksum wrong)");
        } else {
            lines.push_back(line + " (no verdict)");
        }
    }
    return lines;
}

struct SendCase {
    std::string name;
    std::vector<std::string> args;
    std::vector<std::string> lines;  // a line ending in "..." is compared up to there
    int status;
};

std::string Done(const std::string& head) { return head + " ID(1)  Comando:Eseguito"; }

// clang-format off
const SendCase kSendCases[] = {
    {"Firmware", {"1"}, {"(1)Firmware ID(1)  Ver:\"ZTB Sim Ver: 7.02 build 2026\""}, 0},
    {"FreeMemory", {"2"}, {"(2)Memoria Libera ID(1)  Totale:100'000  Libera:100'000"}, 0},
    {"SetClock", {"3"}, {Done("(3)Imposta orario")}, 0},
    {"BeepWithCrLfInPayload", {"4", "Frequenza=3338"}, {Done("(4)Imposta Beep")}, 0},
    {"ReadClock", {"5"}, {"(5)Leggi orario ID(1)  data(aa-mm-gg):..."}, 0},
    {"SetReaderId", {"6", "Valore=1"}, {Done("(6)Imposta Identificativo")}, 0},
    {"ResetTimer", {"7"}, {Done("(7)Reset timer")}, 0},
    {"ResetMemory", {"8"}, {Done("(8)Reset memoria")}, 0},
    {"QueryPassings", {"9"}, {"(9)Interroga transiti ID(1)  Num:0  Prog.Da:0  Prog.A:0"}, 0},
    {"Resend", {"10"}, {"(10)Rimanda passaggio ID(1)  Fine procedura!"}, 0},
    {"AutomaticSending", {"11"}, {Done("(11)Invio automatico")}, 0},
    {"StopAutomaticSending", {"12"}, {Done("(12)Stop invio automatico")}, 0},
    {"Redundancies", {"13", "Ridondanze=10"}, {Done("(13)Imposta ridondanze")}, 0},
    {"ReleaseTime", {"14"}, {Done("(14)Imposta tempo rilascio")}, 0},
    {"StartSession", {"16"}, {Done("(16)Start sessione")}, 0},
    {"StopSession", {"17"}, {Done("(17)Stop sessione")}, 0},
    {"Photocell", {"18"}, {Done("(18)Imposta parametri fotocellula")}, 0},
    {"WorkingMode", {"19", "Tipo=1"}, {Done("(19)Imposta modalità")}, 0},
    {"ContactSending", {"20"}, {Done("(20)Imposta invio contatto transponder")}, 0},
    {"CacheCommitment", {"50"}, {Done("(50)Commitment cache")}, 0},
    {"Autostart", {"51", "Tipo=99"}, {Done("(51)Imposta autostart")}, 0},
    {"ManualPassingHasNoReplyTheConsoleReads", {"52", "--wait", "500"}, {"(80)PASS ID(1)  data(aa-mm-gg): ..."}, 1},
    {"SetSensitivity", {"53"}, {Done("(53)Imposta sensibilità")}, 0},
    {"ReadSensitivity", {"54"}, {"(54)Consulta sensibilità ID(1)  Booster:0  Livello:3"}, 0},
    {"Hardware", {"98", "Valore=123456789"}, {Done("(98)Configura hardware")}, 0},
    {"ErrorReplyIsAReply", {"13", "Ridondanze=50"},
     {"ERRORE!!  ID(1)  Comando:\"13\"  Tipo:5 Valore parametro fuori range  Parametro:1"}, 0},
    {"AnotherReaderIsSilent", {"--id", "2", "1", "--wait", "300"}, {}, 1},
};
// clang-format on

class SendToSimulator : public ::testing::TestWithParam<std::tuple<Link, SendCase>> {};

TEST_P(SendToSimulator, PrintsTheReplyTheConsoleWouldShow)
{
    const auto& [link, c] = GetParam();
    SimulatedReaderLink reader(link);
    const ToolRun run = reader.Run("send", c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), c.lines.size()) << run.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& expected = c.lines[i];
        if (expected.ends_with("...")) {
            EXPECT_TRUE(lines[i].starts_with(expected.substr(0, expected.size() - 3))) << lines[i];
        } else {
            EXPECT_EQ(lines[i], expected);
        }
    }
    if (c.status == 1) {
        EXPECT_TRUE(run.err.starts_with("orvek send: no reply to command ")) << run.err;
    } else {
        EXPECT_EQ(run.err, "");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, SendToSimulator,
                         ::testing::Combine(::testing::Values(Link::Tcp, Link::Pty), ::testing::ValuesIn(kSendCases)),
                         [](const auto& info) {
                             return LinkName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

class LinkScenario : public ::testing::TestWithParam<Link> {};

TEST_P(LinkScenario, StoredPassingsAreResentAs90)
{
    SimulatedReaderLink reader(GetParam());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reader.Run("send", {"52", "--wait", "300"}).status, 1);
    const ToolRun run = reader.Run("send", {"10", "Numero=0", "Tipo=1"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[i].starts_with("(90)PASS ID(1)")) << lines[i];
        EXPECT_NE(lines[i].find("  Prog:" + std::to_string(i + 1) + "  "), std::string::npos) << lines[i];
    }
    EXPECT_EQ(lines[3], "(10)Rimanda passaggio ID(1)  Fine procedura!");
}

TEST_P(LinkScenario, FaultyFramesStillArriveOrShowAsFaulty)
{
    SimulatedReaderLink noisy(GetParam(), {"--status-every", "0.1", "--split-envelopes", "--garbage", "1"});
    const ToolRun run = noisy.Run("monitor", {"--count", "3", "--for", "20"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    for (const std::string& line : lines) EXPECT_TRUE(line.starts_with("(81)Stato> ID(1)")) << line;

    SimulatedReaderLink corrupt(GetParam(), {"--status-every", "0.1", "--bad-checksum", "1"});
    const ToolRun bad = corrupt.Run("monitor", {"--count", "1", "--for", "20"});
    ASSERT_EQ(Lines(bad.out).size(), 1u) << bad.out;
    EXPECT_TRUE(Lines(bad.out)[0].ends_with(" (checksum wrong)")) << bad.out;
}

TEST_P(LinkScenario, FloodSendsEveryPassingInOrder)
{
    constexpr int kPassings = 300;
    SimulatedReaderLink reader(GetParam(), {"--flood", std::to_string(kPassings)});
    const ToolRun run = reader.Run("monitor", {"--count", std::to_string(kPassings), "--for", "60"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kPassings));
    for (int i = 0; i < kPassings; ++i) {
        EXPECT_NE(lines[i].find("  Prog:" + std::to_string(i + 1) + "  "), std::string::npos) << lines[i];
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return reader.Announcements().find("flood: 300 passings sent in ") != std::string::npos; }, 20000));
}

INSTANTIATE_TEST_SUITE_P(BothLinks, LinkScenario, ::testing::Values(Link::Tcp, Link::Pty),
                         [](const auto& info) { return LinkName(info.param); });

TEST(LinkToolTcp, CloseAfterEndsTheMonitor)
{
    SimulatedReaderLink reader(Link::Tcp, {"--status-every", "0.1", "--close-after", "2"});
    const ToolRun run = reader.Run("monitor", {"--for", "20"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
    EXPECT_EQ(run.err, "orvek monitor: the link closed\n");
}

TEST(LinkToolPty, CloseAfterReplacesTheDevice)
{
    SimulatedReaderLink reader(Link::Pty, {"--close-after", "1"});
    EXPECT_EQ(reader.Run("send", {"1"}).status, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.Announcements().find("pty ", 5) != std::string::npos; }, 20000));
}

TEST(LinkTool, LinkThatCannotOpenIsBadInput)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const std::string port = std::to_string(closed.serverPort());
    closed.close();

    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"send", "--tcp", "127.0.0.1:" + port, "1"},
         "orvek send: cannot connect to 127.0.0.1:" + port + " (refused or unreachable)\n"},
        {{"monitor", "--tcp", "127.0.0.1:" + port},
         "orvek monitor: cannot connect to 127.0.0.1:" + port + " (refused or unreachable)\n"},
        {{"send", "--serial", "/nonexistent/tty", "1"}, "orvek send: Specified device not found (/nonexistent/tty).\n"},
        {{"send", "1"}, "orvek send: give one of --tcp HOST[:PORT] and --serial PATH\n"},
        {{"send", "--tcp", "127.0.0.1:4140", "--serial", "/dev/null", "1"},
         "orvek send: give one of --tcp HOST[:PORT] and --serial PATH\n"},
        {{"send", "--tcp", "127.0.0.1:99999", "1"},
         "orvek send: bad port in '127.0.0.1:99999': expected a number from 1 to 65535\n"},
        {{"send", "--tcp", "127.0.0.1:" + port, "15"},
         "orvek send: there is no command 15 (commands: 1-14, 16-20, 50-54, 98)\n"},
        {{"send", "--tcp", "127.0.0.1:" + port, "--wait", "soon", "1"},
         "orvek send: bad --wait 'soon': expected milliseconds from 0 to 3600000\n"},
        {{"monitor", "--tcp", "127.0.0.1:" + port, "--count", "0"},
         "orvek monitor: bad --count '0': expected a whole number of frames, 1 or more\n"},
        {{"monitor", "--tcp", "127.0.0.1:" + port, "--for", "-1"},
         "orvek monitor: bad --for '-1': expected seconds, more than 0\n"},
        {{"monitor", "--tcp", "127.0.0.1:" + port, "--markup", "--log"},
         "orvek monitor: --markup and --log exclude each other\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.status, 2) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
}  // namespace orvek::test
