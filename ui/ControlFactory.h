#pragma once

// Small factories for the pages' layout: every control carries its name as objectName.

#include "ui/TComboBox.h"

#include <QCheckBox>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <array>
#include <initializer_list>
#include <string_view>

struct ControlFactory {
    QWidget* owner;
    template <typename T> T* Named(T* widget, const QString& name) {
        widget->setObjectName(name);
        return widget;
    }
    TComboBox* Combo(const QString& name, const QStringList& items) {
        return new TComboBox(name, items, owner);
    }
    TComboBox* Selected(const QString& name, const QStringList& items, int index) {
        auto* combo = Combo(name, items);
        combo->SetItemIndex(index);
        return combo;
    }
    TComboBox* Shows(const QString& name, const QStringList& items, const QString& text) {
        auto* combo = Combo(name, items);
        combo->ShowText(text);
        return combo;
    }
    QPushButton* Button(const QString& name, const QString& caption) {
        return Named(new QPushButton(caption, owner), name);
    }
    QLineEdit* Edit(const QString& name, const QString& text = {}) {
        return Named(new QLineEdit(text, owner), name);
    }
    QLabel* Label(const QString& name, const QString& caption) {
        return Named(new QLabel(caption, owner), name);
    }
    QGroupBox* Group(const QString& name, const QString& caption) {
        return Named(new QGroupBox(caption, owner), name);
    }
};

inline QLabel* Caption(const QString& caption) {
    return new QLabel(caption);
}

// The item texts of a list, as the frame builders define them.
template <std::size_t N> QStringList ItemTexts(const std::array<std::string_view, N>& items) {
    QStringList texts;
    for (std::string_view item : items)
        texts << QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size()));
    return texts;
}

// Colours go through palettes, not style sheets: a style sheet anywhere in the window
// makes every control be polished through the style-sheet engine, which more than
// doubles the time the window takes to appear.
inline void Paint(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// A label that sits on a background of fixed colour: its text gets a fixed colour too, so
// that a dark or high-contrast theme does not paint light text on it.
template <typename Label> Label* OnFixedBackground(Label* label, const QColor& text) {
    Paint(label, QPalette::WindowText, text);
    return label;
}

// A label on a light background of its own (aqua, fuchsia), with black text.
inline QLabel* Coloured(QLabel* label, const char* colour) {
    label->setAutoFillBackground(true);
    Paint(label, QPalette::Window, QColor(QString::fromLatin1(colour)));
    return OnFixedBackground(label, Qt::black);
}

// Adds widgets on one row of a grid; nullptr leaves a column empty.
inline void Row(QGridLayout* grid, int row, std::initializer_list<QWidget*> widgets) {
    int column = 0;
    for (QWidget* w : widgets) {
        if (w != nullptr)
            grid->addWidget(w, row, column);
        ++column;
    }
}

template <typename Layout> void AddAll(Layout* layout, std::initializer_list<QWidget*> widgets) {
    for (QWidget* w : widgets)
        layout->addWidget(w);
}
