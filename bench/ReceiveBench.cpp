// Frames per second through the receive path over a stream that is mostly passings (80) and
// status reports (81). The headline pair, to be read from one run: link input to the decoded
// line of every frame (BM_TcpEnvelopesToDecodedLines, BM_SerialBytesToDecodedLines) against a
// plain base64 decode of the same envelope text (BM_PlainBase64OfEnvelopes). The rest break
// the path down: the receivers alone, the path with both log lines of each frame, and the
// path with a new DecodedFrame per frame. On a busy machine, compare medians of one run with
//   --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true

#include "decoding/DecodeFrame.h"
#include "protocol/Envelope.h"
#include "protocol/LogLines.h"
#include "protocol/SerialReceiver.h"
#include "protocol/TcpReceiver.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFrameCount = 1000;
constexpr std::size_t kReadSize = 1000;        // one socket read of the console
constexpr std::size_t kNotificationSize = 32;  // a typical serial notification
constexpr std::string_view kTimeStamp = "11/12/2026 15:04:13.007";

Bytes ReaderFrame(std::uint8_t code, const Bytes& payload)
{
    Bytes frame{0x00, code, 0x01};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint32_t sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) sum += frame[i];
    frame.insert(frame.end(), {static_cast<std::uint8_t>(sum >> 24), static_cast<std::uint8_t>(sum >> 16),
                               static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum), 0x0D, 0x0A});
    return frame;
}

// Passing: session, transponder, date and time, hits; status: clock, temperatures,
// humidity and supply.
Bytes Passing(std::size_t i)
{
    const auto tag = static_cast<std::uint8_t>(i);
    return ReaderFrame(i % 2 ? 0x50 : 0x5A, {0x00, 0x01, 0x00, 0x12, tag,  0x34, 0x1A, 0x0B, 0x0C, 0x0E, 0x2D, 0x1E,
                                             0x01, 0xF4, 0x00, 0x05, 0x01, 0x00, 0x02, 0x00, 0x00, 0x10, 0x03});
}

Bytes Status(std::size_t i)
{
    const auto second = static_cast<std::uint8_t>(i % 60);
    return ReaderFrame(0x51, {0x1A, 0x0B, 0x0C, 0x0E, 0x2D, second, 0x05, 0x00, 0xEB, 0x01, 0x02, 0x00, 0x37, 0x00,
                              0x30, 0x00, 0x78, 0x00});
}

// Eight passings and status reports in ten, then a clock reply or an error reply.
std::vector<Bytes> Mix()
{
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < kFrameCount; ++i) {
        switch (i % 10) {
            case 8:
                frames.push_back(ReaderFrame(0x85, {0x1A, 0x0B, 0x0C, 0x0E, 0x2D, 0x1E, 0x05, 0, 0, 0, 0}));
                break;
            case 9:
                frames.push_back(ReaderFrame(0xFF, {0x05, 0x01, 0x00}));
                break;
            default:
                frames.push_back(i % 3 ? Passing(i) : Status(i));
                break;
        }
    }
    return frames;
}

std::string EnvelopeStream(const std::vector<Bytes>& frames)
{
    std::string text;
    for (const Bytes& frame : frames) text += orvek::EncodeEnvelope(frame);
    return text;
}

Bytes SerialStream(const std::vector<Bytes>& frames)
{
    Bytes stream;
    for (const Bytes& frame : frames) stream.insert(stream.end(), frame.begin(), frame.end());
    return stream;
}

// Envelope text as the console reads it from the socket, one read at a time.
class TcpInput {
public:
    TcpInput() : m_stream(EnvelopeStream(Mix())) {}

    template <typename OnFrames>
    void FeedAll(OnFrames& onFrames)
    {
        for (std::size_t at = 0; at < m_stream.size(); at += kReadSize) {
            m_receiver.Feed(std::string_view(m_stream).substr(at, kReadSize), m_accepted);
            onFrames(m_accepted);
            m_frames += m_accepted.size();
            m_accepted.clear();
        }
    }

    std::int64_t Frames() const { return static_cast<std::int64_t>(m_frames); }

private:
    const std::string m_stream;
    orvek::TcpReceiver m_receiver;
    std::vector<orvek::ReceivedFrame> m_accepted;
    std::size_t m_frames = 0;
};

// Serial bytes as the port notifies them.
class SerialInput {
public:
    SerialInput() : m_stream(SerialStream(Mix())) {}

    template <typename OnFrames>
    void FeedAll(OnFrames& onFrames)
    {
        for (std::size_t at = 0; at < m_stream.size(); at += kNotificationSize) {
            m_receiver.Feed(std::span(m_stream).subspan(at, std::min(kNotificationSize, m_stream.size() - at)),
                            m_accepted);
            onFrames(m_accepted);
            m_frames += m_accepted.size();
            m_accepted.clear();
        }
    }

    std::int64_t Frames() const { return static_cast<std::int64_t>(m_frames); }

private:
    const Bytes m_stream;
    orvek::SerialReceiver m_receiver;
    std::vector<orvek::ReceivedFrame> m_accepted;
    std::size_t m_frames = 0;
};

