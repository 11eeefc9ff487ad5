#include "ui/TPictureLabel.h"

#include "ui/JpegLoader.h"

TPictureLabel::TPictureLabel(const QString& resourcePath, QWidget* parent)
    : QLabel(parent), pending(resourcePath) {}

void TPictureLabel::showEvent(QShowEvent* event) {
    if (!pending.isEmpty()) {
        // One try only: a picture that cannot be decoded leaves the label empty.
        setPixmap(PicturePixmap(pending, devicePixelRatioF()));
        pending.clear();
    }
    QLabel::showEvent(event);
}
