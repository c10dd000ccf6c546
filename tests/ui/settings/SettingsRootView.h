#pragma once

#include "ui/root/RootViewModel.h"

#include <QQmlEngine>
#include <QQuickView>
#include <QTest>

#include <memory>

// The real root view over the model, in a window of the given size, once it is shown; none when
// it never appeared.
inline std::unique_ptr<QQuickView> showRootView(QQmlEngine &engine, RootViewModel &model,
                                                const QSize &size)
{
    auto view = std::make_unique<QQuickView>(&engine, nullptr);
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
    view->setSource(
        QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
    for (const QQmlError &error : view->errors())
        qWarning() << error.toString();
    view->resize(size);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return {};
    QTest::qWait(300);
    return view;
}
