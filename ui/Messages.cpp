#include "ui/Messages.h"

#include <QMessageBox>

#include <exception>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
const QString Caption = QStringLiteral("TALMIRE");
} // namespace

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (Sink()) {
        Sink()(MessageKind::Plain, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, Caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.'))
        return message + QChar('.');
    return message;
}

void ShowErrorReport(QWidget* parent, const QString& message) {
    const QString text = ErrorReportText(message);
    if (Sink()) {
        Sink()(MessageKind::Error, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, Caption, text, QMessageBox::Ok, parent);
    box.exec();
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
