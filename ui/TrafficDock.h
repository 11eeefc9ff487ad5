#pragma once

#include "traffic/ChunkDescription.h"
#include "traffic/TrafficLogModel.h"
#include "traffic/TrafficRecorder.h"

#include <QDockWidget>

class QAction;
class QLabel;
class QTableView;

// The "Traffic" dock: the traffic log's table over its model, with Save log..., Record to
// file..., Copy, Clear and the time mode in a small toolbar and the table's context menu.
// It is fed by its owner through Append*; it never reads the port itself.
class TrafficDock : public QDockWidget {
    Q_OBJECT
public:
    explicit TrafficDock(QWidget* parent = nullptr);

    // A frame written. An empty meaning is filled in from the bytes.
    void AppendSent(const QByteArray& bytes, const QString& meaning = {});
    // A chunk received; `roundTripMs` on the first chunk of a reply, -1 otherwise; stamped
    // `atMs` (ms since the epoch) when it arrived earlier than now.
    void AppendReceived(const QByteArray& bytes, const QString& meaning = {}, int roundTripMs = -1,
                        qint64 atMs = 0);
    // A line of its own: a time-out, a lost port, dropped chunks, anything else.
    void AppendNote(const QString& text);
    // Who fills in the fields of a configuration reply when the meaning is left empty.
    void SetConfigReplyFormatter(const ConfigReplyFormatter* formatter);

    TrafficLogModel& Model() { return model; }
    TrafficRecorder& Recorder() { return recorder; }
    QTableView* View() const { return view; }

    // The selected rows as the table shows them, aligned, header first; "" without a
    // selection.
    QString SelectedText() const;
    void CopySelection();
    bool SaveLog(const QString& path);
    bool RecordTo(const QString& path);

private:
    void AppendBytes(TrafficRowKind kind, const QByteArray& bytes, const QString& meaning,
                     int roundTripMs, qint64 atMs);
    void SaveLogClicked();
    void RecordClicked(bool on);
    void ShowDiscarded(qint64 discarded);
    void FollowNewRows();

    TrafficLogModel model;
    TrafficRecorder recorder;
    const ConfigReplyFormatter* formatter = nullptr;
    QTableView* view = nullptr;
    QLabel* discardedLabel = nullptr;
    QAction* recordAction = nullptr;
    bool followTail = true;
};
