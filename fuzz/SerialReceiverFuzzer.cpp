#include "fuzz/FrameChecks.h"
#include "protocol/SerialReceiver.h"

#include <optional>
#include <span>
#include <vector>

using orvek::fuzz::Require;

namespace {

// Input: a run of steps. A step byte of kTimeOutStep is a time-out, kResetStep a port
// opening, any other value n is a notification carrying the next n bytes.
constexpr std::uint8_t kTimeOutStep = 0xFF;
constexpr std::uint8_t kResetStep = 0xFE;

void CheckState(const orvek::SerialReceiver& receiver)
{
    Require(receiver.HeldBytes() <= orvek::kSerialFrameLimit, "no more than 81 bytes held");
    Require(receiver.TimerShouldRun() == (receiver.HeldBytes() > 0), "timer runs while bytes are held");
}

void CheckNewFrames(const std::vector<orvek::ReceivedFrame>& frames, std::size_t from)
{
    for (std::size_t i = from; i < frames.size(); ++i) {
        orvek::fuzz::CheckReceivedFrame(frames[i], orvek::kSerialFrameLimit, true);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The same steps fed as the notifications say, and one byte per notification: how the
    // port cuts its notifications must not change what comes out.
    orvek::SerialReceiver asNotified;
    orvek::SerialReceiver byteByByte;
    std::vector<orvek::ReceivedFrame> notifiedFrames;
    std::vector<orvek::ReceivedFrame> byteFrames;

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t step = data[at++];
        if (step == kTimeOutStep) {
            asNotified.TimeOut();
            byteByByte.TimeOut();
            Require(asNotified.HeldBytes() == 0, "a time-out drops the partial frame");
        } else if (step == kResetStep) {
            asNotified.Reset();
            byteByByte.Reset();
            Require(asNotified.HeldBytes() == 0, "opening the port empties the buffer");
        } else {
            const std::span<const std::uint8_t> bytes{data + at, std::min<std::size_t>(step, size - at)};
            at += bytes.size();
            const std::size_t before = notifiedFrames.size();
            asNotified.Feed(bytes, notifiedFrames);
            CheckNewFrames(notifiedFrames, before);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                byteByByte.Feed(bytes.subspan(i, 1), byteFrames);
                CheckState(byteByByte);
            }
        }
        CheckState(asNotified);
        Require(asNotified.HeldBytes() == byteByByte.HeldBytes(), "held bytes do not depend on notification sizes");
    }
    Require(orvek::fuzz::SameFrames(notifiedFrames, byteFrames), "frames do not depend on notification sizes");

    // Whatever came before, a well-formed frame after the idle time-out is taken whole.
    const auto wellFormed = orvek::fuzz::WellFormedFrame(data, size, orvek::kSerialFrameLimit - orvek::kFrameOverhead);
    if (!wellFormed) return 0;
    asNotified.TimeOut();
    std::vector<orvek::ReceivedFrame> frames;
    asNotified.Feed(*wellFormed, frames);
    Require(frames.size() == 1 && frames[0].bytes == *wellFormed && frames[0].ChecksumMatches(),
            "a well-formed frame after a time-out comes out as sent");
    Require(asNotified.HeldBytes() == 0 && !asNotified.TimerShouldRun(), "nothing held after a whole frame");
    return 0;
}
