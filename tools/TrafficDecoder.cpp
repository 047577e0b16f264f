#include "tools/TrafficDecoder.h"

#include <utility>

namespace orvek {

TrafficDecoder::TrafficDecoder(TrafficKind kind, FrameStyle style, TimeStampSource timeStamp)
    : m_kind(kind), m_style(style), m_timeStamp(std::move(timeStamp))
{
}

std::optional<std::string> TrafficDecoder::Feed(std::string_view text, std::vector<std::string>& lines)
{
    std::optional<std::string> error;
    if (m_kind == TrafficKind::SerialHex) {
        m_bytes.clear();
        error = m_hex.Feed(text, m_bytes);
        m_serial.Feed(m_bytes, m_frames);
    } else {
        m_tcp.Feed(text, m_frames);
    }
    Print(lines);
    return error;
}

std::optional<std::string> TrafficDecoder::Finish()
{
    if (m_kind == TrafficKind::TcpEnvelopes) {
        m_droppedAtEnd = m_tcp.PendingBytes();
        m_tcp.Reset();
        return std::nullopt;
    }
    m_droppedAtEnd = m_serial.HeldBytes();
    m_serial.TimeOut();
    return m_hex.Finish();
}

void TrafficDecoder::Print(std::vector<std::string>& lines)
{
    if (m_frames.empty()) return;
    // Every frame of one read was read at the same moment.
    const std::string timeStamp = m_style == FrameStyle::Log ? m_timeStamp() : std::string();
    for (const ReceivedFrame& frame : m_frames) {
        for (std::string& line : FrameLines(frame, m_style, timeStamp)) lines.push_back(std::move(line));
    }
    m_frames.clear();
}

}  // namespace orvek
