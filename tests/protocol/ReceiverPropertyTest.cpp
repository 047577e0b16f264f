#include "protocol/Envelope.h"
#include "protocol/Frame.h"
#include "protocol/SerialReceiver.h"
#include "protocol/TcpReceiver.h"
#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace orvek {
namespace {

using test::Bytes;

// Largest frame a TCP envelope may carry: base64 of it plus the braces fits the pending cap.
constexpr std::size_t kTcpFrameLimit = (TcpReceiver::kPendingCap - 2) / 4 * 3;

std::vector<std::uint8_t> KnownCodes()
{
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code) {
        if (ExpectedPayloadLength(static_cast<std::uint8_t>(code))) codes.push_back(static_cast<std::uint8_t>(code));
    }
    return codes;
}

bool HoldsCr(const Bytes& frame) { return std::find(frame.begin(), frame.end() - 2, 0x0D) != frame.end() - 2; }

// A valid reader frame of this code with a random payload. Over serial a frame of unchecked
// length ends at its first CR LF, so such frames carry no CR before their end there.
Bytes RandomFrame(std::mt19937& random, std::uint8_t code, std::size_t frameLimit, bool serial)
{
    const std::uint8_t fixed = *ExpectedPayloadLength(code);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> freeLength(0, std::min<std::size_t>(frameLimit - kFrameOverhead, 120));
    while (true) {
        Bytes payload(fixed != 0 ? fixed : freeLength(random));
        for (std::uint8_t& b : payload) b = static_cast<std::uint8_t>(byte(random));
        Bytes frame = test::ReaderFrame(code, static_cast<std::uint8_t>(byte(random)), payload);
        if (!(serial && fixed == 0 && HoldsCr(frame))) return frame;
    }
}

// Every known code at least once, then random ones, shuffled.
std::vector<Bytes> RandomFrames(std::mt19937& random, std::size_t frameLimit, bool serial)
{
    const std::vector<std::uint8_t> codes = KnownCodes();
    std::vector<Bytes> frames;
    for (std::uint8_t code : codes) frames.push_back(RandomFrame(random, code, frameLimit, serial));
    std::uniform_int_distribution<std::size_t> anyCode(0, codes.size() - 1);
    for (int i = 0; i < 100; ++i) frames.push_back(RandomFrame(random, codes[anyCode(random)], frameLimit, serial));
    std::shuffle(frames.begin(), frames.end(), random);
    return frames;
}

// Cuts [0, size) into reads of 1..maxRead bytes.
std::vector<std::size_t> RandomCuts(std::mt19937& random, std::size_t size, std::size_t maxRead)
{
    std::uniform_int_distribution<std::size_t> readSize(1, maxRead);
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < size; at += readSize(random)) cuts.push_back(at);
    cuts.push_back(size);
    return cuts;
}

void ExpectSound(const std::vector<ReceivedFrame>& frames, std::size_t frameLimit)
{
    for (const ReceivedFrame& frame : frames) {
        const Bytes& b = frame.bytes;
        ASSERT_GE(b.size(), kFrameOverhead);
        ASSERT_LE(b.size(), frameLimit);
        EXPECT_EQ(b.front(), kStartByte);
        EXPECT_EQ(b[b.size() - 2], 0x0D);
        EXPECT_EQ(b.back(), 0x0A);
        const std::optional<std::uint8_t> length = ExpectedPayloadLength(b[1]);
        ASSERT_TRUE(length) << "unknown code " << int{b[1]};
        if (*length != 0) {
            EXPECT_EQ(b.size(), *length + kFrameOverhead);
        }
        EXPECT_EQ(frame.sum, FrameSum(b, 1, b.size() - 7));
        EXPECT_EQ(frame.checksumField, ChecksumField(b));
    }
}

std::vector<Bytes> BytesOf(const std::vector<ReceivedFrame>& frames)
{
    std::vector<Bytes> bytes;
    for (const ReceivedFrame& frame : frames) bytes.push_back(frame.bytes);
    return bytes;
}

std::vector<ReceivedFrame> FeedSerial(const Bytes& stream, const std::vector<std::size_t>& cuts)
{
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        receiver.Feed(std::span<const std::uint8_t>(stream.data() + cuts[i], cuts[i + 1] - cuts[i]), accepted);
    }
    EXPECT_EQ(receiver.HeldBytes(), 0u);
    return accepted;
}

