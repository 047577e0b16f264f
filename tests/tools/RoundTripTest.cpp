#include "tests/tools/ToolRun.h"

#include "commands/Catalogue.h"
#include "decoding/DecodeFrame.h"
#include "protocol/Envelope.h"
#include "protocol/Frame.h"
#include "protocol/LogLines.h"
#include "tools/ReaderFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek::test {
namespace {

// A reader's message of a known code, with the payload length the receivers expect.
std::vector<std::uint8_t> ReplyMessage(std::uint8_t code, std::uint8_t expectedLength)
{
    std::vector<std::uint8_t> message{code};
    if (code == 0x81) {
        for (const char c : std::string_view("ZTB Ver: 7.02 build 2026"))
            message.push_back(static_cast<std::uint8_t>(c));
        message.push_back(0);
        return message;
    }
    const std::size_t length = expectedLength != 0 ? expectedLength : 4;
    for (std::size_t i = 0; i < length; ++i) message.push_back(static_cast<std::uint8_t>(i % 5));
    return message;
}

std::vector<std::uint8_t> KnownCodes()
{
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code) {
        if (ExpectedPayloadLength(static_cast<std::uint8_t>(code))) codes.push_back(static_cast<std::uint8_t>(code));
    }
    return codes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

TEST(DecodeRoundTrip, EveryKnownCodeDecodesOnceOnBothLinks)
{
    const std::vector<std::uint8_t> codes = KnownCodes();
    ASSERT_EQ(codes.size(), 33u);
    for (const std::uint8_t code : codes) {
        SCOPED_TRACE("code " + std::to_string(code));
        const std::vector<std::uint8_t> frame = BuildReaderFrame(ReplyMessage(code, *ExpectedPayloadLength(code)), 7);
        const std::uint32_t sum = FrameSum(frame, 1, frame.size() - 7);

        const ToolRun serial = RunTool({"decode"}, HexDump(frame));
        const ToolRun tcp = RunTool({"decode", "--tcp"}, EncodeEnvelope(frame));
        ASSERT_EQ(serial.status, 0) << serial.err;
        ASSERT_EQ(Lines(serial.out).size(), 1u) << serial.out;
        EXPECT_EQ(tcp.out, serial.out);
        EXPECT_TRUE(serial.out.ends_with(" CK ok (sum " + std::to_string(sum) + ")\n")) << serial.out;

        const ToolRun markup = RunTool({"decode", "--markup"}, HexDump(frame));
        EXPECT_EQ(markup.out,
                  DecodeFrame(frame).line + " <FONT color=\"clGreen\">CK(" + std::to_string(sum) + ")</FONT>\n");

        const ToolRun log = RunTool({"decode", "--log", "--tcp"}, EncodeEnvelope(frame));
        const std::vector<std::string> logLines = Lines(log.out);
        ASSERT_EQ(logLines.size(), 2u) << log.out;
        EXPECT_NE(logLines[0].find("Ricevuto: </FONT> " + HexDump(frame) + " "), std::string::npos);
        EXPECT_EQ(logLines[1] + "\n", markup.out);
    }
}

std::size_t PayloadLength(const Command& command)
{
    if (command.kind == CommandKind::SetClock) return 7;
    std::size_t length = 0;
    for (const PayloadItem& item : command.payload) {
        length += item.width == FieldWidth::U8 ? 1 : item.width == FieldWidth::U16 ? 2 : 4;
    }
    return length;
}

TEST(EncodeRoundTrip, EveryCommandGivesOneFrameInBothForms)
{
    for (const Command& command : Catalogue()) {
        SCOPED_TRACE(std::string(command.caption));
        std::vector<std::string> args{"encode", std::to_string(command.number), "--id", "9"};
        if (command.kind == CommandKind::SetClock) args.insert(args.end(), {"--at", "2026-01-02 03:04:05"});
        const ToolRun hex = RunTool(args);
        args.push_back("--envelope");
        const ToolRun envelope = RunTool(args);
        ASSERT_EQ(hex.status, 0) << hex.err;
        ASSERT_EQ(envelope.status, 0) << envelope.err;

        const std::string text = envelope.out.substr(0, envelope.out.size() - 1);
        std::vector<std::uint8_t> frame(DecodedCapacity(text));
        frame.resize(DecodeEnvelope(text, frame));
        EXPECT_EQ(HexDump(frame) + "\n", hex.out);

        ASSERT_EQ(frame.size(), PayloadLength(command) + kFrameOverhead);
        EXPECT_EQ(frame[0], kStartByte);
        EXPECT_EQ(frame[1], command.number);
        EXPECT_EQ(frame[2], 9);
        EXPECT_EQ(ChecksumField(frame), FrameSum(frame, 1, frame.size() - 7) >> 1);
        EXPECT_EQ(frame[frame.size() - 2], 0x0D);
        EXPECT_EQ(frame[frame.size() - 1], 0x0A);
    }
}

}  // namespace
}  // namespace orvek::test
