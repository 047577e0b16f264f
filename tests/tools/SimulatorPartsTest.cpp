#include "protocol/Envelope.h"
#include "protocol/SentFrame.h"
#include "protocol/TcpReceiver.h"
#include "tools/CommandFrameReader.h"
#include "tools/FaultInjector.h"
#include "tools/SimulatorOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek::test {
namespace {

using namespace std::chrono_literals;

FrameBytes ConsoleFrame(std::vector<std::uint8_t> message) { return BuildFrame(message, 1).bytes; }

// (4) with Frequenza 3338 = 0D 0A: a CR LF inside the payload.
const FrameBytes kBeepWithCrLf = ConsoleFrame({4, 0x0D, 0x0A, 0x00, 0x5A, 0x00, 0x64});
const FrameBytes kReadClock = ConsoleFrame({5});

TEST(SerialCommandReader, FramesCutAnywhereComeOutWhole)
{
    std::vector<std::uint8_t> stream{0xFF, 0x13};  // line noise before the first frame
    stream.insert(stream.end(), kBeepWithCrLf.begin(), kBeepWithCrLf.end());
    stream.insert(stream.end(), kReadClock.begin(), kReadClock.end());
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SerialCommandReader reader;
        std::vector<FrameBytes> frames;
        reader.Feed(std::span(stream).first(cut), frames);
        reader.Feed(std::span(stream).subspan(cut), frames);
        EXPECT_EQ(frames, (std::vector<FrameBytes>{kBeepWithCrLf, kReadClock})) << "cut at " << cut;
        EXPECT_FALSE(reader.Holding());
    }
}

TEST(SerialCommandReader, WrongLengthsAreHandedOutForTheReaderToRefuse)
{
    SerialCommandReader reader;
    std::vector<FrameBytes> frames;
    const FrameBytes tooLong = ConsoleFrame({5, 0});
    reader.Feed(tooLong, frames);
    EXPECT_EQ(frames, std::vector<FrameBytes>{tooLong});

    // (13) without its byte: its CR LF comes before the length is reached, so only the idle
    // time-out tells.
    frames.clear();
    const FrameBytes tooShort = ConsoleFrame({13});
    reader.Feed(tooShort, frames);
    EXPECT_TRUE(frames.empty());
    EXPECT_TRUE(reader.Holding());
    reader.TimeOut(frames);
    EXPECT_EQ(frames, std::vector<FrameBytes>{tooShort});
}

TEST(SerialCommandReader, BytesWithoutAnEndAreDropped)
{
    SerialCommandReader reader;
    std::vector<FrameBytes> frames;
    reader.Feed(std::vector<std::uint8_t>{0x00, 0x05, 0x01}, frames);
    reader.TimeOut(frames);
    EXPECT_TRUE(frames.empty());
    EXPECT_FALSE(reader.Holding());

    reader.Feed(std::vector<std::uint8_t>(SerialCommandReader::kLimit, 0x00), frames);
    EXPECT_FALSE(reader.Holding());
    reader.Feed(kReadClock, frames);
    EXPECT_EQ(frames, std::vector<FrameBytes>{kReadClock});
}

TEST(EnvelopeCommandReader, EnvelopesCutAnywhereComeOutWhole)
{
    const std::string text = "noise{" + EncodeEnvelope(kBeepWithCrLf).substr(1) + " {broken {" +
                             EncodeEnvelope(kReadClock).substr(1) + "tail";
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        EnvelopeCommandReader reader;
        std::vector<FrameBytes> frames;
        reader.Feed(std::string_view(text).substr(0, cut), frames);
        reader.Feed(std::string_view(text).substr(cut), frames);
        EXPECT_EQ(frames, (std::vector<FrameBytes>{kBeepWithCrLf, kReadClock})) << "cut at " << cut;
    }
}

TEST(EnvelopeCommandReader, OversizedEnvelopeIsDropped)
{
    EnvelopeCommandReader reader;
    std::vector<FrameBytes> frames;
    reader.Feed("{" + std::string(EnvelopeCommandReader::kLimit + 1, 'A') + "}" + EncodeEnvelope(kReadClock), frames);
    EXPECT_EQ(frames, std::vector<FrameBytes>{kReadClock});
}

const FrameBytes kReply{0x00, 0xFF, 0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x01, 0x06, 0x0D, 0x0A};

std::vector<ReceivedFrame> ConsoleReceives(const std::vector<std::string>& writes)
{
    TcpReceiver receiver;
    std::vector<ReceivedFrame> frames;
    for (const std::string& write : writes) receiver.Feed(write, frames);
    return frames;
}

TEST(FaultInjector, NoFaultsIsOneWrite)
{
    FaultInjector faults({}, 1);
    EXPECT_EQ(faults.Writes(kReply, LinkEncoding::Envelopes), std::vector<std::string>{EncodeEnvelope(kReply)});
    EXPECT_EQ(faults.Writes(kReply, LinkEncoding::RawBytes),
              std::vector<std::string>{std::string(kReply.begin(), kReply.end())});
}

TEST(FaultInjector, SplitFramesAreTwoWritesOfTheSameText)
{
    FaultInjector faults({.splitFrames = true}, 1);
    const std::vector<std::string> writes = faults.Writes(kReply, LinkEncoding::Envelopes);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0] + writes[1], EncodeEnvelope(kReply));
    const std::vector<ReceivedFrame> frames = ConsoleReceives(writes);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, kReply);
}

