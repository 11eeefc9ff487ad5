#include "ui/WiringPage.h"

#include <QVBoxLayout>

WiringPage::WiringPage(QWidget* sheet) {
    auto* page = new QVBoxLayout(sheet);
    Image3 = new TPictureLabel(":/pictures/wiring.jpg", sheet);
    Image3->setObjectName("Image3");
    Image3->setMinimumSize(945, 401);
    Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    page->addWidget(Image3);
    page->addStretch(1);
}
