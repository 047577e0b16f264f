#include "tests/tools/ToolRun.h"

#include "commands/Catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek::test {
namespace {

struct CommandLineCase {
    std::string name;
    std::vector<std::string> args;
    std::string input;
    std::string out;
    std::string err;
    int status;
};

std::ostream& operator<<(std::ostream& os, const CommandLineCase& c) { return os << c.name; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, PrintsAndExits)
{
    const CommandLineCase& c = GetParam();
    const ToolRun run = RunTool(c.args, c.input);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.status, c.status);
}

const std::string kErrorReply = "00FF01050100000001060D0A";  // reader 1 rejected command 5, checksum
const std::string kErrorReplyPlain =
    "ERRORE!!  ID(1)  Comando:\"5\"  Tipo:1 Checksum errato  Parametro:0 CK ok (sum 262)\n";
const std::string kBadAt = "\": expected a date and time as \"YYYY-MM-DD hh:mm:ss\"\n";

// clang-format off
const CommandLineCase kEncodeCases[] = {
    {"PlainCommand", {"encode", "5"}, "", "000501000000030D0A\n", "", 0},
    {"Envelope", {"encode", "5", "--envelope"}, "", "{AAUBAAAAAw0K}\n", "", 0},
    {"ResetMemoryNeedsNoConfirmation", {"encode", "8"}, "", "000801000000040D0A\n", "", 0},
    {"SetClockAtSunday", {"encode", "3", "--at", "2024-05-05 14:07:09"}, "", "000301180505060E0709000000250D0A\n", "", 0},
    {"BeepDefaults", {"encode", "4"}, "", "00040109C4005A0064000000C80D0A\n", "", 0},
    {"BeepFrequency", {"encode", "4", "Frequenza=9999"}, "", "000401270F005A00640000007C0D0A\n", "", 0},
    {"FieldNameInAnyCase", {"encode", "13", "ridondanze=10"}, "", "000D010A0000000C0D0A\n", "", 0},
    {"ResendWholeProgressive", {"encode", "10", "Progressivo=4294967295"}, "", "000A01FFFFFFFF000100000002040D0A\n", "", 0},
    {"HardwareValue", {"encode", "98", "Valore=123456789"}, "", "006201075BCD15000000D30D0A\n", "", 0},
    {"WorkingModeLeadingZero", {"encode", "19", "Tipo=1"}, "", "00130100010000000A0D0A\n", "", 0},
    {"EmptyValueIsZero", {"encode", "13", "Ridondanze="}, "", "000D0100000000070D0A\n", "", 0},
    {"ReaderIdLowBits", {"encode", "6", "Valore=7", "--id", "300"}, "", "00062C070000001C0D0A\n", "", 0},
    {"ReaderIdNotANumber", {"encode", "5", "--id=abc"}, "", "000501000000030D0A\n", "", 0},

    {"NoNumber", {"encode"}, "", "", "orvek encode: no command number given\n", 2},
    {"NumberNotNumeric", {"encode", "abc"}, "", "", "orvek encode: 'abc' is not a command number\n", 2},
    {"UnknownNumber", {"encode", "15"}, "", "", "orvek encode: there is no command 15 (commands: 1-14, 16-20, 50-54, 98)\n", 2},
    {"ValueForPlainCommand", {"encode", "5", "x=1"}, "", "", "orvek encode: command 5 takes no NAME=VALUE (it has no dialog): 'x=1'\n", 2},
    {"ValueForSetClock", {"encode", "3", "Tipo=1"}, "", "", "orvek encode: command 3 takes no NAME=VALUE (it has no dialog): 'Tipo=1'\n", 2},
    {"UnknownField", {"encode", "4", "foo=1"}, "", "", "orvek encode: command 4 has no field foo (its fields: Frequenza, Durata, Pausa)\n", 2},
    {"NotNameValue", {"encode", "4", "Pausa"}, "", "", "orvek encode: 'Pausa' is not NAME=VALUE\n", 2},
    {"FieldTwice", {"encode", "4", "Pausa=1", "pausa=2"}, "", "", "orvek encode: field Pausa given twice\n", 2},
    {"ValueTooLarge", {"encode", "6", "Valore=300"}, "", "", "orvek encode: value for field Valore does not fit: the largest is 255\n", 2},
    {"ValueTooLargeForU32", {"encode", "98", "Valore=4294967296"}, "", "", "orvek encode: value for field Valore does not fit: the largest is 4294967295\n", 2},
    {"ValueNotANumber", {"encode", "13", "Ridondanze=1x"}, "", "", "orvek encode: value for field Ridondanze is not a whole number from 0 to 255\n", 2},
    {"NegativeValue", {"encode", "14", "Tempo=-5"}, "", "", "orvek encode: value for field Tempo is not a whole number from 0 to 65535\n", 2},
    {"ValueLongerThanDialogTakes", {"encode", "13", "Ridondanze=100"}, "", "", "orvek encode: value for field Ridondanze has more than 2 digits, which is all its dialog takes\n", 2},
    {"AtNotADate", {"encode", "3", "--at", "2024-02-30 10:00:00"}, "", "", "orvek encode: bad --at \"2024-02-30 10:00:00" + kBadAt, 2},
    {"AtWrongShape", {"encode", "3", "--at", "2024-05-05T14:07:09"}, "", "", "orvek encode: bad --at \"2024-05-05T14:07:09" + kBadAt, 2},
    {"AtHourOutOfRange", {"encode", "3", "--at", "2024-05-05 24:00:00"}, "", "", "orvek encode: bad --at \"2024-05-05 24:00:00" + kBadAt, 2},
    {"AtForAnotherCommand", {"encode", "5", "--at", "2024-05-05 14:07:09"}, "", "", "orvek encode: --at applies to command 3 only\n", 2},
    {"UnknownOption", {"encode", "5", "--bogus"}, "", "", "orvek encode: unknown option --bogus\n", 2},
    {"OptionWithoutValue", {"encode", "5", "--id"}, "", "", "orvek encode: option --id needs a value\n", 2},
    {"FlagWithValue", {"encode", "5", "--envelope=yes"}, "", "", "orvek encode: option --envelope takes no value\n", 2},
    {"NoCommand", {}, "", "", "orvek: no command given; orvek --help lists them\n", 2},
    {"UnknownCommand", {"frobnicate"}, "", "", "orvek: unknown command 'frobnicate'; orvek --help lists them\n", 2},
};

