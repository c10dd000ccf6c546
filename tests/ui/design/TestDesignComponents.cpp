#include "ui/design/WD.h"

#include <QDesktopServices>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)

// What the QML suites need beyond the components: switching the palette as the theme manager
// would, and catching the web addresses the interface asks the system to open.
class DesignTestHooks : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList openedUrls READ openedUrls NOTIFY openedUrlsChanged)

public:
    QStringList openedUrls() const { return m_openedUrls; }

    Q_INVOKABLE void selectPalette(const QString &id) { WD::setPalette(WDPalette::byID(id)); }
    Q_INVOKABLE void clearOpenedUrls()
    {
        m_openedUrls.clear();
        Q_EMIT openedUrlsChanged();
    }

public Q_SLOTS:
    void openUrl(const QUrl &url)
    {
        m_openedUrls.append(url.toString());
        Q_EMIT openedUrlsChanged();
    }

Q_SIGNALS:
    void openedUrlsChanged();

private:
    QStringList m_openedUrls;
};

class Setup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        // No browser is started by a test: the system's opener is replaced for web addresses.
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_hooks, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_hooks, "openUrl");
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(QStringLiteral("designTest"), &m_hooks);
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

private:
    DesignTestHooks m_hooks;
};

QUICK_TEST_MAIN_WITH_SETUP(TestDesignComponents, Setup)

#include "TestDesignComponents.moc"
