#pragma once

#include <QComboBox>
#include <QStringList>

#include <functional>

// An editable drop-down list as the window's handlers expect it: the user may pick an item
// or type; typed text never becomes an item. The list's value is the item it displays: the
// selected item, or, with none selected, the item whose text equals the edit text exactly;
// -1 when it displays no item. Only the user's picking and typing raise UserChanged, so
// setting a list from code never runs a handler, nor does leaving the list or pressing
// Return in it. The wheel changes a list only while it has the keyboard focus; over any
// other list it scrolls the page beneath.
class TComboBox : public QComboBox {
    Q_OBJECT
public:
    TComboBox(const QString& name, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const { return currentIndex(); }
    // Selects an item; -1 (or any index outside the list) leaves no selection and no text.
    void SetItemIndex(int index);
    // Displays a text with no item selected (a list that "shows" a text at start).
    void ShowText(const QString& text);
    int ListValue() const;
    QString Text() const { return currentText(); }

    // Runs each time the drop-down list is about to open (e.g. to refresh its items).
    std::function<void()> BeforePopup;
    void showPopup() override;

signals:
    void UserChanged();

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnTextEdited(const QString& text);
    // QComboBox, when editing finishes on a text that spells an item other than the
    // selected one, selects that item and reports it as activated. These bracket its
    // handling so the list keeps what it showed and no change is reported.
    void BeforeEditingFinished();
    void AfterEditingFinished();
    bool finishingEdit = false;
    int indexBeforeFinish = -1;
    QString textBeforeFinish;
};
