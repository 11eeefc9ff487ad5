#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <string>

// The window's two kinds of message: the plain message box (text and OK) and the
// application's error report (error icon). Both carry the application's title as caption.
enum class MessageKind { Plain, Error };

// Tests install a sink to see messages instead of modal boxes; nullptr restores the boxes.
using MessageSink = std::function<void(MessageKind, const QString&)>;
void SetMessageSink(MessageSink sink);

// Boxes never nest: a box runs its own event loop, so serial events and timers go on and may
// raise further messages. One raised while a box is open waits and is shown after it (and
// after those waiting before it); one equal to a message already waiting is not queued
// again. The call that opened the first box shows the waiting ones before it returns.
void ShowMessage(QWidget* parent, const QString& text);
// The error's message, with a full stop appended when its last character sorts after ".".
QString ErrorReportText(const QString& message);
void ShowErrorReport(QWidget* parent, const QString& message);

// Runs a handler; an exception leaving it ends in the error report and never reaches the
// toolkit's event loop.
void RunGuarded(QWidget* parent, const std::function<void()>& handler);
