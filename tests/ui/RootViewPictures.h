#pragma once

#include "ui/design/WDPalette.h"
#include "ui/root/RootViewModel.h"

#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickView>
#include <QSet>
#include <QTest>

#include <memory>

// The real root view in a window of its own, as the rendering suites draw it: the popover's
// layout sized to its content, the main window's at a fixed size; and where its pictures go.
namespace RootViewPictures {

// The build folder's rendered/<area>/, where a person looks at the pictures.
inline QString outputFolder(const QString &area)
{
    const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
    const QString folder = base + QStringLiteral("/rendered/") + area;
    QDir().mkpath(folder);
    return folder;
}

inline std::unique_ptr<QQuickView> show(QQmlEngine &engine, RootViewModel &model, bool compact,
                                        const QSize &regularSize = QSize(460, 540))
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

// A picture that shows something has many colours; an empty or single-colour one has few.
inline int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Grabs the window into rendered/<area>/<name>.png, failing on a picture that shows nothing.
inline void save(QQuickView &view, const QString &area, const QString &name)
{
    const QImage image = view.grabWindow();
    QVERIFY(!image.isNull());
    QVERIFY2(distinctColours(image) > 20, qPrintable(name));
    QVERIFY(image.save(outputFolder(area) + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// The rows of a suite drawn in every palette and both layouts: columns paletteId and compact,
// tagged "<palette>-compact" or "<palette>-regular".
inline void addEveryPaletteAndLayout()
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

} // namespace RootViewPictures
