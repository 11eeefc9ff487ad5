#include "traffic/TrafficLogModel.h"

#include "traffic/TrafficText.h"

#include <QDateTime>
#include <QMetaObject>

#include <algorithm>
#include <iterator>

namespace {

TrafficRow NoteNow(TrafficRowKind kind, QString text) {
    TrafficRow row;
    row.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    row.kind = kind;
    row.meaning = std::move(text);
    return row;
}

} // namespace

TrafficLogModel::TrafficLogModel(QObject* parent, int capacity)
    : QAbstractTableModel(parent), capacity(std::max(1, capacity)) {}

void TrafficLogModel::Append(TrafficRow row) {
    pending.push_back(std::move(row));
    ScheduleFlush();
}

void TrafficLogModel::AppendDropped(int chunks) {
    Append(NoteNow(TrafficRowKind::Dropped,
                   QStringLiteral("chunks dropped under a flood: %1").arg(chunks)));
}

void TrafficLogModel::AppendTimeout(int milliseconds) {
    Append(
        NoteNow(TrafficRowKind::Timeout, QStringLiteral("no reply after %1 ms").arg(milliseconds)));
}

void TrafficLogModel::AppendPortLost() {
    Append(NoteNow(TrafficRowKind::PortLost, QStringLiteral("port lost")));
}

void TrafficLogModel::AppendNote(const QString& text) {
    Append(NoteNow(TrafficRowKind::Note, text));
}

void TrafficLogModel::ScheduleFlush() {
    if (flushScheduled)
        return;
    flushScheduled = true;
    QMetaObject::invokeMethod(this, &TrafficLogModel::Flush, Qt::QueuedConnection);
}

void TrafficLogModel::Flush() {
    flushScheduled = false;
    if (pending.empty())
        return;
    const auto cap = static_cast<std::size_t>(capacity);
    qint64 dropped = 0;
    // A batch larger than the bound keeps only its newest rows.
    if (pending.size() > cap) {
        const std::size_t excess = pending.size() - cap;
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(excess));
        dropped += static_cast<qint64>(excess);
    }
    if (rows.size() + pending.size() > cap) {
        const std::size_t excess = rows.size() + pending.size() - cap;
        beginRemoveRows({}, 0, static_cast<int>(excess) - 1);
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(excess));
        endRemoveRows();
        dropped += static_cast<qint64>(excess);
    }
    const int first = static_cast<int>(rows.size());
    const int last = first + static_cast<int>(pending.size()) - 1;
    beginInsertRows({}, first, last);
    std::move(pending.begin(), pending.end(), std::back_inserter(rows));
    pending.clear();
    endInsertRows();
    if (dropped) {
        discarded += dropped;
        emit DiscardedChanged(discarded);
    }
    emit BatchAppended(first, last);
}

void TrafficLogModel::Clear() {
    beginResetModel();
    rows.clear();
    pending.clear();
    discarded = 0;
    endResetModel();
    emit DiscardedChanged(discarded);
}

void TrafficLogModel::SetTimeMode(TimeMode mode) {
    if (mode == timeMode)
        return;
    timeMode = mode;
    if (!rows.empty())
        emit dataChanged(index(0, TimeColumn), index(rowCount() - 1, TimeColumn));
}

QString TrafficLogModel::CellText(int row, int column) const {
    const TrafficRow& r = Row(row);
    switch (column) {
    case TimeColumn:
        if (timeMode == TimeMode::Clock)
            return ClockText(r.msecsSinceEpoch);
        return SincePreviousText(row ? r.msecsSinceEpoch - Row(row - 1).msecsSinceEpoch : 0);
    case DirectionColumn:
        return DirectionText(r.kind);
    case HexColumn:
        return HexPairsText(r.bytes);
    case TextColumn:
        return PrintableText(r.bytes);
    case MeaningColumn:
        return r.meaning;
    case RoundTripColumn:
        return RoundTripText(r.roundTripMs);
    default:
        return {};
    }
}

int TrafficLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int TrafficLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    // The tool tip shows a cell the column cuts short in full.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return CellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() == RoundTripColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TrafficLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return ColumnTitle(section);
}

QString TrafficLogModel::ColumnTitle(int column) {
    static const char* const titles[ColumnCount] = {
        QT_TR_NOOP("Time"), QT_TR_NOOP("Dir"),     QT_TR_NOOP("Bytes"),
        QT_TR_NOOP("Text"), QT_TR_NOOP("Meaning"), QT_TR_NOOP("Round trip (ms)"),
    };
    return column >= 0 && column < ColumnCount ? tr(titles[column]) : QString();
}
