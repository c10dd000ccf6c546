#include "tracking/capture/JpegEncoder.h"

#include <QtTest>

namespace {

// Red on the left half, blue on the right: a swapped channel order or a wrong line length shows.
QImage twoHalves(const QSize &size, QImage::Format format)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, x < size.width() / 2 ? 0xffd01010 : 0xff1010d0);
    }
    return image.convertToFormat(format);
}

bool near(QRgb actual, QRgb expected)
{
    constexpr int tolerance = 24; // quality 60 moves flat colours a little
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

} // namespace

class TestJpegEncoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesWhatEveryFormatShows_data();
    void encodesWhatEveryFormatShows();
};

void TestJpegEncoder::encodesWhatEveryFormatShows_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QSize>("size");

    QTest::newRow("32-bit, as the screen is read") << QImage::Format_RGB32 << QSize(64, 48);
    QTest::newRow("32-bit with alpha") << QImage::Format_ARGB32_Premultiplied << QSize(64, 48);
    QTest::newRow("24-bit, converted first") << QImage::Format_RGB888 << QSize(64, 48);
    QTest::newRow("16-bit, odd size") << QImage::Format_RGB16 << QSize(33, 17);
    // Larger than every image before it: the kept buffer has to grow.
    QTest::newRow("large after small") << QImage::Format_RGB32 << QSize(1920, 1080);
}

void TestJpegEncoder::encodesWhatEveryFormatShows()
{
    QFETCH(QImage::Format, format);
    QFETCH(QSize, size);
    JpegEncoder encoder;
    // A small image first, then the case's, then again after the buffers were given back.
    QVERIFY(!encoder.encode(twoHalves(QSize(8, 8), QImage::Format_RGB32), 60).isEmpty());
    for (int pass = 0; pass < 2; ++pass) {
        const QByteArrayView jpeg = encoder.encode(twoHalves(size, format), 60);
        QVERIFY(!jpeg.isEmpty());
        QImage decoded;
        QVERIFY(decoded.loadFromData(jpeg.toByteArray(), "JPEG"));
        QCOMPARE(decoded.size(), size);
        QVERIFY(near(decoded.pixel(2, size.height() / 2), 0xd01010));
        QVERIFY(near(decoded.pixel(size.width() - 3, size.height() / 2), 0x1010d0));
        encoder.release();
    }
    QVERIFY(encoder.encode(QImage(), 60).isEmpty());
}

QTEST_GUILESS_MAIN(TestJpegEncoder)
#include "TestJpegEncoder.moc"
