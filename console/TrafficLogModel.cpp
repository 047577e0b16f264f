#include "console/TrafficLogModel.h"

#include "console/Markup.h"
#include "decoding/DecodeFrame.h"
#include "protocol/LogLines.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace orvek {

namespace {

// Code, reader ID and payload: everything between the start byte and the checksum field.
std::uint32_t SumOf(std::span<const std::uint8_t> frame)
{
    return frame.size() > 7 ? FrameSum(frame, 1, frame.size() - 7) : 0;
}

template <typename T>
void Release(std::vector<T>& values)
{
    std::vector<T>().swap(values);
}

}  // namespace

TrafficLogModel::TrafficLogModel(QObject* parent)
    : QAbstractListModel(parent), m_locale(QLocale::system()), m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
{
}

TrafficLogModel::~TrafficLogModel() = default;

void TrafficLogModel::appendSent(std::int64_t msecsSinceEpoch, std::span<const std::uint8_t> frame, bool taken)
{
    append(msecsSinceEpoch, frame, taken ? Kind::Sent : Kind::NotSent);
}

void TrafficLogModel::appendReceived(std::int64_t msecsSinceEpoch, const ReceivedFrame& frame)
{
    append(msecsSinceEpoch, frame.bytes, Kind::Received);
}

void TrafficLogModel::append(std::int64_t msecsSinceEpoch, std::span<const std::uint8_t> frame, Kind kind)
{
    m_bytes.insert(m_bytes.end(), frame.begin(), frame.end());
    m_frameEnd.push_back(m_bytes.size());
    m_msecs.push_back(msecsSinceEpoch);
    m_kinds.push_back(kind);
    m_firstRow.push_back(m_rowCount);
    m_rowCount += kind == Kind::Received ? 2 : 1;
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &TrafficLogModel::flush, Qt::QueuedConnection);
    }
}

void TrafficLogModel::flush()
{
    m_flushQueued = false;
    if (m_insertedRows == m_rowCount) return;
    beginInsertRows({}, m_insertedRows, m_rowCount - 1);
    m_insertedRows = m_rowCount;
    endInsertRows();
}

void TrafficLogModel::clear()
{
    if (m_kinds.empty()) return;
    beginResetModel();
    Release(m_bytes);
    Release(m_frameEnd);
    Release(m_msecs);
    Release(m_kinds);
    Release(m_firstRow);
    m_rowCount = 0;
    m_insertedRows = 0;
    endResetModel();
}

std::size_t TrafficLogModel::frameCount() const { return m_kinds.size(); }

int TrafficLogModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_insertedRows; }

QVariant TrafficLogModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const int row = index.row();
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(lineText(row));
        case PlainTextRole:
            return MarkupPlainText(QString::fromStdString(lineText(row)));
        case LevelRole:
            return row - m_firstRow[frameOfRow(row)];
        case HasChildRole: {
            const std::size_t frame = frameOfRow(row);
            return m_kinds[frame] == Kind::Received && row == m_firstRow[frame];
        }
        default:
            return {};
    }
}

std::size_t TrafficLogModel::frameOfRow(int row) const
{
    const auto after = std::upper_bound(m_firstRow.begin(), m_firstRow.end(), row);
    return static_cast<std::size_t>(after - m_firstRow.begin()) - 1;
}

std::span<const std::uint8_t> TrafficLogModel::frameBytes(std::size_t frame) const
{
    const std::uint64_t begin = frame == 0 ? 0 : m_frameEnd[frame - 1];
    return std::span<const std::uint8_t>(m_bytes).subspan(begin, m_frameEnd[frame] - begin);
}

std::string TrafficLogModel::timeStamp(std::int64_t msecsSinceEpoch) const
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    const QString text =
        m_locale.toString(when.date(), m_dateFormat) + u' ' + when.time().toString(QStringLiteral("hh:mm:ss.zzz"));
    return text.toStdString();
}

std::string TrafficLogModel::lineText(int row) const
{
    const std::size_t frame = frameOfRow(row);
    const std::span<const std::uint8_t> bytes = frameBytes(frame);
    const std::uint32_t sum = SumOf(bytes);
    switch (m_kinds[frame]) {
        case Kind::Sent:
            return SentFrameLine(timeStamp(m_msecs[frame]), bytes, sum);
        case Kind::NotSent:
            return NotSentFrameLine(timeStamp(m_msecs[frame]), bytes, sum);
        case Kind::Received:
            break;
    }
    const std::uint32_t checksumField = ChecksumField(bytes);
    if (row == m_firstRow[frame]) return ReceivedFrameLine(timeStamp(m_msecs[frame]), bytes, sum, checksumField);
    return DecodedChildLine(DecodeFrame(bytes).line, sum, checksumField);
}

}  // namespace orvek
