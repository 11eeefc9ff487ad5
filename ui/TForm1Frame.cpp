// Beside the pages: the status bar (the port and its line, the last answer's round trip and
// age, the tool holding the port) and the docks fitted to the screen, so that opening one
// never crushes the pages.

#include "ui/TForm1.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

namespace {

// "9600 8N1": speed, eight data bits, the parity's letter, one stop bit.
QString LineText(std::uint32_t baud, TParity parity) {
    const char letters[] = {'N', 'O', 'E'};
    const auto index = static_cast<std::size_t>(parity);
    return QString::number(baud) + QStringLiteral(" 8") +
           QChar(index < sizeof letters ? letters[index] : '?') + QStringLiteral("1");
}

QLabel* Permanent(QStatusBar* bar, const char* name) {
    auto* label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    bar->addPermanentWidget(label);
    return label;
}

} // namespace

void TForm1::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    bar->setSizeGripEnabled(false);
    // The one-line status under the receive field, then what is always there.
    bar->addWidget(LinkStatus, 1);
    StatusPort = Permanent(bar, "StatusPort");
    StatusRoundTrip = Permanent(bar, "StatusRoundTrip");
    StatusAnswerAge = Permanent(bar, "StatusAnswerAge");
    StatusLoan = Permanent(bar, "StatusLoan");
    connect(&link, &ModuleLink::FrameSent, this, [this] { statusAwaiting = true; });
    connect(&link, &ModuleLink::ChunkReceived, this, [this] {
        if (statusAwaiting) {
            roundTripMs = std::max<qint64>(0, link.ChunkArrivedMs - link.FrameWrittenMs);
            statusAwaiting = false;
        }
        lastAnswer.start();
        RefreshStatusBar();
    });
    connect(&link, &ModuleLink::PortClosed, this, [this] { RefreshStatusBar(); });
    auto* ticker = new QTimer(this);
    connect(ticker, &QTimer::timeout, this, [this] { RefreshStatusBar(); });
    ticker->start(1000);
    RefreshStatusBar();
}

void TForm1::RefreshStatusBar() {
    if (StatusPort == nullptr)
        return;
    const TComm& comm = link.Comm1;
    StatusPort->setText(link.PortIsOpen
                            ? QStringLiteral("%1 %2").arg(QString::fromStdString(comm.CommName()),
                                                          LineText(comm.BaudRate(), comm.Parity()))
                            : tr("port closed"));
    StatusRoundTrip->setText(roundTripMs < 0 ? QString() : tr("round trip %1 ms").arg(roundTripMs));
    StatusAnswerAge->setText(lastAnswer.isValid()
                                 ? tr("last answer %1 s ago").arg(lastAnswer.elapsed() / 1000)
                                 : tr("no answer yet"));
    StatusLoan->setText(loan.Held() ? tr("port in use by %1").arg(loan.Holder()) : QString());
    StatusLoan->setVisible(loan.Held());
}

// ---- the docks and the screen

QRect TForm1::AvailableScreen() const {
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    return shown != nullptr ? shown->availableGeometry() : QRect();
}

void TForm1::FitToScreen() {
    const QRect available = AvailableScreen();
    if (available.isEmpty())
        return;
    // The frame's own edges and title bar are outside the client size.
    const QSize frame = frameGeometry().size() - size();
    const QSize room = available.size() - frame;
    if (width() > room.width() || height() > room.height())
        resize(std::min(width(), room.width()), std::min(height(), room.height()));
}

void TForm1::FitDock(QDockWidget* dock) {
    // A fitted dock opens floating, so that the window's layout neither squeezes the pages
    // nor grows past the screen for it; once shown it goes into its area where the window
    // can grow by its size.
    dockHome[dock] = dockWidgetArea(dock);
    dock->setFloating(true);
    dock->installEventFilter(this);
    connect(dock, &QDockWidget::topLevelChanged, this, [this, dock](bool floating) {
        if (floating)
            ShrinkAfterDock(dock);
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    auto* dock = qobject_cast<QDockWidget*>(watched);
    // Docking it moves the dock, which hides and shows it again: no opening or closing.
    if (dock != nullptr && dockHome.contains(dock) && !redocking) {
        if (event->type() == QEvent::ShowToParent && dock->isFloating() &&
            !dockGrowth.contains(dock))
            QTimer::singleShot(0, dock, [this, dock] { GrowForDock(dock); });
        else if (event->type() == QEvent::HideToParent) {
            // Once the layout has let go of the dock; the next opening is fitted again.
            QTimer::singleShot(0, dock, [this, dock] {
                if (!dock->isHidden())
                    return;
                ShrinkAfterDock(dock);
                dock->setFloating(true);
            });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::GrowForDock(QDockWidget* dock) {
    if (dock->isHidden() || !dock->isFloating())
        return;
    const QRect available = AvailableScreen();
    // A dock that scrolls asks for what its content would take unscrolled.
    QSize hint = dock->sizeHint().expandedTo(dock->minimumSizeHint());
    if (const auto* scroll = qobject_cast<const QScrollArea*>(dock->widget());
        scroll != nullptr && scroll->widget() != nullptr)
        hint =
            hint.expandedTo(scroll->widget()->sizeHint() + (dock->sizeHint() - scroll->sizeHint()));
    const Qt::DockWidgetArea area = dockHome[dock];
    const bool across = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
    const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    const QSize growth =
        across ? QSize(0, hint.height() + separator) : QSize(hint.width() + separator, 0);
    const QSize frame = frameGeometry().size() - size();
    QSize wanted = size() + growth;
    if (across)
        wanted.setWidth(std::max(wanted.width(), hint.width()));
    else
        wanted.setHeight(std::max(wanted.height(), hint.height()));
    const bool room = !isMaximized() && !isFullScreen() && !available.isEmpty() &&
                      wanted.width() + frame.width() <= available.width() &&
                      wanted.height() + frame.height() <= available.height();
    if (!room) {
        // It stays floating, over the screen's corner, no larger than the screen.
        const QSize floating = hint.boundedTo(available.size());
        dock->setGeometry(
            QRect(available.bottomRight() - QPoint(floating.width() - 1, floating.height() - 1),
                  floating));
        return;
    }
    dockGrowth[dock] = size();
    resize(wanted);
    // Keep the grown window on the screen.
    const QRect grown = frameGeometry();
    QPoint moved = grown.topLeft();
    if (grown.right() > available.right())
        moved.rx() -= grown.right() - available.right();
    if (grown.bottom() > available.bottom())
        moved.ry() -= grown.bottom() - available.bottom();
    if (moved != grown.topLeft())
        move(std::max(moved.x(), available.left()), std::max(moved.y(), available.top()));
    redocking = true;
    dock->setFloating(false);
    redocking = false;
    if (across)
        resizeDocks({dock}, {hint.height()}, Qt::Vertical);
    else
        resizeDocks({dock}, {hint.width()}, Qt::Horizontal);
}

void TForm1::ShrinkAfterDock(QDockWidget* dock) {
    const auto grown = dockGrowth.find(dock);
    if (grown == dockGrowth.end())
        return;
    const QSize before = grown->second;
    dockGrowth.erase(grown);
    if (isMaximized() || isFullScreen())
        return;
    // The size it had before the dock, unless another grown dock is still open: then only
    // the dock's own extent is given back.
    if (dockGrowth.empty()) {
        resize(before);
        return;
    }
    const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    const Qt::DockWidgetArea area = dockHome[dock];
    if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea)
        resize(width(), height() - dock->height() - separator);
    else
        resize(width() - dock->width() - separator, height());
}
