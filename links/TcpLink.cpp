#include "links/TcpLink.h"

#include <QMetaObject>
#include <QTcpSocket>

#include <chrono>

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace orvek {

TcpLink::TcpLink(quint16 remotePort, QObject* parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_remotePort(remotePort)
{
    connect(m_socket, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState socketState) {
        switch (socketState) {
            case QAbstractSocket::UnconnectedState:
                setState(State::Closed);
                break;
            case QAbstractSocket::HostLookupState:
                setState(State::DnsLookup);
                break;
            case QAbstractSocket::ConnectingState:
                setState(State::Connecting);
                break;
            case QAbstractSocket::ConnectedState:
                applyKeepAlive();
                setState(State::Connected);
                break;
            case QAbstractSocket::BoundState:
                setState(State::Bound);
                break;
            case QAbstractSocket::ListeningState:
                setState(State::Listening);
                break;
            case QAbstractSocket::ClosingState:
                // The connection is still Connected for the owner until it is gone.
                break;
        }
    });
    connect(m_socket, &QIODevice::readyRead, this, &TcpLink::deliverData);
}

TcpLink::~TcpLink()
{
    // The owner is going away: closing now reports nothing.
    m_socket->disconnect(this);
    m_socket->abort();
}

void TcpLink::connectTo(const QString& address)
{
    // One attempt at a time; a second request while one runs or the link is up changes nothing.
    if (m_socket->state() != QAbstractSocket::UnconnectedState) return;
    m_socket->connectToHost(address, m_remotePort);
}

void TcpLink::close()
{
    m_socket->abort();
    // abort() normally reports Unconnected itself; this covers a socket that had nothing to report.
    setState(State::Closed);
}

bool TcpLink::send(const QByteArray& text)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState) return false;
    return m_socket->write(text) == text.size();
}

QByteArray TcpLink::receive(qsizetype maxSize)
{
    if (maxSize <= 0) return {};
    return m_socket->read(maxSize);
}

qint64 TcpLink::bytesAvailable() const { return m_socket->bytesAvailable(); }

void TcpLink::setState(State state)
{
    if (state == m_state) return;
    const State oldState = m_state;
    m_state = state;
    emit stateChanged(oldState, state);
}

void TcpLink::applyKeepAlive()
{
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#if defined(Q_OS_UNIX) && defined(TCP_KEEPIDLE) && defined(TCP_KEEPINTVL)
    // First probe after 6 s of silence, then one every 3 s.
    constexpr std::chrono::seconds kKeepAliveIdle{6};
    constexpr std::chrono::seconds kKeepAliveInterval{3};
    const auto descriptor = static_cast<int>(m_socket->socketDescriptor());
    if (descriptor < 0) return;
    const int idle = static_cast<int>(kKeepAliveIdle.count());
    const int interval = static_cast<int>(kKeepAliveInterval.count());
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
#endif
}

void TcpLink::deliverData()
{
    const qint64 before = m_socket->bytesAvailable();
    emit dataAvailable();
    const qint64 after = m_socket->bytesAvailable();
    if (after <= 0 || after >= before || m_redeliveryQueued) return;
    m_redeliveryQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_redeliveryQueued = false;
            if (m_socket->bytesAvailable() > 0) deliverData();
        },
        Qt::QueuedConnection);
}

}  // namespace orvek
