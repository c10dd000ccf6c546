#pragma once

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

#include <optional>

class QQuickItem;
class QQuickWindow;

// Values that flow down the item tree: an item reads what the nearest item above it (or its
// window) set, and the default where nobody did. wdCompact picks the popover's compact layout.
//
//   Window { WDEnvironment.wdCompact: true  ...  }   // every component inside is compact
class WDEnvironment : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("WDEnvironment is only available as attached properties")
    QML_ATTACHED(WDEnvironment)
    Q_PROPERTY(bool wdCompact READ wdCompact WRITE setWdCompact RESET resetWdCompact NOTIFY
                   wdCompactChanged)

public:
    explicit WDEnvironment(QObject *owner);

    static WDEnvironment *qmlAttachedProperties(QObject *owner);
    // The attached object of owner, created when asked for.
    static WDEnvironment *of(QObject *owner, bool create = true);

    bool wdCompact() const { return m_effectiveCompact; }
    void setWdCompact(bool compact);
    void resetWdCompact();

Q_SIGNALS:
    void wdCompactChanged();

private:
    void resolve();
    void propagateToDescendants();
    WDEnvironment *nearestAncestorEnvironment() const;
    QQuickItem *ownerItem() const;
    QQuickWindow *ownerWindow() const;
    void watchOwner();

    std::optional<bool> m_explicitCompact;
    bool m_effectiveCompact = false;
};
