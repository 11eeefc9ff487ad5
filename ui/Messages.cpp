#include "ui/Messages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>
#include <deque>
#include <exception>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
const QString Caption = QStringLiteral("TALMIRE");

struct PendingBox {
    MessageKind kind;
    QString text;
    QPointer<QWidget> parent;
};

struct BoxQueue {
    bool open = false;
    std::deque<PendingBox> waiting;
};

BoxQueue& Boxes() {
    static BoxQueue boxes;
    return boxes;
}

void ExecBox(const PendingBox& pending) {
    const QMessageBox::Icon icon =
        pending.kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, Caption, pending.text, QMessageBox::Ok, pending.parent.data());
    box.exec();
}

void ShowBox(MessageKind kind, QWidget* parent, const QString& english) {
    // Fixed messages are catalogued under "Messages"; composed ones stay as they are.
    const QByteArray source = english.toUtf8();
    const QString text = QCoreApplication::translate("Messages", source.constData());
    if (Sink()) {
        Sink()(kind, text);
        return;
    }
    BoxQueue& boxes = Boxes();
    if (boxes.open) {
        const bool queued =
            std::any_of(boxes.waiting.begin(), boxes.waiting.end(), [&](const PendingBox& box) {
                return box.kind == kind && box.text == text;
            });
        if (!queued)
            boxes.waiting.push_back({kind, text, parent});
        return;
    }
    boxes.open = true;
    PendingBox next{kind, text, parent};
    for (;;) {
        ExecBox(next);
        if (boxes.waiting.empty())
            break;
        next = boxes.waiting.front();
        boxes.waiting.pop_front();
    }
    boxes.open = false;
}
} // namespace

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}

void ShowMessage(QWidget* parent, const QString& text) {
    ShowBox(MessageKind::Plain, parent, text);
}

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.'))
        return message + QChar('.');
    return message;
}

void ShowErrorReport(QWidget* parent, const QString& message) {
    ShowBox(MessageKind::Error, parent, ErrorReportText(message));
}

void RunGuarded(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowErrorReport(parent, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowErrorReport(parent, QStringLiteral("Unknown error"));
    }
}
