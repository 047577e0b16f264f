#include "decoding/DecodeFrame.h"
#include "tests/decoding/Frames.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace orvek {
namespace {

using test::Frame;
using test::Head;

struct LineCase {
    std::string name;
    std::vector<std::uint8_t> frame;
    std::string line;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const LineCase& testCase, std::ostream* out) { *out << testCase.name; }

std::string CaseName(const testing::TestParamInfo<LineCase>& info) { return info.param.name; }

class ReplyLine : public testing::TestWithParam<LineCase> {};

TEST_P(ReplyLine, IsDecodedExactly)
{
    const DecodedFrame decoded = DecodeFrame(GetParam().frame);
    EXPECT_EQ(decoded.line, GetParam().line);
    EXPECT_FALSE(decoded.readouts);
    EXPECT_FALSE(decoded.firmware);
}

// Replies whose only field is the result byte.
struct OutcomeReply {
    std::string name;
    std::uint8_t code;
    std::string label;
};

const std::vector<OutcomeReply> kOutcomeReplies = {
    {"SetClock", 131, "(3)Imposta orario"},
    {"SetBeep", 132, "(4)Imposta Beep"},
    {"SetIdentifier", 134, "(6)Imposta Identificativo"},
    {"ResetTimer", 135, "(7)Reset timer"},
    {"ResetMemory", 136, "(8)Reset memoria"},
    {"AutomaticSending", 139, "(11)Invio automatico"},
    {"StopAutomaticSending", 140, "(12)Stop invio automatico"},
    {"SetRedundancies", 141, "(13)Imposta ridondanze"},
    {"SetReleaseTime", 142, "(14)Imposta tempo rilascio"},
    {"StartSession", 144, "(16)Start sessione"},
    {"StopSession", 145, "(17)Stop sessione"},
    {"PhotocellParameters", 146, "(18)Imposta parametri fotocellula"},
    {"WorkingMode", 147, "(19)Imposta modalità"},
    {"TransponderContactSending", 148, "(20)Imposta invio contatto transponder"},
    {"CacheCommitment", 178, "(50)Commitment cache"},
    {"Autostart", 179, "(51)Imposta autostart"},
    {"SetSensitivity", 181, "(53)Imposta sensibilità"},
    {"HardwareConfiguration", 226, "(98)Configura hardware"},
    {"ProtocolType", 227, "(98)Tipo protocollo"},
};

std::vector<LineCase> OutcomeCases()
{
    std::vector<LineCase> cases;
    for (const auto& reply : kOutcomeReplies) {
        const std::string head = Head(reply.label, 4);
        cases.push_back({reply.name + "Done", Frame(reply.code, 4, {0}), head + "  Comando:<B>Eseguito</B>"});
        cases.push_back({reply.name + "Failed", Frame(reply.code, 4, {1}), head + "  Comando:<B>NON eseguito</B>"});
    }
    cases.push_back(
        {"SetClockFailed255", Frame(131, 1, {255}), Head("(3)Imposta orario", 1) + "  Comando:<B>NON eseguito</B>"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Outcome, ReplyLine, testing::ValuesIn(OutcomeCases()), CaseName);

const std::string kFreeMemory = Head("(2)Memoria Libera", 1);
const std::string kClock = Head("(5)Leggi orario", 2);
const std::string kQuery = Head("(9)Interroga transiti", 3);
const std::string kResend = Head("(10)Rimanda passaggio", 1);
const std::string kSensitivity = Head("(54)Consulta sensibilità", 9);
const std::string kGps = Head("(55)Reset GPS", 1);

INSTANTIATE_TEST_SUITE_P(
    Fields, ReplyLine,
    testing::Values(
        LineCase{"FreeMemoryCountsUpTo100000", Frame(130, 1, {0x00, 0x01, 0x86, 0xA0, 0x00, 0x00, 0x09, 0xC4}),
                 kFreeMemory + "  Totale:<B>100'000</B>  Libera:<B>2'500</B>"},
        LineCase{"FreeMemoryPercentFrom100001", Frame(130, 1, {0x00, 0x01, 0x86, 0xA1, 0x00, 0x00, 0x03, 0x55}),
                 kFreeMemory + "  Totale:<B>100'001</B>  Libera:<B>85.3%</B>"},
        LineCase{"FreeMemoryGroupsMillions", Frame(130, 1, {0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
                 kFreeMemory + "  Totale:<B>1'048'576</B>  Libera:<B>0.0%</B>"},
        LineCase{"FreeMemoryShortNumbersUngrouped", Frame(130, 1, {0x00, 0x00, 0x03, 0xE7, 0x00, 0x00, 0x00, 0x00}),
                 kFreeMemory + "  Totale:<B>999</B>  Libera:<B>0</B>"},
        LineCase{"FreeMemoryTotalIsUnsigned", Frame(130, 1, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x05}),
                 kFreeMemory + "  Totale:<B>4'294'967'295</B>  Libera:<B>0.5%</B>"},
        // Libera goes through single precision: 16777217 becomes 16777216 before the division.
        LineCase{"FreeMemoryPercentInSinglePrecision", Frame(130, 1, {0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01}),
                 kFreeMemory + "  Totale:<B>131'072</B>  Libera:<B>1677721.6%</B>"},
        LineCase{"FreeMemoryLargestPercent", Frame(130, 1, {0x00, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}),
                 kFreeMemory + "  Totale:<B>131'072</B>  Libera:<B>429496736.0%</B>"},
        LineCase{"FreeMemoryLargestCount", Frame(130, 1, {0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF}),
                 kFreeMemory + "  Totale:<B>1</B>  Libera:<B>4'294'967'295</B>"},
        LineCase{"ClockShowsWeekdayLast", Frame(133, 2, {24, 5, 7, 3, 9, 8, 7, 0xAA, 0xBB, 0xCC, 0xDD}),
                 kClock + "  data(aa-mm-gg):<B>24-05-07</B>  ora(hh.mm.ss):<B>09.08.07</B>  Sett:<B>3</B>"},
        LineCase{"ClockWideValues", Frame(133, 2, {255, 12, 31, 7, 23, 59, 100, 0, 0, 0, 0}),
                 kClock + "  data(aa-mm-gg):<B>255-12-31</B>  ora(hh.mm.ss):<B>23.59.100</B>  Sett:<B>7</B>"},
        LineCase{"QuerySignedProgressives", Frame(137, 3, {0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x05}),
                 kQuery + "  Num:<B>258</B>  Prog.Da:<B>-1</B>  Prog.A:<B>5</B>"},
        LineCase{"QueryUnsignedCount", Frame(137, 3, {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x7F, 0xFF, 0xFF, 0xFF}),
                 kQuery + "  Num:<B>65535</B>  Prog.Da:<B>-2147483648</B>  Prog.A:<B>2147483647</B>"},
        LineCase{"ResendFinished", Frame(138, 1, {9}), kResend + "  <B>Fine procedura!</B>"},
        LineCase{"ResendDone", Frame(138, 1, {0}), kResend + "  Comando:<B>Eseguito</B>"},
        LineCase{"ResendFailed", Frame(138, 1, {1}), kResend + "  Comando:<B>NON eseguito</B>"},
        LineCase{"Sensitivity", Frame(182, 9, {1, 200}), kSensitivity + "  Booster:<B>1</B>  Livello:<B>200</B>"},
        LineCase{"GpsNotAnswered", Frame(183, 1, {0}), kGps + "  Comando:<B>GPS non ha risposto</B>"},
        LineCase{"GpsAnswered", Frame(183, 1, {1}), kGps + "  Comando:<B>GPS risposto ok</B>"},
        LineCase{"ErrorWithTypeText", Frame(255, 7, {3, 1, 0}),
                 "ERRORE!!  ID(7)  Comando:<B>\"3\"</B>  Tipo:<B>1 Checksum errato</B>  Parametro:<B>0</B>"},
        LineCase{"ErrorLastTypeText", Frame(255, 1, {5, 6, 200}),
                 "ERRORE!!  ID(1)  Comando:<B>\"5\"</B>  Tipo:<B>6 Formato pacchetto non valido</B>  "
                 "Parametro:<B>200</B>"},
        LineCase{"ErrorTypeZeroHasNoText", Frame(255, 1, {5, 0, 1}),
                 "ERRORE!!  ID(1)  Comando:<B>\"5\"</B>  Tipo:<B>0 </B>  Parametro:<B>1</B>"},
        LineCase{"ErrorTypeBeyondTable", Frame(255, 1, {5, 7, 1}),
                 "ERRORE!!  ID(1)  Comando:<B>\"5\"</B>  Tipo:<B>7 </B>  Parametro:<B>1</B>"},
        LineCase{"ErrorTypeFarBeyondTable", Frame(255, 255, {255, 255, 255}),
                 "ERRORE!!  ID(255)  Comando:<B>\"255\"</B>  Tipo:<B>255 </B>  Parametro:<B>255</B>"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    NoLine, ReplyLine,
    testing::Values(LineCase{"Reply15", Frame(143, 1, {0}), ""}, LineCase{"Reply52", Frame(180, 1, {0}), ""},
                    LineCase{"Code0", Frame(0, 1, {0}), ""}, LineCase{"Code128", Frame(128, 1, {0}), ""},
                    LineCase{"Code200", Frame(200, 1, {0}), ""}, LineCase{"Code82", Frame(82, 1, {0}), ""}),
    CaseName);

TEST(ReplyChecksum, WrongChecksumStillDecoded)
{
    auto frame = Frame(131, 1, {0});
    frame[frame.size() - 3] ^= 0xFF;
    EXPECT_EQ(DecodeFrame(frame).line, Head("(3)Imposta orario", 1) + "  Comando:<B>Eseguito</B>");
}

}  // namespace
}  // namespace orvek
