#include "tests/e2e/SimulatorFixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orvek::test {
namespace {

// Where the progressive numbers seen break their run of one more each time; empty when none.
std::vector<std::int64_t> GapsAfter(const std::vector<std::int64_t>& progressives)
{
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < progressives.size(); ++i) {
        if (progressives[i] != progressives[i - 1] + 1) gaps.push_back(progressives[i - 1]);
    }
    return gaps;
}

struct FaultCase {
    const char* name;
    Link link;
    QStringList faults;
    bool checksumsSpoiled;
};

void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.name; }

// Serial noise is left out: random bytes on a raw line may, rarely, open a frame that swallows
// the next one, which no receiver can tell from a real frame.
const FaultCase kFaultCases[] = {
    {"split_tcp", Link::Tcp, {"--split-envelopes"}, false},
    {"garbage_tcp", Link::Tcp, {"--garbage", "0.5"}, false},
    {"bad_checksum_tcp", Link::Tcp, {"--bad-checksum", "0.4"}, true},
    {"every_fault_tcp", Link::Tcp, {"--split-envelopes", "--garbage", "0.5", "--bad-checksum", "0.4"}, true},
    {"split_pty", Link::Pty, {"--split-envelopes"}, false},
    {"bad_checksum_pty", Link::Pty, {"--bad-checksum", "0.4"}, true},
};

// Passings arrive at this rate; enough of them to meet every fault many times.
const QStringList kBusyReader{"--passings-per-second", "25", "--status-every", "1"};
constexpr std::size_t kPassingsWanted = 60;

class FaultTest : public SimulatorFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, NoPassingIsLostAndEveryFrameIsDecoded)
{
    const FaultCase& fault = GetParam();
    StartAndConnect(fault.link, QStringList(kBusyReader) << fault.faults);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->passingProgressives().size() >= kPassingsWanted; }, 60000))
        << m_console->passingProgressives().size() << " passings logged";
    ASSERT_TRUE(WaitForDecoded(0, "(1)Firmware ID(1)").has_value());
    ASSERT_TRUE(WaitForDecoded(0, "(81)Stato> ID(1)").has_value());

    // Passings made before the link came up may never reach the console; from the first one
    // logged on, each follows the one before.
    const std::vector<std::int64_t> progressives = m_console->passingProgressives();
    EXPECT_TRUE(GapsAfter(progressives).empty())
        << "passings lost after " << ::testing::PrintToString(GapsAfter(progressives));

    int red = 0;
    int green = 0;
    for (int row = 0; row < m_console->rowCount(); ++row) {
        if (m_console->level(row) != 1) continue;
        const QString line = m_console->markup(row);
        // Every frame that arrived is decoded, spoiled checksum or not: an undecoded one would
        // show its CK alone.
        EXPECT_FALSE(m_console->plainText(row).startsWith(" CK(")) << line.toStdString();
        red += HasRedChecksum(line);
        green += HasGreenChecksum(line);
    }
    EXPECT_GT(green, 0);
    if (fault.checksumsSpoiled)
        EXPECT_GT(red, 0);
    else
        EXPECT_EQ(red, 0);
    EXPECT_TRUE(m_console->isConnected() || m_console->isPortOpen());
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

class FloodTest : public SimulatorFixture {};

TEST_F(FloodTest, EveryPassingOfAHundredThousandIsLogged)
{
    constexpr std::int64_t kFlood = 100000;
    StartAndConnect(Link::Tcp,
                    {"--flood", QString::number(kFlood), "--passings-per-second", "0", "--status-every", "0"});
    ASSERT_FALSE(HasFatalFailure());
    // Correctness under load, not speed: the wait is as long as a loaded machine may need.
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_simulator.output().contains("flood: "); }, 240000))
        << m_simulator.output().toStdString();
    EXPECT_TRUE(m_simulator.output().contains(QString("flood: %1 passings sent in ").arg(kFlood)))
        << m_simulator.output().toStdString();
    // Besides the passings: (1) sent and its reply.
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_console->frameCount() >= kFlood + 2; }, 120000))
        << m_console->frameCount() << " frames logged";

    const std::vector<std::int64_t> progressives = m_console->passingProgressives();
    ASSERT_EQ(progressives.size(), static_cast<std::size_t>(kFlood));
    EXPECT_EQ(progressives.front(), 1);
    EXPECT_EQ(progressives.back(), kFlood);
    EXPECT_TRUE(GapsAfter(progressives).empty())
        << "passings lost after " << ::testing::PrintToString(GapsAfter(progressives));
    EXPECT_TRUE(WaitForDecoded(0, "(1)Firmware ID(1)").has_value());
    EXPECT_TRUE(m_console->isConnected());
}

}  // namespace
}  // namespace orvek::test
