#pragma once

#include "tools/ModbusRegisters.h"

#include <QByteArray>
#include <QDockWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// The "MODBUS values" dock: the last MODBUS read test's answer as a table of registers
// (address, raw hex, value) in the type and byte order chosen above it, and the
// calculator's four bytes read as a float in that byte order. It is fed by its owner; the
// test page and the calculator stay as they are.
class RegisterDock : public QDockWidget {
    Q_OBJECT
public:
    explicit RegisterDock(QWidget* parent = nullptr);

    // A read test's request and the whole answer that came back.
    void ShowExchange(const QByteArray& request, const QByteArray& reply);
    // The calculator's hex text, as typed on its page.
    void SetCalculatorHex(const QString& hex);

    QTableWidget* Table() const { return table; }
    QComboBox* TypeBox() const { return type; }
    QComboBox* OrderBox() const { return order; }
    QLabel* CalculatorValue() const { return calculatorValue; }

private:
    void Refresh();
    void RefreshCalculator();

    QByteArray request;
    QByteArray reply;
    QComboBox* type = nullptr;
    QComboBox* order = nullptr;
    QLabel* problem = nullptr;
    QTableWidget* table = nullptr;
    QLineEdit* calculatorHex = nullptr;
    QLabel* calculatorValue = nullptr;
};
