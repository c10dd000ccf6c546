#include "ui/HeroFrameCheck.h"
#include "ui/design/WD.h"
#include "ui/signin/ForgotPasswordViewModel.h"
#include "ui/signin/OtpViewModel.h"
#include "ui/signin/SignInBackend.h"

#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>
#include <stdexcept>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_SignInPlugin)

namespace {

// Accepts every recovery request at once.
class AcceptingBackend final : public SignInBackend
{
public:
    QCoro::Task<SingleLoginResult> login(QString, QString) override { throw unused(); }
    QCoro::Task<SingleLoginResult> verifyOtp(QString, QString) override { throw unused(); }
    QCoro::Task<> generateOtp(QString) override { throw unused(); }
    QCoro::Task<> requestPasswordRecovery(QString) override { co_return; }

private:
    static std::logic_error unused() { return std::logic_error("not part of this screen"); }
};

const char *const screenNames[] = {"otp", "company", "forgot"};

QString screenSource(const QString &screen)
{
    if (screen == u"otp")
        return QStringLiteral(
            "OTPVerificationView { anchors.fill: parent;"
            " email: 'anna@example.com'; errorMessage: 'Invalid OTP code. Please try again.' }");
    if (screen == u"company")
        return QStringLiteral("CompanySelectionView { width: parent.width; height: parent.height;"
                              " userName: 'Anna'; lastEndpoint: 'zeta.example.com';"
                              " companies: [{ name: 'Zeta Works', endpoint: 'zeta.example.com' },"
                              " { name: 'alpha labs', endpoint: 'alpha.example.com' },"
                              " { name: 'Beta', endpoint: 'beta.example.com' }] }");
    return QStringLiteral("ForgotPasswordView { width: parent.width; height: parent.height;"
                          " initialEmail: 'anna@example.com' }");
}

} // namespace

// The sign-in sub-screens as they are drawn: what only the QML can get wrong (focus, sizes of the
// two layouts, rows and buttons wired to the model), and PNG pictures of each screen in every
// palette and both layouts (build folder, rendered/signin/) a person can look at.
class TestSignInScreens : public QObject
{
    Q_OBJECT

private:
    QQmlEngine m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem m_missing;

    static QString outputFolder()
    {
        const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
        const QString folder = base + QStringLiteral("/rendered/signin");
        QDir().mkpath(folder);
        return folder;
    }

    // Shows the screen in a window as the popover (compact) or the main window hosts it; returns
    // the screen's item.
    QQuickItem *show(const QString &screen, bool compact)
    {
        const QString source =
            QStringLiteral("import QtQuick\nimport Zuvevivezid.Design\nimport Zuvevivezid.SignIn\n"
                           "Window { width: %1; height: %2; color: WD.palette.appBackground;"
                           " WDEnvironment.wdCompact: %3\n"
                           "Item { anchors.fill: parent\n%4 } }")
                .arg(compact ? 340 : 460)
                .arg(compact ? 600 : 680)
                .arg(compact ? QStringLiteral("true") : QStringLiteral("false"),
                     screenSource(screen));
        QQmlComponent component(&m_engine);
        component.setData(source.toUtf8(), QUrl());
        m_window.reset(qobject_cast<QQuickWindow *>(component.create()));
        if (!m_window) {
            qWarning() << component.errors();
            return nullptr;
        }
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            return nullptr;
        m_window->requestActivate();
        QTest::qWait(50);
        return m_window->contentItem()->childItems().value(0)->childItems().value(0);
    }

    // Items by name through the visual tree, which is what the window draws.
    static void collect(QQuickItem *item, const QString &name, QList<QQuickItem *> &found)
    {
        if (item->objectName() == name)
            found.append(item);
        for (QQuickItem *child : item->childItems())
            collect(child, name, found);
    }

    QList<QQuickItem *> findAll(const char *objectName) const
    {
        QList<QQuickItem *> found;
        collect(m_window->contentItem(), QString::fromLatin1(objectName), found);
        return found;
    }

