#pragma once

#include "tools/CommandFrameReader.h"
#include "tools/FaultInjector.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class QTcpSocket;

namespace orvek {

// One link of the simulated reader: cuts command frames out of what arrives and writes the
// reader's frames, in order, as fast as the link takes them.
class SimulatorChannel : public QObject {
    Q_OBJECT
public:
    using FrameHandler = std::function<void(SimulatorChannel& channel, const FrameBytes& frame)>;

    explicit SimulatorChannel(QObject* parent = nullptr);

    void setFrameHandler(FrameHandler handler) { m_handler = std::move(handler); }

    // The writes of one frame; a write after the first waits kSplitPause (split frames).
    void send(const std::vector<std::string>& writes);

    // Closes the link once everything queued so far is written.
    void closeWhenWritten();

    // Bytes handed to send() that the system has not taken yet.
    qint64 backlog() const;

    virtual LinkEncoding encoding() const = 0;

    static constexpr std::chrono::milliseconds kSplitPause{20};

signals:
    // The system took bytes: there is room for more.
    void writable();
    // The link is gone; the channel may be deleted.
    void finished();

protected:
    void frames(const std::vector<FrameBytes>& received);
    void pump();

    // Writes what the link takes now, at most size bytes: the count taken, -1 when the link
    // failed.
    virtual qint64 writeBytes(const char* data, qint64 size) = 0;
    // Bytes taken by the system and not sent yet.
    virtual qint64 systemBacklog() const { return 0; }
    // Arranges for pump() once the link takes bytes again.
    virtual void waitWritable() = 0;
    virtual void closeLink() = 0;
    // Closes once the other end has had the bytes the system took.
    virtual void closeWhenDelivered() { closeLink(); }

private:
    struct Write {
        std::string bytes;
        bool pauseBefore;
    };

    FrameHandler m_handler;
    std::deque<Write> m_queue;
    qint64 m_queued = 0;
    QTimer m_pause;
    bool m_paused = false;
    bool m_closeWhenWritten = false;
};

class TcpChannel : public SimulatorChannel {
    Q_OBJECT
public:
    TcpChannel(QTcpSocket* socket, QObject* parent = nullptr);

    LinkEncoding encoding() const override { return LinkEncoding::Envelopes; }

protected:
    qint64 writeBytes(const char* data, qint64 size) override;
    qint64 systemBacklog() const override;
    void waitWritable() override {}
    void closeLink() override;

private:
    void read();

    QTcpSocket* m_socket;
    EnvelopeCommandReader m_reader;
};

// The master side of a pseudo-terminal. The slave side stays open here too, so the master
// never reads end of file while no program has the device open.
class PtyChannel : public SimulatorChannel {
    Q_OBJECT
public:
    ~PtyChannel() override;

    // A new pseudo-terminal in raw mode; nullptr and the reason on failure.
    static PtyChannel* open(QObject* parent, std::string& error);

    const std::string& slavePath() const { return m_slavePath; }
    LinkEncoding encoding() const override { return LinkEncoding::RawBytes; }

    // Idle time after which a partial command frame is judged.
    static constexpr std::chrono::milliseconds kIdle{200};

protected:
    qint64 writeBytes(const char* data, qint64 size) override;
    void waitWritable() override;
    void closeLink() override;
    void closeWhenDelivered() override;

private:
    // How often, and how long at most, a closing terminal waits for its bytes to be read.
    static constexpr std::chrono::milliseconds kDrainCheck{20};
    static constexpr int kDrainChecks = 100;

    PtyChannel(int master, int slave, std::string slavePath, QObject* parent);
    void read();
    void closeDescriptors();

    int m_master;
    int m_slave;
    std::string m_slavePath;
    QSocketNotifier* m_readNotifier;
    QSocketNotifier* m_writeNotifier;
    QTimer m_idle;
    QTimer m_drain;
    int m_drainChecksLeft = 0;
    SerialCommandReader m_reader;
};

}  // namespace orvek
