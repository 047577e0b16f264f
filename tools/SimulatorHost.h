#pragma once

#include "tools/FaultInjector.h"
#include "tools/SimulatedReader.h"
#include "tools/SimulatorOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <map>
#include <optional>
#include <ostream>
#include <string>

class QTcpServer;

namespace orvek {

class SimulatorChannel;
class PtyChannel;

// Moves bytes between the simulated reader and its links: a TCP server, a pseudo-terminal
// or both. Every frame the reader sends goes through the fault injector.
class SimulatorHost : public QObject {
    Q_OBJECT
public:
    // Announcements ("listening on ...", "pty ...", "flood: ...") go to out, one per line.
    SimulatorHost(const SimulatorOptions& options, std::ostream& out, QObject* parent = nullptr);
    ~SimulatorHost() override;

    // Opens the links; the reason when one cannot be opened.
    std::optional<std::string> start();

    quint16 tcpPort() const;
    std::string ptyPath() const;

    // Reports and passings are looked for this often.
    static constexpr std::chrono::milliseconds kTick{100};
    // A link that holds this much unsent is not given more reports: nobody is reading.
    static constexpr qint64 kMostBacklog = 64 * 1024;
    // The flood keeps this much queued, so it goes as fast as the link takes it.
    static constexpr qint64 kFloodBacklog = 16 * 1024;

private:
    SimulatedReader::Elapsed elapsed() const;
    void addChannel(SimulatorChannel* channel);
    std::optional<std::string> openPty();
    void onFrame(SimulatorChannel& channel, const FrameBytes& frame);
    void onFinished(SimulatorChannel* channel);
    void tick();
    void sendTo(SimulatorChannel& channel, const FrameBytes& frame);
    void startFlood(SimulatorChannel* channel);
    void feedFlood();

    SimulatorOptions m_options;
    std::ostream& m_out;
    SimulatedReader m_reader;
    FaultInjector m_faults;
    QTcpServer* m_server = nullptr;
    PtyChannel* m_pty = nullptr;
    std::map<SimulatorChannel*, std::uint64_t> m_sentFrames;
    QElapsedTimer m_clock;
    QTimer m_ticker;
    SimulatorChannel* m_floodTarget = nullptr;
    std::uint64_t m_floodSent = 0;
    QElapsedTimer m_floodClock;
    bool m_floodDone = false;
    bool m_linkMade = false;
};

}  // namespace orvek
