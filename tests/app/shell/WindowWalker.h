#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QQuickWindow>
#include <QString>

class QQuickItem;
class QWindow;
class XTestInjector;

// A person's hands on one of the application's windows: finds the named items the window shows
// and clicks, types and drags at their places on the screen through XTest, so the input takes the
// same road as a real one.
class WindowWalker
{
public:
    static constexpr int defaultTimeoutMs = 20000;

    explicit WindowWalker(XTestInjector &input);

    QQuickWindow *window() const { return m_window; }
    void setWindow(QQuickWindow *window) { m_window = window; }

    // Every visible item of that name (or every named one); items of screens no longer shown
    // may linger, hidden.
    QList<QQuickItem *> visibleItems(const QString &name = QString()) const;
    QQuickItem *visibleItem(const QString &name) const;
    // The named items the window shows, for a failure's message.
    QString shown() const;
    bool waitForItem(const QString &name, int timeoutMs = defaultTimeoutMs) const;
    QString textOf(const QString &name) const;

    // The item's centre on the screen: its place in the scene plus the window's place.
    static QPoint screenCentre(const QQuickItem &item);
    // The same once the item has stopped moving: a line of a form that comes or goes as its text
    // changes moves what lies below it only at the window's next layout pass, so a centre read
    // at once may be where the item no longer is.
    static QPoint settledCentre(QQuickItem &item);
    // What a window manager sends when a person clicks the window's close button.
    static void requestClose(QWindow *window);

    bool clickAt(const QPoint &at);
    bool click(const QString &name);
    // Clicks the field, replaces what it holds and waits until it shows the text.
    bool typeInto(const QString &name, const QByteArray &text);
    // Drags the scrolling view until the item's centre is inside the window.
    bool bringIntoView(const QString &name);
    bool clickInView(const QString &name);

private:
    XTestInjector &m_input;
    QPointer<QQuickWindow> m_window;
};
