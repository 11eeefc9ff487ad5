// The transparent-mode page: HART master requests and the instrument's replies.

#include "ui/HartPage.h"

#include "hart/HartFrames.h"
#include "hart/HartIdentityText.h"
#include "hart/HartUnits.h"
#include "ui/ControlFactory.h"
#include "ui/ReplyView.h"
#include "ui/TForm1.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
QStringList UnitTexts(UnitList list) {
    QStringList items;
    for (std::string_view unit : UnitItems(list))
        items << QString::fromUtf8(unit.data(), static_cast<qsizetype>(unit.size()));
    return items;
}
} // namespace

HartPage::HartPage(TForm1& owner, QWidget* sheet) : form(owner) {
    Build(sheet);
    form.OnUserChange(ComboBox30, [this] { ComboBox30Change(); });
}

void HartPage::Build(QWidget* sheet) {
    ControlFactory f{&form};
    auto* page = new QVBoxLayout(sheet);
    GroupBox5 = f.Group("GroupBox5", {});
    auto* g5 = new QGridLayout(GroupBox5);
    const QStringList modes = ItemTexts(HartWorkingModeTexts);
    ComboBox30 = f.Shows("ComboBox30", ItemTexts(HartPollAddressTexts), "0");
    ComboBox42 = f.Shows("ComboBox42", modes, modes[0]);
    Edit9 = f.Edit("Edit9", "6");
    auto* top = new QHBoxLayout;
    AddAll(top, {Caption("HART address:"), ComboBox30, Caption("HART command working mode:"),
                 ComboBox42, Caption("preamble length:"), Edit9});
    top->addStretch(1);
    g5->addLayout(top, 0, 0, 1, 3);

    GroupBox8 = f.Group("GroupBox8", "HART instrument basic parameter");
    auto* g8 = new QGridLayout(GroupBox8);
    for (auto [edit, name] : {std::pair{&Edit28, "Edit28"}, std::pair{&Edit29, "Edit29"},
                              std::pair{&Edit31, "Edit31"}, std::pair{&Edit32, "Edit32"}})
        *edit = f.Edit(name);
    Button7 = form.Handled(f.Button("Button7", "HART instrument parameter query"), this,
                           &HartPage::Button7Click);
    Row(g8, 0, {Caption("manufacturing ID:"), Edit28});
    Row(g8, 1, {Caption("sensor type:"), Edit29});
    Row(g8, 2, {Caption("preamble byte count:"), Edit31});
    Row(g8, 3, {Caption("sensor serial number:"), Edit32});
    g8->addWidget(Button7, 4, 0, 1, 2);
    g5->addWidget(GroupBox8, 1, 0);

    GroupBox10 = f.Group("GroupBox10", "universal HART real-time data");
    auto* g10 = new QGridLayout(GroupBox10);
    for (auto [edit, name] : {std::pair{&Edit25, "Edit25"}, std::pair{&Edit26, "Edit26"},
                              std::pair{&Edit27, "Edit27"}, std::pair{&Edit30, "Edit30"}})
        *edit = f.Edit(name);
    ComboBox3 = f.Combo("ComboBox3", UnitTexts(UnitList::Standard));
    ComboBox31 = f.Combo("ComboBox31", UnitTexts(UnitList::Standard));
    ComboBox32 = f.Combo("ComboBox32", UnitTexts(UnitList::ThirdVariable));
    ComboBox33 = f.Combo("ComboBox33", UnitTexts(UnitList::Standard));
    Row(g10, 0, {Caption("current_variable_1:"), Edit25, Caption("unit:"), ComboBox3});
    Row(g10, 1, {Caption("current_variable_2:"), Edit26, Caption("unit:"), ComboBox31});
    Row(g10, 2, {Caption("current_variable_3:"), Edit27, Caption("unit:"), ComboBox32});
    Row(g10, 3, {Caption("current_variable_4:"), Edit30, Caption("unit:"), ComboBox33});
    Button16 = form.Handled(f.Button("Button16", "General HART command data query"), this,
                            &HartPage::Button16Click);
    g10->addWidget(Button16, 4, 0, 1, 4);
    g5->addWidget(GroupBox10, 1, 1);

    GroupBox6 = f.Group("GroupBox6", "HART address configuration");
    auto* g6 = new QGridLayout(GroupBox6);
    ComboBox27 = f.Selected("ComboBox27", ItemTexts(HartNewAddressTexts), 0);
    Button14 = form.Handled(f.Button("Button14", "set"), this, &HartPage::Button14Click);
    Row(g6, 0, {Caption("HART address:"), ComboBox27});
    g6->addWidget(Button14, 1, 0, 1, 2);
    g5->addWidget(GroupBox6, 1, 2);
    page->addWidget(GroupBox5);

    GroupBox20 = f.Group("GroupBox20", {});
    auto* g20 = new QGridLayout(GroupBox20);
    Edit10 = f.Edit("Edit10");
    Edit10->setMinimumWidth(480);
    Button20 = form.Handled(f.Button("Button20", "send"), this, &HartPage::Button20Click);
    g20->addWidget(Caption("HEX  (76 89 FD AD)"), 0, 1);
    g20->addWidget(Caption("Manual HART commands:"), 1, 0);
    g20->addWidget(Edit10, 1, 1);
    g20->addWidget(Button20, 1, 2);
    g20->addWidget(Coloured(Caption("(auto generate checksum)"), "fuchsia"), 2, 0);
    page->addWidget(GroupBox20);
    page->addStretch(1);
}

