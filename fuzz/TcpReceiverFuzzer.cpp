#include "fuzz/FrameChecks.h"
#include "protocol/Envelope.h"
#include "protocol/TcpReceiver.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

using orvek::TcpReceiver;
using orvek::fuzz::Require;

namespace {

// No envelope longer than the pending cap is decoded, so no frame is longer than this.
constexpr std::size_t kLongestFrame = TcpReceiver::kPendingCap / 4 * 3;

// Input: a run of steps. A step byte of 0 is a reconnection; 1 to 127 a read of that many
// bytes of text; 128 + k a read of 64 * (k + 1) bytes, so reads can reach past the cap.
constexpr std::uint8_t kResetStep = 0;

std::size_t ReadSize(std::uint8_t step) { return step < 128 ? step : 64 * (step - 127); }

void Feed(TcpReceiver& receiver, std::string_view text, std::vector<orvek::ReceivedFrame>& frames)
{
    const std::size_t before = frames.size();
    receiver.Feed(text, frames);
    Require(receiver.PendingBytes() <= TcpReceiver::kPendingCap, "pending text within its cap");
    for (std::size_t i = before; i < frames.size(); ++i) {
        orvek::fuzz::CheckReceivedFrame(frames[i], kLongestFrame, false);
    }
}

// How the text is cut into reads must not change the frames; a reconnection cuts for real.
void CheckReads(const std::uint8_t* data, std::size_t size)
{
    TcpReceiver cutReads;
    TcpReceiver wholeReads;
    std::vector<orvek::ReceivedFrame> cutFrames;
    std::vector<orvek::ReceivedFrame> wholeFrames;
    std::string sinceReset;

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t step = data[at++];
        if (step == kResetStep) {
            Feed(wholeReads, sinceReset, wholeFrames);
            sinceReset.clear();
            cutReads.Reset();
            wholeReads.Reset();
            Require(cutReads.PendingBytes() == 0, "reconnection drops pending text");
            continue;
        }
        const std::string_view read{reinterpret_cast<const char*>(data) + at, std::min(ReadSize(step), size - at)};
        at += read.size();
        Feed(cutReads, read, cutFrames);
        sinceReset += read;
    }
    Feed(wholeReads, sinceReset, wholeFrames);
    Require(orvek::fuzz::SameFrames(cutFrames, wholeFrames), "frames do not depend on how reads are cut");
}

// A well-formed frame sent as one envelope, cut into reads at the input's positions, must come
// out exactly once, as sent.
void CheckWellFormedFrame(const std::uint8_t* data, std::size_t size)
{
    const std::optional<std::vector<std::uint8_t>> wellFormed = orvek::fuzz::WellFormedFrame(data, size, 63);
    if (!wellFormed) return;
    const std::vector<std::uint8_t>& frame = *wellFormed;

    const std::string envelope = orvek::EncodeEnvelope(frame);
    TcpReceiver receiver;
    std::vector<orvek::ReceivedFrame> frames;
    std::size_t sent = 0;
    for (std::size_t i = 2; sent < envelope.size(); ++i) {
        const std::size_t readSize = i < size ? 1 + data[i] % 16 : envelope.size();
        const std::size_t count = std::min(readSize, envelope.size() - sent);
        Feed(receiver, std::string_view(envelope).substr(sent, count), frames);
        sent += count;
    }
    Require(frames.size() == 1, "a well-formed envelope gives one frame");
    Require(frames[0].bytes == frame && frames[0].ChecksumMatches(), "the frame comes out as sent");
    Require(receiver.PendingBytes() == 0, "nothing pending after a whole envelope");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckReads(data, size);
    CheckWellFormedFrame(data, size);
    return 0;
}
