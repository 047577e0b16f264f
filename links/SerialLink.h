#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QSerialPort;

namespace orvek {

// One serial port at 115200 8N1, no flow control, DTR and RTS held off. Owns its port;
// reports events, never shows anything.
class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    // From a successful open() until close(), also after the device was lost.
    bool isOpen() const;

    // Opens the device; on success opened() is emitted before this returns and nullopt is
    // given back, on failure the error text ("Specified device not found (%s).", "Can't open
    // specified device %s (Error %d, %s)").
    std::optional<QString> open(const QString& devicePath);

    // Closes the port and emits closed(); nothing when not open.
    void close();

    // Queues bytes for sending; false when the port is not open or refuses them.
    bool write(const QByteArray& bytes);

    // Bytes waiting, and one of them.
    qint64 bytesWaiting() const;
    std::uint8_t readChar();

signals:
    void opened();
    void closed();
    void rxChar(qint64 count);
    // The open device failed (unplugged): the system's error text. The port stays open until
    // the owner closes it.
    void deviceLost(const QString& errorText);

private:
    void reportDeviceLost(const QString& errorText);

    QSerialPort* m_port;
    bool m_deviceLost = false;
};

}  // namespace orvek
