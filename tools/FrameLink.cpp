#include "tools/FrameLink.h"

#include "links/SerialLink.h"
#include "links/TcpLink.h"
#include "protocol/Envelope.h"
#include "tools/Arguments.h"

#include <QEventLoop>

namespace orvek {

namespace {

// The serial receiver's idle time-out, as the console counts it.
constexpr std::chrono::milliseconds kSerialIdle{400};
constexpr qsizetype kTcpReadSize = 1000;

}  // namespace

std::variant<LinkTarget, std::string> ParseTcpTarget(std::string_view text)
{
    LinkTarget target;
    target.kind = LinkTarget::Kind::Tcp;
    std::string_view host = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::optional<std::int64_t> port = ParseInteger(text.substr(colon + 1), 1, 65535);
        if (!port) return "bad port in '" + std::string(text) + "': expected a number from 1 to 65535";
        target.port = static_cast<quint16>(*port);
    }
    if (host.empty()) return "no host in '" + std::string(text) + "'";
    target.address = QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size()));
    return target;
}

FrameLink::FrameLink(QObject* parent) : QObject(parent)
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kSerialIdle);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] { m_serialReceiver.TimeOut(); });
}

FrameLink::~FrameLink() = default;

std::optional<std::string> FrameLink::open(const LinkTarget& target, std::chrono::milliseconds connectTimeout)
{
    if (target.kind == LinkTarget::Kind::Serial) {
        m_serial = new SerialLink(this);
        connect(m_serial, &SerialLink::rxChar, this, &FrameLink::readSerial);
        connect(m_serial, &SerialLink::deviceLost, this, &FrameLink::closed);
        if (const std::optional<QString> error = m_serial->open(target.devicePath)) return error->toStdString();
        m_serialReceiver.Reset();
        return std::nullopt;
    }

    m_tcp = new TcpLink(target.port, this);
    const std::string where = target.address.toStdString() + ":" + std::to_string(target.port);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    const QMetaObject::Connection waiting =
        connect(m_tcp, &TcpLink::stateChanged, &loop, [&loop](TcpLink::State, TcpLink::State state) {
            if (state == TcpLink::State::Connected || state == TcpLink::State::Closed) loop.quit();
        });
    m_tcp->connectTo(target.address);
    if (m_tcp->state() != TcpLink::State::Closed) {
        deadline.start(connectTimeout);
        loop.exec();
    }
    disconnect(waiting);
    if (m_tcp->state() != TcpLink::State::Connected) {
        const bool timedOut = m_tcp->state() != TcpLink::State::Closed;
        m_tcp->close();
        return timedOut ? "no connection to " + where + " within " + std::to_string(connectTimeout.count()) + " ms"
                        : "cannot connect to " + where + " (refused or unreachable)";
    }
    m_tcpReceiver.Reset();
    connect(m_tcp, &TcpLink::dataAvailable, this, &FrameLink::readTcp);
    connect(m_tcp, &TcpLink::stateChanged, this, [this](TcpLink::State, TcpLink::State state) {
        if (state == TcpLink::State::Closed) emit closed();
    });
    // Data that came with the connection is not announced again.
    if (m_tcp->bytesAvailable() > 0) QMetaObject::invokeMethod(this, &FrameLink::readTcp, Qt::QueuedConnection);
    return std::nullopt;
}

bool FrameLink::send(std::span<const std::uint8_t> frame)
{
    if (m_serial != nullptr) {
        return m_serial->write(
            QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size())));
    }
    if (m_tcp != nullptr) return m_tcp->send(QByteArray::fromStdString(EncodeEnvelope(frame)));
    return false;
}

void FrameLink::readTcp()
{
    while (m_tcp->bytesAvailable() > 0) {
        const QByteArray text = m_tcp->receive(kTcpReadSize);
        if (text.isEmpty()) break;
        m_tcpReceiver.Feed(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), m_frames);
        deliver();
    }
}

void FrameLink::readSerial(qint64 count)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(std::max<qint64>(count, 0)));
    for (qint64 i = 0; i < count; ++i) bytes.push_back(m_serial->readChar());
    m_serialReceiver.Feed(bytes, m_frames);
    if (m_serialReceiver.TimerShouldRun()) {
        m_idleTimer.start();
    } else {
        m_idleTimer.stop();
    }
    deliver();
}

void FrameLink::deliver()
{
    // A handler may stop the program's loop; frames already read are still handed out.
    std::vector<ReceivedFrame> frames;
    frames.swap(m_frames);
    for (const ReceivedFrame& frame : frames) emit frameReceived(frame);
}

}  // namespace orvek
