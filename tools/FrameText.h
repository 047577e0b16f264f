#pragma once

#include "protocol/Frame.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// How a received frame is printed.
enum class FrameStyle : std::uint8_t {
    Plain,   // the decoded line without tags, then the checksum verdict
    Markup,  // the child line of the traffic log
    Log,     // both lines of the traffic log: "Ricevuto" line, then child line
};

// The log-line tags (B, FONT) removed; every other character kept, a ">" outside a tag too.
std::string PlainText(std::string_view markup);

// " CK ok (sum S)" or " CK mismatch (field F, sum S)".
std::string CheckVerdict(std::uint32_t sum, std::uint32_t checksumField);

// The lines printed for one frame, in order. timeStamp is used by FrameStyle::Log only.
std::vector<std::string> FrameLines(const ReceivedFrame& frame, FrameStyle style, std::string_view timeStamp);

// The time stamp of the printed "Ricevuto" lines: local time, "yyyy-MM-dd hh:mm:ss.zzz".
std::string NowTimeStamp();

}  // namespace orvek
