#include "ui/JpegLoader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared before it
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace {

// A pixel of a test picture: the samples of one point, as many as the colour space has.
using PixelFunction = std::function<std::vector<JSAMPLE>(int x, int y)>;

// Encodes a picture with libjpeg, so that the decoder meets files of every colour space.
QByteArray EncodeJpeg(int width, int height, J_COLOR_SPACE space, int components,
                      const PixelFunction& pixel, int quality = 100) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Full-resolution colour, so that single-colour rows and columns keep their colour.
    for (int c = 0; c < components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto samples = pixel(x, y);
            std::copy(samples.begin(), samples.end(), row.begin() + std::ptrdiff_t{x} * components);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

QByteArray SolidRgb(int width, int height, int r, int g, int b) {
    return EncodeJpeg(width, height, JCS_RGB, 3, [=](int, int) {
        return std::vector<JSAMPLE>{JSAMPLE(r), JSAMPLE(g), JSAMPLE(b)};
    });
}

QByteArray ReadResource(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void ExpectNear(QRgb actual, int r, int g, int b, int tolerance, const char* what) {
    EXPECT_NEAR(qRed(actual), r, tolerance) << what;
    EXPECT_NEAR(qGreen(actual), g, tolerance) << what;
    EXPECT_NEAR(qBlue(actual), b, tolerance) << what;
}

// The offset of the first marker `code` (0xFF code) in a JPEG file, or -1.
qsizetype FindMarker(const QByteArray& bytes, unsigned char code) {
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) == 0xFF &&
            static_cast<unsigned char>(bytes[i + 1]) == code) {
            return i;
        }
    }
    return -1;
}

TEST(JpegLoader, ThePicturesInTheResourcesHaveTheirSizes) {
    struct Case {
        const char* path;
        int width;
        int height;
    };
    const Case cases[] = {
        {":/pictures/logo.jpg", 98, 40},
        {":/pictures/wiring.jpg", 688, 360},
        {":/pictures/icon.jpg", 64, 64},
    };
    for (const Case& c : cases) {
        const QImage image = LoadJpeg(QString::fromLatin1(c.path));
        ASSERT_FALSE(image.isNull()) << c.path;
        EXPECT_EQ(image.width(), c.width) << c.path;
        EXPECT_EQ(image.height(), c.height) << c.path;
        EXPECT_EQ(image.format(), QImage::Format_RGB888) << c.path;
    }
    // Logo and diagram are drawn on white.
    ExpectNear(LoadJpeg(":/pictures/logo.jpg").pixel(0, 0), 255, 255, 255, 8, "logo corner");
    ExpectNear(LoadJpeg(":/pictures/wiring.jpg").pixel(687, 0), 255, 255, 255, 8, "diagram corner");
}

TEST(JpegLoader, MissingResourceGivesNullImage) {
    EXPECT_TRUE(LoadJpeg(":/pictures/none.jpg").isNull());
}

// Colour spaces and odd sizes: the samples must land in the right channel and row.
TEST(JpegLoader, DecodesEveryColourSpaceToRgb) {
    struct Case {
        const char* what;
        QByteArray bytes;
        int r, g, b;
    };
    const Case cases[] = {
        {"rgb red", SolidRgb(16, 8, 230, 20, 10), 230, 20, 10},
        {"rgb blue, odd width", SolidRgb(13, 5, 10, 30, 220), 10, 30, 220},
        {"rgb one pixel", SolidRgb(1, 1, 40, 200, 90), 40, 200, 90},
        {"grayscale",
         EncodeJpeg(9, 7, JCS_GRAYSCALE, 1, [](int, int) { return std::vector<JSAMPLE>{200}; }),
         200, 200, 200},
        // Adobe's inverted inks: 255 is no ink, so full magenta and yellow give red.
        {"cmyk",
         EncodeJpeg(8, 8, JCS_CMYK, 4,
                    [](int, int) {
                        return std::vector<JSAMPLE>{255, 0, 0, 255};
                    }),
         255, 0, 0},
    };
    for (const Case& c : cases) {
        const QImage image = DecodeJpeg(c.bytes);
        ASSERT_FALSE(image.isNull()) << c.what;
        EXPECT_EQ(image.format(), QImage::Format_RGB888) << c.what;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                ExpectNear(image.pixel(x, y), c.r, c.g, c.b, 6, c.what);
            }
        }
    }
}

