#include "protocol/SerialReceiver.h"

#include <algorithm>
#include <cstring>

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
    m_buffer[m_count++] = incoming;
    const Verdict verdict = Judge();
    if (verdict == Verdict::Accepted) {
        Accept(accepted);
    } else if (verdict == Verdict::Dropped) {
        Resynchronise(accepted);
    }
}

void SerialReceiver::Accept(std::vector<ReceivedFrame>& accepted)
{
    accepted.push_back(ToReceivedFrame(std::span<const std::uint8_t>(m_buffer.data(), m_count)));
    m_count = 0;
}

void SerialReceiver::Resynchronise(std::vector<ReceivedFrame>& accepted)
{
    // Bytes still to be judged: those given back by dropped candidates. Held plus waiting
    // never exceed the frame limit, since each drop gives up one byte.
    std::array<std::uint8_t, kSerialFrameLimit> waiting;
    std::size_t first = 0;
    std::size_t last = 0;
    while (true) {
        // The held candidate was dropped: all but its start byte go in front of the waiting bytes.
        const std::size_t givenBack = m_count - 1;
        std::memmove(waiting.data() + givenBack, waiting.data() + first, last - first);
        std::copy_n(m_buffer.begin() + 1, givenBack, waiting.begin());
        last = givenBack + last - first;
        first = 0;
        m_count = 0;
        Verdict verdict = Verdict::Incomplete;
        while (first < last && verdict != Verdict::Dropped) {
            m_buffer[m_count++] = waiting[first++];
            verdict = Judge();
            if (verdict == Verdict::Accepted) Accept(accepted);
        }
        if (verdict != Verdict::Dropped) return;
    }
}

void SerialReceiver::TimeOut() { m_count = 0; }

}  // namespace orvek
