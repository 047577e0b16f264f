#include "protocol/TcpReceiver.h"

#include "protocol/Envelope.h"

#include <algorithm>
#include <span>

namespace orvek {

// Text is taken one "{...}" envelope at a time, each decoded on its own. Text outside braces
// is stray and dropped. A "{" inside an envelope means the one before it was cut short, so the
// envelope restarts there. Text waiting for its "}" is kept across reads up to kPendingCap
// characters; past that it is dropped, and so is what follows until the next "{". An envelope
// longer than that is dropped however the reads were cut.

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;

bool IsWholeFrame(std::span<const std::uint8_t> bytes)
{
    const std::size_t n = bytes.size();
    if (n < kFrameOverhead || bytes[0] != kStartByte || bytes[n - 2] != kCr || bytes[n - 1] != kLf) return false;
    const std::optional<std::uint8_t> length = ExpectedPayloadLength(bytes[1]);
    return length && (*length == 0 || n == *length + kFrameOverhead);
}

// Finds the LF of the first CR LF at or after a position. Positions only move forward, so a
// run of bytes is searched once however many start bytes it holds.
class CrLfFinder {
public:
    explicit CrLfFinder(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t LfAtOrAfter(std::size_t from)
    {
        if (m_found != kNone && m_found >= from) return m_found;
        for (std::size_t i = std::max({from, m_searched, std::size_t{1}}); i < m_bytes.size(); ++i) {
            if (m_bytes[i] == kLf && m_bytes[i - 1] == kCr) {
                m_searched = i + 1;
                return m_found = i;
            }
        }
        m_searched = m_bytes.size();
        return m_found = kNone;
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_found = kNone;
    std::size_t m_searched = 0;
};

// Length of the frame that starts at bytes[at], or 0 when none does. L != 0 fixes the length;
// L = 0 ends the frame at the first CR LF once 9 bytes are held.
std::size_t FrameLengthAt(std::span<const std::uint8_t> bytes, std::size_t at, CrLfFinder& crLf)
{
    if (bytes.size() - at < kFrameOverhead || bytes[at] != kStartByte) return 0;
    const std::optional<std::uint8_t> length = ExpectedPayloadLength(bytes[at + 1]);
    if (!length) return 0;
    if (*length != 0) {
        const std::size_t frameLength = *length + kFrameOverhead;
        if (bytes.size() - at < frameLength) return 0;
        const std::size_t lf = at + frameLength - 1;
        return bytes[lf - 1] == kCr && bytes[lf] == kLf ? frameLength : 0;
    }
    const std::size_t lf = crLf.LfAtOrAfter(at + kFrameOverhead - 1);
    return lf == CrLfFinder::kNone ? 0 : lf - at + 1;
}

// An envelope normally holds exactly one frame, taken whole whatever CR LF its text holds.
// Otherwise its frames are looked for one start byte at a time; a start byte that begins no
// frame is given up and the search goes on from the byte after it.
void FindFrames(std::span<const std::uint8_t> bytes, std::vector<ReceivedFrame>& accepted)
{
    if (IsWholeFrame(bytes)) {
        accepted.push_back(ToReceivedFrame(bytes));
        return;
    }
    CrLfFinder crLf(bytes);
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = FrameLengthAt(bytes, at, crLf);
        if (length == 0) {
            ++at;
            continue;
        }
        accepted.push_back(ToReceivedFrame(bytes.subspan(at, length)));
        at += length;
    }
}

}  // namespace

void TcpReceiver::Feed(std::string_view text, std::vector<ReceivedFrame>& accepted)
{
    while (!text.empty()) {
        if (m_pending.empty() && text.front() != '{') {
            const std::size_t open = text.find('{');
            if (open == std::string_view::npos) return;
            text.remove_prefix(open);
        }
        const std::size_t close = text.find('}');
        // Only a "{" before the "}" matters, so the search for one stops there.
        const std::size_t from = m_pending.empty() ? 1 : 0;
        const std::size_t reopen =
            close == std::string_view::npos ? text.find('{', from) : text.substr(0, close).find('{', from);
        if (reopen < close) {
            m_pending.clear();
            text.remove_prefix(reopen);
            continue;
        }
        if (close == std::string_view::npos) {
            if (m_pending.size() + text.size() > kPendingCap) {
                m_pending.clear();
                return;
            }
            m_pending += text;
            return;
        }
        const std::string_view tail = text.substr(0, close + 1);
        if (m_pending.size() + tail.size() > kPendingCap) {
            // Too long to be a frame, however the reads were cut.
            m_pending.clear();
        } else if (m_pending.empty()) {
            DecodeAndFind(tail, accepted);
        } else {
            m_pending += tail;
            DecodeAndFind(m_pending, accepted);
            m_pending.clear();
        }
        text.remove_prefix(close + 1);
    }
}

void TcpReceiver::DecodeAndFind(std::string_view envelope, std::vector<ReceivedFrame>& accepted)
{
    // Every character might be valid: room for that spares a counting pass over the text.
    const std::size_t capacity = envelope.size() / 4 * 3;
    if (m_decoded.size() < capacity) m_decoded.resize(capacity);
    const std::size_t count = DecodeEnvelope(envelope, std::span(m_decoded).first(capacity));
    FindFrames(std::span<const std::uint8_t>(m_decoded.data(), count), accepted);
}

void TcpReceiver::Reset() { m_pending.clear(); }

}  // namespace orvek
