#include "tracking/capture/JpegBandSink.h"
#include "tracking/capture/JpegEncoder.h"

#include <QtTest>

#include <turbojpeg.h>

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

// Every pixel different from its neighbours, so rows out of order or off by a line change the
// bytes.
QImage noise(const QSize &size, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 state = 2463534242u;
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            line[x] = 0xff000000u | (state & 0xffffffu);
        }
    }
    return image.convertToFormat(format);
}

// What TurboJPEG's one call makes of the image: the files the capture wrote before it encoded
// band by band.
QByteArray turboJpeg(const QImage &image, int quality)
{
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    tjhandle handle = tjInitCompress();
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(handle, pixels.constBits(), pixels.width(),
                                   static_cast<int>(pixels.bytesPerLine()), pixels.height(),
                                   TJPF_BGRX, &buffer, &size, TJSAMP_420, quality, 0);
    const QByteArray jpeg =
        failed ? QByteArray()
               : QByteArray(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    tjFree(buffer);
    tjDestroy(handle);
    return jpeg;
}

// Hands the image to the sink as a backend does: its size, then bands of the given height.
void feedInBands(DisplayBandSink &sink, const QImage &image, int bandRows)
{
    sink.beginFrame(image.size());
    for (int row = 0; row < image.height(); row += bandRows)
        sink.takeBand(image.copy(0, row, image.width(), std::min(bandRows, image.height() - row)));
}

} // namespace

class TestJpegEncoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesWhatEveryFormatShows_data();
    void encodesWhatEveryFormatShows();
    void bandsMakeTheSameFileAsOneCall_data();
    void bandsMakeTheSameFileAsOneCall();
    void aFrameWithRowsMissingOrTooManyYieldsNothing();
    void theSinkScalesOnlyAFrameOverTheLimit_data();
    void theSinkScalesOnlyAFrameOverTheLimit();
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

void TestJpegEncoder::bandsMakeTheSameFileAsOneCall_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bandRows");
    QTest::addColumn<int>("quality");

    QTest::newRow("1080p in the screen's bands of 128 rows") << QSize(1920, 1080) << 128 << 60;
    QTest::newRow("a last band of one row") << QSize(640, 129) << 64 << 60;
    QTest::newRow("bands not a multiple of the 16-row block") << QSize(33, 17) << 5 << 60;
    QTest::newRow("row by row") << QSize(48, 40) << 1 << 60;
    QTest::newRow("one pixel") << QSize(1, 1) << 64 << 60;
    QTest::newRow("the most exact quality") << QSize(200, 100) << 64 << 100;
}

// The encoder gives the bytes TurboJPEG's one call gives for the whole frame, however the rows
// arrive: a row out of place, a stride wrong or a setting drifted changes the file.
void TestJpegEncoder::bandsMakeTheSameFileAsOneCall()
{
    QFETCH(QSize, size);
    QFETCH(int, bandRows);
    QFETCH(int, quality);
    const QImage image = noise(size);
    const QByteArray reference = turboJpeg(image, quality);
    QVERIFY(!reference.isEmpty());

    JpegEncoder encoder;
    QCOMPARE(encoder.encode(image, quality).toByteArray(), reference);
    QVERIFY(encoder.begin(size, quality));
    for (int row = 0; row < size.height(); row += bandRows) {
        // Bands in memory of their own, as read one after another into one buffer.
        const QImage band =
            image.copy(0, row, size.width(), std::min(bandRows, size.height() - row));
        QVERIFY(encoder.addRows(band));
    }
    QCOMPARE(encoder.finish().toByteArray(), reference);
}

void TestJpegEncoder::aFrameWithRowsMissingOrTooManyYieldsNothing()
{
    const QImage image = noise(QSize(32, 32));
    JpegEncoder encoder;
    QVERIFY(encoder.begin(image.size(), 60));
    QVERIFY(encoder.addRows(image.copy(0, 0, 32, 31)));
    QVERIFY(encoder.finish().isEmpty());

    QVERIFY(encoder.begin(image.size(), 60));
    QVERIFY(encoder.addRows(image.copy(0, 0, 32, 20)));
    QVERIFY(!encoder.addRows(image.copy(0, 0, 32, 20)));
    QVERIFY(!encoder.addRows(image.copy(0, 0, 32, 12)));
    QVERIFY(encoder.finish().isEmpty());

    QVERIFY(encoder.begin(image.size(), 60));
    QVERIFY(!encoder.addRows(noise(QSize(31, 32))));
    QVERIFY(encoder.finish().isEmpty());

    // A frame begun and left is dropped by the next one, which is whole.
    QVERIFY(encoder.begin(QSize(64, 64), 60));
    QVERIFY(encoder.addRows(noise(QSize(64, 10))));
    QVERIFY(encoder.begin(image.size(), 60));
    QVERIFY(encoder.addRows(image));
    QCOMPARE(encoder.finish().toByteArray(), turboJpeg(image, 60));
    QVERIFY(!encoder.addRows(image));
    QVERIFY(encoder.finish().isEmpty());
    QVERIFY(!encoder.begin(QSize(0, 10), 60));
}

void TestJpegEncoder::theSinkScalesOnlyAFrameOverTheLimit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bandRows");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QSize>("encoded");

    QTest::newRow("within the limit, in bands")
        << QSize(320, 200) << 64 << QImage::Format_RGB32 << QSize(320, 200);
    QTest::newRow("at the limit") << QSize(400, 100) << 64 << QImage::Format_RGB32
                                  << QSize(400, 100);
    QTest::newRow("wider, gathered from bands")
        << QSize(800, 300) << 64 << QImage::Format_RGB32 << QSize(400, 150);
    QTest::newRow("taller, in one band")
        << QSize(200, 1000) << 1000 << QImage::Format_RGB32 << QSize(80, 400);
    QTest::newRow("wider, bands in another format")
        << QSize(801, 300) << 64 << QImage::Format_RGB16 << QSize(400, 150);
}

void TestJpegEncoder::theSinkScalesOnlyAFrameOverTheLimit()
{
    QFETCH(QSize, size);
    QFETCH(int, bandRows);
    QFETCH(QImage::Format, format);
    QFETCH(QSize, encoded);
    constexpr int limit = 400;
    const QImage image = noise(size, format);
    const QImage expected =
        encoded == size ? image
                        : image.convertToFormat(QImage::Format_RGB32)
                              .scaled(encoded, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    JpegEncoder encoder;
    JpegBandSink sink(encoder, limit, 60);
    // As on captures one after another, into what the last one kept and after it was given back.
    for (int pass = 0; pass < 3; ++pass) {
        feedInBands(sink, image, bandRows);
        QCOMPARE(sink.encodedSize(), encoded);
        QCOMPARE(sink.finish().toByteArray(), turboJpeg(expected, 60));
        if (pass == 1)
            sink.release();
    }

    // A frame that lacks its last band, or gets a band of another width, yields no file.
    sink.beginFrame(size);
    sink.takeBand(image.copy(0, 0, size.width(), size.height() - 1));
    QVERIFY(sink.finish().isEmpty());
    sink.beginFrame(size);
    sink.takeBand(image.copy(0, 0, size.width() - 1, size.height()));
    QVERIFY(sink.finish().isEmpty());
}

QTEST_GUILESS_MAIN(TestJpegEncoder)
#include "TestJpegEncoder.moc"
