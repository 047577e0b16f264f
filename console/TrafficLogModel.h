#pragma once

#include "protocol/Frame.h"

#include <QAbstractListModel>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

private:
    void append(std::int64_t msecsSinceEpoch, std::span<const std::uint8_t> frame, Kind kind);
    std::size_t frameOfRow(int row) const;
    std::span<const std::uint8_t> frameBytes(std::size_t frame) const;
    std::string timeStamp(std::int64_t msecsSinceEpoch) const;
    std::string lineText(int row) const;

    // One entry per frame, in the order logged; a frame's bytes run from the previous
    // frame's end to its own in m_bytes.
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::uint64_t> m_frameEnd;
    std::vector<std::int64_t> m_msecs;
    std::vector<Kind> m_kinds;
    std::vector<int> m_firstRow;

    int m_rowCount = 0;      // rows of every frame logged, queued ones included
    int m_insertedRows = 0;  // rows the views have been told about
    bool m_flushQueued = false;
    QLocale m_locale;
    QString m_dateFormat;  // the user's short date format, read once
};

}  // namespace orvek