void HartPage::ClearIdentity() {
    for (QLineEdit* edit : {Edit28, Edit29, Edit31, Edit32})
        edit->clear();
}

void HartPage::Button7Click() {
    form.ClearExchange();
    ClearIdentity();
    const int address = ComboBox30->ListValue();
    const FrameResult frame = HartIdentityQuery(Std(Edit9), ComboBox42->ListValue(), address);
    if (!form.FrameReady(frame))
        return;
    form.link.frameBuffer[FrameBuffer::PollAddressIndex] = static_cast<std::uint8_t>(address);
    form.Send(RequestKind::HartIdentity, frame, TForm1::Shown::Hex);
}

void HartPage::Button16Click() {
    form.ClearExchange();
    form.Send(RequestKind::HartDynamicVariables,
              HartDynamicVariablesQuery(Std(Edit9), ComboBox42->ListValue(), hartIdentity),
              TForm1::Shown::Hex);
}

void HartPage::Button14Click() {
    form.link.Comm1.SetRtsControl(TRtsControl::RtsEnable);
    form.ClearExchange();
    form.Send(RequestKind::HartWriteAddress,
              HartWriteAddress(Std(Edit9), ComboBox42->ListValue(), hartIdentity,
                               ComboBox27->ListValue()),
              TForm1::Shown::Hex);
}

void HartPage::Button20Click() {
    form.ClearExchange();
    form.Send(RequestKind::HartManual, HartManualFrame(Std(Edit9), Std(Edit10)),
              TForm1::Shown::Hex);
}

void HartPage::ComboBox30Change() {
    if (AddressChosen)
        AddressChosen(ComboBox30->ListValue());
}

void HartPage::Show(const std::optional<HartIdentity>& identity) {
    if (!identity) {
        ClearIdentity();
        return;
    }
    hartIdentity = *identity;
    Edit28->setText(QString::number(identity->manufacturerId));
    Edit29->setText(QString::number(identity->deviceType));
    Edit31->setText(QString::number(identity->preambleCount));
    ComboBox27->SetItemIndex(form.link.frameBuffer[FrameBuffer::PollAddressIndex]);
    Edit32->setText(QString::number(DeviceIdNumber(*identity)));
}

void HartPage::Show(const DynamicVariablesReply& reply) {
    QLineEdit* edits[] = {Edit25, Edit26, Edit27, Edit30};
    TComboBox* units[] = {ComboBox3, ComboBox31, ComboBox32, ComboBox33};
    for (std::size_t i = 0; i < reply.variables.size() && i < 4; ++i) {
        edits[i]->setText(QString::fromStdString(reply.variables[i].text));
        units[i]->SetItemIndex(reply.variables[i].unitIndex);
    }
}

void HartPage::EnableModuleButtons() {
    for (QPushButton* button : {Button16, Button7, Button14})
        button->setEnabled(true);
}