    // A missing item fails the test; the checks that follow then read a stand-in, not null.
    QQuickItem *find(const char *objectName)
    {
        const QList<QQuickItem *> found = findAll(objectName);
        if (!found.isEmpty())
            return found.first();
        QTest::qFail(qPrintable(QStringLiteral("no item named ") + QLatin1String(objectName)),
                     __FILE__, __LINE__);
        return &m_missing;
    }

    QImage grab(const QString &name)
    {
        // Let the first frames and the fades settle.
        QTest::qWait(300);
        const QImage image = m_window->grabWindow();
        image.save(outputFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
        return image;
    }

    static int distinctColours(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        return static_cast<int>(colours.size());
    }

    static void click(QQuickItem *item)
    {
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(item->window(), Qt::LeftButton, {}, centre.toPoint());
    }

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void cleanup()
    {
        m_window.reset();
        WD::setPalette(WDPalette::pink());
    }

    void everyScreenInEveryPalette_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("palette");
        QTest::addColumn<bool>("compact");
        for (const char *screen : screenNames)
            for (const WDPalette &palette : WDPalette::all())
                for (const bool compact : {true, false})
                    QTest::addRow("%s-%s-%s", screen, qPrintable(palette.id),
                                  compact ? "compact" : "regular")
                        << QString::fromLatin1(screen) << palette.id << compact;
    }

    void everyScreenInEveryPalette()
    {
        QFETCH(QString, screen);
        QFETCH(QString, palette);
        QFETCH(bool, compact);
        WD::setPalette(WDPalette::byID(palette));
        QVERIFY(show(screen, compact));
        const QImage image = grab(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(image.size(), compact ? QSize(340, 600) : QSize(460, 680));
        QVERIFY2(distinctColours(image) > 20, qPrintable(QString::number(distinctColours(image))));
        QCOMPARE(image.pixelColor(1, image.height() - 2).rgb(),
                 WDPalette::byID(palette).appBackground.rgb());
        for (const QQuickItem *hero : findAll("heroBanner")) {
            const QString bare =
                HeroFrameCheck::bareEdge(image, *hero, WDPalette::byID(palette).surfaceSoft);
            QVERIFY2(bare.isEmpty(),
                     qPrintable(QStringLiteral("the card shows at the hero's ") + bare));
        }
    }

    void cardsFollowTheLayout_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::newRow("company") << QStringLiteral("company");
        QTest::newRow("forgot") << QStringLiteral("forgot");
    }

    void cardsFollowTheLayout()
    {
        QFETCH(QString, screen);
        QVERIFY(show(screen, true));
        QCOMPARE(find("heroBanner")->height(), 150.0);
        QCOMPARE(find("heroBanner")->mapToScene(QPointF()).x(), 10.0);
        QVERIFY(show(screen, false));
        QCOMPARE(find("heroBanner")->height(), 195.0);
        QCOMPARE(find("heroBanner")->mapToScene(QPointF()).x(), 16.0);
    }

    void otpKeepsItsWidthCentredInEitherWindow_data()
    {
        QTest::addColumn<bool>("compact");
        QTest::newRow("popover") << true;
        QTest::newRow("main window") << false;
    }

    // The sign-in hosts the screen over the whole window, as here; its content stays 320 wide
    // and centred in it.
    void otpKeepsItsWidthCentredInEitherWindow()
    {
        QFETCH(bool, compact);
        QVERIFY(show(QStringLiteral("otp"), compact));
        const QQuickItem *verify = find("verifyButton");
        QCOMPARE(verify->width(), 320.0 - 2 * 16);
        const qreal centre = verify->mapToScene({verify->width() / 2, 0}).x();
        QCOMPARE(centre, m_window->width() / 2.0);
        QCOMPARE(find("backButton")->mapToScene({0, 0}).x(), verify->mapToScene({0, 0}).x());
    }