TEST(FaultInjector, BadChecksumIsSeenAsMismatch)
{
    FaultInjector faults({.badChecksumRate = 1}, 1);
    const std::vector<ReceivedFrame> frames = ConsoleReceives(faults.Writes(kReply, LinkEncoding::Envelopes));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_FALSE(frames[0].ChecksumMatches());
    EXPECT_EQ(frames[0].bytes.size(), kReply.size());
}

TEST(FaultInjector, GarbageComesBeforeTheFrame)
{
    FaultInjector faults({.garbageRate = 1}, 7);
    for (int i = 0; i < 20; ++i) {
        const std::vector<std::string> envelope = faults.Writes(kReply, LinkEncoding::Envelopes);
        ASSERT_EQ(envelope.size(), 1u);
        EXPECT_GT(envelope[0].size(), EncodeEnvelope(kReply).size());
        const std::vector<ReceivedFrame> frames = ConsoleReceives(envelope);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].bytes, kReply);

        const std::string raw = faults.Writes(kReply, LinkEncoding::RawBytes)[0];
        const std::size_t noise = raw.size() - kReply.size();
        EXPECT_GE(noise, 1u);
        EXPECT_LE(noise, 4u);
        EXPECT_EQ(raw.substr(noise), std::string(kReply.begin(), kReply.end()));
    }
}

struct OptionsCase {
    std::string name;
    std::vector<std::string> args;
    std::string error;  // empty: parses
};

std::ostream& operator<<(std::ostream& os, const OptionsCase& c) { return os << c.name; }

class SimulatorOptionsErrors : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(SimulatorOptionsErrors, NameWhatIsWrong)
{
    auto parsed = ParseSimulatorOptions(GetParam().args);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    EXPECT_EQ(std::get<std::string>(parsed), GetParam().error);
}

// clang-format off
const OptionsCase kBadOptions[] = {
    {"Unknown", {"--fast"}, "unknown option --fast"},
    {"Positional", {"4140"}, "unexpected argument '4140'"},
    {"ListenWithoutPort", {"--listen", "127.0.0.1"}, "bad --listen '127.0.0.1': expected ADDR:PORT, e.g. 127.0.0.1:4140"},
    {"ListenBadPort", {"--listen", "127.0.0.1:70000"}, "bad --listen '127.0.0.1:70000': expected ADDR:PORT, e.g. 127.0.0.1:4140"},
    {"IdTooLarge", {"--id", "256"}, "bad --id '256': expected a reader ID from 0 to 255"},
    {"FirmwareTooLong", {"--firmware", std::string(72, 'x')}, "bad --firmware: at most 71 characters, no zero byte"},
    {"StatusNegative", {"--status-every", "-1"}, "bad --status-every '-1': expected seconds from 0 to 86400"},
    {"RateNotANumber", {"--passings-per-second", "fast"}, "bad --passings-per-second 'fast': expected a rate from 0 to 1000"},
    {"GarbageAboveOne", {"--garbage", "1.5"}, "bad --garbage '1.5': expected a rate from 0 to 1"},
    {"BadChecksumMissing", {"--bad-checksum"}, "option --bad-checksum needs a value"},
    {"CloseAfterZero", {"--close-after", "0"}, "bad --close-after '0': expected a number of frames, 1 or more"},
    {"FloodZero", {"--flood", "0"}, "bad --flood '0': expected a number of passings from 1 to 100000000"},
    {"SplitWithValue", {"--split-envelopes=yes"}, "option --split-envelopes takes no value"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Bad, SimulatorOptionsErrors, ::testing::ValuesIn(kBadOptions),
                         [](const auto& info) { return info.param.name; });

TEST(SimulatorOptions, DefaultsServeLoopbackTcp)
{
    const SimulatorOptions options = std::get<SimulatorOptions>(ParseSimulatorOptions({}));
    EXPECT_TRUE(options.listen);
    EXPECT_EQ(options.listenAddress, "127.0.0.1");
    EXPECT_EQ(options.listenPort, 4140);
    EXPECT_FALSE(options.pty);
    EXPECT_EQ(options.reader.id, 1);
    EXPECT_EQ(options.reader.firmware, "ZTB Sim Ver: 7.02 build 2026");
    EXPECT_EQ(options.reader.statusEvery, 5000ms);
}

TEST(SimulatorOptions, PtyAloneServesNoTcpAndLinkImpliesPty)
{
    const std::vector<std::string> args{"--link",  "/tmp/reader", "--status-every", "0.5", "--garbage=0.25",
                                        "--flood", "10"};
    const SimulatorOptions linked = std::get<SimulatorOptions>(ParseSimulatorOptions(args));
    EXPECT_TRUE(linked.pty);
    EXPECT_FALSE(linked.listen);
    EXPECT_EQ(linked.linkPath, "/tmp/reader");
    EXPECT_EQ(linked.reader.statusEvery, 500ms);
    EXPECT_DOUBLE_EQ(linked.faults.garbageRate, 0.25);
    EXPECT_EQ(linked.flood, 10u);

    const std::vector<std::string> both{"--pty", "--listen", "127.0.0.1:0"};
    const SimulatorOptions served = std::get<SimulatorOptions>(ParseSimulatorOptions(both));
    EXPECT_TRUE(served.pty);
    EXPECT_TRUE(served.listen);
    EXPECT_EQ(served.listenPort, 0);
}

}  // namespace
}  // namespace orvek::test
