#include "decoding/DecodeFrame.h"
#include "protocol/Frame.h"
#include "protocol/SentFrame.h"
#include "tools/CommandRequest.h"
#include "tools/FrameText.h"
#include "tools/SimulatedReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek::test {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

// Sunday 5 May 2024, 14:07:09.
constexpr sys_seconds kStart = sys_days{2024y / May / 5} + 14h + 7min + 9s;

ReaderSettings QuietReader()
{
    ReaderSettings settings;
    settings.statusEvery = 0ms;
    settings.passingsPerSecond = 0;
    settings.startClock = kStart;
    return settings;
}

// The frame that the console sends for a command line such as {"13", "Ridondanze=10"}.
std::vector<std::uint8_t> ConsoleFrame(const std::vector<std::string>& words, std::uint8_t id = 1)
{
    auto request = ParseCommandRequest(words);
    EXPECT_TRUE(std::holds_alternative<CommandRequest>(request)) << std::get<std::string>(request);
    const LocalDateTime clock{2024, 5, 6, 9, 30, 0};
    auto message = BuildRequestMessage(std::get<CommandRequest>(request), clock);
    return BuildFrame(std::get<std::vector<std::uint8_t>>(message), id).bytes;
}

// A console-style frame (half-sum checksum) of any code and payload.
std::vector<std::uint8_t> RawConsoleFrame(std::vector<std::uint8_t> message, std::uint8_t id = 1)
{
    return BuildFrame(message, id).bytes;
}

// What the console shows for each frame: its decoded line without tags, and whether the
// checksum is the plain sum the console expects.
std::vector<std::string> Shown(const std::vector<FrameBytes>& frames)
{
    std::vector<std::string> lines;
    for (const FrameBytes& frame : frames) {
        const std::uint32_t sum = FrameSum(frame, 1, frame.size() - 7);
        const std::uint32_t field = ChecksumField(frame);
        lines.push_back(PlainText(DecodeFrame(frame).line) + (sum == field ? "" : " (checksum wrong)"));
    }
    return lines;
}

struct ReplyCase {
    std::string name;
    std::vector<std::uint8_t> frame;
    std::vector<std::string> shown;
};

std::ostream& operator<<(std::ostream& os, const ReplyCase& c) { return os << c.name; }

class SimulatedReaderReplies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SimulatedReaderReplies, AnswersAsTheConsoleReadsIt)
{
    SimulatedReader reader(QuietReader());
    EXPECT_EQ(Shown(reader.Receive(GetParam().frame, 1000ms)), GetParam().shown);
}

std::string Done(const std::string& head) { return head + " ID(1)  Comando:Eseguito"; }

std::string Refused(int command, int type, const std::string& text, int parameter)
{
    return "ERRORE!!  ID(1)  Comando:\"" + std::to_string(command) + "\"  Tipo:" + std::to_string(type) + " " + text +
           "  Parametro:" + std::to_string(parameter);
}

std::vector<std::uint8_t> WithPlainSum(std::vector<std::uint8_t> frame)
{
    const std::uint32_t sum = FrameSum(frame, 1, frame.size() - 7);
    for (int i = 0; i < 4; ++i) frame[frame.size() - 6 + i] = static_cast<std::uint8_t>(sum >> (24 - 8 * i));
    return frame;
}

