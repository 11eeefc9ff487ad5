#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

// The window's JPEG pictures, decoded with libjpeg.

// Decodes JPEG data into an RGB888 image (grayscale and CMYK pictures are converted).
// Damaged, truncated, empty or oversized data gives a null image; it never aborts.
QImage DecodeJpeg(const QByteArray& bytes);

// Reads a picture from the application's resources (":/pictures/logo.jpg") or a file and
// decodes it; a null image when it cannot be read or decoded.
QImage LoadJpeg(const QString& resourcePath);

// A picture of the resources for a screen of `ratio` device pixels per pixel: its size in
// the layout is the picture's own, its pixels come from the twice-as-large drawing
// ("logo@2x.jpg" beside "logo.jpg") when the ratio is above 1, scaled smoothly to the
// ratio. A null pixmap when neither can be decoded. Needs a QGuiApplication.
QPixmap PicturePixmap(const QString& resourcePath, qreal ratio);

// The application's icon, drawn from ":/pictures/icon.jpg" and its twice-as-large
// drawing; an empty icon if that fails. Needs a QGuiApplication.
QIcon ApplicationIcon();
