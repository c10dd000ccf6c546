#pragma once

#include <QObject>
#include <QPalette>

// The desktop's own colours, which the panel holding the tray icon follows. The application's
// palette cannot tell them: the selected colour palette replaces it with its own light or dark
// look. So they are captured before the application sets its palette, and read again beneath it
// whenever the desktop's theme changes.
class DesktopPalette : public QObject
{
    Q_OBJECT

public:
    // The process's instance; its first use captures the application's palette as it is then,
    // which main() makes happen before the application sets its own.
    static DesktopPalette &shared();

    // A fixed palette that follows no desktop (tests).
    explicit DesktopPalette(const QPalette &palette, QObject *parent = nullptr);

    QPalette palette() const { return m_palette; }
    void setPalette(const QPalette &palette);
    // A panel whose window colour is dark shows a light icon.
    bool looksDark() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    void changed();

private:
    void followDesktop();
    void readDesktopBeneathTheApplication();

    QPalette m_palette;
    bool m_reading = false;
};
