#include "tools/SimulatedReader.h"

#include "commands/Catalogue.h"
#include "protocol/Frame.h"
#include "tools/ReaderFrame.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvek {

namespace {

using namespace std::chrono;

constexpr std::uint8_t kReplyBit = 0x80;
constexpr std::uint8_t kErrorCode = 255;
constexpr std::uint8_t kResendFinished = 9;
constexpr std::uint8_t kPassingCode = 80;
constexpr std::uint8_t kResentPassingCode = 90;
constexpr std::uint8_t kStatusCode = 81;
constexpr std::uint8_t kStandingCode = 83;
constexpr std::uint8_t kContactCode = 85;
constexpr std::size_t kTransponderPool = 12;
constexpr int kStandingEvery = 7;  // passings between two "standing on the antenna" reports
constexpr std::uint64_t kMostPassingsPerAdvance = 100;

// The error types of the error reply.
enum ErrorType : std::uint8_t {
    kChecksumWrong = 1,
    kUnknownMessage = 2,
    kWrongLength = 3,
    kValueOutOfRange = 5,
    kBadPacket = 6,
};

// A parameter range that a dialog label states, checked by the reader. field counts the
// payload fields from 1, as the error reply reports it.
struct FieldRange {
    std::uint8_t code;
    std::uint8_t field;
    std::uint32_t least;
    std::uint32_t most;
};

constexpr std::array kRanges{
    FieldRange{3, 1, 0, 99},     FieldRange{3, 2, 1, 12},  FieldRange{3, 3, 1, 31},     FieldRange{3, 4, 0, 6},
    FieldRange{3, 5, 0, 23},     FieldRange{3, 6, 0, 59},  FieldRange{3, 7, 0, 59},     FieldRange{6, 1, 0, 250},
    FieldRange{10, 3, 0, 1},     FieldRange{13, 1, 1, 20}, FieldRange{14, 1, 20, 2000}, FieldRange{16, 1, 0, 1},
    FieldRange{18, 2, 10, 3000}, FieldRange{18, 3, 0, 1},  FieldRange{18, 4, 1, 2},     FieldRange{19, 1, 0, 0},
    FieldRange{19, 2, 0, 1},     FieldRange{20, 1, 0, 1},  FieldRange{53, 1, 0, 1},     FieldRange{53, 2, 1, 5},
};

constexpr std::uint8_t kAutostartPlain = 0;
constexpr std::uint8_t kAutostartStoring = 99;

// The payload split into its fields, by the widths the catalogue gives.
std::vector<std::uint32_t> Fields(std::uint8_t code, std::span<const std::uint8_t> payload)
{
    std::vector<std::uint32_t> fields;
    const Command* command = FindCommand(code);
    if (command == nullptr) return fields;
    if (command->kind == CommandKind::SetClock) {
        for (const std::uint8_t byte : payload) fields.push_back(byte);
        return fields;
    }
    std::size_t at = 0;
    for (const PayloadItem& item : command->payload) {
        const std::size_t width = item.width == FieldWidth::U8 ? 1 : item.width == FieldWidth::U16 ? 2 : 4;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < width; ++i) value = value << 8 | payload[at + i];
        fields.push_back(value);
        at += width;
    }
    return fields;
}

// The first field outside its range, counted from 1; 0 when all are in range.
std::uint8_t FieldOutOfRange(std::uint8_t code, const std::vector<std::uint32_t>& fields)
{
    for (const FieldRange& range : kRanges) {
        if (range.code != code) continue;
        const std::uint32_t value = fields[range.field - 1];
        if (value < range.least || value > range.most) return range.field;
    }
    if (code == 3) {
        const year_month_day date{year{2000 + static_cast<int>(fields[0])}, month{fields[1]}, day{fields[2]}};
        if (!date.ok()) return 3;
    }
    if (code == 51 && fields[0] != kAutostartPlain && fields[0] != kAutostartStoring) return 1;
    return 0;
}

void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int width)
{
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// yy mm dd, then hh mm ss: the order of passing and status reports.
void AppendDateTime(std::vector<std::uint8_t>& bytes, sys_seconds clock)
{
    const sys_days date = floor<days>(clock);
    const year_month_day ymd{date};
    const hh_mm_ss time{clock - date};
    bytes.push_back(static_cast<std::uint8_t>((static_cast<int>(ymd.year()) % 100 + 100) % 100));
    bytes.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(ymd.month())));
    bytes.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(ymd.day())));
    bytes.push_back(static_cast<std::uint8_t>(time.hours().count()));
    bytes.push_back(static_cast<std::uint8_t>(time.minutes().count()));
    bytes.push_back(static_cast<std::uint8_t>(time.seconds().count()));
}

}  // namespace