    void typingWalksThroughTheDigitBoxes()
    {
        QQuickItem *view = show(QStringLiteral("otp"), true);
        QVERIFY(view);
        auto *model = view->property("viewModel").value<OtpViewModel *>();
        QVERIFY(model);
        QSignalSpy verifies(view, SIGNAL(verifyRequested(QString)));

        QTRY_VERIFY(find("digitBox0")->hasActiveFocus());
        QTest::keyClick(m_window.get(), Qt::Key_A);
        QCOMPARE(find("digitBox0")->property("text").toString(), QString());
        QVERIFY(find("digitBox0")->hasActiveFocus());

        for (int digit = 1; digit <= 6; ++digit) {
            QTest::keyClick(m_window.get(), char('0' + digit));
            const QByteArray box = "digitBox" + QByteArray::number(digit - 1);
            QCOMPARE(find(box.constData())->property("text").toString(), QString::number(digit));
            const QByteArray next = "digitBox" + QByteArray::number(std::min(digit, 5));
            QVERIFY2(find(next.constData())->hasActiveFocus(), next.constData());
        }

        // Return in the last box does not submit; the button does.
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QCOMPARE(verifies.count(), 0);
        QQuickItem *verify = find("verifyButton");
        QVERIFY(verify->isEnabled());
        QCOMPARE(verify->opacity(), 1.0);
        click(verify);
        QCOMPARE(verifies.count(), 1);
        QCOMPARE(verifies.first().first().toString(), QStringLiteral("123456"));

        // A check under way disables the button.
        view->setProperty("isVerifying", true);
        QVERIFY(!verify->isEnabled());
        QCOMPARE(verify->opacity(), 0.6);
        QVERIFY(find("errorLine")->isVisible());
        QVERIFY(find("resendCountdown")->isVisible());
        QVERIFY(!find("resendButton")->isVisible());
    }

    void aCompanyRowReportsItsPlaceInTheAnswer()
    {
        QQuickItem *view = show(QStringLiteral("company"), true);
        QVERIFY(view);
        QSignalSpy picks(view, SIGNAL(companyPicked(int)));
        const QList<QQuickItem *> rows = findAll("companyRow");
        QCOMPARE(rows.size(), 3);
        QQuickItem *top = rows.first()->y() < rows.last()->y() ? rows.first() : rows.last();
        QList<QQuickItem *> badges;
        collect(top, QStringLiteral("recentBadge"), badges);
        QCOMPARE(badges.size(), 1);
        QVERIFY(badges.first()->isVisible());
        QCOMPARE(findAll("recentBadge").size(), 3);

        click(top);
        QCOMPARE(picks.count(), 1);
        QCOMPARE(picks.first().first().toInt(), 0);

        // While a pick is being applied the rows take no other.
        view->setProperty("busy", true);
        click(top);
        QCOMPARE(picks.count(), 1);
    }

    void resetLinkButtonAndHelpBox()
    {
        QQuickItem *view = show(QStringLiteral("forgot"), false);
        QVERIFY(view);
        auto *model = view->property("viewModel").value<ForgotPasswordViewModel *>();
        QVERIFY(model);
        QQuickItem *send = find("sendButton");
        QVERIFY(send->isEnabled());

        // Clearing the field disables the button at once.
        QQuickItem *field = find("emailField");
        field->forceActiveFocus();
        QTest::keyClick(m_window.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_window.get(), Qt::Key_Backspace);
        QCOMPARE(model->email(), QString());
        QVERIFY(!send->isEnabled());
        QCOMPARE(send->opacity(), 0.55);

        AcceptingBackend backend;
        view->setProperty("backend", QVariant::fromValue(static_cast<SignInBackend *>(&backend)));
        for (const char key : QByteArrayLiteral("anna@example.com"))
            QTest::keyClick(m_window.get(), key);
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QTRY_VERIFY(model->didSendSuccessfully());
        QVERIFY(find("helpBox")->isVisible());
        QVERIFY(find("statusLine")->isVisible());
        QVERIFY(!send->isEnabled());
        grab(QStringLiteral("forgot-sent-regular"));

        // Typing hides the status line at once and keeps the help box.
        QTest::keyClick(m_window.get(), Qt::Key_Backspace);
        QVERIFY(!find("statusLine")->isVisible());
        QVERIFY(find("helpBox")->isVisible());
    }
};

QTEST_MAIN(TestSignInScreens)
#include "TestSignInScreens.moc"
