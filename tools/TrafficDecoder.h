#pragma once

#include "protocol/SerialReceiver.h"
#include "protocol/TcpReceiver.h"
#include "tools/FrameText.h"
#include "tools/HexInput.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

enum class TrafficKind : std::uint8_t {
    SerialHex,     // hexadecimal bytes through the serial receiver
    TcpEnvelopes,  // envelope text through the TCP receiver
};

// Received traffic, read by reads, to the lines that `orvek decode` prints for each frame.
class TrafficDecoder {
public:
    using TimeStampSource = std::function<std::string()>;

    TrafficDecoder(TrafficKind kind, FrameStyle style, TimeStampSource timeStamp);

    // One read of input: appends the lines of every frame it completes. Bad input gives back
    // an error; the lines of the frames completed before it are appended all the same.
    std::optional<std::string> Feed(std::string_view text, std::vector<std::string>& lines);

    // End of input: a partial frame is dropped, as the serial idle time-out would; an error
    // when the hexadecimal text ends in the middle of a byte.
    std::optional<std::string> Finish();

    // What Finish dropped: bytes of a serial frame, or characters of an envelope.
    std::size_t DroppedAtEnd() const { return m_droppedAtEnd; }

private:
    void Print(std::vector<std::string>& lines);

    TrafficKind m_kind;
    FrameStyle m_style;
    TimeStampSource m_timeStamp;
    HexInput m_hex;
    SerialReceiver m_serial;
    TcpReceiver m_tcp;
    std::vector<std::uint8_t> m_bytes;
    std::vector<ReceivedFrame> m_frames;
    std::size_t m_droppedAtEnd = 0;
};

}  // namespace orvek
