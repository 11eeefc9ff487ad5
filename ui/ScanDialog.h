#pragma once

// Looking for what answers on the port: the module's speed and parity ("Find module"), the
// HART instruments behind it, or the MODBUS slaves on the line. Runs on a worker thread with
// the window's port lent to it, lists each answer (each try when finding the module), and
// stops on "Stop". A double click on a found address puts it into the page's field.

#include "config/ConfigReplies.h"
#include "link/ScriptLink.h"

#include "ui/EngineDialog.h"

#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QSpinBox;
class TForm1;
struct LineTry;

class ScanDialog : public EngineDialog {
    Q_OBJECT
public:
    enum class Kind { Line, Hart, Modbus };

    // The window's port is lent to each scan at `line`; it opens again there when the scan
    // ends if it was open before (a found module's line is always opened).
    ScanDialog(TForm1& form, Kind kind, LineSettings line);

    QLabel* Summary;
    QSpinBox* FromAddress;
    QSpinBox* ToAddress;
    // Once an address answers, the further ones are asked with a wait taken from its
    // turnaround instead of the full time-out.
    QCheckBox* FastScan;
    QListWidget* FoundList;
    QProgressBar* ScanProgress;
    QPushButton* StartButton;
    QPushButton* StopButton;

    // Lends the port (refused, with a message, while another tool holds it) and starts the
    // scan (the module's lines: every speed and parity of the port row, the row's own first).
    void Start();
    bool Running() const;

private:
    std::vector<LineTry> Tries() const;
    void Found(int address, const QString& text);
    void Finish(const QString& error, bool cancelled);
    void Choose(QListWidgetItem* item);

    TForm1& form;
    Kind kind;
    LineSettings line;
    std::optional<LineSettings> answeredAt;
    CommunicationReply interface; // the module's answer at the line found
};