SimulatedReader::SimulatedReader(const ReaderSettings& settings) : m_settings(settings), m_random(settings.seed)
{
    m_state.id = settings.id;
    m_state.firmware = settings.firmware;
    for (std::size_t i = 0; i < kTransponderPool; ++i)
        m_transponders.push_back(static_cast<std::uint32_t>(Random(100000, 999999)));
    m_nextStatusAt = settings.statusEvery;
}

sys_seconds SimulatedReader::ClockAt(Elapsed now) const
{
    return m_settings.startClock + m_state.clockOffset + floor<seconds>(now);
}

std::vector<FrameBytes> SimulatedReader::Receive(std::span<const std::uint8_t> frame, Elapsed now)
{
    // Too short to name a reader: nobody answers.
    if (frame.size() < 3 || frame[2] != m_state.id) return {};
    const std::uint8_t code = frame[1];
    const std::size_t n = frame.size();
    if (n < kFrameOverhead || frame[0] != kStartByte || frame[n - 2] != 0x0D || frame[n - 1] != 0x0A) {
        return {Error(code, kBadPacket, 0)};
    }
    // The console's frames carry half the sum.
    if (ChecksumField(frame) != FrameSum(frame, 1, n - 7) >> 1) return {Error(code, kChecksumWrong, 0)};
    const std::optional<std::size_t> length = CommandPayloadLength(code);
    if (!length) return {Error(code, kUnknownMessage, 0)};
    const std::span<const std::uint8_t> payload = frame.subspan(3, n - kFrameOverhead);
    if (payload.size() != *length) {
        return {Error(code, kWrongLength, static_cast<std::uint8_t>(std::min<std::size_t>(payload.size(), 255)))};
    }
    if (const std::uint8_t field = FieldOutOfRange(code, Fields(code, payload)); field != 0) {
        return {Error(code, kValueOutOfRange, field)};
    }
    return Execute(code, payload, now);
}

