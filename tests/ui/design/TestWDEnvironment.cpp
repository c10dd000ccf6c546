#include "ui/design/WDEnvironment.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtPlugin>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)

namespace {

const QByteArray tree = R"(
import QtQuick
import Zuvevivezid.Design

Item {
    property bool rootSees: WDEnvironment.wdCompact
    Item {
        objectName: "middle"
        Item {
            objectName: "leaf"
            property bool seen: WDEnvironment.wdCompact
        }
    }
    Item { objectName: "elsewhere" }
}
)";

bool seen(QObject *root, const char *name)
{
    QObject *const item = root->findChild<QObject *>(QString::fromLatin1(name));
    return item->property("seen").toBool();
}

} // namespace

class TestWDEnvironment : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsFalseWhereNobodySetIt();
    void flowsDownAndFollowsChanges();
    void nearerSettingWins();
    void movedItemTakesItsNewPlace();
    void windowSetsItForItsItems();

private:
    std::unique_ptr<QObject> create(const QByteArray &qml);
    QQmlEngine m_engine;
};

void TestWDEnvironment::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

std::unique_ptr<QObject> TestWDEnvironment::create(const QByteArray &qml)
{
    QQmlComponent component(&m_engine);
    component.setData(qml, QUrl::fromLocalFile(QStringLiteral("/virtual/Tree.qml")));
    std::unique_ptr<QObject> object(component.create());
    if (!object)
        qWarning() << component.errors();
    return object;
}

void TestWDEnvironment::readsFalseWhereNobodySetIt()
{
    const auto root = create(tree);
    QVERIFY(root);
    QCOMPARE(root->property("rootSees").toBool(), false);
    QCOMPARE(seen(root.get(), "leaf"), false);
}

void TestWDEnvironment::flowsDownAndFollowsChanges()
{
    const auto root = create(tree);
    QVERIFY(root);
    WDEnvironment *const top = WDEnvironment::of(root.get());
    top->setWdCompact(true);
    QCOMPARE(root->property("rootSees").toBool(), true);
    QCOMPARE(seen(root.get(), "leaf"), true);
    top->setWdCompact(false);
    QCOMPARE(seen(root.get(), "leaf"), false);
    top->setWdCompact(true);
    top->resetWdCompact();
    QCOMPARE(seen(root.get(), "leaf"), false);
}

void TestWDEnvironment::nearerSettingWins()
{
    const auto root = create(tree);
    QVERIFY(root);
    QObject *const middle = root->findChild<QObject *>(QStringLiteral("middle"));
    WDEnvironment::of(middle)->setWdCompact(false);
    WDEnvironment::of(root.get())->setWdCompact(true);
    QCOMPARE(seen(root.get(), "leaf"), false);
    WDEnvironment::of(middle)->resetWdCompact();
    QCOMPARE(seen(root.get(), "leaf"), true);
}

void TestWDEnvironment::movedItemTakesItsNewPlace()
{
    const auto root = create(tree);
    QVERIFY(root);
    QObject *const middle = root->findChild<QObject *>(QStringLiteral("middle"));
    auto *const leaf = root->findChild<QQuickItem *>(QStringLiteral("leaf"));
    auto *const elsewhere = root->findChild<QQuickItem *>(QStringLiteral("elsewhere"));
    WDEnvironment::of(middle)->setWdCompact(true);
    QCOMPARE(leaf->property("seen").toBool(), true);
    leaf->setParentItem(elsewhere);
    QCOMPARE(leaf->property("seen").toBool(), false);
    leaf->setParentItem(qobject_cast<QQuickItem *>(middle));
    QCOMPARE(leaf->property("seen").toBool(), true);
}

void TestWDEnvironment::windowSetsItForItsItems()
{
    const auto window = create(R"(
import QtQuick
import Zuvevivezid.Design

Window {
    WDEnvironment.wdCompact: true
    Item {
        Item { objectName: "leaf"; property bool seen: WDEnvironment.wdCompact }
    }
}
)");
    QVERIFY(window);
    QCOMPARE(seen(window.get(), "leaf"), true);
    WDEnvironment::of(window.get())->setWdCompact(false);
    QCOMPARE(seen(window.get(), "leaf"), false);
}

QTEST_MAIN(TestWDEnvironment)
#include "TestWDEnvironment.moc"
