#include "decoding/MessageLines.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace orvek {

namespace {

// A whole decimal number with optional leading blanks and sign, and nothing after it; any
// other text, or a value outside 32 bits, reads as 0.
std::int32_t WholeNumber(std::string_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return 0;
    std::int64_t magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return 0;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) return 0;
    return static_cast<std::int32_t>(value);
}

// The major version of a text like "... Ver: 7.02 ...": what lies between the one character
// after the first "Ver:" and the next ".". Works on the 8-bit text, so that character is one
// byte whatever it is.
std::optional<std::int32_t> MajorVersion(std::string_view text)
{
    constexpr std::string_view kVersionTag = "Ver:";
    const auto tag = text.find(kVersionTag);
    if (tag == std::string_view::npos) return std::nullopt;
    text.remove_prefix(std::min(tag + kVersionTag.size() + 1, text.size()));
    const auto point = text.find('.');
    if (point == std::string_view::npos) return std::nullopt;
    return WholeNumber(text.substr(0, point));
}

}  // namespace

FirmwareInfo WriteFirmwareReply(const FrameFields& fields, LineWriter& line)
{
    const auto payload = fields.Payload();
    const auto textEnd = std::find(payload.begin(), payload.end(), std::uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(payload.data()),
                                static_cast<std::size_t>(textEnd - payload.begin()));

    WriteHead(line, "(1)Firmware", fields.ReaderId());
    line.Text("  Ver:<B>\"").Latin1(text).Text("\"</B>");

    FirmwareInfo firmware;
    LineWriter(firmware.panelText).Text("FIRMWARE:  \"").Latin1(text).Text("\"");
    firmware.majorVersion = MajorVersion(text);
    return firmware;
}

}  // namespace orvek