std::vector<FrameBytes> SimulatedReader::Execute(std::uint8_t code, std::span<const std::uint8_t> payload, Elapsed now)
{
    const std::vector<std::uint32_t> fields = Fields(code, payload);
    ReaderState& s = m_state;
    switch (code) {
        case 1: {
            std::vector<std::uint8_t> text(s.firmware.begin(), s.firmware.end());
            text.push_back(0);
            return {Reply(code, text)};
        }
        case 2: {
            std::vector<std::uint8_t> memory;
            AppendBigEndian(memory, kMemoryCapacity, 4);
            AppendBigEndian(memory, kMemoryCapacity - static_cast<std::uint32_t>(s.memory.size()), 4);
            return {Reply(code, memory)};
        }
        case 3: {
            const sys_days date{
                year_month_day{year{2000 + static_cast<int>(fields[0])}, month{fields[1]}, day{fields[2]}}};
            const sys_seconds wanted = date + hours{fields[4]} + minutes{fields[5]} + seconds{fields[6]};
            s.clockOffset = wanted - (m_settings.startClock + floor<seconds>(now));
            return {Outcome(code)};
        }
        case 4:
            s.beepFrequency = static_cast<std::uint16_t>(fields[0]);
            s.beepDuration = static_cast<std::uint16_t>(fields[1]);
            s.beepPause = static_cast<std::uint16_t>(fields[2]);
            return {Outcome(code)};
        case 5: {
            const sys_seconds clock = ClockAt(now);
            const sys_days date = floor<days>(clock);
            const year_month_day ymd{date};
            const hh_mm_ss time{clock - date};
            const std::vector<std::uint8_t> reply{
                static_cast<std::uint8_t>((static_cast<int>(ymd.year()) % 100 + 100) % 100),
                static_cast<std::uint8_t>(static_cast<unsigned>(ymd.month())),
                static_cast<std::uint8_t>(static_cast<unsigned>(ymd.day())),
                static_cast<std::uint8_t>(weekday{date}.iso_encoding() - 1),  // Monday = 0
                static_cast<std::uint8_t>(time.hours().count()),
                static_cast<std::uint8_t>(time.minutes().count()),
                static_cast<std::uint8_t>(time.seconds().count()),
                0,
                0,
                0,
                0,
            };
            return {Reply(code, reply)};
        }
        case 6: {
            // The reply still comes from the ID the command was sent to.
            FrameBytes reply = Outcome(code);
            s.id = static_cast<std::uint8_t>(fields[0]);
            return {reply};
        }
        case 7:
            m_timerResetAt = now;
            return {Outcome(code)};
        case 8:
            s.memory.clear();
            return {Outcome(code)};
        case 9: {
            std::vector<std::uint8_t> reply;
            AppendBigEndian(reply, static_cast<std::uint32_t>(std::min<std::size_t>(s.memory.size(), 0xFFFF)), 2);
            AppendBigEndian(reply, s.memory.empty() ? 0 : s.memory.front().progressive, 4);
            AppendBigEndian(reply, s.memory.empty() ? 0 : s.memory.back().progressive, 4);
            return {Reply(code, reply)};
        }
        case 10:
            return Resend(payload);
        case 11:
        case 12:
            s.automaticSending = code == 11;
            return {Outcome(code)};
        case 13:
            s.redundancies = static_cast<std::uint8_t>(fields[0]);
            return {Outcome(code)};
        case 14:
            s.releaseTime = static_cast<std::uint16_t>(fields[0]);
            return {Outcome(code)};
        case 16:
            s.sessionRunning = true;
            s.sessionStoring = fields[0] == 1;
            m_sessionStartedAt = now;
            m_sessionPassings = 0;
            return {Outcome(code)};
        case 17:
            s.sessionRunning = false;
            return {Outcome(code)};
        case 18:
            s.photocellTime = static_cast<std::uint16_t>(fields[0]);
            s.photocellWait = static_cast<std::uint16_t>(fields[1]);
            s.photocellType = static_cast<std::uint8_t>(fields[2]);
            s.photocell = static_cast<std::uint8_t>(fields[3]);
            return {Outcome(code)};
        case 19:
            s.workingMode = static_cast<std::uint8_t>(fields[1]);
            return {Outcome(code)};
        case 20:
            s.contactSending = fields[0] == 1;
            return {Outcome(code)};
        case 50:
            return {Outcome(code)};
        case 51:
            s.autostart = static_cast<std::uint8_t>(fields[0]);
            return {Outcome(code)};
        case 52: {
            // A manual passing; its reply code (180) is one the console does not read, so the
            // reader shows it as a passing only.
            std::vector<FrameBytes> out;
            ReportPassing(NewPassing(now), out);
            return out;
        }
        case 53:
            s.booster = static_cast<std::uint8_t>(fields[0]);
            s.level = static_cast<std::uint8_t>(fields[1]);
            return {Outcome(code)};
        case 54: {
            const std::array<std::uint8_t, 2> reply{s.booster, s.level};
            return {Reply(code, reply)};
        }
        case 55:
            // No GPS is fitted.
            return {Outcome(code, 0)};
        case 98:
            s.hardware = fields[0];
            return {Outcome(code)};
        default:
            return {Error(code, kUnknownMessage, 0)};
    }
}

std::vector<FrameBytes> SimulatedReader::Resend(std::span<const std::uint8_t> payload) const
{
    const std::vector<std::uint32_t> fields = Fields(10, payload);
    const std::uint32_t from = fields[0];
    const std::uint32_t count = fields[1];
    const std::uint8_t reportCode = fields[2] == 0 ? kPassingCode : kResentPassingCode;
    const std::vector<StoredPassing>& memory = m_state.memory;
    auto first = memory.begin();
    if (from != 0) {
        first =
            std::find_if(memory.begin(), memory.end(), [&](const StoredPassing& p) { return p.progressive == from; });
        if (first == memory.end()) return {Outcome(10, 1)};
    }
    const auto available = static_cast<std::size_t>(memory.end() - first);
    const std::size_t sent = count == 0 ? available : std::min<std::size_t>(count, available);
    std::vector<FrameBytes> out;
    out.reserve(sent + 1);
    for (auto passing = first; passing != first + static_cast<std::ptrdiff_t>(sent); ++passing) {
        out.push_back(PassingReport(*passing, reportCode));
    }
    out.push_back(Outcome(10, kResendFinished));
    return out;
}

