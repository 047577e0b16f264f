#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace orvek {

// TCP client towards one reader. Owns its socket; reports state changes and data, never
// shows anything.
class TcpLink : public QObject {
    Q_OBJECT
public:
    // The reader's socket states, in the order and with the values the console compares.
    enum class State {
        InvalidState = 0,
        Opened = 1,
        Bound = 2,
        Connecting = 3,
        SocksConnected = 4,
        Connected = 5,
        Accepting = 6,
        Listening = 7,
        Closed = 8,
        DnsLookup = 9,
    };
    Q_ENUM(State)

    explicit TcpLink(quint16 remotePort, QObject* parent = nullptr);
    ~TcpLink() override;

    State state() const { return m_state; }
    quint16 remotePort() const { return m_remotePort; }

    // Starts an attempt towards address:remotePort and returns at once; the outcome arrives
    // as stateChanged. A failed attempt ends in Closed.
    void connectTo(const QString& address);

    // Closes at once; when not already Closed, stateChanged(..., Closed) is emitted before
    // this returns.
    void close();

    // Queues text for sending; false when the link is not connected or the socket refuses it.
    bool send(const QByteArray& text);

    // Reads at most maxSize bytes of what has arrived.
    QByteArray receive(qsizetype maxSize);
    qint64 bytesAvailable() const;

signals:
    void stateChanged(orvek::TcpLink::State oldState, orvek::TcpLink::State newState);
    void dataAvailable();

private:
    void setState(State state);
    void applyKeepAlive();
    // Announces received data; while a handler keeps reading and bytes remain, announces
    // them again on the next event-loop turn, since the socket only signals new arrivals.
    void deliverData();

    QTcpSocket* m_socket;
    quint16 m_remotePort;
    State m_state = State::Closed;
    bool m_redeliveryQueued = false;
};

}  // namespace orvek