const CommandLineCase kDecodeCases[] = {
    {"SerialHexWithBlanks", {"decode"}, "00 FF 01 05 01 00 00 00 01 06 0D 0A\n", kErrorReplyPlain, "", 0},
    {"SerialHexWithColonsDashesAndLines", {"decode"}, "00:ff:01-05-01-00\r\n0000 0106\n0D0A", kErrorReplyPlain, "", 0},
    {"Markup", {"decode", "--markup"}, kErrorReply,
     "ERRORE!!  ID(1)  Comando:<B>\"5\"</B>  Tipo:<B>1 Checksum errato</B>  Parametro:<B>0</B> <FONT color=\"clGreen\">CK(262)</FONT>\n", "", 0},
    {"TcpEnvelope", {"decode", "--tcp"}, "{AP8BBQEAAAABBg0K}\n", kErrorReplyPlain, "", 0},
    {"HalfSumIsMismatch", {"decode"}, "00FF01050100000000830D0A",
     "ERRORE!!  ID(1)  Comando:\"5\"  Tipo:1 Checksum errato  Parametro:0 CK mismatch (field 131, sum 262)\n", "", 0},
    {"MismatchMarkupIsRed", {"decode", "--markup"}, "00FF01050100000000830D0A",
     "ERRORE!!  ID(1)  Comando:<B>\"5\"</B>  Tipo:<B>1 Checksum errato</B>  Parametro:<B>0</B> <FONT color=\"clRed\">CK(262)</FONT>\n", "", 0},
    {"KnownCodeWithoutLine", {"decode"}, "008F0100000000900D0A", "code 143: no decoded line CK ok (sum 144)\n", "", 0},
    {"KnownCodeWithoutLineMarkup", {"decode", "--markup"}, "008F0100000000900D0A", " <FONT color=\"clGreen\">CK(144)</FONT>\n", "", 0},
    {"StatusKeepsTextAngleBracket", {"decode"}, "005101180505 0E0709 00000001 03 2D 00 14 7E 01 05 01 0000015C 0D0A",
     "(81)Stato> ID(1)  data(aa-mm-gg):24-05-05  ora(hh.mm.ss):14.07.09  Prog:1  Disturbo:3  Umidità:45  "
     "Temp.Ext:+20  Volt:12.6  Temp.Int:-5  Antenna:1 CK ok (sum 348)\n", "", 0},
    {"TwoFramesInOrder", {"decode"}, kErrorReply + "008F0100000000900D0A",
     kErrorReplyPlain + "code 143: no decoded line CK ok (sum 144)\n", "", 0},

    {"BadCharacterAfterFrame", {"decode"}, kErrorReply + " zz", kErrorReplyPlain,
     "orvek decode: line 1, column 26: 'z' is not a hexadecimal digit\n", 2},
    {"BadCharacterOnLaterLine", {"decode"}, "00\n 0x01", "", "orvek decode: line 2, column 3: 'x' is not a hexadecimal digit\n", 2},
    {"ControlCharacter", {"decode"}, "00\x01", "", "orvek decode: line 1, column 3: byte 0x01 is not a hexadecimal digit\n", 2},
    {"OddDigitCount", {"decode"}, "00F", "", "orvek decode: input ends with an odd number of hexadecimal digits (3): the last byte has one digit\n", 2},
    {"IncompleteFrameAtEnd", {"decode"}, "00FF0105", "", "orvek decode: note: 4 bytes of an incomplete frame at the end of input dropped\n", 0},
    {"UnclosedEnvelopeAtEnd", {"decode", "--tcp"}, "{AP8B", "", "orvek decode: note: 5 characters of an unclosed envelope at the end of input dropped\n", 0},
    {"EmptyInput", {"decode"}, "", "", "", 0},
    {"MarkupAndLog", {"decode", "--markup", "--log"}, kErrorReply, "", "orvek decode: --markup and --log exclude each other\n", 2},
    {"UnexpectedArgument", {"decode", "x"}, kErrorReply, "", "orvek decode: unexpected argument 'x'\n", 2},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Encode, CommandLineTest, ::testing::ValuesIn(kEncodeCases),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Decode, CommandLineTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return info.param.name; });

