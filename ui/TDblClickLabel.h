#pragma once

#include <QLabel>

// A label that reports double-clicks (the invisible target in the header).
class TDblClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
