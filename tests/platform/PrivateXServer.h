#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <X11/Xlib.h>

// An Xvfb of the suite's own, for tests that change the display (its monitors) or kill it, which
// the shared test display must not suffer. The test points $DISPLAY at it while it runs.
class PrivateXServer
{
public:
    ~PrivateXServer() { stop(); }

    // Starts the server on a display number it picks itself (-displayfd, written to its standard
    // output) and waits until it accepts connections. Empty name on failure.
    // A depth other than 24, or arguments such as "-extension MIT-SHM", make a server unlike the
    // usual one; a launcher ("unshare --ipc") runs it the way it names.
    QByteArray start(int width, int height, int depth = 24, const QStringList &extra = {},
                     const QStringList &launcher = {})
    {
        const QStringList arguments =
            QStringList{QStringLiteral("-displayfd"),
                        QStringLiteral("1"),
                        QStringLiteral("-screen"),
                        QStringLiteral("0"),
                        QStringLiteral("%1x%2x%3").arg(width).arg(height).arg(depth),
                        QStringLiteral("+extension"),
                        QStringLiteral("RANDR"),
                        QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"),
                        QStringLiteral("-noreset")} +
            extra;
        if (launcher.isEmpty())
            m_process.start(QStringLiteral("Xvfb"), arguments);
        else
            m_process.start(launcher.first(),
                            launcher.mid(1) + QStringList{QStringLiteral("Xvfb")} + arguments);
        if (!m_process.waitForStarted())
            return {};
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine() && waited.elapsed() < 10000) {
            if (m_process.state() == QProcess::NotRunning)
                return {};
            m_process.waitForReadyRead(100);
        }
        const QByteArray number = m_process.readLine().trimmed();
        if (number.isEmpty())
            return {};
        m_number = number;
        m_name = ":" + number;
        if (Display *display = XOpenDisplay(m_name.constData())) {
            XCloseDisplay(display);
            return m_name;
        }
        return {};
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Ends the server abruptly, as a crash would.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
        // What a killed server leaves behind would keep its number taken.
        QFile::remove(QStringLiteral("/tmp/.X%1-lock").arg(QString::fromLatin1(m_number)));
        QFile::remove(QStringLiteral("/tmp/.X11-unix/X%1").arg(QString::fromLatin1(m_number)));
    }

    QByteArray name() const { return m_name; }

private:
    QProcess m_process;
    QByteArray m_name;
    QByteArray m_number;
};

// Points $DISPLAY elsewhere for as long as it lives.
class DisplayOverride
{
public:
    explicit DisplayOverride(const QByteArray &display)
        : m_saved(qgetenv("DISPLAY"))
    {
        qputenv("DISPLAY", display);
    }
    ~DisplayOverride()
    {
        if (m_saved.isNull())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", m_saved);
    }
    DisplayOverride(const DisplayOverride &) = delete;
    DisplayOverride &operator=(const DisplayOverride &) = delete;

private:
    QByteArray m_saved;
};
