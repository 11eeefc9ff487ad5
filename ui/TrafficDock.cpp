#include "ui/TrafficDock.h"

#include "traffic/TrafficLogFile.h"
#include "ui/Messages.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <set>
#include <span>

namespace {

// One line of plain text per cell, elided at the right: the log's cells never wrap and
// carry no icons, so the full item layout of the standard delegate is not needed.
class PlainTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            painter->fillRect(option.rect, option.palette.highlight());
        const QRect area = option.rect.adjusted(3, 0, -3, 0);
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        const int flags = (alignment.isValid() ? alignment.toInt() : Qt::AlignLeft) |
                          Qt::AlignVCenter | Qt::TextSingleLine;
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                 : option.palette.color(QPalette::Text));
        painter->drawText(
            area, flags,
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, area.width()));
    }
};

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

} // namespace

TrafficDock::TrafficDock(QWidget* parent) : QDockWidget(tr("Traffic"), parent), recorder(model) {
    setObjectName(QStringLiteral("TrafficDock"));

    view = new QTableView;
    view->setObjectName(QStringLiteral("TrafficLog"));
    view->setModel(&model);
    view->setItemDelegate(new PlainTextDelegate(view));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setWordWrap(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed row heights: the view never measures rows, whatever their number.
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    const int digit = view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    view->setColumnWidth(TrafficLogModel::TimeColumn, digit * 14);
    view->setColumnWidth(TrafficLogModel::DirectionColumn, digit * 4);
    // Wide enough for a short request and a typical meaning, so that the round trip stays
    // in sight at the window's usual width; a cell cut short shows its end on hover.
    view->setColumnWidth(TrafficLogModel::HexColumn, digit * 26);
    view->setColumnWidth(TrafficLogModel::TextColumn, digit * 12);
    view->setColumnWidth(TrafficLogModel::MeaningColumn, digit * 44);
    view->horizontalHeader()->setStretchLastSection(true);

    auto* saveAction = new QAction(tr("Save log..."), this);
    recordAction = new QAction(tr("Record to file..."), this);
    recordAction->setCheckable(true);
    auto* copyAction = new QAction(tr("Copy"), this);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    auto* clearAction = new QAction(tr("Clear"), this);
    auto* timeAction = new QAction(tr("Time since previous row"), this);
    timeAction->setCheckable(true);
    connect(saveAction, &QAction::triggered, this, &TrafficDock::SaveLogClicked);
    connect(recordAction, &QAction::toggled, this, &TrafficDock::RecordClicked);
    connect(copyAction, &QAction::triggered, this, &TrafficDock::CopySelection);
    connect(clearAction, &QAction::triggered, &model, &TrafficLogModel::Clear);
    connect(timeAction, &QAction::toggled, this, [this](bool on) {
        model.SetTimeMode(on ? TrafficLogModel::TimeMode::SincePrevious
                             : TrafficLogModel::TimeMode::Clock);
    });
    const QList<QAction*> actions{saveAction, recordAction, copyAction, clearAction, timeAction};
    view->addActions(actions);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* toolBar = new QToolBar;
    toolBar->addActions(actions);
    discardedLabel = new QLabel;
    toolBar->addWidget(discardedLabel);

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(view);
    setWidget(body);

    connect(&model, &TrafficLogModel::DiscardedChanged, this, &TrafficDock::ShowDiscarded);
    connect(&model, &TrafficLogModel::BatchAppended, this, &TrafficDock::FollowNewRows);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { followTail = value == view->verticalScrollBar()->maximum(); });
    connect(&recorder, &TrafficRecorder::Failed, this, [this](const QString& error) {
        recordAction->setChecked(false);
        ShowMessage(this, tr("Recording stopped: %1").arg(error));
    });
}

void TrafficDock::AppendBytes(TrafficRowKind kind, const QByteArray& bytes, const QString& meaning,
                              int roundTripMs, qint64 atMs) {
    TrafficRow row;
    row.msecsSinceEpoch = atMs > 0 ? atMs : QDateTime::currentMSecsSinceEpoch();
    row.kind = kind;
    row.bytes = bytes;
    row.roundTripMs = roundTripMs;
    if (meaning.isEmpty()) {
        const auto direction =
            kind == TrafficRowKind::Sent ? TrafficDirection::Tx : TrafficDirection::Rx;
        row.meaning = QString::fromStdString(DescribeChunk(direction, AsBytes(bytes), formatter));
    } else {
        row.meaning = meaning;
    }
    model.Append(std::move(row));
}

void TrafficDock::AppendSent(const QByteArray& bytes, const QString& meaning) {
    AppendBytes(TrafficRowKind::Sent, bytes, meaning, -1, 0);
}

void TrafficDock::AppendReceived(const QByteArray& bytes, const QString& meaning, int roundTripMs,
                                 qint64 atMs) {
    AppendBytes(TrafficRowKind::Received, bytes, meaning, roundTripMs, atMs);
}

void TrafficDock::AppendNote(const QString& text) {
    model.AppendNote(text);
}

void TrafficDock::SetConfigReplyFormatter(const ConfigReplyFormatter* replyFormatter) {
    formatter = replyFormatter;
}

QString TrafficDock::SelectedText() const {
    std::set<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    if (rows.empty())
        return {};
    std::vector<QStringList> lines{TrafficLogFile::Header()};
    for (const int r : rows) {
        QStringList fields;
        for (int c = 0; c < TrafficLogModel::ColumnCount; ++c)
            fields << model.CellText(r, c);
        lines.push_back(fields);
    }
    return TrafficLogFile::AlignedText(lines);
}

void TrafficDock::CopySelection() {
    if (const QString text = SelectedText(); !text.isEmpty())
        QApplication::clipboard()->setText(text);
}

bool TrafficDock::SaveLog(const QString& path) {
    model.Flush();
    QString error;
    if (TrafficLogFile::Save(model, path, TrafficLogFile::FormatForPath(path), &error))
        return true;
    ShowMessage(this, tr("The log could not be saved: %1").arg(error));
    return false;
}

bool TrafficDock::RecordTo(const QString& path) {
    QString error;
    if (recorder.Start(path, &error)) {
        recordAction->setChecked(true);
        return true;
    }
    recordAction->setChecked(false);
    ShowMessage(this, tr("Recording could not start: %1").arg(error));
    return false;
}

void TrafficDock::SaveLogClicked() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save log"), {}, tr("Text (*.txt);;CSV (*.csv)"));
    if (!path.isEmpty())
        SaveLog(path);
}

void TrafficDock::RecordClicked(bool on) {
    if (!on) {
        recorder.Stop();
        return;
    }
    if (recorder.Recording())
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Record to file"), {},
                                                      tr("Text (*.txt);;CSV (*.csv)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) {
        const QSignalBlocker blocker(recordAction);
        recordAction->setChecked(false);
        return;
    }
    RecordTo(path);
}

void TrafficDock::ShowDiscarded(qint64 discarded) {
    discardedLabel->setText(discarded ? tr("  %1 older rows discarded").arg(discarded) : QString());
}

void TrafficDock::FollowNewRows() {
    if (followTail)
        view->scrollToBottom();
}
