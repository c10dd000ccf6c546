#include "app/shell/DesktopPalette.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>

DesktopPalette &DesktopPalette::shared()
{
    static DesktopPalette *instance = [] {
        auto *desktop =
            new DesktopPalette(QGuiApplication::palette(), QCoreApplication::instance());
        desktop->followDesktop();
        return desktop;
    }();
    return *instance;
}

DesktopPalette::DesktopPalette(const QPalette &palette, QObject *parent)
    : QObject(parent)
    , m_palette(palette)
{}

void DesktopPalette::setPalette(const QPalette &palette)
{
    if (palette == m_palette)
        return;
    m_palette = palette;
    Q_EMIT changed();
}

bool DesktopPalette::looksDark() const
{
    return m_palette.color(QPalette::Window).lightness() < 128;
}

void DesktopPalette::followDesktop()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);
}

bool DesktopPalette::eventFilter(QObject *watched, QEvent *event)
{
    // The theme change reaches every window; one reading after them all is enough.
    if (event->type() == QEvent::ThemeChange && watched->isWindowType() && !m_reading) {
        m_reading = true;
        QTimer::singleShot(0, this, [this] {
            readDesktopBeneathTheApplication();
            m_reading = false;
        });
    }
    return false;
}

void DesktopPalette::readDesktopBeneathTheApplication()
{
    // A palette that sets no role resolves entirely to the desktop's; the application's own is
    // put back at once.
    const QPalette application = QGuiApplication::palette();
    QPalette nothingSet;
    nothingSet.setResolveMask(0);
    QGuiApplication::setPalette(nothingSet);
    const QPalette desktop = QGuiApplication::palette();
    QGuiApplication::setPalette(application);
    setPalette(desktop);
}
