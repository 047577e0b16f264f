#include "protocol/LogLines.h"

#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace orvek {
namespace {

using test::Bytes;

const Bytes kReadClock{0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A};
const Bytes kErrorReply{0x00, 0xFF, 0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x01, 0x06, 0x0D, 0x0A};
constexpr const char* kStamp = "11/12/2026 15:04:13.007";

struct LineCase {
    const char* name;
    std::string line;
    std::string expected;

    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class LogLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(LogLineTest, IsExact) { EXPECT_EQ(GetParam().line, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, LogLineTest,
    testing::Values(
        LineCase{"Sent", SentFrameLine(kStamp, kReadClock, 6),
                 "<FONT color=\"clBlue\"><B>11/12/2026 15:04:13.007</B></FONT> <FONT color=\"clRed\">Inviato: </FONT> "
                 "000501000000030D0A CK(6)"},
        LineCase{"NotSent", NotSentFrameLine(kStamp, kReadClock, 6),
                 "<FONT color=\"clBlue\"><B>11/12/2026 15:04:13.007</B></FONT> <FONT color=\"clRed\">Non inviato: "
                 "</FONT> 000501000000030D0A CK(6)"},
        LineCase{"ReceivedMatching", ReceivedFrameLine(kStamp, kErrorReply, 262, 262),
                 "<FONT color=\"clBlue\"><B>11/12/2026 15:04:13.007</B></FONT> <FONT color=\"clGreen\">Ricevuto: "
                 "</FONT> 00FF01050100000001060D0A <FONT color=\"clGreen\">CK(262)</FONT>"},
        LineCase{"ReceivedHalfSumShowsRed", ReceivedFrameLine(kStamp, kErrorReply, 262, 131),
                 "<FONT color=\"clBlue\"><B>11/12/2026 15:04:13.007</B></FONT> <FONT color=\"clGreen\">Ricevuto: "
                 "</FONT> 00FF01050100000001060D0A <FONT color=\"clRed\">CK(131)</FONT>"},
        LineCase{"ReceivedAllOnesFieldIsMinusOne", ReceivedFrameLine(kStamp, kErrorReply, 262, 0xFFFFFFFF),
                 "<FONT color=\"clBlue\"><B>11/12/2026 15:04:13.007</B></FONT> <FONT color=\"clGreen\">Ricevuto: "
                 "</FONT> 00FF01050100000001060D0A <FONT color=\"clRed\">CK(-1)</FONT>"},
        LineCase{"ChildMatching", DecodedChildLine("Errore", 262, 262),
                 "Errore <FONT color=\"clGreen\">CK(262)</FONT>"},
        LineCase{"ChildMismatch", DecodedChildLine("<B>(5)Leggi orario</B>", 262, 131),
                 "<B>(5)Leggi orario</B> <FONT color=\"clRed\">CK(262)</FONT>"},
        LineCase{"ChildOfAnUnknownLine", DecodedChildLine("", 0x80000000u, 1),
                 " <FONT color=\"clRed\">CK(-2147483648)</FONT>"},
        LineCase{"HexDumpUpperCaseNoSeparator", HexDump(Bytes{0x00, 0xAB, 0x0F, 0xF0, 0xFF}), "00AB0FF0FF"}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvek
