#pragma once

#include <QLabel>

// A label showing a JPEG picture from the resources, decoded when it is first shown: the
// wiring diagram sits on a page the engineer may never open, so the window does not pay for
// decoding it at start-up.
class TPictureLabel : public QLabel {
public:
    TPictureLabel(const QString& resourcePath, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString pending;
};
