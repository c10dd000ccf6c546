#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQmlIntegration>

// The screenshot viewer's paging through one segment's screenshots: the position, the arrows
// that stop at either end, and the address of the picture shown.
class ScreenshotViewerModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QStringList urls READ urls WRITE setUrls NOTIFY urlsChanged)
    Q_PROPERTY(int index READ index NOTIFY indexChanged)
    Q_PROPERTY(bool showsArrows READ showsArrows NOTIFY urlsChanged)
    Q_PROPERTY(bool canGoBack READ canGoBack NOTIFY indexChanged)
    Q_PROPERTY(bool canGoForward READ canGoForward NOTIFY indexChanged)
    Q_PROPERTY(QString positionText READ positionText NOTIFY indexChanged)
    Q_PROPERTY(QString currentSource READ currentSource NOTIFY indexChanged)

public:
    explicit ScreenshotViewerModel(QObject *parent = nullptr);

    QStringList urls() const { return m_urls; }
    // A new list starts again at its first entry.
    void setUrls(const QStringList &urls);
    int index() const { return m_index; }
    int count() const { return static_cast<int>(m_urls.size()); }
    bool showsArrows() const { return count() >= 2; }
    bool canGoBack() const { return m_index > 0; }
    bool canGoForward() const { return m_index < count() - 1; }
    // "2 / 3" while there are arrows, "1 screenshot" or "0 screenshot" otherwise.
    QString positionText() const;
    // The entry shown, when it is an address that may be loaded; empty otherwise, and then the
    // image area stays empty.
    QString currentSource() const;

    Q_INVOKABLE void previous();
    Q_INVOKABLE void next();

Q_SIGNALS:
    void urlsChanged();
    void indexChanged();

private:
    void setIndex(int index);

    QStringList m_urls;
    int m_index = 0;
};
