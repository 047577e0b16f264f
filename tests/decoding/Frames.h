#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvek::test {

// A whole received frame: start byte, code, reader ID, payload, the plain sum, CR LF.
inline std::vector<std::uint8_t> Frame(std::uint8_t code, std::uint8_t readerId, std::vector<std::uint8_t> payload)
{
    std::uint32_t sum = code + readerId;
    for (const auto byte : payload) sum += byte;
    std::vector<std::uint8_t> frame;
    frame.reserve(payload.size() + 9);
    for (const auto byte : {std::uint8_t{0x00}, code, readerId}) frame.push_back(byte);
    for (const auto byte : payload) frame.push_back(byte);
    for (const int shift : {24, 16, 8, 0}) frame.push_back(static_cast<std::uint8_t>(sum >> shift));
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    return frame;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The markup the lines open with, spelled out here rather than taken from the library.
inline const std::string kLabel = "<FONT color=\"clMaroon\">";
inline const std::string kId = "<FONT color=\"#1B96E9\">";

inline std::string Head(const std::string& label, int readerId)
{
    return kLabel + label + "</FONT> " + kId + "ID(" + std::to_string(readerId) + ")</FONT>";
}

}  // namespace orvek::test
