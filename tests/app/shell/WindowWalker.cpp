#include "app/shell/WindowWalker.h"

#include <QPointer>
#include <QQuickItem>
#include <QTest>

#include <algorithm>

// Last: the X11 headers define names that Qt's headers use.
#include "platform/XTestInjector.h"

namespace {

// Delegates of repeaters are in the visual tree, though not among the root's object children.
void collectItems(QQuickItem *item, QList<QQuickItem *> &items)
{
    items.append(item);
    for (QQuickItem *child : item->childItems())
        collectItems(child, items);
}

} // namespace

void WindowWalker::requestClose(QWindow *window)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window->winId());
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
}

WindowWalker::WindowWalker(XTestInjector &input)
    : m_input(input)
{}

QList<QQuickItem *> WindowWalker::visibleItems(const QString &name) const
{
    QList<QQuickItem *> all;
    if (m_window)
        collectItems(m_window->contentItem(), all);
    QList<QQuickItem *> shown;
    for (QQuickItem *item : std::as_const(all)) {
        if (item->isVisible() && item->width() > 0 && item->height() > 0 &&
            (name.isEmpty() ? !item->objectName().isEmpty() : item->objectName() == name))
            shown.append(item);
    }
    return shown;
}

QQuickItem *WindowWalker::visibleItem(const QString &name) const
{
    const QList<QQuickItem *> items = visibleItems(name);
    return items.isEmpty() ? nullptr : items.constFirst();
}

QString WindowWalker::shown() const
{
    QStringList names;
    for (const QQuickItem *item : visibleItems()) {
        const QString text = item->property("text").toString();
        names.append(text.isEmpty()
                         ? item->objectName()
                         : item->objectName() + QStringLiteral("=\"") + text + QLatin1Char('"'));
    }
    return QStringLiteral("shown: ") + names.join(QLatin1Char(' '));
}

bool WindowWalker::waitForItem(const QString &name, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return visibleItem(name) != nullptr; }, timeoutMs);
}

QString WindowWalker::textOf(const QString &name) const
{
    const QQuickItem *item = visibleItem(name);
    return item ? item->property("text").toString() : QString();
}

QPoint WindowWalker::screenCentre(const QQuickItem &item)
{
    const QPointF inScene = item.mapToScene(QPointF(item.width() / 2, item.height() / 2));
    return item.window()->position() + inScene.toPoint();
}

QPoint WindowWalker::settledCentre(QQuickItem &item)
{
    const QPointer<QQuickItem> watched(&item);
    QPoint centre = screenCentre(item);
    for (int look = 0; look < 20; ++look) {
        QTest::qWait(60);
        // A screen that went meanwhile takes the click where its item was, as a person's would.
        if (!watched || !watched->window())
            break;
        const QPoint now = screenCentre(*watched);
        if (now == centre)
            break;
        centre = now;
    }
    return centre;
}

bool WindowWalker::clickAt(const QPoint &at)
{
    m_input.moveTo(at.x(), at.y());
    QTest::qWait(50);
    m_input.click(1);
    QTest::qWait(100);
    return true;
}

bool WindowWalker::click(const QString &name)
{
    if (!m_window || !m_window->isVisible() || !waitForItem(name))
        return false;
    return clickAt(settledCentre(*visibleItem(name)));
}

bool WindowWalker::typeInto(const QString &name, const QByteArray &text)
{
    if (!click(name))
        return false;
    QQuickItem *field = visibleItem(name);
    if (!QTest::qWaitFor([field] { return field->hasActiveFocus(); }, 3000))
        return false;
    // The form may hold what was typed last time, like the remembered e-mail address.
    m_input.selectAll();
    m_input.typeText(text.constData());
    return QTest::qWaitFor([field, &text] { return field->property("text").toString() == text; },
                           3000);
}

bool WindowWalker::bringIntoView(const QString &name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QQuickItem *item = visibleItem(name);
        if (!item)
            return false;
        const QPoint centre = screenCentre(*item) - m_window->position();
        const int margin = 60;
        if (centre.y() > margin && centre.y() < m_window->height() - margin)
            return true;
        const int distance = std::clamp(m_window->height() / 2 - centre.y(),
                                        -m_window->height() / 3, m_window->height() / 3);
        const QPoint from =
            m_window->position() + QPoint(m_window->width() - 12, m_window->height() / 2);
        m_input.moveTo(from.x(), from.y());
        m_input.button(1, true);
        for (int step = 1; step <= 10; ++step) {
            m_input.moveTo(from.x(), from.y() + distance * step / 10);
            QTest::qWait(20);
        }
        m_input.button(1, false);
        QTest::qWait(400);
    }
    return false;
}

bool WindowWalker::clickInView(const QString &name)
{
    return waitForItem(name) && bringIntoView(name) && click(name);
}
