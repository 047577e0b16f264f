#include "protocol/TcpReceiver.h"

#include "protocol/Envelope.h"
#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace orvek {
namespace {

using test::Bytes;
using test::Join;

std::vector<Bytes> BytesOf(const std::vector<ReceivedFrame>& frames)
{
    std::vector<Bytes> bytes;
    for (const ReceivedFrame& frame : frames) bytes.push_back(frame.bytes);
    return bytes;
}

std::vector<Bytes> FeedInReads(std::string_view text, std::size_t readSize)
{
    TcpReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    for (std::size_t at = 0; at < text.size(); at += readSize) receiver.Feed(text.substr(at, readSize), accepted);
    EXPECT_EQ(receiver.PendingBytes(), 0u);
    return BytesOf(accepted);
}

std::string Envelopes(const std::vector<Bytes>& frames)
{
    std::string text;
    for (const Bytes& frame : frames) text += EncodeEnvelope(frame);
    return text;
}

// Firmware text whose sum is 0x0D0A, so its checksum field ends in CR LF too.
Bytes FirmwareWithCrLfInField()
{
    Bytes payload(49, 'A');
    payload.push_back(0x17);
    return test::ReaderFrame(0x81, 1, payload);
}

Bytes FirmwareWithCrLfInText()
{
    const std::string text = "ZTB v2.17\r\nbuild 0421";
    return test::ReaderFrame(0x81, 1, Bytes(text.begin(), text.end()));
}

const std::vector<Bytes> kGoldenFrames{test::Passing(),
                                       test::Status(),
                                       test::ClockWithCrLf(),
                                       test::ErrorReply(),
                                       test::Firmware(),
                                       FirmwareWithCrLfInText(),
                                       FirmwareWithCrLfInField(),
                                       test::ReaderFrame(0x53, 1, {0x00, 0x0D, 0x0A, 0x00}),
                                       test::ReaderFrame(0x89, 3, test::Payload(10, 0x00))};

TEST(TcpReceiver, GoldenStreamGivesTheSameFramesHoweverTheReadsAreCut)
{
    const std::string stream = Envelopes(kGoldenFrames);
    ASSERT_EQ(ChecksumField(FirmwareWithCrLfInField()), 0x0D0Au);

    TcpReceiver whole;
    std::vector<ReceivedFrame> accepted;
    whole.Feed(stream, accepted);
    ASSERT_EQ(BytesOf(accepted), kGoldenFrames);
    for (const ReceivedFrame& frame : accepted) EXPECT_TRUE(frame.ChecksumMatches());

    for (std::size_t split = 1; split < stream.size(); ++split) {
        SCOPED_TRACE(split);
        TcpReceiver receiver;
        std::vector<ReceivedFrame> parts;
        receiver.Feed(std::string_view(stream).substr(0, split), parts);
        receiver.Feed(std::string_view(stream).substr(split), parts);
        EXPECT_EQ(BytesOf(parts), kGoldenFrames);
        EXPECT_EQ(receiver.PendingBytes(), 0u);
    }
    EXPECT_EQ(FeedInReads(stream, 1), kGoldenFrames);
}

TEST(TcpReceiver, EnvelopeCutAtTheReadBoundaryIsKept)
{
    std::vector<Bytes> frames;
    for (int i = 0; i < 80; ++i) frames.push_back(i % 3 == 0 ? test::Passing() : test::Status());
    const std::string stream = Envelopes(frames);
    ASSERT_GT(stream.size(), 2000u);
    ASSERT_NE(stream[999], '}');
    EXPECT_EQ(FeedInReads(stream, 1000), frames);
}

struct EnvelopeCase {
    const char* name;
    std::string text;
    std::vector<Bytes> expected;

