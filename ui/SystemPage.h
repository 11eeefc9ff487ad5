#pragma once

#include "config/ConfigReplies.h"
#include "ui/TComboBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

class TForm1;

// The "system parameters" page: the module's serial sides, operating mode, slave address,
// polling interval and display. The port row of the window sits on top of it.
class SystemPage {
public:
    SystemPage(TForm1& form, QWidget* sheet, QWidget* portRow);

    QGroupBox* GroupBox4;
    TComboBox* ComboBox2;
    TComboBox* ComboBox4;
    QPushButton* Button5;
    QGroupBox* GroupBox18;
    TComboBox* ComboBox8;
    TComboBox* ComboBox9;
    QPushButton* Button9;
    QGroupBox* GroupBox14;
    QLineEdit* Edit6;
    QPushButton* Button27;
    QGroupBox* GroupBox7;
    TComboBox* ComboBox7;
    QPushButton* Button24;
    QGroupBox* GroupBox15;
    QLineEdit* Edit14;
    QPushButton* Button29;
    QGroupBox* GroupBox21;
    QLabel* Label16;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QGroupBox* GroupBox2;
    TComboBox* XS01;
    TComboBox* XS02;
    TComboBox* XS03;
    TComboBox* XS04;
    TComboBox* XSFA1;
    TComboBox* XSFA2;
    TComboBox* XSFA3;
    TComboBox* XSFA4;
    QLabel* Label34;
    QPushButton* Button34;
    QPushButton* Button28;
    QPushButton* Button25;
    QPushButton* Button32;
    QPushButton* Button8;
    QPushButton* Button100;
    QPushButton* Button30;
    QPushButton* Button23;

    void Button5Click();
    void Button9Click();
    void Button24Click();
    void Button29Click();
    void Button27Click();
    void Button30Click();
    void Button23Click();
    void Button34Click();
    void Button28Click();
    void Button25Click();
    void Button32Click();
    void Button8Click();
    void Button100Click();

    void Show(const SystemParameterReply& reply);
    void ShowOperatingMode(const std::optional<int>& mode);
    // The buttons that need a module on the line.
    void EnableModuleButtons();
    // Another instrument was chosen: the module's settings shown are no longer known.
    void ClearSettings();

private:
    void Build(QWidget* sheet, QWidget* portRow);
    void SendDisplaySetting(int group, const TComboBox* value, const TComboBox* format);
    TForm1& form;
};