// The decoded line of each frame, written over one DecodedFrame so that its line keeps its
// capacity from frame to frame.
class DecodedLines {
public:
    void operator()(const std::vector<orvek::ReceivedFrame>& frames)
    {
        for (const orvek::ReceivedFrame& frame : frames) {
            orvek::DecodeFrame(frame.bytes, m_decoded);
            benchmark::DoNotOptimize(m_decoded.line.data());
        }
    }

private:
    orvek::DecodedFrame m_decoded;
};

// The decoded line of each frame in a DecodedFrame of its own, as DecodeFrame returns it.
struct FreshDecodedLines {
    void operator()(const std::vector<orvek::ReceivedFrame>& frames) const
    {
        for (const orvek::ReceivedFrame& frame : frames) {
            const orvek::DecodedFrame decoded = orvek::DecodeFrame(frame.bytes);
            benchmark::DoNotOptimize(decoded.line.data());
        }
    }
};

// The "Ricevuto" line and the decoded child line of each frame, as the log shows them.
struct FrameLines {
    void operator()(const std::vector<orvek::ReceivedFrame>& frames) const
    {
        for (const orvek::ReceivedFrame& frame : frames) {
            std::string top = orvek::ReceivedFrameLine(kTimeStamp, frame.bytes, frame.sum, frame.checksumField);
            const orvek::DecodedFrame decoded = orvek::DecodeFrame(frame.bytes);
            std::string child = orvek::DecodedChildLine(decoded.line, frame.sum, frame.checksumField);
            benchmark::DoNotOptimize(top.data());
            benchmark::DoNotOptimize(child.data());
        }
    }
};

struct NoLines {
    void operator()(const std::vector<orvek::ReceivedFrame>& frames) const { benchmark::DoNotOptimize(frames.data()); }
};

template <typename Input, typename Lines>
void ReceivePath(benchmark::State& state)
{
    Input input;
    Lines lines;
    for (auto _ : state) input.FeedAll(lines);
    state.SetItemsProcessed(input.Frames());
}

// Headline: envelope text or serial bytes in, the decoded line of every frame out.
void BM_TcpEnvelopesToDecodedLines(benchmark::State& state) { ReceivePath<TcpInput, DecodedLines>(state); }
BENCHMARK(BM_TcpEnvelopesToDecodedLines);

void BM_SerialBytesToDecodedLines(benchmark::State& state) { ReceivePath<SerialInput, DecodedLines>(state); }
BENCHMARK(BM_SerialBytesToDecodedLines);

// Baseline: a plain table-driven base64 decoder over the same envelope text, one envelope at a time.
constexpr std::array<std::int8_t, 256> Base64Values()
{
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return values;
}

std::size_t PlainBase64Decode(std::string_view text, std::uint8_t* out)
{
    static constexpr std::array<std::int8_t, 256> kValues = Base64Values();
    std::uint32_t bits = 0;
    int held = 0;
    std::size_t written = 0;
    for (const char c : text) {
        const std::int8_t value = kValues[static_cast<unsigned char>(c)];
        if (value < 0) continue;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out[written++] = static_cast<std::uint8_t>(bits >> held);
        }
    }
    return written;
}

void BM_PlainBase64OfEnvelopes(benchmark::State& state)
{
    const std::string stream = EnvelopeStream(Mix());
    // The text between each "{" and its "}".
    std::vector<std::string_view> bodies;
    for (std::size_t open = stream.find('{'); open != std::string::npos; open = stream.find('{', open + 1))
        bodies.push_back(std::string_view(stream).substr(open + 1, stream.find('}', open) - open - 1));
    std::array<std::uint8_t, 256> out{};
    std::size_t frames = 0;
    for (auto _ : state) {
        for (const std::string_view body : bodies) {
            const std::size_t count = PlainBase64Decode(body, out.data());
            benchmark::DoNotOptimize(count);
            benchmark::DoNotOptimize(out.data());
        }
        frames += bodies.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
}
BENCHMARK(BM_PlainBase64OfEnvelopes);

// Breakdown: the receivers alone, handing out frames and nothing more.
void BM_TcpReceiverOnly(benchmark::State& state) { ReceivePath<TcpInput, NoLines>(state); }
BENCHMARK(BM_TcpReceiverOnly);

void BM_SerialReceiverOnly(benchmark::State& state) { ReceivePath<SerialInput, NoLines>(state); }
BENCHMARK(BM_SerialReceiverOnly);

// Breakdown: the whole log of each frame, the "Ricevuto" line with the decoded child line.
void BM_TcpEnvelopesToFrameLines(benchmark::State& state) { ReceivePath<TcpInput, FrameLines>(state); }
BENCHMARK(BM_TcpEnvelopesToFrameLines);

void BM_SerialBytesToFrameLines(benchmark::State& state) { ReceivePath<SerialInput, FrameLines>(state); }
BENCHMARK(BM_SerialBytesToFrameLines);

// Breakdown: the headline path with a new DecodedFrame, and so a new line, for every frame.
void BM_TcpEnvelopesToFreshDecodedLines(benchmark::State& state) { ReceivePath<TcpInput, FreshDecodedLines>(state); }
BENCHMARK(BM_TcpEnvelopesToFreshDecodedLines);

void BM_SerialBytesToFreshDecodedLines(benchmark::State& state) { ReceivePath<SerialInput, FreshDecodedLines>(state); }
BENCHMARK(BM_SerialBytesToFreshDecodedLines);

}  // namespace