// clang-format off
const ReplyCase kReplies[] = {
    {"Firmware", ConsoleFrame({"1"}), {"(1)Firmware ID(1)  Ver:\"ZTB Sim Ver: 7.02 build 2026\""}},
    {"FreeMemory", ConsoleFrame({"2"}), {"(2)Memoria Libera ID(1)  Totale:100'000  Libera:100'000"}},
    {"SetClock", ConsoleFrame({"3"}), {Done("(3)Imposta orario")}},
    {"Beep", ConsoleFrame({"4", "Frequenza=3338"}), {Done("(4)Imposta Beep")}},
    {"ReadClockWithWeekday", ConsoleFrame({"5"}), {"(5)Leggi orario ID(1)  data(aa-mm-gg):24-05-05  ora(hh.mm.ss):14.07.10  Sett:6"}},
    {"SetReaderId", ConsoleFrame({"6", "Valore=250"}), {Done("(6)Imposta Identificativo")}},
    {"ResetTimer", ConsoleFrame({"7"}), {Done("(7)Reset timer")}},
    {"ResetMemory", ConsoleFrame({"8"}), {Done("(8)Reset memoria")}},
    {"QueryPassings", ConsoleFrame({"9"}), {"(9)Interroga transiti ID(1)  Num:0  Prog.Da:0  Prog.A:0"}},
    {"ResendNothingStored", ConsoleFrame({"10"}), {"(10)Rimanda passaggio ID(1)  Fine procedura!"}},
    {"ResendUnknownProgressive", ConsoleFrame({"10", "Progressivo=7"}), {"(10)Rimanda passaggio ID(1)  Comando:NON eseguito"}},
    {"AutomaticSending", ConsoleFrame({"11"}), {Done("(11)Invio automatico")}},
    {"StopAutomaticSending", ConsoleFrame({"12"}), {Done("(12)Stop invio automatico")}},
    {"Redundancies", ConsoleFrame({"13", "Ridondanze=20"}), {Done("(13)Imposta ridondanze")}},
    {"ReleaseTime", ConsoleFrame({"14", "Tempo=2000"}), {Done("(14)Imposta tempo rilascio")}},
    {"StartSession", ConsoleFrame({"16", "Tipo=1"}), {Done("(16)Start sessione")}},
    {"StopSession", ConsoleFrame({"17"}), {Done("(17)Stop sessione")}},
    {"Photocell", ConsoleFrame({"18", "Attesa=10", "Fotocellula=2"}), {Done("(18)Imposta parametri fotocellula")}},
    {"WorkingMode", ConsoleFrame({"19", "Tipo=1"}), {Done("(19)Imposta modalità")}},
    {"ContactSending", ConsoleFrame({"20", "Tipo=1"}), {Done("(20)Imposta invio contatto transponder")}},
    {"CacheCommitment", ConsoleFrame({"50"}), {Done("(50)Commitment cache")}},
    {"Autostart", ConsoleFrame({"51", "Tipo=99"}), {Done("(51)Imposta autostart")}},
    {"SetSensitivity", ConsoleFrame({"53", "Booster=1", "Livello=5"}), {Done("(53)Imposta sensibilità")}},
    {"ReadSensitivityDefaults", ConsoleFrame({"54"}), {"(54)Consulta sensibilità ID(1)  Booster:0  Livello:3"}},
    {"GpsResetWithoutGps", RawConsoleFrame({55}), {"(55)Reset GPS ID(1)  Comando:GPS non ha risposto"}},
    {"Hardware", ConsoleFrame({"98", "Valore=4294967295"}), {Done("(98)Configura hardware")}},

    {"HalfSumExpected", WithPlainSum(ConsoleFrame({"5"})), {Refused(5, 1, "Checksum errato", 0)}},
    {"UnknownCommand", RawConsoleFrame({15}), {Refused(15, 2, "ID messaggio sconosciuto", 0)}},
    {"NoReplyCodeForCommand52", RawConsoleFrame({180}), {Refused(180, 2, "ID messaggio sconosciuto", 0)}},
    {"PayloadTooLong", RawConsoleFrame({5, 0}), {Refused(5, 3, "Lunghezza messaggio errata", 1)}},
    {"PayloadTooShort", RawConsoleFrame({13}), {Refused(13, 3, "Lunghezza messaggio errata", 0)}},
    {"ReaderIdAbove250", ConsoleFrame({"6", "Valore=251"}), {Refused(6, 5, "Valore parametro fuori range", 1)}},
    {"ResendTypeOtherThan80Or90", ConsoleFrame({"10", "Tipo=2"}), {Refused(10, 5, "Valore parametro fuori range", 3)}},
    {"RedundanciesZero", ConsoleFrame({"13", "Ridondanze=0"}), {Refused(13, 5, "Valore parametro fuori range", 1)}},
    {"RedundanciesAbove20", ConsoleFrame({"13", "Ridondanze=21"}), {Refused(13, 5, "Valore parametro fuori range", 1)}},
    {"ReleaseTimeBelow20", ConsoleFrame({"14", "Tempo=19"}), {Refused(14, 5, "Valore parametro fuori range", 1)}},
    {"SessionTypeTwo", ConsoleFrame({"16", "Tipo=2"}), {Refused(16, 5, "Valore parametro fuori range", 1)}},
    {"PhotocellWaitAbove3000", ConsoleFrame({"18", "Attesa=3001"}), {Refused(18, 5, "Valore parametro fuori range", 2)}},
    {"PhotocellThree", ConsoleFrame({"18", "Fotocellula=3"}), {Refused(18, 5, "Valore parametro fuori range", 4)}},
    {"WorkingModeFirstByteNotZero", RawConsoleFrame({19, 1, 0}), {Refused(19, 5, "Valore parametro fuori range", 1)}},
    {"ContactTypeTwo", ConsoleFrame({"20", "Tipo=2"}), {Refused(20, 5, "Valore parametro fuori range", 1)}},
    {"AutostartNeither0Nor99", ConsoleFrame({"51", "Tipo=5"}), {Refused(51, 5, "Valore parametro fuori range", 1)}},
    {"LevelZero", ConsoleFrame({"53", "Livello=0"}), {Refused(53, 5, "Valore parametro fuori range", 2)}},
    {"ClockMonth13", RawConsoleFrame({3, 24, 13, 1, 0, 0, 0, 0}), {Refused(3, 5, "Valore parametro fuori range", 2)}},
    {"ClockThirtiethOfFebruary", RawConsoleFrame({3, 24, 2, 30, 4, 0, 0, 0}), {Refused(3, 5, "Valore parametro fuori range", 3)}},
    {"NotAFrame", {0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0D}, {Refused(5, 6, "Formato pacchetto non valido", 0)}},

    {"AnotherReader", ConsoleFrame({"1"}, 2), {}},
    {"AnotherReaderBadChecksum", WithPlainSum(ConsoleFrame({"1"}, 2)), {}},
    {"TooShortToName", {0x00, 0x05}, {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Commands, SimulatedReaderReplies, ::testing::ValuesIn(kReplies),
                         [](const auto& info) { return info.param.name; });

class SimulatedReaderState : public ::testing::Test {
protected:
    std::vector<std::string> Send(const std::vector<std::string>& words, milliseconds at = 1s, std::uint8_t id = 1)
    {
        return Shown(reader.Receive(ConsoleFrame(words, id), at));
    }

    SimulatedReader reader{QuietReader()};
};

TEST_F(SimulatedReaderState, SetClockMovesTheClockItReads)
{
    // The console's clock for (3) in ConsoleFrame is Monday 6 May 2024, 09:30:00.
    ASSERT_EQ(Send({"3"}, 2000ms), std::vector<std::string>{Done("(3)Imposta orario")});
    EXPECT_EQ(
        Send({"5"}, 63500ms),
        std::vector<std::string>{"(5)Leggi orario ID(1)  data(aa-mm-gg):24-05-06  ora(hh.mm.ss):09.31.01  Sett:0"});
}

TEST_F(SimulatedReaderState, NewIdTakesEffectAfterItsReply)
{
    ASSERT_EQ(Send({"6", "Valore=7"}), std::vector<std::string>{Done("(6)Imposta Identificativo")});
    EXPECT_TRUE(Send({"1"}).empty());
    EXPECT_EQ(Send({"54"}, 1s, 7), std::vector<std::string>{"(54)Consulta sensibilità ID(7)  Booster:0  Livello:3"});
}

TEST_F(SimulatedReaderState, SettingsAreReadBack)
{
    Send({"53", "Booster=1", "Livello=2"});
    EXPECT_EQ(Send({"54"}), std::vector<std::string>{"(54)Consulta sensibilità ID(1)  Booster:1  Livello:2"});
    Send({"13", "Ridondanze=9"});
    Send({"18", "Tempo=1000", "Attesa=3000", "Tipo=1", "Fotocellula=2"});
    Send({"98", "Valore=123456789"});
    Send({"20", "Tipo=1"});
    const ReaderState& state = reader.State();
    EXPECT_EQ(state.redundancies, 9);
    EXPECT_EQ(state.photocellTime, 1000);
    EXPECT_EQ(state.photocellWait, 3000);
    EXPECT_EQ(state.photocellType, 1);
    EXPECT_EQ(state.photocell, 2);
    EXPECT_EQ(state.hardware, 123456789u);
    EXPECT_TRUE(state.contactSending);
}

TEST_F(SimulatedReaderState, ManualPassingsAreStoredCountedResentAndCleared)
{
    for (int i = 0; i < 3; ++i) {
        const std::vector<std::string> shown = Send({"52"}, 2s + i * 1s);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].starts_with("(80)PASS ID(1)  data(aa-mm-gg): 24-05-05   ora(hh.mm.ss): 14.07.1"))
            << shown[0];
        EXPECT_NE(shown[0].find("  Prog:" + std::to_string(i + 1) + "  "), std::string::npos) << shown[0];
    }
    EXPECT_EQ(Send({"9"}), std::vector<std::string>{"(9)Interroga transiti ID(1)  Num:3  Prog.Da:1  Prog.A:3"});
    EXPECT_EQ(Send({"2"}), std::vector<std::string>{"(2)Memoria Libera ID(1)  Totale:100'000  Libera:99'997"});

    const std::vector<std::string> resent = Send({"10", "Progressivo=2", "Numero=0", "Tipo=1"});
    ASSERT_EQ(resent.size(), 3u);
    EXPECT_TRUE(resent[0].starts_with("(90)PASS")) << resent[0];
    EXPECT_NE(resent[0].find("Prog:2  "), std::string::npos);
    EXPECT_NE(resent[1].find("Prog:3  "), std::string::npos);
    EXPECT_EQ(resent[2], "(10)Rimanda passaggio ID(1)  Fine procedura!");
    EXPECT_EQ(Send({"10", "Progressivo=1", "Numero=1"}).size(), 2u);

    Send({"8"});
    EXPECT_EQ(Send({"9"}), std::vector<std::string>{"(9)Interroga transiti ID(1)  Num:0  Prog.Da:0  Prog.A:0"});
    // Numbering goes on after the memory is cleared.
    EXPECT_NE(Send({"52"})[0].find("Prog:4  "), std::string::npos);
}

