#pragma once

#include "protocol/Frame.h"
#include "protocol/SerialReceiver.h"
#include "protocol/TcpReceiver.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace orvek {

class SerialLink;
class TcpLink;

// Where `orvek send` and `orvek monitor` talk to a reader.
struct LinkTarget {
    enum class Kind : std::uint8_t { Tcp, Serial };
    Kind kind = Kind::Tcp;
    QString address;  // TCP host
    quint16 port = 4140;
    QString devicePath;  // serial
};

// "HOST" or "HOST:PORT".
std::variant<LinkTarget, std::string> ParseTcpTarget(std::string_view text);

// One link of either kind with the receiver the console uses for it: frames in, frames out.
class FrameLink : public QObject {
    Q_OBJECT
public:
    explicit FrameLink(QObject* parent = nullptr);
    ~FrameLink() override;

    // Opens the link, running an event loop until it is up or has failed; the reason on
    // failure.
    std::optional<std::string> open(const LinkTarget& target, std::chrono::milliseconds connectTimeout);

    // Sends a frame as the console does: raw bytes on serial, an envelope on TCP.
    bool send(std::span<const std::uint8_t> frame);

signals:
    void frameReceived(const orvek::ReceivedFrame& frame);
    void closed();

private:
    void readTcp();
    void readSerial(qint64 count);
    void deliver();

    TcpLink* m_tcp = nullptr;
    SerialLink* m_serial = nullptr;
    TcpReceiver m_tcpReceiver;
    SerialReceiver m_serialReceiver;
    QTimer m_idleTimer;
    std::vector<ReceivedFrame> m_frames;
};

}  // namespace orvek
