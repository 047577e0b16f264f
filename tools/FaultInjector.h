#pragma once

#include "tools/CommandFrameReader.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace orvek {

struct FaultSettings {
    bool splitFrames = false;    // each frame in two writes
    double garbageRate = 0;      // share of frames preceded by line noise
    double badChecksumRate = 0;  // share of frames whose checksum field is off by one
};

enum class LinkEncoding : std::uint8_t { RawBytes, Envelopes };

// Turns a frame into the writes that carry it on a link, with the faults asked for.
class FaultInjector {
public:
    FaultInjector(const FaultSettings& settings, std::uint32_t seed);

    std::vector<std::string> Writes(FrameBytes frame, LinkEncoding encoding);

private:
    bool Chance(double rate);
    std::string Noise(LinkEncoding encoding);

    FaultSettings m_settings;
    std::mt19937 m_random;
};

}  // namespace orvek
