#include "ui/RegisterDock.h"

#include "tools/Ieee754Calculator.h"
#include "tools/RegisterTable.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int HoldingRegisterBase = 40001;

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

RegisterDock::RegisterDock(QWidget* parent) : QDockWidget(tr("MODBUS values"), parent) {
    setObjectName(QStringLiteral("RegisterDock"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);

    auto* choice = new QHBoxLayout;
    type = new QComboBox;
    type->setObjectName(QStringLiteral("RegisterType"));
    for (int i = 0; i < 5; ++i)
        type->addItem(Text(RegisterTypeName(static_cast<RegisterType>(i))));
    order = new QComboBox;
    order->setObjectName(QStringLiteral("RegisterOrder"));
    for (int i = 0; i < 4; ++i)
        order->addItem(Text(ByteOrderName(static_cast<ByteOrder>(i))));
    choice->addWidget(new QLabel(tr("type:")));
    choice->addWidget(type);
    choice->addWidget(new QLabel(tr("byte order:")));
    choice->addWidget(order);
    choice->addStretch();
    layout->addLayout(choice);

    problem = new QLabel(tr("Values of the next MODBUS read test appear here."));
    problem->setObjectName(QStringLiteral("RegisterProblem"));
    layout->addWidget(problem);
    table = new QTableWidget(0, 3);
    table->setObjectName(QStringLiteral("RegisterValues"));
    table->setHorizontalHeaderLabels({tr("address"), tr("raw hex"), tr("value")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Each column as wide as its longest cell, so a float's digits are never elided; the last
    // takes what is left.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);

    auto* calculator = new QFormLayout;
    calculatorHex = new QLineEdit;
    calculatorHex->setObjectName(QStringLiteral("CalculatorHex"));
    calculatorHex->setPlaceholderText(QStringLiteral("41 20 00 00"));
    calculatorValue = new QLabel;
    calculatorValue->setObjectName(QStringLiteral("CalculatorValue"));
    calculatorValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
    calculator->addRow(tr("calculator hex:"), calculatorHex);
    calculator->addRow(tr("float in this byte order:"), calculatorValue);
    layout->addLayout(calculator);
    setWidget(body);

    connect(type, &QComboBox::currentIndexChanged, this, &RegisterDock::Refresh);
    connect(order, &QComboBox::currentIndexChanged, this, [this] {
        Refresh();
        RefreshCalculator();
    });
    connect(calculatorHex, &QLineEdit::textChanged, this, &RegisterDock::RefreshCalculator);
}

void RegisterDock::ShowExchange(const QByteArray& sent, const QByteArray& answer) {
    request = sent;
    reply = answer;
    Refresh();
}

void RegisterDock::SetCalculatorHex(const QString& hex) {
    calculatorHex->setText(hex);
}

void RegisterDock::Refresh() {
    if (request.isEmpty())
        return;
    const RegisterTable values = MakeRegisterTable(AsBytes(request), AsBytes(reply),
                                                   static_cast<RegisterType>(type->currentIndex()),
                                                   static_cast<ByteOrder>(order->currentIndex()));
    problem->setText(values.problem.empty() ? tr("%n value(s) of the last read test.", nullptr,
                                                 static_cast<int>(values.rows.size()))
                                            : tr("The last read test's answer holds no values: %1.")
                                                  .arg(QString::fromStdString(values.problem)));
    table->setRowCount(static_cast<int>(values.rows.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const RegisterRow& row = values.rows[static_cast<std::size_t>(r)];
        // Holding registers numbered as the MODBUS page numbers them: protocol address 0 is
        // 40001.
        const QStringList cells{QString::number(HoldingRegisterBase + row.address),
                                QString::fromStdString(row.raw), QString::fromStdString(row.value)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            table->setItem(r, c, item);
        }
    }
}

void RegisterDock::RefreshCalculator() {
    // The calculator's own rules read the bytes; a text it refuses shows its message.
    if (calculatorHex->text().isEmpty()) {
        calculatorValue->clear();
        return;
    }
    const Ieee754Result bytes = CalculateIeee754(calculatorHex->text().toStdString(), ".", 4);
    if (bytes.status != Ieee754Status::Ok) {
        calculatorValue->setText(QString::fromStdString(bytes.message));
        return;
    }
    const std::span<const std::uint8_t, 4> first(bytes.bytes.data(), 4);
    calculatorValue->setText(QString::fromStdString(
        FloatInOrder(first, static_cast<ByteOrder>(order->currentIndex())).text));
}
