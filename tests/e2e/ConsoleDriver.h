#pragma once

#include "console/Main.h"
#include "console/TrafficLogModel.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;

namespace orvek::test {

// The real console window, shown offscreen, worked through its widgets as the operator works
// it, and its traffic log read back line by line.
class ConsoleDriver {
public:
    // tcpPort: where "Connetti" connects (the simulator's port on 127.0.0.1).
    explicit ConsoleDriver(quint16 tcpPort);
    // Closes the window as the operator does.
    ~ConsoleDriver();

    ConsoleDriver(const ConsoleDriver&) = delete;
    ConsoleDriver& operator=(const ConsoleDriver&) = delete;

    TForm1& window() { return *m_window; }

    // Types 127.0.0.1 into the address field and ticks "Connetti".
    void tickConnect();
    // The address field is lime while the TCP link is up.
    bool isConnected() const;

    // Opens the port list (which lists it again), picks the entry naming path and ticks
    // "Apri Comm"; false when path is not listed.
    bool openPort(const QString& path);
    bool isPortOpen() const;

    QAction* action(const QString& name) const;
    bool isCommandSectionExpanded() const;
    QString firmwarePanelText() const;
    QString temperature() const;
    QString power() const;

    // Lines logged so far (queued ones inserted first).
    int rowCount() const;
    // A line as logged (markup) and as the operator reads it.
    QString markup(int row) const;
    QString plainText(int row) const;
    // 0 for the line of a frame, 1 for the decoded line under a received frame.
    int level(int row) const;
    // Frames logged, sent and received.
    std::size_t frameCount() const;

    // The first line at or after fromRow at that level whose plain text satisfies matches.
    std::optional<int> findLine(int fromRow, int lineLevel, const std::function<bool(const QString&)>& matches) const;

    // The progressive numbers of the passing reports (80, 90) decoded in the log, in order.
    std::vector<std::int64_t> passingProgressives() const;

private:
    TrafficLogModel& log() const;

    std::unique_ptr<TForm1> m_window;
};

// The "Inviato" line of a command: its dump starts with the start byte, the code and the
// reader ID.
bool IsSentCommandLine(const QString& markup, std::uint8_t code, std::uint8_t readerId = 1);

// The CK suffix of a decoded line: "red" when the checksum field did not match.
bool HasRedChecksum(const QString& markup);
bool HasGreenChecksum(const QString& markup);

}  // namespace orvek::test
