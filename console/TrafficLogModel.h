#pragma once

#include "protocol/Frame.h"

#include <QAbstractListModel>

#include <cstdint>
#include <span>

namespace orvek {

// The traffic log as a flat list of lines: one frame line per frame sent or received, and
// under each received frame its decoded line (LevelRole 1). Keeps compact records (bytes,
// time stamp, kind) and makes the markup text of a line only when it is asked for. Appended
// lines are queued and inserted once per event-loop turn.
class TrafficLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind : std::uint8_t { Sent, NotSent, Received };
    enum Role { LevelRole = Qt::UserRole + 1, HasChildRole, PlainTextRole };

    explicit TrafficLogModel(QObject* parent = nullptr);
    ~TrafficLogModel() override;

    // msecsSinceEpoch: when the frame was sent or received; shown in local time.
    void appendSent(std::int64_t msecsSinceEpoch, std::span<const std::uint8_t> frame, bool taken);
    void appendReceived(std::int64_t msecsSinceEpoch, const ReceivedFrame& frame);

    // Removes every line (one model reset, one repaint).
    void clear();

    // Inserts the queued lines now (done by itself at the next event-loop turn).
    void flush();

    // Frames logged, queued ones included.
    std::size_t frameCount() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

}  // namespace orvek
