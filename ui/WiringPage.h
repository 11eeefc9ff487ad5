#pragma once

#include "ui/TPictureLabel.h"

// The "wiring diagram" page: one picture, decoded when the page is first shown.
class WiringPage {
public:
    explicit WiringPage(QWidget* sheet);
    TPictureLabel* Image3;
};
