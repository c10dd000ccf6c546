// The pieces of portal capture that need no bus: each screen's part of a Screenshot composite,
// video buffers turned into images, and the Screenshot portal's file read and removed.
#include "platform/portal/PipeWireFrame.h"
#include "platform/portal/PortalScreenshotFile.h"
#include "platform/portal/ScreenshotCrop.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <unistd.h>

using Layout = PipeWireFrame::Layout;

namespace {

// An 8x4 picture of one colour saved at the path.
bool savePicture(const QString &path, Qt::GlobalColor colour)
{
    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(path);
}

} // namespace
Q_DECLARE_METATYPE(PipeWireFrame::Layout)

class TestPortalCaptureParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cropRect_data()
    {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QSize>("composite");
        QTest::addColumn<QList<QRect>>("crops");

        QTest::newRow("one screen, same scale")
            << QList<QRect>{{0, 0, 1920, 1080}} << QSize(1920, 1080)
            << QList<QRect>{{0, 0, 1920, 1080}};
        QTest::newRow("one screen at twice the scale")
            << QList<QRect>{{0, 0, 1440, 900}} << QSize(2880, 1800)
            << QList<QRect>{{0, 0, 2880, 1800}};
        QTest::newRow("side by side at 1.5: no gap, no overlap")
            << QList<QRect>{{0, 0, 1001, 700}, {1001, 0, 999, 700}} << QSize(3000, 1050)
            << QList<QRect>{{0, 0, 1502, 1050}, {1502, 0, 1498, 1050}};
        QTest::newRow("desktop not starting at the origin")
            << QList<QRect>{{-1280, 200, 1280, 800}, {0, 0, 1920, 1080}} << QSize(3200, 1080)
            << QList<QRect>{{0, 200, 1280, 800}, {1280, 0, 1920, 1080}};
        QTest::newRow("stacked, shorter one below")
            << QList<QRect>{{0, 0, 100, 50}, {20, 50, 60, 30}} << QSize(200, 160)
            << QList<QRect>{{0, 0, 200, 100}, {40, 100, 120, 60}};
    }

    void cropRect()
    {
        QFETCH(QList<QRect>, screens);
        QFETCH(QSize, composite);
        QFETCH(QList<QRect>, crops);
        const QRect desktop = ScreenshotCrop::desktopRect(screens);
        QList<QRect> actual;
        for (const QRect &screen : screens)
            actual.append(ScreenshotCrop::cropRect(screen, desktop, composite));
        QCOMPARE(actual, crops);
    }

    void cropRectOutsideTheComposite()
    {
        // A screen the composite does not show (it was added after the picture was taken).
        const QRect desktop(0, 0, 100, 100);
        QVERIFY(
            ScreenshotCrop::cropRect(QRect(200, 0, 50, 50), desktop, QSize(100, 100)).isEmpty());
        QCOMPARE(ScreenshotCrop::cropRect(QRect(80, 0, 50, 50), desktop, QSize(100, 100)),
                 QRect(80, 0, 20, 50));
        QVERIFY(ScreenshotCrop::cropRect(QRect(0, 0, 10, 10), QRect(), QSize(100, 100)).isEmpty());
    }

    void bufferToImage_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<int>("stride");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("topLeft");

        // A 3x2 buffer: pixel (x, y) holds bytes (x, y, 0x80, junk) in memory order.
        const QRect all;
        QTest::newRow("BGRx, packed")
            << Layout::Bgrx << 12 << 24 << all << QSize(3, 2) << qRgb(0x80, 0, 0);
        QTest::newRow("RGBx, packed")
            << Layout::Rgbx << 12 << 24 << all << QSize(3, 2) << qRgb(0, 0, 0x80);
        QTest::newRow("padded lines")
            << Layout::Bgrx << 16 << 28 << all << QSize(3, 2) << qRgb(0x80, 0, 0);
        QTest::newRow("cropped") << Layout::Bgrx << 12 << 24 << QRect(1, 1, 2, 1) << QSize(2, 1)
                                 << qRgb(0x80, 1, 1);
        QTest::newRow("crop past the edge")
            << Layout::Bgrx << 12 << 24 << QRect(2, 0, 5, 5) << QSize(1, 2) << qRgb(0x80, 0, 2);
        QTest::newRow("last line short")
            << Layout::Bgrx << 12 << 23 << all << QSize(0, 0) << QRgb(0);
        QTest::newRow("stride below a line")
            << Layout::Bgrx << 8 << 24 << all << QSize(0, 0) << QRgb(0);
    }

    void bufferToImage()
    {
        QFETCH(Layout, layout);
        QFETCH(int, stride);
        QFETCH(int, bytes);
        QFETCH(QRect, crop);
        QFETCH(QSize, size);
        QFETCH(QRgb, topLeft);

        QByteArray pixels(64, '\0');
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                char *pixel = pixels.data() + y * stride + x * 4;
                pixel[0] = char(x);
                pixel[1] = char(y);
                pixel[2] = char(0x80);
                pixel[3] = char(0x5a); // never alpha
            }
        }
        PipeWireFrame::Buffer buffer{layout, QSize(3, 2),
                                     stride, reinterpret_cast<const uchar *>(pixels.constData()),
                                     bytes,  crop};
        const QImage image = PipeWireFrame::toImage(buffer);
        QCOMPARE(image.size(), size);
        QCOMPARE(image.isNull(), size.isEmpty());
        if (size.isEmpty())
            return;
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QCOMPARE(image.pixel(0, 0), topLeft);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 255);
    }

    void screenshotFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Screenshot.png"));
        QVERIFY(savePicture(path, Qt::green));

        QString error;
        const QImage taken =
            PortalScreenshotFile::take(QUrl::fromLocalFile(path).toString(), &error);
        QVERIFY2(!taken.isNull(), qPrintable(error));
        QCOMPARE(taken.size(), QSize(8, 4));
        QVERIFY(!QFile::exists(path));
    }

    void screenshotFileRefused()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("private.png"));
        QVERIFY(savePicture(target, Qt::red));
        const QString link = folder.filePath(QStringLiteral("out.png"));
        QVERIFY(QFile::link(target, link));
        const QString garbage = folder.filePath(QStringLiteral("garbage.png"));
        {
            QFile file(garbage);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a picture");
        }

        QString error;
        // A link planted in the shared place is not followed, and what it points at stays.
        QVERIFY(PortalScreenshotFile::take(QUrl::fromLocalFile(link).toString(), &error).isNull());
        QVERIFY(QFile::exists(target));
        QVERIFY(PortalScreenshotFile::take(QStringLiteral("https://example.invalid/a.png"), &error)
                    .isNull());
        QVERIFY(
            PortalScreenshotFile::take(
                QUrl::fromLocalFile(folder.filePath(QStringLiteral("none.png"))).toString(), &error)
                .isNull());
        // A file that is no picture is still removed.
        QVERIFY(
            PortalScreenshotFile::take(QUrl::fromLocalFile(garbage).toString(), &error).isNull());
        QVERIFY(!QFile::exists(garbage));
    }
};

QTEST_GUILESS_MAIN(TestPortalCaptureParts)
#include "TestPortalCaptureParts.moc"
