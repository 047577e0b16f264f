#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

using FrameBytes = std::vector<std::uint8_t>;

// Payload length of a command the reader knows (the console's catalogue, and 55); nullopt
// for any other code.
std::optional<std::size_t> CommandPayloadLength(std::uint8_t code);

// The reader's side of the serial link: command frames from the console's bytes.
//
// A frame starts at a 00 byte; other bytes while nothing is held are line noise and skipped.
// A known command ends at the first CR LF once its payload length is reached, so a CR LF
// inside its payload or checksum does not end it; one whose CR LF comes later is handed out
// too, for the reader to answer with a length error. An unknown code ends at the first CR LF
// once 9 bytes are held. Bytes held when the idle time-out passes are handed out when they end
// in CR LF (a frame too short for its code), otherwise dropped; so is a run of 64 bytes with
// no end.
class SerialCommandReader {
public:
    static constexpr std::size_t kLimit = 64;

    void Feed(std::span<const std::uint8_t> bytes, std::vector<FrameBytes>& frames);
    void TimeOut(std::vector<FrameBytes>& frames);
    bool Holding() const { return !m_held.empty(); }

private:
    FrameBytes m_held;
};

// The reader's side of the TCP link: each "{...}" envelope decoded to one candidate frame,
// text kept across reads. Text outside braces is skipped; an envelope longer than kLimit
// characters is dropped.
class EnvelopeCommandReader {
public:
    static constexpr std::size_t kLimit = 1024;

    void Feed(std::string_view text, std::vector<FrameBytes>& frames);

private:
    std::string m_pending;
    bool m_inside = false;
};

}  // namespace orvek
