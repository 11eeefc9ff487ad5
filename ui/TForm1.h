#pragma once

// The tool's one window: every control of the four pages, the serial port component, the
// timers and the request exchange state. Handlers are methods named after their control and
// event; their bodies are split over files by concern (layout, exchange, port,
// configuration, HART, tools).

#include "config/ConfigReplies.h"
#include "exchange/FrameBuffer.h"
#include "exchange/FrameResult.h"
#include "hart/HartIdentity.h"
#include "serial/TComm.h"
#include "ui/TComboBox.h"
#include "ui/TTimer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdint>
#include <string>
#include <vector>

class QSocketNotifier;

// A label showing a JPEG picture from the resources, decoded when it is first shown: the
// wiring diagram sits on a page the engineer may never open, so the window does not pay for
// decoding it at start-up.
class TPictureLabel : public QLabel {
public:
    TPictureLabel(const QString& resourcePath, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString pending;
};

// A label that reports double-clicks (the invisible target in the header).
class TDblClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// How a request reaches the Timer3 time-out: a new interval of 3000 ms and enable, or only
// enable (the HART queries keep the interval last set).
enum class ReplyTimeout { SetInterval, EnableOnly };

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- header and bottom area
    QLabel* Image1 = nullptr;
    QLabel* Label41 = nullptr;
    QLabel* Label77 = nullptr;
    QLabel* Label76 = nullptr;
    QLabel* Label82 = nullptr;
    QLabel* Label83 = nullptr;
    TDblClickLabel* Label8 = nullptr;
    QLabel* Label40 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLabel* Label60 = nullptr;
    QPlainTextEdit* Memo10 = nullptr;
    QPushButton* Button26 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;

    // ---- page 1, system parameters
    QGroupBox* GroupBox1 = nullptr;
    TComboBox* SPREALCOM = nullptr;
    TComboBox* ComboBox11 = nullptr;
    TComboBox* ComboBox10 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    TComboBox* ComboBox13 = nullptr;
    TComboBox* ComboBox1 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    TComboBox* ComboBox2 = nullptr;
    TComboBox* ComboBox4 = nullptr;
    QPushButton* Button5 = nullptr;
    QGroupBox* GroupBox18 = nullptr;
    TComboBox* ComboBox8 = nullptr;
    TComboBox* ComboBox9 = nullptr;
    QPushButton* Button9 = nullptr;
    QGroupBox* GroupBox14 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QPushButton* Button27 = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    TComboBox* ComboBox7 = nullptr;
    QPushButton* Button24 = nullptr;
    QGroupBox* GroupBox15 = nullptr;
    QLineEdit* Edit14 = nullptr;
    QPushButton* Button29 = nullptr;
    QGroupBox* GroupBox21 = nullptr;
    QLabel* Label16 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TComboBox* XS01 = nullptr;
    TComboBox* XS02 = nullptr;
    TComboBox* XS03 = nullptr;
    TComboBox* XS04 = nullptr;
    TComboBox* XSFA1 = nullptr;
    TComboBox* XSFA2 = nullptr;
    TComboBox* XSFA3 = nullptr;
    TComboBox* XSFA4 = nullptr;
    QLabel* Label34 = nullptr;
    QPushButton* Button34 = nullptr;
    QPushButton* Button28 = nullptr;
    QPushButton* Button25 = nullptr;
    QPushButton* Button32 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button100 = nullptr;
    QPushButton* Button30 = nullptr;
    QPushButton* Button23 = nullptr;

    // ---- page 2, transparent mode (HART)
    QGroupBox* GroupBox5 = nullptr;
    TComboBox* ComboBox30 = nullptr;
    TComboBox* ComboBox42 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QGroupBox* GroupBox8 = nullptr;
    QLineEdit* Edit28 = nullptr;
    QLineEdit* Edit29 = nullptr;
    QLineEdit* Edit31 = nullptr;
    QLineEdit* Edit32 = nullptr;
    QPushButton* Button7 = nullptr;
    QGroupBox* GroupBox10 = nullptr;
    QLineEdit* Edit25 = nullptr;
    QLineEdit* Edit26 = nullptr;
    QLineEdit* Edit27 = nullptr;
    QLineEdit* Edit30 = nullptr;
    TComboBox* ComboBox3 = nullptr;
    TComboBox* ComboBox31 = nullptr;
    TComboBox* ComboBox32 = nullptr;
    TComboBox* ComboBox33 = nullptr;
    QPushButton* Button16 = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    TComboBox* ComboBox27 = nullptr;
    QPushButton* Button14 = nullptr;
    QGroupBox* GroupBox20 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QPushButton* Button20 = nullptr;

