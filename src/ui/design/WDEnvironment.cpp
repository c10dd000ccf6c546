#include "ui/design/WDEnvironment.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

namespace {

// Calls visit for every attached environment below root, stopping at subtrees whose top set
// its own value: they keep it and their descendants follow them.
template<typename Visit>
void forEachInheritingDescendant(QQuickItem *root, const Visit &visit)
{
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        WDEnvironment *const environment = WDEnvironment::of(child, false);
        if (environment && !visit(environment))
            continue;
        forEachInheritingDescendant(child, visit);
    }
}

} // namespace

WDEnvironment::WDEnvironment(QObject *owner)
    : QObject(owner)
{
    watchOwner();
    resolve();
}

WDEnvironment *WDEnvironment::qmlAttachedProperties(QObject *owner)
{
    return new WDEnvironment(owner);
}

WDEnvironment *WDEnvironment::of(QObject *owner, bool create)
{
    if (!owner)
        return nullptr;
    return qobject_cast<WDEnvironment *>(qmlAttachedPropertiesObject<WDEnvironment>(owner, create));
}

void WDEnvironment::setWdCompact(bool compact)
{
    m_explicitCompact = compact;
    resolve();
}

void WDEnvironment::resetWdCompact()
{
    m_explicitCompact.reset();
    resolve();
}

QQuickItem *WDEnvironment::ownerItem() const
{
    return qobject_cast<QQuickItem *>(parent());
}

QQuickWindow *WDEnvironment::ownerWindow() const
{
    return qobject_cast<QQuickWindow *>(parent());
}

void WDEnvironment::watchOwner()
{
    // A delegate or a loaded item is often created before it is put in its place: it must pick
    // up the value of wherever it lands.
    if (QQuickItem *item = ownerItem()) {
        connect(item, &QQuickItem::parentChanged, this, &WDEnvironment::resolve);
        connect(item, &QQuickItem::windowChanged, this, &WDEnvironment::resolve);
    }
}

WDEnvironment *WDEnvironment::nearestAncestorEnvironment() const
{
    QQuickItem *item = ownerItem();
    if (!item)
        return nullptr;
    for (QQuickItem *ancestor = item->parentItem(); ancestor; ancestor = ancestor->parentItem()) {
        WDEnvironment *const environment = of(ancestor, false);
        if (environment && environment->m_explicitCompact)
            return environment;
    }
    WDEnvironment *const windowEnvironment = of(item->window(), false);
    if (windowEnvironment && windowEnvironment->m_explicitCompact)
        return windowEnvironment;
    return nullptr;
}

void WDEnvironment::resolve()
{
    bool compact = false;
    if (m_explicitCompact) {
        compact = *m_explicitCompact;
    } else if (const WDEnvironment *ancestor = nearestAncestorEnvironment()) {
        compact = ancestor->m_effectiveCompact;
    }
    if (compact == m_effectiveCompact)
        return;
    m_effectiveCompact = compact;
    Q_EMIT wdCompactChanged();
    propagateToDescendants();
}

void WDEnvironment::propagateToDescendants()
{
    QQuickItem *root = ownerItem();
    if (QQuickWindow *window = ownerWindow())
        root = window->contentItem();
    if (!root)
        return;
    forEachInheritingDescendant(root, [](WDEnvironment *environment) {
        if (environment->m_explicitCompact)
            return false;
        environment->resolve();
        return false; // resolve() already carried the value further down
    });
}
