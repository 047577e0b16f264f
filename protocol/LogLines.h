#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orvek {

// "%02X" of every byte, no separator.
std::string HexDump(std::span<const std::uint8_t> frame);

// The top-level log line of a frame sent ("Inviato"), of one the link did not take
// ("Non inviato"), and of one received ("Ricevuto"). timeStamp is "ddddd hh:nn:ss.zzz" text.
std::string SentFrameLine(std::string_view timeStamp, std::span<const std::uint8_t> frame, std::uint32_t sum);
std::string NotSentFrameLine(std::string_view timeStamp, std::span<const std::uint8_t> frame, std::uint32_t sum);
std::string ReceivedFrameLine(std::string_view timeStamp, std::span<const std::uint8_t> frame, std::uint32_t sum,
                              std::uint32_t checksumField);

// The child line of a received frame: the decoded line and its " <FONT color=...>CK(sum)</FONT>"
// suffix, green when the checksum field matches the sum, red otherwise.
std::string DecodedChildLine(std::string_view decodedLine, std::uint32_t sum, std::uint32_t checksumField);

}  // namespace orvek
