#include "ui/ScanDialog.h"

#include "commission/ModuleScans.h"
#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "config/ConfigReplies.h"
#include "hart/HartFrames.h"
#include "hart/HartIdentityText.h"
#include "ui/EngineTask.h"
#include "ui/TForm1.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A scan's exchanges wait as long as the command-line tool's: an instrument or slave that is
// there answers well within it.
constexpr std::chrono::milliseconds ScanTimeout{200};

QString ParityName(TParity parity) {
    return QString::fromUtf8(ParityItems[static_cast<std::size_t>(parity)]);
}

} // namespace

ScanDialog::ScanDialog(TForm1& form_, Kind kind_, LineSettings line_)
    : EngineDialog(&form_), form(form_), kind(kind_), line(std::move(line_)) {
    const char* names[] = {"FindModuleDialog", "ScanHartDialog", "ScanModbusDialog"};
    setObjectName(names[static_cast<int>(kind)]);
    const QString port = QString::fromStdString(line.port);
    setWindowTitle(kind == Kind::Line   ? tr("Find module on %1").arg(port)
                   : kind == Kind::Hart ? tr("Scan HART addresses on %1").arg(port)
                                        : tr("Scan MODBUS slaves on %1").arg(port));
    auto* layout = new QVBoxLayout(this);
    Summary = new QLabel(this);
    Summary->setObjectName("ScanSummary");
    layout->addWidget(Summary);
    auto* range = new QHBoxLayout;
    FromAddress = new QSpinBox(this);
    FromAddress->setObjectName("FromAddress");
    ToAddress = new QSpinBox(this);
    ToAddress->setObjectName("ToAddress");
    const int low = kind == Kind::Modbus ? 1 : 0;
    const int high = kind == Kind::Modbus ? 247 : HartPollAddressItems - 1;
    for (QSpinBox* box : {FromAddress, ToAddress})
        box->setRange(low, high);
    FromAddress->setValue(low);
    ToAddress->setValue(high);
    range->addWidget(new QLabel(tr("From address:"), this));
    range->addWidget(FromAddress);
    range->addWidget(new QLabel(tr("to:"), this));
    range->addWidget(ToAddress);
    FastScan = new QCheckBox(tr("&Fast"), this);
    FastScan->setObjectName("FastScan");
    FastScan->setToolTip(tr("Once an address answers, wait a few times its turnaround at each "
                            "further one instead of the full time-out; every address found is "
                            "asked again with the full time-out."));
    range->addWidget(FastScan);
    range->addStretch();
    layout->addLayout(range);
    for (int i = 0; i < range->count(); ++i) {
        if (QWidget* widget = range->itemAt(i)->widget())
            widget->setVisible(kind != Kind::Line);
    }
    FoundList = new QListWidget(this);
    FoundList->setObjectName("FoundList");
    layout->addWidget(FoundList);
    ScanProgress = TaskProgressBar("ScanProgress");
    layout->addWidget(ScanProgress);
    auto* buttons = new QDialogButtonBox(this);
    StartButton = buttons->addButton(kind == Kind::Line ? tr("&Try again") : tr("&Scan"),
                                     QDialogButtonBox::ActionRole);
    StartButton->setObjectName("StartButton");
    StopButton = buttons->addButton(tr("S&top"), QDialogButtonBox::ActionRole);
    StopButton->setObjectName("StopButton");
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    if (kind != Kind::Line)
        FoundList->setToolTip(tr("Double-click an address to put it into the page's field."));

    connect(StartButton, &QPushButton::clicked, this, [this] { Start(); });
    connect(StopButton, &QPushButton::clicked, task, &EngineTask::Cancel);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(FoundList, &QListWidget::itemDoubleClicked, this, &ScanDialog::Choose);
    connect(task, &EngineTask::Stepped, this, [this](int done, int total, const QString& what) {
        if (done < total)
            Summary->setText(tr("Trying %1...").arg(what));
    });
    connect(task, &EngineTask::Finished, this, &ScanDialog::Finish);
    StopButton->setEnabled(false);
    resize(460, 380);
}

bool ScanDialog::Running() const {
    return task->Running();
}

std::vector<LineTry> ScanDialog::Tries() const {
    // The port row's own line first, then every speed of its list with every parity. The
    // list's "15200" is no speed the module has, and no port sets it: it is left out.
    std::vector<LineTry> tries{{line.baud, line.parity}};
    for (int b = 0; b < form.ComboBox11->count(); ++b) {
        const QString baud = form.ComboBox11->itemText(b);
        if (std::find(Rs485BaudItems.begin(), Rs485BaudItems.end(), baud.toStdString()) ==
            Rs485BaudItems.end())
            continue;
        for (int p = 0; p < form.ComboBox10->count() && p < static_cast<int>(ParityItems.size());
             ++p) {
            const LineTry attempt{baud.toUInt(), static_cast<TParity>(p)};
            if (attempt.baud != line.baud || attempt.parity != line.parity)
                tries.push_back(attempt);
        }
    }
    return tries;
}

