#pragma once

// The tool's one window: the frame that holds the four pages, the port row, the send and
// receive fields and the link to the module. Each page builds its controls and handles
// them; what one page's event does to another page is connected here, in ConnectPages.

#include "exchange/FrameResult.h"
#include "link/ModuleLink.h"
#include "link/ScriptLink.h"
#include "ui/HartPage.h"
#include "ui/ModbusPage.h"
#include "ui/PortLoan.h"
#include "ui/PortWatch.h"
#include "ui/SystemPage.h"
#include "ui/TComboBox.h"
#include "ui/TDblClickLabel.h"
#include "ui/WiringPage.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class MonitorDock;
class RegisterDock;
class CommissionTools;
class TrafficDock;
struct ModuleReplies;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- header, port row and bottom area
    QLabel* Image1 = nullptr;
    QLabel* Label41 = nullptr;
    QLabel* Label77 = nullptr;
    QLabel* Label76 = nullptr;
    QLabel* Label82 = nullptr;
    QLabel* Label83 = nullptr;
    TDblClickLabel* Label8 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    TComboBox* SPREALCOM = nullptr;
    TComboBox* ComboBox11 = nullptr;
    TComboBox* ComboBox10 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    TComboBox* ComboBox13 = nullptr;
    TComboBox* ComboBox1 = nullptr;
    QLabel* Label40 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLabel* Label60 = nullptr;
    QPlainTextEdit* Memo10 = nullptr;
    QPushButton* Button26 = nullptr;
    QLabel* LinkStatus = nullptr; // one line under the receive field: the state of the link
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;

    // ---- the link and the pages
    ModuleLink link;
    TTimer* Timer5 = nullptr;
    std::unique_ptr<SystemPage> systemPage;
    std::unique_ptr<HartPage> hartPage;
    std::unique_ptr<ModbusPage> modbusPage;
    std::unique_ptr<WiringPage> wiringPage;

    // ---- beyond the pages: the menu bar and the docks
    QMenu* MenuFile = nullptr;
    QMenu* MenuModule = nullptr;
    QMenu* MenuTools = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* ActionTrafficLog = nullptr;
    QAction* ActionAbout = nullptr;
    TrafficDock* trafficDock = nullptr;
    // Profiles, finding the module and the scans (ActionReadConfiguration ... ActionScanModbus).
    CommissionTools* commission = nullptr;
    // Fills the pages from a whole configuration read, as the module's own answers do.
    void ShowModuleReplies(const ModuleReplies& replies);
    // Shows the module's interface type and instrument count, as its own answer does.
    void ShowModuleInterface(const CommunicationReply& reply);
    // An action named `objectName` at the end of `menu`.
    QAction* AddAction(QMenu* menu, const char* objectName, const QString& text,
                       const QKeySequence& shortcut = {});
    // Puts `dock` hidden in `area` and its show/hide action, named `objectName`, in `menu`.
    QAction* AddDock(QDockWidget* dock, Qt::DockWidgetArea area, QMenu* menu,
                     const char* objectName, const QString& text,
                     const QKeySequence& shortcut = {});
    static QString AboutText();
    void ShowAbout();
    // The live monitor and the MODBUS values of the read test.
    QAction* ActionMonitor = nullptr;
    QAction* ActionModbusValues = nullptr;
    MonitorDock* monitorDock = nullptr;
    RegisterDock* registerDock = nullptr;

    // ---- the port lent to a tool that runs its own exchanges (a scan, the monitor...)
    // The line the port row shows; nullopt, after a message, when it names no usable line.
    std::optional<LineSettings> PortRowLine();
    // Closes the window's port for `user` ("the monitor"), who works at `line`, and holds the
    // pages and the port row disabled until the port comes back. While another tool holds
    // the port, `user` is refused with a message naming that tool: false, nothing changed.
    bool LendPort(const QString& user, const LineSettings& line);
    // Ends the loan: the pages and the port row come back, and with a line the port row
    // shows it and the port opens there. A port that cannot be opened stays closed, with
    // the cause in the status line and the traffic log (and a device that is gone watched
    // for). True when the port is open afterwards.
    bool ReturnPort(const std::optional<LineSettings>& reopenAt);
    // Ends the loan as it began: the port opens again at the tool's line if it was open.
    bool ReturnPort() { return ReturnPort(loan.LineBefore()); }
    bool PortLent() const { return loan.Held(); }
    const PortLoan& Loan() const { return loan; }
    // While the port is lent: says so, naming the holder, and true (the caller does not
    // start).
    bool RefuseWhileLent();
    // Why the port last failed to open ("no such device"); empty after it opened.
    const QString& PortFailure() const { return portFailure; }
    // Shows a line's port, speed and parity in the port row.
    void ShowLine(const LineSettings& line);

    // ---- the status bar: the port and its line, the last answer, the port's holder
    QLabel* StatusPort = nullptr;      // "/dev/ttyUSB0 9600 8N1", or that the port is closed
    QLabel* StatusRoundTrip = nullptr; // the last answer's round trip
    QLabel* StatusAnswerAge = nullptr; // how long ago the last answer came, each second
    QLabel* StatusLoan = nullptr;      // the tool holding the port, shown while it does
    void RefreshStatusBar();

    // ---- the window and its docks on the screen
    // Makes the window no larger than the screen's free area.
    void FitToScreen();
    // A dock shown beside the pages grows the window by its size where the screen has room,
    // and gives it back when it closes; without room it floats instead of taking the pages'.
    void FitDock(QDockWidget* dock);

    // ---- handlers of the frame
    void FormCreate();
    void PageControl1Change() {}
    void Button1Click();
    void Button6Click();
    void Button26Click();
    void Label8DblClick();
    void Edit14Change();
    void RefreshPortList();
    // Shows `text` in the status line under the receive field (empty clears it).
    void ShowLinkStatus(const QString& text);

    // ---- what the pages use to send
    enum class Shown { Text, Hex, Hidden };
    void ClearExchange();
    // Shows why a frame was not built: conversion failures in the error report, refusals
    // in a plain message. True when the frame is there.
    bool FrameReady(const FrameResult& result);
    // Sends a built frame as a request of `kind` and shows it in the send field; a frame
    // that was not built is reported instead. True when sent.
    bool Send(RequestKind kind, const FrameResult& frame, Shown shown = Shown::Text);
    void SendRequest(RequestKind kind, const std::vector<std::uint8_t>& frame,
                     const QString& shown);
    // Runs a handler on a click or a user's change of a list, with exceptions reported.
    void OnClick(QPushButton* button, std::function<void()> handler);
    void OnUserChange(TComboBox* combo, std::function<void()> handler);
    // A page's button whose click runs `handler` of the page.
    template <typename Page>
    QPushButton* Handled(QPushButton* button, Page* page, void (Page::*handler)()) {
        OnClick(button, [page, handler] { (page->*handler)(); });
        return button;
    }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildHeader(QWidget* parent);
    QWidget* BuildPortRow();
    void ConnectPages();
    void ConnectLink();
    void BuildMenus();
    void BuildMonitor();
    void CreateMonitorDock();
    void BuildCommissionActions();
    void ConnectTrafficLog();
    void ShowReply(RequestKind kind, const DecodedReply& reply);
    void ShowTimeout(TimeoutReport report);

    // Writes the line errors counted since the last report as one row of the log.
    void ReportLineErrors();

    // Opens the port named `name` with the port row's speed and parity and the system page's
    // DTR and RTS, closing whatever was open first; the open, its caption and the
    // communication query follow. A parity that names no item, or a speed not above 0, is
    // refused with a message (false). Throws the conversion error of a speed that is no
    // number, and ECommsError, with its cause in the status line and the traffic log, when
    // the port cannot be opened.
    bool OpenPortWithPageSettings(const QString& name);
    void ReportOpenFailure(const QString& name, const ECommsError& error);

    void BuildStatusBar();
    QRect AvailableScreen() const;
    void GrowForDock(QDockWidget* dock);
    void ShrinkAfterDock(QDockWidget* dock);
    std::map<QDockWidget*, QSize> dockGrowth;        // the window's size before each dock grew it
    std::map<QObject*, Qt::DockWidgetArea> dockHome; // where each fitted dock goes when docked
    bool redocking = false;                          // a fitted dock is being put into its area
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool statusAwaiting = false;
    qint64 roundTripMs = -1;
    QElapsedTimer lastAnswer;

    PortLoan loan;
    QString portFailure;
    // The MODBUS read test in progress: its request and the answer so far.
    QByteArray modbusTestRequest;
    QByteArray modbusTestReply;
    // The traffic log's view of the exchange: whether the next chunk starts a reply, the
    // dropped chunks already reported, line errors not yet reported (by kind).
    bool awaitingReply = false;
    std::size_t droppedSeen = 0;
    std::array<int, 5> lineErrors{};

    // ---- kept between runs, and the lost port brought back
    void RestoreSession();
    void WatchLostPort(const QString& why = {});
    void ReopenLostPort();
    // After a loan: a lost device that came back while the port was lent is opened now.
    void RetryLostPort();
    PortWatch* lostPort = nullptr;
};