    friend void PrintTo(const EnvelopeCase& c, std::ostream* os) { *os << c.name; }
};

class TcpEnvelopeTest : public testing::TestWithParam<EnvelopeCase> {};

TEST_P(TcpEnvelopeTest, FindsTheFramesOfEachEnvelope)
{
    TcpReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    receiver.Feed(GetParam().text, accepted);
    EXPECT_EQ(BytesOf(accepted), GetParam().expected);
    EXPECT_EQ(receiver.PendingBytes(), 0u);
}

const Bytes kCutFirmware = Join({{0x00, 0x81, 0x01}, Bytes{'Z', 'T', 'B', '2', 0x0D, 0x0A, 'v', '2'}});

INSTANTIATE_TEST_SUITE_P(
    Table, TcpEnvelopeTest,
    testing::Values(
        EnvelopeCase{"PaddedEnvelopeThenAnother",
                     Envelopes({test::Passing(), test::Status()}),
                     {test::Passing(), test::Status()}},
        EnvelopeCase{"StrayTextAroundEnvelopes",
                     "hello}" + EncodeEnvelope(test::Status()) + "AAUBAAAAAw0K\r\n" +
                         EncodeEnvelope(test::ErrorReply()) + " bye",
                     {test::Status(), test::ErrorReply()}},
        EnvelopeCase{"BlanksInsideAnEnvelope", "{AP8B BQEA\r\nAAAB Bg0K}", {test::ErrorReply()}},
        EnvelopeCase{"TwoFramesInOneEnvelope",
                     EncodeEnvelope(Join({test::Status(), test::ErrorReply()})),
                     {test::Status(), test::ErrorReply()}},
        EnvelopeCase{
            "StrayBytesBeforeTheFrame", EncodeEnvelope(Join({{0x7F, 0x33}, test::ErrorReply()})), {test::ErrorReply()}},
        EnvelopeCase{"UnknownCodeBeforeAFrame",
                     EncodeEnvelope(Join({test::ReaderFrame(0xB4, 1, {0x01}), test::ErrorReply()})),
                     {test::ErrorReply()}},
        EnvelopeCase{"UnknownCodeOnly", EncodeEnvelope(test::ReaderFrame(0xB4, 1, {0x01, 0x02, 0x03})), {}},
        EnvelopeCase{"PassingOf33Bytes", EncodeEnvelope(test::ReaderFrame(0x50, 1, test::Payload(24, 0x10))), {}},
        EnvelopeCase{"FrameCutShort", EncodeEnvelope(test::Prefix(test::Status(), 24)), {}},
        EnvelopeCase{"FirmwareWithCrLfAfterAnotherFrameIsCut",
                     EncodeEnvelope(Join({test::Status(), kCutFirmware})),
                     {test::Status(), test::Prefix(kCutFirmware, 9)}},
        EnvelopeCase{"RestartsAtAnOpeningBraceInsideAnEnvelope",
                     "{AAUB{" + EncodeEnvelope(test::Status()).substr(1),
                     {test::Status()}},
        EnvelopeCase{"ThreePadsInAGroup", "{AAUBAAAAAw0KA===}", {}},
        EnvelopeCase{"ValidCharactersNoMultipleOfFour", "{AP8BBQEAAAABBg0}", {}},
        EnvelopeCase{"EmptyEnvelope", "{}", {}}),
    [](const testing::TestParamInfo<EnvelopeCase>& info) { return std::string(info.param.name); });

TEST(TcpReceiver, TextWaitingForItsBraceIsCapped)
{
    TcpReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    const std::string read(1000, 'A');
    receiver.Feed("{", accepted);
    for (int i = 0; i < 1000; ++i) {
        receiver.Feed(read, accepted);
        ASSERT_LE(receiver.PendingBytes(), TcpReceiver::kPendingCap);
    }
    // The brace that closes the dropped text is stray; the next envelope comes through.
    receiver.Feed("AAAA}" + EncodeEnvelope(test::Status()), accepted);
    EXPECT_EQ(BytesOf(accepted), std::vector<Bytes>{test::Status()});
    EXPECT_EQ(receiver.PendingBytes(), 0u);
}

TEST(TcpReceiver, EnvelopeLongerThanTheCapIsDroppedHoweverTheReadsAreCut)
{
    const std::string tooLong = "{" + std::string(TcpReceiver::kPendingCap, 'A') + "}";
    const std::string text = tooLong + EncodeEnvelope(test::ErrorReply());
    EXPECT_EQ(FeedInReads(text, text.size()), std::vector<Bytes>{test::ErrorReply()});
    EXPECT_EQ(FeedInReads(text, 1000), std::vector<Bytes>{test::ErrorReply()});
}

TEST(TcpReceiver, ResetDropsTheEnvelopeWaiting)
{
    const std::string envelope = EncodeEnvelope(test::Status());
    TcpReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    receiver.Feed(envelope.substr(0, 10), accepted);
    EXPECT_EQ(receiver.PendingBytes(), 10u);
    receiver.Reset();
    EXPECT_EQ(receiver.PendingBytes(), 0u);
    receiver.Feed(envelope.substr(10), accepted);
    receiver.Feed(envelope, accepted);
    EXPECT_EQ(BytesOf(accepted), std::vector<Bytes>{test::Status()});
}

}  // namespace
}  // namespace orvek
