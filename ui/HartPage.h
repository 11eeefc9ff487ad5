#pragma once

#include "hart/HartIdentity.h"
#include "hart/HartReplies.h"
#include "ui/TComboBox.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <functional>
#include <optional>

class TForm1;

// The "transparent mode" page: a HART master that reads the instrument's identity and
// variables, readdresses it, or sends a hand-typed frame.
class HartPage {
public:
    HartPage(TForm1& form, QWidget* sheet);

    QGroupBox* GroupBox5;
    TComboBox* ComboBox30;
    TComboBox* ComboBox42;
    QLineEdit* Edit9;
    QGroupBox* GroupBox8;
    QLineEdit* Edit28;
    QLineEdit* Edit29;
    QLineEdit* Edit31;
    QLineEdit* Edit32;
    QPushButton* Button7;
    QGroupBox* GroupBox10;
    QLineEdit* Edit25;
    QLineEdit* Edit26;
    QLineEdit* Edit27;
    QLineEdit* Edit30;
    TComboBox* ComboBox3;
    TComboBox* ComboBox31;
    TComboBox* ComboBox32;
    TComboBox* ComboBox33;
    QPushButton* Button16;
    QGroupBox* GroupBox6;
    TComboBox* ComboBox27;
    QPushButton* Button14;
    QGroupBox* GroupBox20;
    QLineEdit* Edit10;
    QPushButton* Button20;
    HartIdentity hartIdentity; // what the last identity reply told

    void Button7Click();
    void Button16Click();
    void Button14Click();
    void Button20Click();
    void ComboBox30Change();

    // Runs with the address ComboBox30 now shows (-1 for none).
    std::function<void(int)> AddressChosen;

    void Show(const std::optional<HartIdentity>& identity);
    void Show(const DynamicVariablesReply& reply);
    void EnableModuleButtons();

private:
    void Build(QWidget* sheet);
    void ClearIdentity();
    TForm1& form;
};
