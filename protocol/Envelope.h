#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orvek {

// "{" + base64 of the frame + "}".
std::string EncodeEnvelope(std::span<const std::uint8_t> frame);

// Lenient base64 decoding of envelope text: characters outside the alphabet and "=" are
// skipped. Returns the number of bytes written to out, 0 meaning nothing usable. out must
// hold DecodedCapacity(text) bytes; nothing is written past that.
std::size_t DecodeEnvelope(std::string_view text, std::span<std::uint8_t> out);

// Three bytes for every four valid characters of text.
std::size_t DecodedCapacity(std::string_view text);

}  // namespace orvek
