#include "ui/HeroFrameCheck.h"
#include "ui/design/WD.h"
#include "ui/design/WDPalette.h"
#include "ui/signin/LoginViewModel.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_SignInPlugin)

// The credentials form as drawn and driven by the keyboard, offscreen; and its pictures in every
// palette and both layouts (build folder, rendered/signin/).
class TestLoginView : public QObject
{
    Q_OBJECT

private:
    struct Shown
    {
        std::unique_ptr<QQmlEngine> engine = std::make_unique<QQmlEngine>();
        std::unique_ptr<QQuickView> view;
        LoginViewModel *model = nullptr;

        QQuickItem *item(const char *name) const
        {
            return view->rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
        }
        QString message() const
        {
            const QQuickItem *row = item("messageRow");
            return row && row->isVisible() ? item("messageText")->property("text").toString()
                                           : QString();
        }
    };

    static std::unique_ptr<Shown> show(bool compact)
    {
        auto shown = std::make_unique<Shown>();
        shown->view = std::make_unique<QQuickView>(shown->engine.get(), nullptr);
        shown->view->setResizeMode(QQuickView::SizeRootObjectToView);
        shown->view->setInitialProperties({{QStringLiteral("compact"), compact}});
        shown->view->setSource(QUrl(
            QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/SignIn/qml/LoginView.qml")));
        if (shown->view->status() != QQuickView::Ready) {
            for (const QQmlError &error : shown->view->errors())
                qWarning() << error.toString();
            return {};
        }
        shown->view->resize(compact ? QSize(340, 520) : QSize(460, 600));
        shown->view->show();
        if (!QTest::qWaitForWindowExposed(shown->view.get()))
            return {};
        shown->model = shown->view->rootObject()->property("viewModel").value<LoginViewModel *>();
        return shown;
    }

    static void typeText(QWindow *window, const QString &text)
    {
        for (const QChar character : text)
            QTest::keyClick(window, character.toLatin1());
    }

    static void focusAndType(Shown &shown, const char *field, const QString &text)
    {
        QQuickItem *input = shown.item(field);
        input->forceActiveFocus();
        typeText(shown.view.get(), text);
    }

    static QString outputFolder()
    {
        const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
        const QString folder = base + QStringLiteral("/rendered/signin");
        QDir().mkpath(folder);
        return folder;
    }

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void cleanup()
    {
        WD::setPalette(WDPalette::pink());
        QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
    }

    void returnSubmitsEvenWhileLoginIsDisabled()
    {
        const auto shown = show(true);
        QVERIFY(shown);
        QQuickItem *login = shown->item("loginButton");
        QVERIFY(!login->isEnabled());
        QCOMPARE(login->opacity(), 0.55);
        QCOMPARE(shown->message(), QString());

        shown->item("emailField")->forceActiveFocus();
        QTest::keyClick(shown->view.get(), Qt::Key_Return);
        QTRY_COMPARE(shown->message(), QStringLiteral("Email cannot be empty."));
    }

    void typingReplacesTheMessageAtOnce()
    {
        const auto shown = show(false);
        QVERIFY(shown);
        focusAndType(*shown, "emailField", QStringLiteral("anna@example"));
        QCOMPARE(shown->message(), QStringLiteral("Invalid email format."));
        typeText(shown->view.get(), QStringLiteral(".com"));
        focusAndType(*shown, "passwordField", QStringLiteral("abc"));
        QCOMPARE(shown->message(), QStringLiteral("Password must be at least 4 characters."));
        QVERIFY(!shown->item("loginButton")->isEnabled());
        typeText(shown->view.get(), QStringLiteral("d"));
        QVERIFY(shown->item("loginButton")->isEnabled());
        QCOMPARE(shown->item("loginButton")->opacity(), 1.0);
        QCOMPARE(shown->model->password(), QStringLiteral("abcd"));

        // No service behind the screen: the login fails, and one keystroke removes the message.
        QTest::keyClick(shown->view.get(), Qt::Key_Return);
        QTRY_COMPARE(shown->message(),
                     QStringLiteral("Login failed. Check your credentials and connection."));
        typeText(shown->view.get(), QStringLiteral("e"));
        QCOMPARE(shown->message(), QString());
    }

    void eyeShowsThePasswordWithoutLosingIt()
    {
        const auto shown = show(true);
        QVERIFY(shown);
        focusAndType(*shown, "passwordField", QStringLiteral("s3cret"));
        QCOMPARE(shown->item("passwordField")->property("displayText").toString(),
                 QString(6, QChar(0x25CF)));
        QMetaObject::invokeMethod(shown->item("passwordEye"), "clicked");
        QCOMPARE(shown->item("passwordField")->property("displayText").toString(),
                 QStringLiteral("s3cret"));
    }

    void everyPaletteAndLayout_data()
    {
        QTest::addColumn<QString>("palette");
        QTest::addColumn<bool>("compact");
        for (const bool compact : {true, false})
            for (const WDPalette &palette : WDPalette::all())
                QTest::newRow(qPrintable(palette.id + (compact ? "-compact" : "-regular")))
                    << palette.id << compact;
    }

    void everyPaletteAndLayout()
    {
        QFETCH(QString, palette);
        QFETCH(bool, compact);
        WD::setPalette(WDPalette::byID(palette));
        const auto shown = show(compact);
        QVERIFY(shown);
        if (palette == u"pink")
            shown->view->rootObject()->setProperty("showNoAccountInfo", true);
        QTest::qWait(100);
        const QImage image = shown->view->grabWindow();
        QVERIFY(!image.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        QVERIFY(colours.size() > 20);
        // Nothing of the form may reach past its card (a row too wide pushes every field out).
        const QQuickItem *card = shown->item("loginCard");
        QVERIFY(card != nullptr);
        const qreal cardRight = card->mapToScene({card->width(), 0}).x();
        for (const char *name : {"emailField", "loginButton", "noAccountLink"}) {
            const QQuickItem *inner = shown->item(name);
            QVERIFY2(inner != nullptr, name);
            QVERIFY2(inner->mapToScene({inner->width(), 0}).x() <= cardRight, name);
        }
        QVERIFY(image.save(
            outputFolder() +
            QStringLiteral("/login-%1-%2.png").arg(palette, compact ? "compact" : "regular")));
        const QQuickItem *hero = shown->item("heroBanner");
        QVERIFY(hero != nullptr);
        const QString bare =
            HeroFrameCheck::bareEdge(image, *hero, WDPalette::byID(palette).surfaceSoft);
        QVERIFY2(bare.isEmpty(),
                 qPrintable(QStringLiteral("the card shows at the hero's ") + bare));
    }
};

QTEST_MAIN(TestLoginView)
#include "TestLoginView.moc"
