#include "tools/FaultInjector.h"

#include "protocol/Envelope.h"

#include <string_view>

namespace orvek {

FaultInjector::FaultInjector(const FaultSettings& settings, std::uint32_t seed) : m_settings(settings), m_random(seed)
{
}

std::vector<std::string> FaultInjector::Writes(FrameBytes frame, LinkEncoding encoding)
{
    if (frame.size() >= 6 && Chance(m_settings.badChecksumRate)) {
        // The lowest byte of the checksum field: the frame still has its shape.
        ++frame[frame.size() - 3];
    }
    std::string text =
        encoding == LinkEncoding::Envelopes ? EncodeEnvelope(frame) : std::string(frame.begin(), frame.end());
    if (Chance(m_settings.garbageRate)) text.insert(0, Noise(encoding));
    if (!m_settings.splitFrames || text.size() < 2) return {text};
    const std::size_t half = text.size() / 2;
    return {text.substr(0, half), text.substr(half)};
}

bool FaultInjector::Chance(double rate)
{
    return rate > 0 && std::uniform_real_distribution<double>(0, 1)(m_random) < rate;
}

std::string FaultInjector::Noise(LinkEncoding encoding)
{
    // On TCP, text outside any envelope; on serial, any byte values.
    constexpr std::string_view kStray = "#%&*!?~;<>|\r\n";
    const int count = std::uniform_int_distribution<int>(1, 4)(m_random);
    std::string noise;
    for (int i = 0; i < count; ++i) {
        if (encoding == LinkEncoding::Envelopes) {
            noise += kStray[std::uniform_int_distribution<std::size_t>(0, kStray.size() - 1)(m_random)];
        } else {
            noise += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(m_random));
        }
    }
    return noise;
}

}  // namespace orvek
