#include "ui/design/WD.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)

// Renders the component sheet in every palette and both layouts to PNG files a person can look
// over (design-gallery/ in the build folder), and fails on a picture that came out blank.
class TestDesignGallery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void rendersEveryPaletteAndLayout_data();
    void rendersEveryPaletteAndLayout();

private:
    std::unique_ptr<QQuickView> m_view;
    QDir m_output;
};

void TestDesignGallery::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QString buildDir = qEnvironmentVariable("ZUV_TEST_BINARY_DIR");
    if (buildDir.isEmpty())
        buildDir = QDir::currentPath();
    m_output.setPath(buildDir + QStringLiteral("/design-gallery"));
    QVERIFY(m_output.mkpath(QStringLiteral(".")));

    m_view = std::make_unique<QQuickView>();
    m_view->setResizeMode(QQuickView::SizeViewToRootObject);
    m_view->setSource(QUrl::fromLocalFile(QStringLiteral(ZUV_GALLERY_QML)));
    QVERIFY2(m_view->status() == QQuickView::Ready,
             qPrintable(m_view->errors().value(0).toString()));
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestDesignGallery::cleanupTestCase()
{
    m_view->setSource(QUrl());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_view.reset();
    WD::setPalette(WDPalette::pink());
}

void TestDesignGallery::rendersEveryPaletteAndLayout_data()
{
    QTest::addColumn<QString>("paletteID");
    QTest::addColumn<bool>("compact");
    for (const WDPalette &palette : WDPalette::all()) {
        for (const bool compact : {true, false}) {
            const QString tag =
                palette.id + (compact ? QStringLiteral("-compact") : QStringLiteral("-regular"));
            QTest::newRow(qPrintable(tag)) << palette.id << compact;
        }
    }
}

void TestDesignGallery::rendersEveryPaletteAndLayout()
{
    QFETCH(QString, paletteID);
    QFETCH(bool, compact);
    const WDPalette palette = WDPalette::byID(paletteID);
    WD::setPalette(palette);
    QQuickItem *const sheet = m_view->rootObject();
    sheet->setProperty("compact", compact);
    QTRY_COMPARE(m_view->width(), compact ? 360 : 720);
    QTest::qWait(50); // let the size settle and the images load

    const QImage image = m_view->grabWindow().convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());
    const QString file = m_output.filePath(
        QStringLiteral("%1-%2.png")
            .arg(paletteID, compact ? QStringLiteral("compact") : QStringLiteral("regular")));
    QVERIFY2(image.save(file), qPrintable(file));

    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); y += 2) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); x += 2)
            ++counts[line[x] | 0xFF000000u];
    }
    int mostCommon = 0;
    for (const int count : std::as_const(counts))
        mostCommon = std::max(mostCommon, count);
    const int sampled = ((image.height() + 1) / 2) * ((image.width() + 1) / 2);
    QVERIFY2(counts.size() > 200, qPrintable(QStringLiteral("only %1 colours").arg(counts.size())));
    QVERIFY2(mostCommon < sampled * 0.6, "one colour covers most of the picture");

    // The sheet is drawn in this palette: its background and the header's surface.
    QCOMPARE(QColor(image.pixel(2, image.height() - 2)), palette.appBackground);
    QCOMPARE(QColor(image.pixel(image.width() / 2, 2)), palette.surfaceSoft);
}

QTEST_MAIN(TestDesignGallery)
#include "TestDesignGallery.moc"