TEST(SimulatedReaderReports, StatusEveryPeriodAndPassingsAtTheRate)
{
    ReaderSettings settings = QuietReader();
    settings.statusEvery = 5s;
    settings.passingsPerSecond = 2;
    SimulatedReader reader(settings);
    EXPECT_TRUE(reader.Advance(400ms).empty());
    const std::vector<std::string> first = Shown(reader.Advance(1000ms));
    ASSERT_EQ(first.size(), 2u);
    EXPECT_TRUE(first[0].starts_with("(80)PASS ID(1)")) << first[0];
    EXPECT_NE(first[1].find("Prog:2  "), std::string::npos);

    const std::vector<std::string> at5 = Shown(reader.Advance(5000ms));
    ASSERT_EQ(at5.size(), 10u);  // status, then passings 3 to 10, with a "standing" report after the 7th
    EXPECT_TRUE(at5[0].starts_with("(81)Stato> ID(1)  data(aa-mm-gg):24-05-05  ora(hh.mm.ss):14.07.14  Prog:1"))
        << at5[0];
    EXPECT_TRUE(at5[6].starts_with("(83)Transponder fermo su antenna> ID(1)  Transp.ID:")) << at5[6];
    EXPECT_EQ(reader.State().memory.size(), 10u);
}

TEST(SimulatedReaderReports, SendingSettingsDecideWhatGoesOut)
{
    ReaderSettings settings = QuietReader();
    settings.passingsPerSecond = 1;
    SimulatedReader reader(settings);
    reader.Receive(ConsoleFrame({"20", "Tipo=1"}), 0ms);
    const std::vector<std::string> contact = Shown(reader.Advance(1000ms));
    ASSERT_EQ(contact.size(), 2u);
    EXPECT_TRUE(contact[0].starts_with("(85)Contatto transponder ID(1)  Transp.ID:")) << contact[0];
    EXPECT_TRUE(contact[1].starts_with("(80)PASS")) << contact[1];

    reader.Receive(ConsoleFrame({"12"}), 1000ms);
    reader.Receive(ConsoleFrame({"20", "Tipo=0"}), 1000ms);
    EXPECT_TRUE(reader.Advance(2000ms).empty());
    EXPECT_EQ(reader.State().memory.size(), 2u);  // stored all the same

    reader.Receive(ConsoleFrame({"17"}), 2000ms);
    reader.Receive(ConsoleFrame({"11"}), 2000ms);
    EXPECT_TRUE(reader.Advance(5000ms).empty());
    EXPECT_EQ(reader.State().memory.size(), 2u);

    // A session that does not save sends its passings but keeps none.
    reader.Receive(ConsoleFrame({"16", "Tipo=0"}), 5000ms);
    EXPECT_EQ(reader.Advance(7000ms).size(), 2u);
    EXPECT_EQ(reader.State().memory.size(), 2u);
}

TEST(SimulatedReaderReports, TempoCountsFromTimerReset)
{
    SimulatedReader reader(QuietReader());
    reader.Receive(ConsoleFrame({"7"}), 4000ms);
    reader.Receive(ConsoleFrame({"52"}), 4250ms);
    ASSERT_EQ(reader.State().memory.size(), 1u);
    EXPECT_EQ(reader.State().memory[0].tempo, 250u);
}

}  // namespace
}  // namespace orvek::test
