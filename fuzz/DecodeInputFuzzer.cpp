#include "fuzz/Require.h"
#include "tools/HexInput.h"
#include "tools/TrafficDecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using orvek::fuzz::Require;

namespace {

// Input: a selector byte (kind and style), then steps: a step byte n is a read of the next
// n bytes of text (0 reads nothing).
struct Reads {
    std::vector<std::string_view> parts;
    std::string whole;
};

Reads SplitIntoReads(std::string_view steps)
{
    Reads reads;
    while (!steps.empty()) {
        const auto count = std::min<std::size_t>(static_cast<unsigned char>(steps.front()), steps.size() - 1);
        reads.parts.push_back(steps.substr(1, count));
        reads.whole += reads.parts.back();
        steps.remove_prefix(1 + count);
    }
    return reads;
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == ':' || c == '-';
}

// The bytes that hexadecimal text stands for, worked out pair by pair, and where the first
// character that is neither a digit nor a separator stands.
struct ExpectedHex {
    std::vector<std::uint8_t> bytes;
    std::optional<std::string> place;  // "line L, column C"
    bool oddDigits = false;
};

ExpectedHex ReadHex(std::string_view text)
{
    ExpectedHex expected;
    std::size_t line = 1;
    std::size_t column = 0;
    std::string digits;
    for (const char c : text) {
        ++column;
        if (c == '\n') {
            ++line;
            column = 0;
            continue;
        }
        if (IsSeparator(c)) continue;
        if (DigitValue(c) < 0) {
            expected.place = "line " + std::to_string(line) + ", column " + std::to_string(column) + ":";
            break;
        }
        digits += c;
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        expected.bytes.push_back(static_cast<std::uint8_t>(DigitValue(digits[i]) << 4 | DigitValue(digits[i + 1])));
    }
    expected.oddDigits = digits.size() % 2 != 0;
    return expected;
}

void CheckHexInput(const Reads& reads)
{
    const ExpectedHex expected = ReadHex(reads.whole);
    orvek::HexInput input;
    std::vector<std::uint8_t> bytes;
    std::optional<std::string> error;
    for (const std::string_view part : reads.parts) {
        error = input.Feed(part, bytes);
        if (error) break;
    }
    Require(bytes == expected.bytes, "hexadecimal bytes as the digit pairs say, up to a bad character");
    Require(error.has_value() == expected.place.has_value(), "an error exactly for a bad character");
    if (error) {
        Require(error->starts_with(*expected.place), "the error gives the bad character's line and column");
        return;
    }
    const std::optional<std::string> atEnd = input.Finish();
    Require(atEnd.has_value() == expected.oddDigits, "an error at the end exactly for a lone digit");
}

struct Decoded {
    std::vector<std::string> lines;
    std::optional<std::string> error;
    std::size_t droppedAtEnd = 0;
};

Decoded Decode(orvek::TrafficKind kind, orvek::FrameStyle style, const std::vector<std::string_view>& parts)
{
    orvek::TrafficDecoder decoder(kind, style, [] { return std::string("2026-12-11 15:04:27.123"); });
    Decoded decoded;
    for (const std::string_view part : parts) {
        decoded.error = decoder.Feed(part, decoded.lines);
        if (decoded.error) return decoded;
    }
    decoded.error = decoder.Finish();
    decoded.droppedAtEnd = decoder.DroppedAtEnd();
    return decoded;
}

// How the input is cut into reads must not change what is printed, nor the error.
void CheckDecoder(orvek::TrafficKind kind, orvek::FrameStyle style, const Reads& reads)
{
    const Decoded cut = Decode(kind, style, reads.parts);
    const Decoded whole = Decode(kind, style, {reads.whole});
    Require(cut.lines == whole.lines, "printed lines do not depend on how reads are cut");
    Require(cut.error.has_value() == whole.error.has_value(), "errors do not depend on how reads are cut");
    if (cut.error) {
        Require(*cut.error == *whole.error, "the same error however reads are cut");
    } else {
        Require(cut.droppedAtEnd == whole.droppedAtEnd, "the same bytes dropped at the end");
    }
    const std::size_t linesPerFrame = style == orvek::FrameStyle::Log ? 2 : 1;
    Require(cut.lines.size() % linesPerFrame == 0, "every frame prints all its lines");
    for (const std::string& line : cut.lines) Require(!line.empty(), "no empty line printed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const auto kind = data[0] & 1 ? orvek::TrafficKind::TcpEnvelopes : orvek::TrafficKind::SerialHex;
    const auto style = static_cast<orvek::FrameStyle>((data[0] >> 1) % 3);
    const Reads reads = SplitIntoReads({reinterpret_cast<const char*>(data) + 1, size - 1});
    CheckHexInput(reads);
    CheckDecoder(kind, style, reads);
    return 0;
}
