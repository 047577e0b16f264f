#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvek {

// Read-only view of a received frame's fields. The payload runs from offset 3 up to the
// checksum field, which with CR LF takes the last 6 bytes of a whole frame. A field is present
// only when all its bytes lie inside the payload: the checksum and anything past the frame are
// never read as data, whatever the code's layout asks for.
class FrameFields {
public:
    static constexpr std::size_t kPayloadOffset = 3;
    static constexpr std::size_t kTrailerLength = 6;  // checksum field, CR, LF

    // frame must hold at least kPayloadOffset bytes.
    explicit FrameFields(std::span<const std::uint8_t> frame)
        : m_frame(frame),
          m_payloadEnd(frame.size() >= kPayloadOffset + kTrailerLength ? frame.size() - kTrailerLength
                                                                       : std::min(frame.size(), kPayloadOffset))
    {
    }

    std::uint8_t Code() const { return m_frame[1]; }
    std::uint8_t ReaderId() const { return m_frame[2]; }

    std::span<const std::uint8_t> Payload() const
    {
        return m_frame.subspan(kPayloadOffset, m_payloadEnd - kPayloadOffset);
    }

    std::optional<std::uint8_t> Byte(std::size_t offset) const
    {
        if (!Holds(offset, 1)) return std::nullopt;
        return m_frame[offset];
    }

    std::optional<std::uint16_t> Unsigned16(std::size_t offset) const
    {
        if (!Holds(offset, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(m_frame[offset] << 8 | m_frame[offset + 1]);
    }

    std::optional<std::uint32_t> Unsigned32(std::size_t offset) const
    {
        if (!Holds(offset, 4)) return std::nullopt;
        return std::uint32_t{m_frame[offset]} << 24 | std::uint32_t{m_frame[offset + 1]} << 16 |
               std::uint32_t{m_frame[offset + 2]} << 8 | std::uint32_t{m_frame[offset + 3]};
    }

    std::optional<std::int32_t> Signed32(std::size_t offset) const
    {
        const auto value = Unsigned32(offset);
        if (!value) return std::nullopt;
        return static_cast<std::int32_t>(*value);
    }

private:
    bool Holds(std::size_t offset, std::size_t width) const
    {
        return offset >= kPayloadOffset && offset <= m_payloadEnd && width <= m_payloadEnd - offset;
    }

    std::span<const std::uint8_t> m_frame;
    std::size_t m_payloadEnd;
};

}  // namespace orvek
