#pragma once

#include "protocol/Frame.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Finds "{...}" envelopes in the text of TCP reads and the frames inside them. Text is kept
// from one read to the next; text waiting for its "}" is capped.
class TcpReceiver {
public:
    static constexpr std::size_t kPendingCap = 4096;

    // Appends every frame completed by this read to accepted, in order.
    void Feed(std::string_view text, std::vector<ReceivedFrame>& accepted);

    // The connection was (re)opened.
    void Reset();

    std::size_t PendingBytes() const { return m_pending.size(); }

private:
    void DecodeAndFind(std::string_view envelope, std::vector<ReceivedFrame>& accepted);

    std::string m_pending;
    std::vector<std::uint8_t> m_decoded;
};

}  // namespace orvek
