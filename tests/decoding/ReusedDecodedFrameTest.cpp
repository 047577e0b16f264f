#include "decoding/DecodeFrame.h"
#include "tests/decoding/Frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek {
namespace {

using test::Frame;

// One DecodedFrame decoded into frame after frame must hold exactly what a fresh decode of
// the last frame gives: no text, read-outs or firmware left over from the frames before.
TEST(ReusedDecodedFrame, HoldsOnlyTheLastFrame)
{
    std::vector<std::uint8_t> firmwareText = test::Bytes("ZTB Ver: 7.02 \xE8");
    firmwareText.push_back(0);
    const std::vector<std::vector<std::uint8_t>> frames = {
        Frame(81, 5, {24, 12, 1, 13, 4, 59, 0, 0, 0, 1, 42, 55, 0, 3, 126, 1, 0, 23, 2}),
        Frame(129, 1, firmwareText),
        Frame(80, 3, {24, 5, 7, 9, 8, 7, 0, 0, 1, 0, 0, 1, 0xE2, 0x40, 0xFF, 0xFF, 0xFF, 0x9C, 1, 0x2C, 1, 0, 0}),
        Frame(143, 1, {}),  // no decoded line
        Frame(81, 2, {1, 2, 3}),
        Frame(131, 4, {0}),
        {0x00, 131},  // too short for any line
        Frame(130, 1, {0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x03, 0xE7}),
    };
    DecodedFrame reused;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        DecodeFrame(frames[i], reused);
        const DecodedFrame fresh = DecodeFrame(frames[i]);
        EXPECT_EQ(reused.line, fresh.line);
        ASSERT_EQ(reused.readouts.has_value(), fresh.readouts.has_value());
        if (fresh.readouts) {
            EXPECT_EQ(reused.readouts->temperature, fresh.readouts->temperature);
            EXPECT_EQ(reused.readouts->power, fresh.readouts->power);
        }
        ASSERT_EQ(reused.firmware.has_value(), fresh.firmware.has_value());
        if (fresh.firmware) {
            EXPECT_EQ(reused.firmware->panelText, fresh.firmware->panelText);
            EXPECT_EQ(reused.firmware->majorVersion, fresh.firmware->majorVersion);
        }
    }
}

}  // namespace
}  // namespace orvek
