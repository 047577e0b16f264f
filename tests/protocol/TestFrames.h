#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvek::test {

using Bytes = std::vector<std::uint8_t>;

// A frame as a reader sends it: the checksum field carries the plain sum.
inline Bytes ReaderFrame(std::uint8_t code, std::uint8_t readerId, const Bytes& payload)
{
    Bytes frame{0x00, code, readerId};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint32_t sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) sum += frame[i];
    frame.insert(frame.end(), {static_cast<std::uint8_t>(sum >> 24), static_cast<std::uint8_t>(sum >> 16),
                               static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum), 0x0D, 0x0A});
    return frame;
}

inline Bytes Payload(std::size_t length, std::uint8_t first)
{
    Bytes payload(length);
    for (std::size_t i = 0; i < length; ++i) payload[i] = static_cast<std::uint8_t>(first + i);
    return payload;
}

inline Bytes Prefix(const Bytes& bytes, std::size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

inline Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Frames of a realistic stream: passings (80, 90), status reports (81), a clock reply whose
// payload holds CR LF, an error reply and a firmware reply.
inline Bytes Passing() { return ReaderFrame(0x50, 1, Payload(23, 0x10)); }
inline Bytes Status() { return ReaderFrame(0x51, 1, Payload(18, 0x20)); }
inline Bytes ClockWithCrLf()
{
    return ReaderFrame(0x85, 1, {0x18, 0x0D, 0x0A, 0x0C, 0x0B, 0x0A, 0x09, 0x08, 0x07, 0x06, 0x05});
}
inline Bytes ErrorReply() { return ReaderFrame(0xFF, 1, {0x05, 0x01, 0x00}); }
inline Bytes Firmware()
{
    const std::string text = "ZTB v2.17 build 0421 (c) ORVEK";
    return ReaderFrame(0x81, 1, Bytes(text.begin(), text.end()));
}

}  // namespace orvek::test
