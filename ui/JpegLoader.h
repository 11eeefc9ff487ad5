#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

// The window's JPEG pictures, decoded with libjpeg.

// Decodes JPEG data into an RGB888 image (grayscale and CMYK pictures are converted).
// Damaged, truncated, empty or oversized data gives a null image; it never aborts.
QImage DecodeJpeg(const QByteArray& bytes);

// Reads a picture from the application's resources (":/pictures/logo.jpg") or a file and
// decodes it; a null image when it cannot be read or decoded.
QImage LoadJpeg(const QString& resourcePath);

// The application's icon, drawn from ":/pictures/icon.jpg"; an empty icon if that fails.
// Needs a QGuiApplication.
QIcon ApplicationIcon();
