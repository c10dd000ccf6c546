#pragma once

#include "ui/design/WD.h"
#include "ui/design/WDPalette.h"
#include "ui/root/RootViewModel.h"

#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickView>
#include <QSet>
#include <QString>
#include <QTest>

#include <memory>

// Drawing the root view to PNG files a person can look at: the view as the popover (compact,
// sized by its content) or the main window shows it, every palette in both layouts as test rows,
// and pictures under the build folder's rendered/<area>/.
namespace RootViewRendering {

inline QString outputFolder(const QString &area)
{
    const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
    const QString folder = base + QStringLiteral("/rendered/") + area;
    QDir().mkpath(folder);
    return folder;
}

// The root view on screen; the main window's layout at the given size.
inline std::unique_ptr<QQuickView> show(QQmlEngine &engine, RootViewModel &model, bool compact,
                                        QSize regularSize = QSize(460, 540))
{
    auto view = std::make_unique<QQuickView>(&engine, nullptr);
    view->setResizeMode(compact ? QQuickView::SizeViewToRootObject
                                : QQuickView::SizeRootObjectToView);
    view->setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
    view->setSource(
        QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
    for (const QQmlError &error : view->errors())
        qWarning() << error.toString();
    if (!compact)
        view->resize(regularSize);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return {};
    QTest::qWait(300);
    return view;
}

inline int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Saves the window's picture; a nearly blank one fails the test.
inline void save(QQuickWindow &window, const QString &area, const QString &name)
{
    const QImage image = window.grabWindow();
    QVERIFY(!image.isNull());
    QVERIFY2(distinctColours(image) > 20, qPrintable(name));
    QVERIFY(image.save(outputFolder(area) + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// Rows "paletteId" and "compact", tagged "pink-compact", "pink-regular", ...
inline void addPaletteRows()
{
    QTest::addColumn<QString>("paletteId");
    QTest::addColumn<bool>("compact");
    for (const WDPalette &palette : WDPalette::all()) {
        for (const bool compact : {true, false}) {
            const QString tag =
                palette.id + (compact ? QStringLiteral("-compact") : QStringLiteral("-regular"));
            QTest::newRow(qPrintable(tag)) << palette.id << compact;
        }
    }
}

struct PaletteRow
{
    QString tag;
    bool compact = false;
};

// In a test function fed by addPaletteRows(): applies the row's palette.
inline PaletteRow startPaletteRow()
{
    QFETCH(QString, paletteId);
    QFETCH(bool, compact);
    WD::setPalette(WDPalette::byID(paletteId));
    return {QString::fromLatin1(QTest::currentDataTag()), compact};
}

} // namespace RootViewRendering
