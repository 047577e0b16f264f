#include "tools/CommandFrameReader.h"

#include "commands/Catalogue.h"
#include "protocol/Envelope.h"
#include "protocol/Frame.h"

namespace orvek {

namespace {

constexpr std::uint8_t kGpsResetCode = 55;

bool EndsInCrLf(const FrameBytes& bytes)
{
    const std::size_t n = bytes.size();
    return n >= 2 && bytes[n - 2] == 0x0D && bytes[n - 1] == 0x0A;
}

}  // namespace

std::optional<std::size_t> CommandPayloadLength(std::uint8_t code)
{
    if (code == kGpsResetCode) return 0;
    const Command* command = FindCommand(code);
    if (command == nullptr) return std::nullopt;
    if (command->kind == CommandKind::SetClock) return 7;
    std::size_t length = 0;
    for (const PayloadItem& item : command->payload) {
        length += item.width == FieldWidth::U8 ? 1 : item.width == FieldWidth::U16 ? 2 : 4;
    }
    return length;
}

void SerialCommandReader::Feed(std::span<const std::uint8_t> bytes, std::vector<FrameBytes>& frames)
{
    for (const std::uint8_t byte : bytes) {
        if (m_held.empty() && byte != kStartByte) continue;
        m_held.push_back(byte);
        if (m_held.size() >= kFrameOverhead && EndsInCrLf(m_held)) {
            const std::optional<std::size_t> length = CommandPayloadLength(m_held[1]);
            if (!length || m_held.size() >= *length + kFrameOverhead) {
                frames.push_back(std::move(m_held));
                m_held.clear();
                continue;
            }
        }
        if (m_held.size() >= kLimit) m_held.clear();
    }
}

void SerialCommandReader::TimeOut(std::vector<FrameBytes>& frames)
{
    if (m_held.size() >= kFrameOverhead && EndsInCrLf(m_held)) frames.push_back(std::move(m_held));
    m_held.clear();
}

void EnvelopeCommandReader::Feed(std::string_view text, std::vector<FrameBytes>& frames)
{
    for (const char c : text) {
        if (c == '{') {
            m_inside = true;
            m_pending.clear();
            continue;
        }
        if (!m_inside) continue;
        if (c != '}') {
            if (m_pending.size() < kLimit) {
                m_pending += c;
            } else {
                m_inside = false;
                m_pending.clear();
            }
            continue;
        }
        m_inside = false;
        FrameBytes frame(DecodedCapacity(m_pending));
        frame.resize(DecodeEnvelope(m_pending, frame));
        m_pending.clear();
        if (!frame.empty()) frames.push_back(std::move(frame));
    }
}

}  // namespace orvek
