#include "protocol/LogLines.h"

#include <charconv>

namespace orvek {

namespace {

constexpr std::string_view kTimeStampOpen = "<FONT color=\"clBlue\"><B>";
constexpr std::string_view kTimeStampClose = "</B></FONT> ";
constexpr std::string_view kGreen = "<FONT color=\"clGreen\">";
constexpr std::string_view kRed = "<FONT color=\"clRed\">";

std::string_view CheckColour(std::uint32_t sum, std::uint32_t checksumField)
{
    return sum == checksumField ? kGreen : kRed;
}

void AppendHex(std::string& line, std::span<const std::uint8_t> frame)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    const std::size_t at = line.size();
    line.resize(at + 2 * frame.size());
    char* out = line.data() + at;
    for (const std::uint8_t byte : frame) {
        *out++ = kDigits[byte >> 4];
        *out++ = kDigits[byte & 0x0F];
    }
}

// CK values show as signed 32-bit decimal, so a field of FF FF FF FF reads "CK(-1)".
void AppendCheck(std::string& line, std::uint32_t value)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<std::int32_t>(value));
    line += "CK(";
    line.append(digits, result.ptr);
    line += ')';
}

std::string TopLine(std::string_view timeStamp, std::string_view word, std::span<const std::uint8_t> frame)
{
    std::string line;
    line.reserve(kTimeStampOpen.size() + timeStamp.size() + kTimeStampClose.size() + word.size() + 2 * frame.size() +
                 48);
    line += kTimeStampOpen;
    line += timeStamp;
    line += kTimeStampClose;
    line += word;
    line += ' ';
    AppendHex(line, frame);
    return line;
}

}  // namespace

std::string HexDump(std::span<const std::uint8_t> frame)
{
    std::string dump;
    dump.reserve(2 * frame.size());
    AppendHex(dump, frame);
    return dump;
}

std::string SentFrameLine(std::string_view timeStamp, std::span<const std::uint8_t> frame, std::uint32_t sum)
{
    std::string line = TopLine(timeStamp, "<FONT color=\"clRed\">Inviato: </FONT>", frame);
    line += ' ';
    AppendCheck(line, sum);
    return line;
}

std::string NotSentFrameLine(std::string_view timeStamp, std::span<const std::uint8_t> frame, std::uint32_t sum)
{
    std::string line = TopLine(timeStamp, "<FONT color=\"clRed\">Non inviato: </FONT>", frame);
    line += ' ';
    AppendCheck(line, sum);
    return line;
}

std::string ReceivedFrameLine(std::string_view timeStamp, std::span<const std::uint8_t> frame, std::uint32_t sum,
                              std::uint32_t checksumField)
{
    std::string line = TopLine(timeStamp, "<FONT color=\"clGreen\">Ricevuto: </FONT>", frame);
    line += ' ';
    line += CheckColour(sum, checksumField);
    AppendCheck(line, checksumField);
    line += "</FONT>";
    return line;
}

std::string DecodedChildLine(std::string_view decodedLine, std::uint32_t sum, std::uint32_t checksumField)
{
    std::string line;
    line.reserve(decodedLine.size() + 48);
    line += decodedLine;
    line += ' ';
    line += CheckColour(sum, checksumField);
    AppendCheck(line, sum);
    line += "</FONT>";
    return line;
}

}  // namespace orvek
