#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orvek::test {

// orvek-reader-sim run as a process of its own. Its announcements ("listening on ADDR:PORT",
// "pty PATH") tell where it can be reached.
class ReaderSimulator {
public:
    ReaderSimulator() = default;
    ~ReaderSimulator();

    ReaderSimulator(const ReaderSimulator&) = delete;
    ReaderSimulator& operator=(const ReaderSimulator&) = delete;

    // Starts it with args and waits until it serves every link they ask for; false, with the
    // reason in failure(), when it does not come up.
    bool start(const QStringList& args);

    // Asks it to stop (SIGTERM) and waits until it has; kills it if it does not.
    void stop();

    // Kills it (SIGKILL) as a crash or power cut would, and waits until it has gone.
    void kill();

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    quint16 tcpPort() const { return m_tcpPort; }
    QString ptyPath() const { return m_ptyPath; }

    // What it has printed on standard output so far.
    QString output();
    QString failure() const { return m_failure; }

    // Generous enough for a loaded machine.
    static constexpr int kStartMs = 20000;
    static constexpr int kStopMs = 10000;

private:
    bool announced(bool wantTcp, bool wantPty);

    QProcess m_process;
    QString m_output;
    QString m_failure;
    quint16 m_tcpPort = 0;
    QString m_ptyPath;
};

}  // namespace orvek::test
