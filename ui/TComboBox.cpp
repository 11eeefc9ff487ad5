#include "ui/TComboBox.h"

#include <QCompleter>
#include <QLineEdit>
#include <QWheelEvent>

TComboBox::TComboBox(const QString& name, const QStringList& items, QWidget* parent)
    : QComboBox(parent) {
    setObjectName(name);
    // Giving the list its own line edit makes it editable without what setEditable() also
    // does up front: build the drop-down view (made on the first drop-down instead) and size
    // the empty list. The window holds some fifty lists; this halves their cost at start-up.
    auto* edit = new QLineEdit(this);
    // Connected before setLineEdit() connects the combo box's own handling of the same
    // signal, so the bracket opens before it runs and closes after it.
    connect(edit, &QLineEdit::editingFinished, this, &TComboBox::BeforeEditingFinished);
    setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, &TComboBox::AfterEditingFinished);
    // No inline completion: the text is what the user typed. Deleting the default completer
    // the line edit received also detaches it (the line edit tracks it by a guarded pointer)
    // and stops it following the item model.
    delete lineEdit()->completer();
    setInsertPolicy(QComboBox::NoInsert);
    addItems(items);
    SetItemIndex(-1);
    // The wheel must not give a list the focus: only a click or Tab does.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, [this](int) {
        if (!finishingEdit)
            emit UserChanged();
    });
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

void TComboBox::BeforeEditingFinished() {
    finishingEdit = true;
    indexBeforeFinish = currentIndex();
    textBeforeFinish = currentText();
}

void TComboBox::AfterEditingFinished() {
    finishingEdit = false;
    if (currentIndex() == indexBeforeFinish && currentText() == textBeforeFinish)
        return;
    const QSignalBlocker blocker(this);
    const int cursor = lineEdit()->cursorPosition();
    setCurrentIndex(indexBeforeFinish);
    setEditText(textBeforeFinish);
    lineEdit()->setCursorPosition(cursor);
}

void TComboBox::wheelEvent(QWheelEvent* event) {
    // A list turned by a wheel meant for the page would send a setting nobody chose: without
    // the focus the event goes on to the parent, so the page scrolls. With the focus, the
    // wheel steps through the items like the arrow keys, each step a pick.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}