std::vector<ReceivedFrame> FeedTcp(const std::string& text, const std::vector<std::size_t>& cuts)
{
    TcpReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        receiver.Feed(std::string_view(text).substr(cuts[i], cuts[i + 1] - cuts[i]), accepted);
    }
    EXPECT_EQ(receiver.PendingBytes(), 0u);
    return accepted;
}

class ReceiverPropertyTest : public ::testing::TestWithParam<unsigned> {
protected:
    std::mt19937 m_random{GetParam()};
};

TEST_P(ReceiverPropertyTest, SerialStreamGivesTheSameFramesHoweverItIsRead)
{
    const std::vector<Bytes> frames = RandomFrames(m_random, kSerialFrameLimit, true);
    Bytes stream;
    for (const Bytes& frame : frames) stream.insert(stream.end(), frame.begin(), frame.end());

    const std::vector<ReceivedFrame> whole = FeedSerial(stream, {0, stream.size()});
    ExpectSound(whole, kSerialFrameLimit);
    ASSERT_EQ(BytesOf(whole), frames);
    for (std::size_t maxRead : {2u, 7u, 64u, 300u}) {
        const std::vector<ReceivedFrame> cut = FeedSerial(stream, RandomCuts(m_random, stream.size(), maxRead));
        ExpectSound(cut, kSerialFrameLimit);
        EXPECT_EQ(BytesOf(cut), frames) << "reads of up to " << maxRead << " bytes";
    }
}

TEST_P(ReceiverPropertyTest, SerialStrayBytesBetweenFramesLoseNoFrame)
{
    const std::vector<Bytes> frames = RandomFrames(m_random, kSerialFrameLimit, true);
    std::uniform_int_distribution<int> strayCount(0, 12);
    std::uniform_int_distribution<int> strayByte(1, 255);
    Bytes stream;
    for (const Bytes& frame : frames) {
        for (int n = strayCount(m_random); n > 0; --n) stream.push_back(static_cast<std::uint8_t>(strayByte(m_random)));
        stream.insert(stream.end(), frame.begin(), frame.end());
    }

    for (std::size_t maxRead : {1u, 5u, 90u, 1000u}) {
        const std::vector<ReceivedFrame> got = FeedSerial(stream, RandomCuts(m_random, stream.size(), maxRead));
        ExpectSound(got, kSerialFrameLimit);
        EXPECT_EQ(BytesOf(got), frames) << "reads of up to " << maxRead << " bytes";
    }
}

TEST_P(ReceiverPropertyTest, TcpEnvelopesGiveTheSameFramesHoweverTheyAreRead)
{
    const std::vector<Bytes> frames = RandomFrames(m_random, kTcpFrameLimit, false);
    std::string text;
    for (const Bytes& frame : frames) text += EncodeEnvelope(frame);

    const std::vector<ReceivedFrame> whole = FeedTcp(text, {0, text.size()});
    ExpectSound(whole, kTcpFrameLimit);
    ASSERT_EQ(BytesOf(whole), frames);
    for (std::size_t maxRead : {2u, 9u, 100u, 1500u}) {
        const std::vector<ReceivedFrame> cut = FeedTcp(text, RandomCuts(m_random, text.size(), maxRead));
        ExpectSound(cut, kTcpFrameLimit);
        EXPECT_EQ(BytesOf(cut), frames) << "reads of up to " << maxRead << " characters";
    }
}

TEST_P(ReceiverPropertyTest, TcpStrayTextBetweenEnvelopesLosesNoFrame)
{
    const std::vector<Bytes> frames = RandomFrames(m_random, kTcpFrameLimit, false);
    // Any character but the braces, CR LF and NUL included.
    std::uniform_int_distribution<int> strayCount(0, 20);
    std::uniform_int_distribution<int> strayChar(0, 255);
    std::string text;
    for (const Bytes& frame : frames) {
        for (int n = strayCount(m_random); n > 0;) {
            const char c = static_cast<char>(strayChar(m_random));
            if (c == '{' || c == '}') continue;
            text += c;
            --n;
        }
        text += EncodeEnvelope(frame);
    }

    for (std::size_t maxRead : {1u, 13u, 400u, 5000u}) {
        const std::vector<ReceivedFrame> got = FeedTcp(text, RandomCuts(m_random, text.size(), maxRead));
        ExpectSound(got, kTcpFrameLimit);
        EXPECT_EQ(BytesOf(got), frames) << "reads of up to " << maxRead << " characters";
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReceiverPropertyTest, ::testing::Values(1u, 42u, 2026u, 4140u, 99991u));

}  // namespace
}  // namespace orvek
