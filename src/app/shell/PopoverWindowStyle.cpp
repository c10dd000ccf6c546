#include "app/shell/PopoverWindowStyle.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>

namespace {

void fitToRoot(QQuickView &view)
{
    const QQuickItem *root = view.rootObject();
    const QSize size(qRound(root->implicitWidth()), qRound(root->implicitHeight()));
    if (size.isEmpty())
        return;
    view.setMinimumSize(size);
    view.setMaximumSize(size);
}

} // namespace

namespace PopoverWindowStyle {

bool canPlaceItself()
{
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

void apply(QQuickView &view)
{
    if (canPlaceItself()) {
        view.setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        return;
    }
    view.setFlags(Qt::Dialog | Qt::FramelessWindowHint);
    QQuickItem *root = view.rootObject();
    if (root == nullptr)
        return;
    fitToRoot(view);
    const auto follow = [&view] {
        fitToRoot(view);
    };
    QObject::connect(root, &QQuickItem::implicitWidthChanged, &view, follow);
    QObject::connect(root, &QQuickItem::implicitHeightChanged, &view, follow);
}

} // namespace PopoverWindowStyle
