#include "ui/TComboBox.h"

#include <QCompleter>
#include <QLineEdit>

TComboBox::TComboBox(const QString& name, const QStringList& items, QWidget* parent)
    : QComboBox(parent) {
    setObjectName(name);
    // Giving the list its own line edit makes it editable without what setEditable() also
    // does up front: build the drop-down view (made on the first drop-down instead) and size
    // the empty list. The window holds some fifty lists; this halves their cost at start-up.
    setLineEdit(new QLineEdit(this));
    // No inline completion: the text is what the user typed. Deleting the default completer
    // the line edit received also detaches it (the line edit tracks it by a guarded pointer)
    // and stops it following the item model.
    delete lineEdit()->completer();
    setInsertPolicy(QComboBox::NoInsert);
    addItems(items);
    SetItemIndex(-1);
    connect(this, &QComboBox::activated, this, [this](int) { emit UserChanged(); });
    connect(lineEdit(), &QLineEdit::textEdited, this, &TComboBox::OnTextEdited);
}

void TComboBox::SetItemIndex(int index) {
    const QSignalBlocker blocker(this);
    if (index < 0 || index >= count()) {
        setCurrentIndex(-1);
        setEditText(QString());
    } else {
        setCurrentIndex(index);
    }
}

void TComboBox::ShowText(const QString& text) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(-1);
    setEditText(text);
}

int TComboBox::ListValue() const {
    if (currentIndex() >= 0)
        return currentIndex();
    return findText(currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TComboBox::OnTextEdited(const QString& text) {
    // Typing selects the item it spells exactly, and otherwise leaves no item selected,
    // while the typed text and the cursor stay as they are.
    const int cursor = lineEdit()->cursorPosition();
    const int match = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(match);
        if (match < 0)
            setEditText(text);
    }
    lineEdit()->setCursorPosition(cursor);
    emit UserChanged();
}

void TComboBox::showPopup() {
    if (BeforePopup)
        BeforePopup();
    QComboBox::showPopup();
}
