#include "protocol/SerialReceiver.h"

#include <algorithm>

namespace orvek {

// Resynchronisation policy. A frame must begin with the start byte, so a byte that arrives
// while nothing is held and is not 00 is dropped at once. The held bytes are a candidate
// frame that is dropped as soon as it cannot become one: its code is not in the length table,
// its code has a length L != 0 and its L + 9th byte is not the LF of a CR LF, or it reaches
// 81 bytes with no end. After a drop, only the candidate's start byte is given up: the bytes
// held after it are fed again, so the next 00 among them starts the next candidate and a
// frame that follows a stray byte is still found. A length of L != 0 ends the frame exactly
// after L + 9 bytes; L = 0 ends it at the first CR LF once 9 bytes are held. The idle
// time-out, counted by the caller from the last byte received, drops whatever is held.

SerialReceiver::Verdict SerialReceiver::Judge()
{
    if (m_buffer[0] != kStartByte) return Verdict::Dropped;
    if (m_count < 2) return Verdict::Incomplete;
    if (m_count == 2) {
        const std::optional<std::uint8_t> length = ExpectedPayloadLength(m_buffer[1]);
        // A fixed length beyond the serial limit could never be held.
        if (!length || *length + kFrameOverhead > kSerialFrameLimit) return Verdict::Dropped;
        m_fixedLength = *length == 0 ? 0 : *length + kFrameOverhead;
        return Verdict::Incomplete;
    }

    const bool endsInCrLf = m_count >= kFrameOverhead && m_buffer[m_count - 2] == 0x0D && m_buffer[m_count - 1] == 0x0A;
    if (m_fixedLength != 0) {
        if (m_count == m_fixedLength) return endsInCrLf ? Verdict::Accepted : Verdict::Dropped;
    } else if (endsInCrLf) {
        return Verdict::Accepted;
    }
    return m_count >= kSerialFrameLimit ? Verdict::Dropped : Verdict::Incomplete;
}

void SerialReceiver::Feed(std::span<const std::uint8_t> bytes, std::vector<ReceivedFrame>& accepted)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        // Bytes before the last one of a fixed-length frame can neither end nor break it.
        if (m_count >= 2 && m_fixedLength != 0) {
            const std::size_t run = std::min(m_fixedLength - 1 - m_count, bytes.size() - at);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), run,
                        m_buffer.begin() + static_cast<std::ptrdiff_t>(m_count));
            m_count += run;
            at += run;
            if (at == bytes.size()) break;
        }
        Take(bytes[at++], accepted);
    }
}

void SerialReceiver::Take(std::uint8_t incoming, std::vector<ReceivedFrame>& accepted)
{
    // Bytes still to be judged: the new byte, then those given back by a dropped candidate.
    // Held plus waiting never exceed the frame limit, since each drop gives up one byte.
    std::array<std::uint8_t, kSerialFrameLimit> waiting{};
    waiting[0] = incoming;
    std::size_t first = 0;
    std::size_t last = 1;
    while (first < last) {
        m_buffer[m_count++] = waiting[first++];
        const Verdict verdict = Judge();
        if (verdict == Verdict::Accepted) {
            accepted.push_back(ToReceivedFrame(std::span<const std::uint8_t>(m_buffer.data(), m_count)));
            m_count = 0;
        } else if (verdict == Verdict::Dropped) {
            std::array<std::uint8_t, kSerialFrameLimit> again{};
            std::size_t againCount = 0;
            for (std::size_t i = 1; i < m_count; ++i) again[againCount++] = m_buffer[i];
            for (std::size_t i = first; i < last; ++i) again[againCount++] = waiting[i];
            waiting = again;
            first = 0;
            last = againCount;
            m_count = 0;
        }
    }
}

void SerialReceiver::TimeOut() { m_count = 0; }

}  // namespace orvek