TEST(JpegLoader, RowsKeepTheirPlaceWhenTheRowLengthIsPadded) {
    // 3 * 21 = 63 bytes a row, padded to 64 in the image: a stride mistake shifts rows.
    const int width = 21;
    const int height = 11;
    const QByteArray bytes = EncodeJpeg(width, height, JCS_RGB, 3, [](int x, int y) {
        return std::vector<JSAMPLE>{JSAMPLE(x * 12), JSAMPLE(y * 23), 128};
    });
    const QImage image = DecodeJpeg(bytes);
    ASSERT_EQ(image.size(), QSize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ExpectNear(image.pixel(x, y), x * 12, y * 23, 128, 10, "gradient");
        }
    }
}

TEST(JpegLoader, DamagedOrOversizedDataGivesNullImage) {
    const QByteArray good = SolidRgb(32, 16, 10, 120, 240);
    ASSERT_FALSE(DecodeJpeg(good).isNull());
    const qsizetype sof = FindMarker(good, 0xC0);
    const qsizetype dht = FindMarker(good, 0xC4);
    const qsizetype sos = FindMarker(good, 0xDA);
    ASSERT_GT(sof, 0);
    ASSERT_GT(dht, 0);
    ASSERT_GT(sos, 0);

    const auto patched = [&](qsizetype at, std::vector<unsigned char> bytes) {
        QByteArray copy = good;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            copy[at + static_cast<qsizetype>(i)] = static_cast<char>(bytes[i]);
        }
        return copy;
    };
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"not a picture", QByteArray("GIF89a this is no JPEG at all")},
        {"start marker only", QByteArray("\xFF\xD8", 2)},
        {"start and end markers only", QByteArray("\xFF\xD8\xFF\xD9", 4)},
        {"header without scan", good.left(sos)},
        {"half the scan", good.left(sos + (good.size() - sos) / 2)},
        {"end marker missing", good.left(good.size() - 2)},
        // Frame header: length(2) precision(1) height(2) width(2) components(1).
        {"height zero", patched(sof + 5, {0, 0})},
        {"width zero", patched(sof + 7, {0, 0})},
        {"huge dimensions", patched(sof + 5, {0xFF, 0xDC, 0xFF, 0xDC})},
        {"twelve-bit samples", patched(sof + 4, {12})},
        {"no components", patched(sof + 9, {0})},
        {"huffman table overfull", patched(dht + 5, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"scan names unknown component", patched(sos + 5, {0x77})},
        {"scan marker replaced", patched(sos + 1, {0xDB})},
        // Sound, but wider than any picture of the window is allowed to be.
        {"wider than the limit", SolidRgb(16385, 1, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(DecodeJpeg(c.bytes).isNull()) << c.what;
    }
}

TEST(JpegLoader, EveryTruncationOfARealPictureGivesNullImage) {
    const QByteArray logo = ReadResource(":/pictures/logo.jpg");
    ASSERT_FALSE(logo.isEmpty());
    ASSERT_FALSE(DecodeJpeg(logo).isNull());
    for (qsizetype length = 0; length < logo.size(); ++length) {
        ASSERT_TRUE(DecodeJpeg(logo.left(length)).isNull()) << "first " << length << " bytes";
    }
}

// Single damaged bytes anywhere: the decoder may produce a picture or refuse, but it must
// not crash or read outside its buffers (the sanitizer build checks the latter).
TEST(JpegLoader, SingleDamagedBytesNeverCrash) {
    const QByteArray diagram = ReadResource(":/pictures/wiring.jpg");
    ASSERT_FALSE(diagram.isEmpty());
    const unsigned char replacements[] = {0x00, 0xFF, 0x7F};
    int refused = 0;
    for (qsizetype at = 0; at < diagram.size(); at += 97) {
        for (const unsigned char value : replacements) {
            QByteArray copy = diagram;
            copy[at] = static_cast<char>(value);
            const QImage image = DecodeJpeg(copy);
            if (image.isNull()) {
                ++refused;
            } else {
                EXPECT_LE(image.width() * image.height(), 4096 * 4096);
            }
        }
    }
    EXPECT_GT(refused, 0);
}

} // namespace
