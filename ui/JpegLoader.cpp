#include "ui/JpegLoader.h"

#include <QFile>
#include <QPixmap>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared before it
#include <vector>

#include <jpeglib.h>

// Registers the compiled-in pictures. The reference to the generated initialiser also keeps
// the resource object in the link when the window code sits in a static library. The
// pictures for dense screens are a resource object of their own, away from the ones every
// start reads, so that reading those does not page them in too.
static void RegisterPictures() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        Q_INIT_RESOURCE(pictures2x);
        return true;
    }();
    (void)registered;
}

namespace {

// Pictures larger than this are refused before any pixel memory is taken: a damaged header
// may claim up to 65500 x 65500 pixels.
constexpr JDIMENSION MaxSide = 16384;
constexpr unsigned long long MaxPixels = 4096ULL * 4096ULL;

// libjpeg's error manager with the place to jump back to. libjpeg's default reaction to
// an error is exit(); this one returns control to the decoder instead.
struct ErrorManager {
    jpeg_error_mgr base; // first, so that a jpeg_error_mgr* is also an ErrorManager*
    std::jmp_buf jump;
};

extern "C" {
[[noreturn]] static void JumpBack(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

// Warnings are counted by libjpeg and judged by the decoder; nothing goes to stderr.
static void StayQuiet(j_common_ptr) {}
}

// Everything the decoder owns lives here, outside the frame that libjpeg jumps back to,
// so that the jump skips no destructor.
struct Decoding {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    QImage image;
    std::vector<JSAMPLE> cmykRow;
};

// One row of CMYK samples to RGB. Adobe's files (the common kind) store the inks inverted:
// 255 means no ink.
void CmykToRgb(const JSAMPLE* cmyk, uchar* rgb, JDIMENSION width, bool inverted) {
    for (std::size_t x = 0; x < width; ++x) {
        const JSAMPLE* ink = cmyk + 4 * x;
        const unsigned black = inverted ? ink[3] : 255U - ink[3];
        for (std::size_t c = 0; c < 3; ++c) {
            const unsigned colour = inverted ? ink[c] : 255U - ink[c];
            rgb[3 * x + c] = static_cast<uchar>((colour * black + 127U) / 255U);
        }
    }
}

// Runs libjpeg over the data into d.image. True when the whole picture decoded without
// error or warning (a truncated file only draws a warning from libjpeg, and grey rows).
// Only plain values live in this frame: errors come back to the setjmp by longjmp.
bool Decode(Decoding& d, const unsigned char* data, unsigned long size) {
    d.info.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = JumpBack;
    d.errors.base.output_message = StayQuiet;
    if (setjmp(d.errors.jump) != 0) {
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, data, size);
    jpeg_read_header(&d.info, TRUE);

    const JDIMENSION width = d.info.image_width;
    const JDIMENSION height = d.info.image_height;
    if (width == 0 || height == 0 || width > MaxSide || height > MaxSide ||
        static_cast<unsigned long long>(width) * height > MaxPixels) {
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);
    if (d.info.output_width != width || d.info.output_height != height ||
        d.info.output_components != (cmyk ? 4 : 3)) {
        jpeg_destroy_decompress(&d.info);
        return false;
    }

    d.image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    if (d.image.isNull()) {
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    if (cmyk) {
        d.cmykRow.resize(static_cast<std::size_t>(width) * 4U);
    }
    while (d.info.output_scanline < height) {
        const int line = static_cast<int>(d.info.output_scanline);
        JSAMPROW row = cmyk ? d.cmykRow.data() : d.image.scanLine(line);
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1) {
            jpeg_destroy_decompress(&d.info);
            return false;
        }
        if (cmyk) {
            CmykToRgb(d.cmykRow.data(), d.image.scanLine(line), width,
                      d.info.saw_Adobe_marker != 0);
        }
    }
    jpeg_finish_decompress(&d.info);
    const bool clean = d.errors.base.num_warnings == 0;
    jpeg_destroy_decompress(&d.info);
    return clean;
}

} // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    Decoding d;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (!Decode(d, data, static_cast<unsigned long>(bytes.size()))) {
        return {};
    }
    return d.image;
}

QImage LoadJpeg(const QString& resourcePath) {
    RegisterPictures();
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return DecodeJpeg(file.readAll());
}

namespace {
QString LargePicturePath(QString resourcePath) {
    return resourcePath.insert(resourcePath.lastIndexOf('.'), QStringLiteral("@2x"));
}
} // namespace

QPixmap PicturePixmap(const QString& resourcePath, qreal ratio) {
    QImage large = ratio > 1.0 ? LoadJpeg(LargePicturePath(resourcePath)) : QImage();
    if (large.isNull())
        return QPixmap::fromImage(LoadJpeg(resourcePath));
    const QSize wanted = (QSizeF(large.size()) * (ratio / 2.0)).toSize();
    if (large.size() != wanted)
        large = large.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap pixmap = QPixmap::fromImage(large);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const QString& path :
         {QStringLiteral(":/pictures/icon.jpg"), LargePicturePath(":/pictures/icon.jpg")}) {
        const QImage image = LoadJpeg(path);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
