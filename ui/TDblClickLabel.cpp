#include "ui/TDblClickLabel.h"

void TDblClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DoubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