std::vector<FrameBytes> SimulatedReader::Advance(Elapsed now)
{
    std::vector<FrameBytes> out;
    if (m_settings.statusEvery.count() > 0 && now >= m_nextStatusAt) {
        out.push_back(StatusReport(now));
        m_nextStatusAt = now + m_settings.statusEvery;
    }
    if (m_state.sessionRunning && m_settings.passingsPerSecond > 0) {
        const double seconds = duration<double>(now - m_sessionStartedAt).count();
        const auto due = static_cast<std::uint64_t>(std::floor(seconds * m_settings.passingsPerSecond));
        // After a stall (a suspended machine) the reader does not make up a flood of passings.
        if (due > m_sessionPassings + kMostPassingsPerAdvance) m_sessionPassings = due - kMostPassingsPerAdvance;
        for (; m_sessionPassings < due; ++m_sessionPassings) {
            const StoredPassing passing = NewPassing(now);
            ReportPassing(passing, out);
            if (m_sessionPassings % kStandingEvery == kStandingEvery - 1) {
                out.push_back(TransponderReport(kStandingCode, passing.transponder));
            }
        }
    }
    return out;
}

FrameBytes SimulatedReader::FloodPassing(Elapsed now) { return PassingReport(NewPassing(now), kPassingCode); }

StoredPassing SimulatedReader::NewPassing(Elapsed now)
{
    StoredPassing passing;
    passing.progressive = m_state.nextProgressive++;
    passing.clock = ClockAt(now);
    passing.transponder = m_transponders[static_cast<std::size_t>(Random(0, kTransponderPool - 1))];
    passing.tempo = static_cast<std::uint32_t>((now - m_timerResetAt).count());
    passing.redundancy = static_cast<std::uint16_t>(Random(1, std::max<int>(1, m_state.redundancies)));
    passing.battery = Random(0, 19) == 0 ? 1 : 0;
    if (m_state.sessionStoring && m_state.memory.size() < kMemoryCapacity) m_state.memory.push_back(passing);
    return passing;
}

void SimulatedReader::ReportPassing(const StoredPassing& passing, std::vector<FrameBytes>& out)
{
    if (m_state.contactSending) out.push_back(TransponderReport(kContactCode, passing.transponder));
    if (m_state.automaticSending) out.push_back(PassingReport(passing, kPassingCode));
}

FrameBytes SimulatedReader::PassingReport(const StoredPassing& passing, std::uint8_t code) const
{
    std::vector<std::uint8_t> message{code};
    AppendDateTime(message, passing.clock);
    AppendBigEndian(message, passing.progressive, 4);
    AppendBigEndian(message, passing.transponder, 4);
    AppendBigEndian(message, passing.tempo, 4);
    AppendBigEndian(message, passing.redundancy, 2);
    message.push_back(passing.battery);
    message.push_back(0);
    message.push_back(0);
    return BuildReaderFrame(message, m_state.id);
}

FrameBytes SimulatedReader::StatusReport(Elapsed now)
{
    std::vector<std::uint8_t> message{kStatusCode};
    AppendDateTime(message, ClockAt(now));
    AppendBigEndian(message, ++m_statusCount, 4);
    message.push_back(static_cast<std::uint8_t>(Random(0, 5)));      // disturbance
    message.push_back(static_cast<std::uint8_t>(Random(40, 60)));    // humidity
    message.push_back(0);                                            // external temperature sign: +
    message.push_back(static_cast<std::uint8_t>(Random(15, 25)));    // external temperature
    message.push_back(static_cast<std::uint8_t>(Random(120, 130)));  // supply, tenths of a volt
    message.push_back(0);                                            // internal temperature sign: +
    message.push_back(static_cast<std::uint8_t>(Random(28, 36)));    // internal temperature
    message.push_back(1);                                            // antenna
    return BuildReaderFrame(message, m_state.id);
}

FrameBytes SimulatedReader::TransponderReport(std::uint8_t code, std::uint32_t transponder) const
{
    std::vector<std::uint8_t> message{code};
    AppendBigEndian(message, transponder, 4);
    return BuildReaderFrame(message, m_state.id);
}

FrameBytes SimulatedReader::Reply(std::uint8_t code, std::span<const std::uint8_t> payload) const
{
    std::vector<std::uint8_t> message{static_cast<std::uint8_t>(code | kReplyBit)};
    message.insert(message.end(), payload.begin(), payload.end());
    return BuildReaderFrame(message, m_state.id);
}

FrameBytes SimulatedReader::Outcome(std::uint8_t code, std::uint8_t result) const
{
    const std::array<std::uint8_t, 1> payload{result};
    return Reply(code, payload);
}

FrameBytes SimulatedReader::Error(std::uint8_t code, std::uint8_t type, std::uint8_t parameter) const
{
    const std::array<std::uint8_t, 4> message{kErrorCode, code, type, parameter};
    return BuildReaderFrame(message, m_state.id);
}

int SimulatedReader::Random(int least, int most) { return std::uniform_int_distribution<int>(least, most)(m_random); }

}  // namespace orvek
