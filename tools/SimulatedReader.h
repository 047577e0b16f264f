#pragma once

#include "tools/CommandFrameReader.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace orvek {

struct ReaderSettings {
    std::uint8_t id = 1;
    std::string firmware = "ZTB Sim Ver: 7.02 build 2026";
    std::chrono::milliseconds statusEvery{5000};  // 0: never
    double passingsPerSecond = 0.5;
    std::uint32_t seed = 1;
    // The reader's clock, in local civil time, when the simulation starts.
    std::chrono::sys_seconds startClock{};
};

struct StoredPassing {
    std::uint32_t progressive = 0;
    std::chrono::sys_seconds clock{};
    std::uint32_t transponder = 0;
    std::uint32_t tempo = 0;  // ms since the timer was last reset
    std::uint16_t redundancy = 0;
    std::uint8_t battery = 0;
};

// What the reader holds, as commands set it.
struct ReaderState {
    std::uint8_t id = 1;
    std::chrono::seconds clockOffset{0};
    std::string firmware;
    std::vector<StoredPassing> memory;
    std::uint32_t nextProgressive = 1;
    // Started at power-up as by autostart, storing passings.
    bool sessionRunning = true;
    bool sessionStoring = true;
    bool automaticSending = true;
    std::uint16_t beepFrequency = 2500;
    std::uint16_t beepDuration = 90;
    std::uint16_t beepPause = 100;
    std::uint8_t redundancies = 5;
    std::uint16_t releaseTime = 250;
    std::uint16_t photocellTime = 100;
    std::uint16_t photocellWait = 500;
    std::uint8_t photocellType = 0;
    std::uint8_t photocell = 1;
    std::uint8_t workingMode = 0;
    bool contactSending = false;
    std::uint8_t autostart = 0;
    std::uint8_t booster = 0;
    std::uint8_t level = 3;
    std::uint32_t hardware = 0;
};

// A ZTB reader's behaviour, without I/O: fed the console's frames and the passing of time,
// it gives back the frames it sends (plain-sum checksums), in order. Time is the elapsed
// time since the simulation started; it must not go back.
class SimulatedReader {
public:
    using Elapsed = std::chrono::milliseconds;
    static constexpr std::uint32_t kMemoryCapacity = 100000;

    explicit SimulatedReader(const ReaderSettings& settings);

    // One frame from the console (start byte through LF, as a command reader cut it): the
    // reply, or an error reply (255) naming what is wrong; nothing for another reader ID.
    std::vector<FrameBytes> Receive(std::span<const std::uint8_t> frame, Elapsed now);

    // Reports due by now: status every statusEvery, passings while a session runs.
    std::vector<FrameBytes> Advance(Elapsed now);

    // One passing made at once, stored as any other; its report (80), whatever the sending
    // setting.
    FrameBytes FloodPassing(Elapsed now);

    const ReaderState& State() const { return m_state; }
    std::chrono::sys_seconds ClockAt(Elapsed now) const;

private:
    std::vector<FrameBytes> Execute(std::uint8_t code, std::span<const std::uint8_t> payload, Elapsed now);
    FrameBytes Reply(std::uint8_t code, std::span<const std::uint8_t> payload) const;
    FrameBytes Outcome(std::uint8_t code, std::uint8_t result = 0) const;
    FrameBytes Error(std::uint8_t code, std::uint8_t type, std::uint8_t parameter) const;
    std::vector<FrameBytes> Resend(std::span<const std::uint8_t> payload) const;
    FrameBytes PassingReport(const StoredPassing& passing, std::uint8_t code) const;
    FrameBytes StatusReport(Elapsed now);
    FrameBytes TransponderReport(std::uint8_t code, std::uint32_t transponder) const;
    StoredPassing NewPassing(Elapsed now);
    void ReportPassing(const StoredPassing& passing, std::vector<FrameBytes>& out);
    int Random(int least, int most);

    ReaderSettings m_settings;
    ReaderState m_state;
    std::mt19937 m_random;
    std::vector<std::uint32_t> m_transponders;
    Elapsed m_timerResetAt{0};
    Elapsed m_sessionStartedAt{0};
    std::uint64_t m_sessionPassings = 0;
    Elapsed m_nextStatusAt{0};
    std::uint32_t m_statusCount = 0;
};

}  // namespace orvek
