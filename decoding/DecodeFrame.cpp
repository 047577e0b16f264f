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
    if (frame.size() < FrameFields::kPayloadOffset) return decoded;

    const FrameFields fields(frame);
    decoded.line.reserve(kLineCapacity);
    LineWriter line(decoded.line);
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
    return decoded;
}

}  // namespace orvek
