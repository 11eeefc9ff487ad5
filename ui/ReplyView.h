#pragma once

// Writing decoded fields and typed texts to controls, and reading controls for the frame
// builders.

#include "ui/TComboBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A decoded list field selects its item; an index outside the list leaves none selected.
inline void Show(TComboBox* combo, const std::optional<int>& index) {
    if (index)
        combo->SetItemIndex(*index);
}

// A decoded text field replaces the edit's text, one character per received byte.
inline void Show(QLineEdit* edit, const std::optional<std::string>& text) {
    if (text)
        edit->setText(QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())));
}

inline std::string Std(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// A frame of the module's ASCII protocol as the send field shows it.
inline QString FrameText(const std::vector<std::uint8_t>& bytes) {
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<qsizetype>(bytes.size()));
}

// The locale's decimal separator as text, for the number texts the window shows: in some
// locales it is not one Latin-1 character.
inline std::string DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? std::string(".") : point.toStdString();
}