    // ---- page 3, MODBUS parameter configuration
    QGroupBox* GroupBox3 = nullptr;
    TComboBox* ComboBox41 = nullptr;
    TComboBox* ComboBox6 = nullptr;
    TComboBox* ComboBox16 = nullptr;
    TComboBox* ComboBox17 = nullptr;
    TComboBox* ComboBox34 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button10 = nullptr;
    QLabel* Label68 = nullptr;
    QLabel* Label69 = nullptr;
    QLabel* Label70 = nullptr;
    QLabel* Label71 = nullptr;
    QLabel* Label72 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label27 = nullptr;
    QLabel* Label28 = nullptr;
    QLabel* Label29 = nullptr;
    TComboBox* FAMOUT1 = nullptr;
    TComboBox* FAMOUT3 = nullptr;
    TComboBox* FAMOUT5 = nullptr;
    TComboBox* FAMOUT7 = nullptr;
    TComboBox* FAMOUT9 = nullptr;
    QPushButton* Button21 = nullptr;
    QLabel* HLabel1 = nullptr;
    QLabel* HLabel2 = nullptr;
    QLabel* HLabel3 = nullptr;
    QLabel* HLabel4 = nullptr;
    QLabel* HLabel5 = nullptr;
    QGroupBox* GroupBox13 = nullptr;
    TComboBox* ComboBox28 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button17 = nullptr;
    TComboBox* ComboBox29 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QPushButton* Button18 = nullptr;
    QGroupBox* GroupBox16 = nullptr;
    TComboBox* RADCOM1 = nullptr;
    TComboBox* RADCOM3 = nullptr;
    TComboBox* RADCOM5 = nullptr;
    TComboBox* RADCOM7 = nullptr;
    QLineEdit* READADR1 = nullptr;
    QLineEdit* READADR3 = nullptr;
    QLineEdit* READADR5 = nullptr;
    QLineEdit* READADR7 = nullptr;
    TComboBox* READLG1 = nullptr;
    TComboBox* READLG3 = nullptr;
    TComboBox* READLG5 = nullptr;
    TComboBox* READLG7 = nullptr;
    TComboBox* ComboBox15 = nullptr;
    QPushButton* Button12 = nullptr;
    QGroupBox* GroupBox19 = nullptr;
    QLineEdit* Edit18 = nullptr;
    QLineEdit* Edit19 = nullptr;
    QLineEdit* Edit20 = nullptr;
    QPushButton* Button4 = nullptr;
    QGroupBox* GroupBox11 = nullptr;
    TComboBox* ComboBox14 = nullptr;
    QPushButton* Button22 = nullptr;
    QGroupBox* GroupBox12 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit22 = nullptr;
    QPushButton* Button13 = nullptr;
    QGroupBox* GroupBox17 = nullptr;
    TComboBox* ComboBox18 = nullptr;
    QLineEdit* Beilv = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button31 = nullptr;

    // ---- page 4, wiring diagram
    TPictureLabel* Image3 = nullptr;

    // ---- components and exchange state
    TComm Comm1;
    TTimer* Timer2 = nullptr;
    TTimer* Timer3 = nullptr;
    TTimer* Timer4 = nullptr;
    TTimer* Timer5 = nullptr;
    FrameBuffer frameBuffer;
    int PendingRequest = 0;
    int TimeoutKind = 0;
    std::string RxText;
    bool PortIsOpen = false;
    HartIdentity hartIdentity; // what the last identity reply told

    // ---- window, exchange and port handlers
    void FormCreate();
    void PageControl1Change() {}
    void Button1Click();
    void Button26Click();
    void Edit14Change();
    void Comm1ReceiveData(TComm* sender, const std::uint8_t* buffer, std::uint16_t length);
    void Comm1RequestHangup(TComm* sender);
    // Closes the port and shows the window closed. Stops Timer4 too: an auto-close pending
    // for this port would otherwise close the next one the user opens.
    void ShutPort();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void ClearExchange();
    void SendRequest(const std::vector<std::uint8_t>& frame, const QString& shown, int code,
                     int kind, ReplyTimeout timeout = ReplyTimeout::SetInterval);
    // Shows why a frame was not built: conversion failures in the error report, refusals
    // in a plain message. True when the frame is there.
    bool FrameReady(const FrameResult& result);
    static QString HexText(const std::vector<std::uint8_t>& bytes);
    void RefreshPortList();

    // ---- configuration handlers (module settings, channels, display)
    void Button6Click();
    void Button23Click();
    void Button31Click();
    void Button5Click();
    void Button9Click();
    void Button24Click();
    void Button22Click();
    void Button29Click();
    void Button27Click();
    void Button30Click();
    void Label8DblClick();
    void ComboBox41Change();
    void Button10Click();
    void Button21Click();
    void Button2Click();
    void Button34Click();
    void Button28Click();
    void Button25Click();
    void Button32Click();
    void Button8Click();
    void Button100Click();
    void ComboBox17Change();
    void Button17Click();
    void Button18Click();
    void Button12Click();
    void DecodeConfigurationReply();

    // ---- HART handlers
    void Button7Click();
    void Button16Click();
    void Button14Click();
    void Button20Click();
    void ComboBox30Change();
    void DecodeHartReply();

    // ---- tools
    void Button4Click();
    void Button13Click();

private:
    void BuildLayout();
    void WireEvents();
    void SendSetting(const FrameResult& frame);
    void SendDisplayRequest(const FrameResult& frame, int code, int kind);
    void ApplyUpdates(const std::vector<ControlUpdate>& updates);
    void SetRegisterLabels(int base);
    int InstrumentNumber() const;
    QSocketNotifier* notifier = nullptr;
};
