#pragma once

#include "traffic/TrafficRow.h"

#include <QAbstractTableModel>

#include <deque>
#include <vector>

// The traffic log as a table: one row per frame written, chunk received or note, oldest
// first. Columns: time, direction, bytes as hex pairs, bytes as text, meaning, round trip.
//
// Appending never blocks the caller and never touches the view directly: rows wait in a
// queue and join the table once per event-loop turn, in one insertion; rows beyond the bound
// go from the front in one removal. The count of rows dropped that way is kept and shown.
class TrafficLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        TimeColumn,
        DirectionColumn,
        HexColumn,
        TextColumn,
        MeaningColumn,
        RoundTripColumn,
        ColumnCount
    };
    // Time as the wall clock (hh:mm:ss.zzz, local) or as the time since the row before.
    enum class TimeMode { Clock, SincePrevious };

    static constexpr int DefaultCapacity = 100000;

    explicit TrafficLogModel(QObject* parent = nullptr, int capacity = DefaultCapacity);

    // Queue a row; it joins the table at the next turn of the event loop.
    void Append(TrafficRow row);
    // The row kinds that carry no bytes, stamped now.
    void AppendDropped(int chunks);
    void AppendTimeout(int milliseconds);
    void AppendPortLost();
    void AppendNote(const QString& text);
    // Move the queued rows into the table now (also done by the event loop).
    void Flush();
    void Clear();

    const TrafficRow& Row(int row) const { return rows[static_cast<std::size_t>(row)]; }
    qint64 Discarded() const { return discarded; }
    int Capacity() const { return capacity; }
    TimeMode Mode() const { return timeMode; }
    void SetTimeMode(TimeMode mode);

    // The caption of a column.
    static QString ColumnTitle(int column);
    // The text of one cell as the table shows it (time in the current mode).
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // Rows first..last (table rows, after any removal) arrived in one batch.
    void BatchAppended(int first, int last);
    void DiscardedChanged(qint64 discarded);

private:
    void ScheduleFlush();

    std::deque<TrafficRow> rows;
    std::vector<TrafficRow> pending;
    int capacity;
    qint64 discarded = 0;
    bool flushScheduled = false;
    TimeMode timeMode = TimeMode::Clock;
};
