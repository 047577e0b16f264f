#include "decoding/DecodeFrame.h"

#include "decoding/MessageLines.h"

namespace orvek {

namespace {

// Room for the longest line (a passing report) without growing.
constexpr std::size_t kLineCapacity = 512;

}  // namespace

DecodedFrame DecodeFrame(std::span<const std::uint8_t> frame)
{
    DecodedFrame decoded;
    DecodeFrame(frame, decoded);
    return decoded;
}

void DecodeFrame(std::span<const std::uint8_t> frame, DecodedFrame& decoded)
{
    decoded.readouts.reset();
    decoded.firmware.reset();
    if (frame.size() < FrameFields::kPayloadOffset) {
        decoded.line.clear();
        return;
    }

    const FrameFields fields(frame);
    decoded.line.reserve(kLineCapacity);
    // The line of the frame before, if any, is written over.
    LineWriter line(decoded.line, 0);
    switch (fields.Code()) {
        case 80:
        case 90:
            WritePassingReport(fields, line);
            break;
        case 81:
            decoded.readouts = WriteStatusReport(fields, line);
            break;
        case 83:
        case 85:
            WriteTransponderReport(fields, line);
            break;
        case 129:
            decoded.firmware = WriteFirmwareReply(fields, line);
            break;
        default:
            WriteReply(fields, line);
            break;
    }
}

}  // namespace orvek
