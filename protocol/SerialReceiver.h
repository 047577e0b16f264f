#pragma once

#include "protocol/Frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orvek {

// Assembles frames from serial bytes. Sans I/O: the caller feeds each notification's bytes
// and tells it when the idle time-out (400 ms since the last notification) has passed.
//
// Resynchronisation policy (documented in SerialReceiver.cpp and tested).
class SerialReceiver {
public:
    // Appends every frame completed by these bytes to accepted, in order.
    void Feed(std::span<const std::uint8_t> bytes, std::vector<ReceivedFrame>& accepted);

    // The idle time-out passed: drop the partial frame held.
    void TimeOut();

    // Whether the idle timer must run: (re)start it after every Feed while this is true,
    // stop it when false.
    bool TimerShouldRun() const { return m_count > 0; }

    // The port was opened.
    void Reset() { m_count = 0; }

    std::size_t HeldBytes() const { return m_count; }

private:
    enum class Verdict { Incomplete, Accepted, Dropped };

    void Take(std::uint8_t incoming, std::vector<ReceivedFrame>& accepted);
    void Accept(std::vector<ReceivedFrame>& accepted);
    void Resynchronise(std::vector<ReceivedFrame>& accepted);
    Verdict Judge();

    std::array<std::uint8_t, kSerialFrameLimit> m_buffer{};
    std::size_t m_count = 0;
    std::size_t m_fixedLength = 0;  // L + 9 of the code held, 0 when L is 0
};

}  // namespace orvek
