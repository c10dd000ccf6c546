#pragma once

#include "ui/root/RootViewModel.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <memory>

// The item of that object name under item (item itself included), or none.
inline QQuickItem *findViewItem(QQuickItem *item, const QString &name)
{
    if (!item || item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = findViewItem(child, name))
            return found;
    }
    return nullptr;
}

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