void ScanDialog::Start() {
    if (task->Running() || !form.LendPort(windowTitle(), line))
        return;
    FoundList->clear();
    answeredAt.reset();
    interface = {};
    StartButton->setEnabled(false);
    StopButton->setEnabled(true);
    ScanProgress->setValue(0);
    const int from = FromAddress->value();
    const int to = ToAddress->value();
    if (kind == Kind::Line) {
        task->Start([this, at = line, tries = Tries()](const Progress& progress) {
            ModuleLine moduleLine(at, ScanTimeout);
            const auto tried = [this](const LineTry& attempt, bool answered) {
                const QString text =
                    tr("%1 baud, parity %2: %3")
                        .arg(attempt.baud)
                        .arg(ParityName(attempt.parity),
                             answered ? tr("the module answers") : tr("no answer"));
                task->Post([this, text] { Found(-1, text); });
            };
            if (!FindLine(moduleLine, tries, tried, progress))
                return;
            // The interface's own answer, at the line found, says its type and count.
            CommunicationReply reply;
            try {
                reply = DecodeCommunicationReply(moduleLine.Ascii(CommunicationQuery().bytes));
            } catch (const ModuleFailure&) {
                // The line is found all the same; the page keeps what it showed.
            }
            task->Post([this, end = moduleLine.Line(), reply] {
                answeredAt = end;
                interface = reply;
            });
        });
        return;
    }
    const std::string preambles = form.hartPage->Edit9->text().toStdString();
    ScanTiming timing{ScanTimeout, FastScan->isChecked(), line.baud, line.parity};
    if (timing.fast) {
        // The address the page holds is asked first: where a module answers there, the whole
        // range goes at the fast pace.
        bool ok = false;
        const int expected = kind == Kind::Hart ? form.hartPage->ComboBox30->ItemIndex()
                                                : form.modbusPage->Edit18->text().toInt(&ok);
        if (kind == Kind::Hart || ok)
            timing.first = expected;
    }
    task->Start([this, at = line, from, to, preambles, timing](const Progress& progress) {
        ModuleLine moduleLine(at, ScanTimeout);
        if (kind == Kind::Hart) {
            std::optional<HartIdentity> id;
            ScanAddresses(
                from, to, timing,
                [&](int address, std::chrono::milliseconds wait) {
                    return ProbeHart(moduleLine, preambles, address, wait, id);
                },
                [&](int address) {
                    // Told right after the answer at the full time-out, whose identity `id`
                    // still holds.
                    const QString text = tr("address %1: %2")
                                             .arg(address)
                                             .arg(QString::fromStdString(IdentityText(*id)));
                    task->Post([this, address, text] { Found(address, text); });
                },
                progress);
        } else {
            ScanAddresses(
                from, to, timing,
                [&](int slave, std::chrono::milliseconds wait) {
                    return ProbeModbus(moduleLine, slave, wait);
                },
                [this](int slave) {
                    task->Post([this, slave] { Found(slave, tr("slave %1 answers").arg(slave)); });
                },
                progress);
        }
    });
}

void ScanDialog::Found(int address, const QString& text) {
    auto* item = new QListWidgetItem(text, FoundList);
    item->setData(Qt::UserRole, address);
}

void ScanDialog::Finish(const QString& error, bool cancelled) {
    StartButton->setEnabled(true);
    StopButton->setEnabled(false);
    if (answeredAt) {
        const QString found = tr("The module answers at %1 baud, parity %2")
                                  .arg(answeredAt->baud)
                                  .arg(ParityName(answeredAt->parity));
        if (interface.Answered())
            form.ShowModuleInterface(interface);
        // What is said of the port is what the port is, after the attempt to open it.
        Summary->setText(
            form.ReturnPort(answeredAt)
                ? tr("%1; the port is open there.").arg(found)
                : tr("%1; the port cannot be opened there: %2.").arg(found, form.PortFailure()));
        return;
    }
    const bool reopens = form.Loan().WasOpen();
    QString summary;
    if (cancelled)
        summary = tr("Stopped.");
    else if (!error.isEmpty())
        summary = tr("The scan stopped: %1").arg(error);
    else if (kind == Kind::Line)
        summary = tr("No answer at any speed and parity.");
    else
        summary = FoundList->count() == 0 ? tr("Nothing answered.")
                                          : tr("%1 answered.").arg(FoundList->count());
    if (!form.ReturnPort() && reopens) {
        if (!summary.endsWith('.'))
            summary += '.';
        summary += ' ' + tr("The port cannot be opened again: %1.").arg(form.PortFailure());
    }
    Summary->setText(summary);
}

void ScanDialog::Choose(QListWidgetItem* item) {
    const int address = item->data(Qt::UserRole).toInt();
    if (address < 0 || kind == Kind::Line)
        return;
    if (kind == Kind::Hart) {
        form.hartPage->ComboBox30->SetItemIndex(address);
        form.hartPage->ComboBox30Change();
    } else {
        form.modbusPage->Edit18->setText(QString("%1").arg(address, 3, 10, QChar('0')));
    }
}
