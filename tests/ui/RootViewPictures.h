#pragma once

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

} // namespace RootViewPictures
