// Feeds each receiver 100 MB of input that never completes a frame and reports what they keep
// buffered and how far the process's peak resident memory grows meanwhile.

#include "bench/PeakMemory.h"
#include "protocol/SerialReceiver.h"
#include "protocol/TcpReceiver.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using orvek::bench::PeakResidentKiB;

constexpr std::size_t kStreamBytes = 100 * 1000 * 1000;
constexpr std::size_t kReadSize = 1000;  // one socket read of the console
constexpr std::size_t kNotificationSize = 64;
// Allocator slack; a receiver that kept its input would grow by the whole 100 MB.
constexpr long kAllowedGrowthKiB = 4 * 1024;

struct Outcome {
    const char* name;
    std::size_t peakBuffered;
    std::size_t cap;
    std::size_t frames;
    long growthKiB;
    double seconds;
};

// "{" and base64 text, a new "{" every 8 KB and never a "}": each envelope overruns the cap.
Outcome FeedTcp()
{
    std::string stream(8192, 'A');
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = "QUJDRA+/xyz0123"[i % 15];
    stream[0] = '{';

    orvek::TcpReceiver receiver;
    std::vector<orvek::ReceivedFrame> frames;
    Outcome outcome{"TcpReceiver", 0, orvek::TcpReceiver::kPendingCap, 0, 0, 0};
    const long before = PeakResidentKiB();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t fed = 0; fed < kStreamBytes; fed += kReadSize) {
        const std::size_t at = fed % stream.size();
        receiver.Feed(std::string_view(stream).substr(at, std::min(kReadSize, stream.size() - at)), frames);
        outcome.peakBuffered = std::max(outcome.peakBuffered, receiver.PendingBytes());
        outcome.frames += frames.size();
        frames.clear();
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.growthKiB = PeakResidentKiB() - before;
    return outcome;
}

// Stray bytes: pseudo-random, with start bytes and known codes sprinkled in so that candidate
// frames keep opening and failing.
Outcome FeedSerial()
{
    std::vector<std::uint8_t> stream(1 << 16);
    std::uint32_t state = 0x12345678;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const std::uint8_t byte = static_cast<std::uint8_t>(state);
        stream[i] = i % 40 == 0 ? 0x00 : i % 40 == 1 ? 0x81 : byte == 0x0A ? 0x0B : byte;
    }

    orvek::SerialReceiver receiver;
    std::vector<orvek::ReceivedFrame> frames;
    Outcome outcome{"SerialReceiver", 0, orvek::kSerialFrameLimit, 0, 0, 0};
    const long before = PeakResidentKiB();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t fed = 0; fed < kStreamBytes; fed += kNotificationSize) {
        const std::size_t at = fed % stream.size();
        receiver.Feed(std::span<const std::uint8_t>(stream).subspan(at, kNotificationSize), frames);
        outcome.peakBuffered = std::max(outcome.peakBuffered, receiver.HeldBytes());
        outcome.frames += frames.size();
        frames.clear();
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.growthKiB = PeakResidentKiB() - before;
    return outcome;
}

bool Report(const Outcome& outcome)
{
    const bool flat = outcome.peakBuffered <= outcome.cap && outcome.growthKiB <= kAllowedGrowthKiB;
    std::printf(
        "%-15s %zu MB fed in %.3f s (%.0f MB/s): peak buffered %zu bytes (cap %zu), %zu frames, "
        "peak RSS growth %ld KiB%s\n",
        outcome.name, kStreamBytes / 1000000, outcome.seconds, kStreamBytes / 1e6 / outcome.seconds,
        outcome.peakBuffered, outcome.cap, outcome.frames, outcome.growthKiB, flat ? "" : "  NOT FLAT");
    return flat;
}

}  // namespace

int main()
{
    const long start = PeakResidentKiB();
    const bool tcpFlat = Report(FeedTcp());
    const bool serialFlat = Report(FeedSerial());
    std::printf("peak RSS: %ld KiB at start, %ld KiB at the end\n", start, PeakResidentKiB());
    return tcpFlat && serialFlat ? 0 : 1;
}