TEST(CommandLineHelp, ListsEveryToolAndCommand)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}, {"encode", "--help"}}) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        for (const char* tool : {"orvek decode", "orvek encode", "orvek send", "orvek monitor"}) {
            EXPECT_NE(run.out.find(tool), std::string::npos) << tool;
        }
        for (const Command& command : Catalogue()) {
            EXPECT_NE(run.out.find(std::string(command.caption)), std::string::npos) << command.caption;
        }
    }
}

TEST(CommandLineDecode, LogPrintsFrameLineThenChildLineWithTimeStamp)
{
    const ToolRun run = RunTool({"decode", "--log"}, kErrorReply + "008F0100000000900D0A");
    ASSERT_EQ(run.status, 0);
    const std::string stamp =
        "<FONT color=\"clBlue\"><B>[0-9]{4}-[0-9][0-9]-[0-9][0-9] "
        "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9]{3}</B></FONT> ";
    const std::string received = "<FONT color=\"clGreen\">Ricevuto: </FONT> ";
    EXPECT_THAT(run.out, ::testing::MatchesRegex(
                             "^" + stamp + received + kErrorReply + " <FONT color=\"clGreen\">CK\\(262\\)</FONT>\n" +
                             "ERRORE!!  ID\\(1\\)  Comando:<B>\"5\"</B>.*CK\\(262\\)</FONT>\n" + stamp + received +
                             "008F0100000000900D0A <FONT color=\"clGreen\">CK\\(144\\)</FONT>\n <FONT "
                             "color=\"clGreen\">CK\\(144\\)</FONT>\n$"));
}

TEST(CommandLineDecode, FramesCutAcrossReadsDecodeAsWhole)
{
    const std::string input = "00 FF 01 05 01 00 00 00 01 06 0D 0A 00:8F:01:00:00:00:00:90:0D:0A";
    for (const std::size_t chunk : {1, 2, 3, 5, 7}) {
        const ToolRun run = RunTool({"decode"}, input, chunk);
        EXPECT_EQ(run.out, kErrorReplyPlain + "code 143: no decoded line CK ok (sum 144)\n") << "reads of " << chunk;
        EXPECT_EQ(run.status, 0);
    }
    const std::string envelopes = "{AP8BBQEAAAABBg0K}{AI8BAAAAAJANCg==}";
    for (const std::size_t chunk : {1, 4, 9}) {
        const ToolRun run = RunTool({"decode", "--tcp"}, envelopes, chunk);
        EXPECT_EQ(run.out, kErrorReplyPlain + "code 143: no decoded line CK ok (sum 144)\n") << "reads of " << chunk;
    }
}

}  // namespace
}  // namespace orvek::test
