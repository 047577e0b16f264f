#include "protocol/SerialReceiver.h"

#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

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

std::vector<Bytes> FeedInChunks(const Bytes& stream, std::size_t chunk)
{
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        const std::size_t length = std::min(chunk, stream.size() - at);
        receiver.Feed(std::span(stream).subspan(at, length), accepted);
    }
    return BytesOf(accepted);
}

TEST(SerialReceiver, GoldenStreamGivesTheSameFramesHoweverTheNotificationsAreCut)
{
    const std::vector<Bytes> frames{test::Passing(),
                                    test::Status(),
                                    test::ClockWithCrLf(),
                                    test::ErrorReply(),
                                    test::Firmware(),
                                    test::ReaderFrame(0x5A, 2, test::Payload(23, 0x30)),
                                    test::ReaderFrame(0x53, 1, {0x00, 0x0D, 0x0A, 0x00}),
                                    test::Status()};
    Bytes stream;
    for (const Bytes& frame : frames) stream.insert(stream.end(), frame.begin(), frame.end());

    SerialReceiver whole;
    std::vector<ReceivedFrame> accepted;
    whole.Feed(stream, accepted);
    ASSERT_EQ(BytesOf(accepted), frames);
    for (const ReceivedFrame& frame : accepted) EXPECT_TRUE(frame.ChecksumMatches());
    EXPECT_FALSE(whole.TimerShouldRun());

    for (std::size_t split = 1; split < stream.size(); ++split) {
        SCOPED_TRACE(split);
        SerialReceiver receiver;
        std::vector<ReceivedFrame> parts;
        receiver.Feed(std::span(stream).first(split), parts);
        receiver.Feed(std::span(stream).subspan(split), parts);
        EXPECT_EQ(BytesOf(parts), frames);
    }
    EXPECT_EQ(FeedInChunks(stream, 1), frames);
    EXPECT_EQ(FeedInChunks(stream, 7), frames);
}

TEST(SerialReceiver, StatusReportInThreeNotificationsIsTakenWhenItsLastByteArrives)
{
    const Bytes status = test::Status();
    ASSERT_EQ(status.size(), 27u);
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    receiver.Feed(std::span(status).first(10), accepted);
    receiver.Feed(std::span(status).subspan(10, 10), accepted);
    EXPECT_TRUE(accepted.empty());
    EXPECT_TRUE(receiver.TimerShouldRun());
    receiver.Feed(std::span(status).subspan(20), accepted);
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(accepted[0].bytes, status);
    EXPECT_EQ(accepted[0].sum, accepted[0].checksumField);
    EXPECT_FALSE(receiver.TimerShouldRun());
}

TEST(SerialReceiver, CrLfInsideAFixedLengthPayloadDoesNotEndTheFrame)
{
    const Bytes clock = test::ClockWithCrLf();
    ASSERT_EQ(clock.size(), 20u);
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    receiver.Feed(std::span(clock).first(19), accepted);
    EXPECT_TRUE(accepted.empty());
    EXPECT_EQ(receiver.HeldBytes(), 19u);
    receiver.Feed(std::span(clock).subspan(19), accepted);
    EXPECT_EQ(BytesOf(accepted), std::vector<Bytes>{clock});
}

struct ResyncCase {
    const char* name;
    Bytes input;
    std::vector<Bytes> expected;
    std::size_t heldAfter;

    friend void PrintTo(const ResyncCase& c, std::ostream* os) { *os << c.name; }
};

class SerialResyncTest : public testing::TestWithParam<ResyncCase> {};

TEST_P(SerialResyncTest, DropsWhatCannotBeAFrameAndFindsTheNext)
{
    const ResyncCase& c = GetParam();
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    receiver.Feed(c.input, accepted);
    EXPECT_EQ(BytesOf(accepted), c.expected);
    EXPECT_EQ(receiver.HeldBytes(), c.heldAfter);
    EXPECT_EQ(FeedInChunks(c.input, 1), c.expected);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

const Bytes kFirmwareCut = Join({{0x00, 0x81, 0x01}, Text("ZTB v2"), {0x0D, 0x0A}});

INSTANTIATE_TEST_SUITE_P(
    Table, SerialResyncTest,
    testing::Values(
        ResyncCase{"StrayByteBeforeAFrame", Join({{0x7F}, test::Status()}), {test::Status()}, 0},
        ResyncCase{"StrayZeroBeforeAFrame", Join({{0x00}, test::Status()}), {test::Status()}, 0},
        ResyncCase{"StrayBytesBetweenFrames",
                   Join({test::Status(), {0x55, 0x0D, 0x0A}, test::Passing()}),
                   {test::Status(), test::Passing()},
                   0},
        ResyncCase{"UnknownCodeB4IsDropped",
                   Join({test::ReaderFrame(0xB4, 1, {0x01, 0x02, 0x03}), test::Status()}),
                   {test::Status()},
                   0},
        ResyncCase{"PassingOf33BytesIsDropped",
                   Join({test::ReaderFrame(0x50, 1, test::Payload(24, 0x10)), test::Status()}),
                   {test::Status()},
                   0},
        ResyncCase{"FixedLengthFrameNotEndingInCrLf",
                   Join({test::Prefix(test::Status(), 26), {0x0B}, test::ErrorReply()}),
                   {test::ErrorReply()},
                   0},
        ResyncCase{
            "FrameCutShortThenAnother", Join({test::Prefix(test::Passing(), 20), test::Status()}), {test::Status()}, 0},
        ResyncCase{"StartAndCodeOfACutFrameThenAnother", Join({{0x00, 0x51}, test::Passing()}), {test::Passing()}, 0},
        ResyncCase{"UnendedFirmwareReplyDroppedAt81Bytes",
                   Join({{0x00, 0x81, 0x01}, Bytes(78, 'A'), test::Status()}),
                   {test::Status()},
                   0},
        ResyncCase{"FirmwareReplyWithCrLfInsideIsCutThere",
                   Join({kFirmwareCut, Text(".17"), {0x00, 0x00, 0x02, 0x5C, 0x0D, 0x0A}, test::Status()}),
                   {kFirmwareCut, test::Status()},
                   0},
        ResyncCase{"UnendedFirmwareReplyEndsAtTheNextCrLf",
                   Join({{0x00, 0x81, 0x01}, Text("ZTB"), test::Status()}),
                   {Join({{0x00, 0x81, 0x01}, Text("ZTB"), test::Status()})},
                   0},
        ResyncCase{"NoiseOnly", test::Payload(0x7F, 0x01), {}, 0},
        ResyncCase{"PartialFrameIsHeld", test::Prefix(test::Status(), 12), {}, 12}),
    [](const testing::TestParamInfo<ResyncCase>& info) { return std::string(info.param.name); });

TEST(SerialReceiver, TimeOutDropsAnAbandonedPartialFrame)
{
    const Bytes status = test::Status();
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    receiver.Feed(std::span(status).first(15), accepted);
    EXPECT_TRUE(receiver.TimerShouldRun());
    receiver.TimeOut();
    EXPECT_EQ(receiver.HeldBytes(), 0u);
    EXPECT_FALSE(receiver.TimerShouldRun());

    // The rest of the abandoned frame is noise; the next whole frame still comes through.
    receiver.Feed(std::span(status).subspan(15), accepted);
    EXPECT_TRUE(accepted.empty());
    receiver.Feed(status, accepted);
    EXPECT_EQ(BytesOf(accepted), std::vector<Bytes>{status});
}

TEST(SerialReceiver, TimerRunsOnlyWhileBytesAreHeld)
{
    SerialReceiver receiver;
    std::vector<ReceivedFrame> accepted;
    EXPECT_FALSE(receiver.TimerShouldRun());
    receiver.Feed(Bytes{0x42}, accepted);
    EXPECT_FALSE(receiver.TimerShouldRun());
    receiver.Feed(Bytes{0x00, 0x51}, accepted);
    EXPECT_TRUE(receiver.TimerShouldRun());
    receiver.Feed(Bytes{0x80}, accepted);
    EXPECT_TRUE(receiver.TimerShouldRun());
    receiver.Reset();
    EXPECT_FALSE(receiver.TimerShouldRun());
    receiver.Feed(test::ErrorReply(), accepted);
    EXPECT_FALSE(receiver.TimerShouldRun());
    EXPECT_EQ(accepted.size(), 1u);
}

}  // namespace
}  // namespace orvek
