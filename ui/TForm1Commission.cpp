// The commissioning actions of the menu bar, and the pages filled from a whole
// configuration read.

#include "commission/ProfileSequence.h"
#include "ui/CommissionTools.h"
#include "ui/TForm1.h"

void TForm1::BuildCommissionActions() {
    commission = new CommissionTools(*this);
    QAction* read = AddAction(MenuModule, "ActionReadConfiguration",
                              tr("&Read whole configuration"), QKeySequence(Qt::Key_F5));
    QAction* compare = AddAction(MenuModule, "ActionCompareProfile", tr("&Compare with module..."),
                                 QKeySequence(Qt::CTRL | Qt::Key_D));
    QAction* write = AddAction(MenuModule, "ActionWriteProfile", tr("&Write profile..."));
    QAction* open =
        AddAction(MenuFile, "ActionOpenProfile", tr("&Open profile..."), QKeySequence::Open);
    QAction* save =
        AddAction(MenuFile, "ActionSaveProfile", tr("&Save profile..."), QKeySequence::Save);
    QAction* find = AddAction(MenuTools, "ActionFindModule", tr("&Find module..."),
                              QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction* hart = AddAction(MenuTools, "ActionScanHart", tr("Scan &HART addresses..."));
    QAction* modbus = AddAction(MenuTools, "ActionScanModbus", tr("Scan &MODBUS slaves..."));
    // "Quit" stays last in the file menu.
    if (QAction* quit = findChild<QAction*>("ActionQuit")) {
        MenuFile->removeAction(quit);
        MenuFile->addSeparator();
        MenuFile->addAction(quit);
    }
    write->setToolTip(tr("Shows the module beside the opened profile; the ticked differences "
                         "are written from there."));
    connect(read, &QAction::triggered, commission, [this] { commission->ReadConfiguration(); });
    connect(save, &QAction::triggered, commission, &CommissionTools::SaveProfile);
    connect(open, &QAction::triggered, commission, &CommissionTools::OpenProfile);
    connect(compare, &QAction::triggered, commission, [this] { commission->CompareProfile(); });
    connect(write, &QAction::triggered, commission, [this] { commission->CompareProfile(true); });
    connect(find, &QAction::triggered, commission, &CommissionTools::FindModule);
    connect(hart, &QAction::triggered, commission, &CommissionTools::ScanHart);
    connect(modbus, &QAction::triggered, commission, &CommissionTools::ScanModbus);
}

void TForm1::ShowModuleInterface(const CommunicationReply& reply) {
    ShowReply(RequestKind::None, reply);
}

void TForm1::ShowModuleReplies(const ModuleReplies& replies) {
    ShowReply(RequestKind::None, replies.link);
    ShowReply(RequestKind::None, replies.system);
    // The MODBUS page shows one channel: the one it has chosen.
    const int instrument = modbusPage->InstrumentNumber();
    if (instrument >= 0 && instrument < static_cast<int>(replies.channels.size()))
        ShowReply(RequestKind::None, replies.channels[static_cast<std::size_t>(instrument)]);
}
