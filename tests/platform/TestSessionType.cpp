#include "platform/SessionType.h"

#include <QtTest>

class TestSessionType : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosesBySessionTypeThenWaylandSocket_data();
    void choosesBySessionTypeThenWaylandSocket();
};

void TestSessionType::choosesBySessionTypeThenWaylandSocket_data()
{
    QTest::addColumn<QStringList>("variables"); // NAME=value; a missing name is unset
    QTest::addColumn<SessionType>("expected");

    const auto wayland = SessionType::Wayland;
    const auto x11 = SessionType::X11;
    QTest::newRow("nothing set") << QStringList{} << x11;
    QTest::newRow("GNOME on Wayland with XWayland")
        << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"}
        << wayland;
    QTest::newRow("wayland declared, socket not exported")
        << QStringList{"XDG_SESSION_TYPE=wayland"} << wayland;
    QTest::newRow("X11 session") << QStringList{"XDG_SESSION_TYPE=x11", "DISPLAY=:0"} << x11;
    QTest::newRow("nested compositor inside an X11 session")
        << QStringList{"XDG_SESSION_TYPE=x11", "WAYLAND_DISPLAY=wayland-1", "DISPLAY=:0"} << x11;
    QTest::newRow("type unset, socket set") << QStringList{"WAYLAND_DISPLAY=wayland-0"} << wayland;
    QTest::newRow("type unset, only DISPLAY (XWayland alone decides nothing)")
        << QStringList{"DISPLAY=:1"} << x11;
    QTest::newRow("compositor started from a text console")
        << QStringList{"XDG_SESSION_TYPE=tty", "WAYLAND_DISPLAY=wayland-1"} << wayland;
    QTest::newRow("text console without a compositor")
        << QStringList{"XDG_SESSION_TYPE=tty", "DISPLAY=:0"} << x11;
    QTest::newRow("type empty, socket set")
        << QStringList{"XDG_SESSION_TYPE=", "WAYLAND_DISPLAY=wayland-0"} << wayland;
    QTest::newRow("socket empty") << QStringList{"WAYLAND_DISPLAY="} << x11;
}

void TestSessionType::choosesBySessionTypeThenWaylandSocket()
{
    QFETCH(QStringList, variables);
    QFETCH(SessionType, expected);
    QProcessEnvironment environment;
    for (const QString &variable : variables) {
        const qsizetype equals = variable.indexOf(u'=');
        environment.insert(variable.left(equals), variable.mid(equals + 1));
    }
    QCOMPARE(SessionTypes::fromEnvironment(environment), expected);
}

QTEST_GUILESS_MAIN(TestSessionType)
#include "TestSessionType.moc"
