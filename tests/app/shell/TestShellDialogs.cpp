#include "app/shell/ShellDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QtTest>

// The notice about local data that cannot be saved: shown without blocking, one at a time.
class TestShellDialogs : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private Q_SLOTS:
    void noticeNeitherBlocksNorStacks()
    {
        MessageBoxDialogs dialogs;
        const QString message = QStringLiteral("Tracked time cannot be saved.");
        dialogs.presentNotice(message, QStringLiteral("first"));
        dialogs.presentNotice(message, QStringLiteral("second"));
        dialogs.presentNotice(QStringLiteral("Another matter."), QStringLiteral("other"));

        QList<QMessageBox *> saving = openNotices(message);
        QCOMPARE(saving.size(), 1);
        QCOMPARE(saving.first()->informativeText(), QStringLiteral("second"));
        QVERIFY(saving.first()->isVisible());
        QCOMPARE(saving.first()->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(openNotices(QStringLiteral("Another matter.")).size(), 1);

        // Once answered, the next failure shows it again.
        saving.first()->buttons().first()->click();
        QTRY_VERIFY(openNotices(message).isEmpty());
        dialogs.presentNotice(message, QStringLiteral("third"));
        QCOMPARE(openNotices(message).size(), 1);
    }

private:
    static QList<QMessageBox *> openNotices(const QString &message)
    {
        QList<QMessageBox *> open;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible() && box->text() == message &&
                box->objectName() == QLatin1String(MessageBoxDialogs::noticeDialogName))
                open.append(box);
        }
        return open;
    }
};

QTEST_MAIN(TestShellDialogs)
#include "TestShellDialogs.moc"
