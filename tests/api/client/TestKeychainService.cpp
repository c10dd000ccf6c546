#include "api/KeychainService.h"
#include "api/KeychainThread.h"
#include "support/KeyringItem.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

QString installationService()
{
    return QString::fromLatin1(KeychainService::serviceName);
}

AuthTokens tokensNamed(const QString &accessToken)
{
    AuthTokens tokens;
    tokens.accessToken = accessToken;
    tokens.refreshToken = accessToken + QStringLiteral("-refresh");
    tokens.expiresAt = Timestamp::fromSecondsSince1970(1'800'000'000.5);
    tokens.refreshExpiresAt = Timestamp::fromSecondsSince1970(1'802'592'000.0);
    tokens.expiresAtRaw = QStringLiteral("2027-01-15T08:00:00Z");
    tokens.refreshExpiresAtRaw = QStringLiteral("2027-02-14 08:00:00");
    return tokens;
}

// What a launch of the program does with the item, run as a child process of the test.
int runChild(const QStringList &arguments)
{
    QTextStream out(stdout);
    const QString action = arguments.value(0);
    KeychainService keychain;
    if (action == QLatin1String("save")) {
        keychain.saveAuthTokens(tokensNamed(arguments.value(1)));
    } else if (action == QLatin1String("sign-in-without-keyring")) {
        keychain.saveAuthTokens(tokensNamed(arguments.value(1)));
        const std::optional<AuthTokens> first = keychain.getAuthTokens();
        // A refresh later in the same run.
        keychain.saveAuthTokens(tokensNamed(arguments.value(1) + QStringLiteral("-2")));
        const std::optional<AuthTokens> second = keychain.getAuthTokens();
        out << "first=" << (first ? first->accessToken : QStringLiteral("<none>")) << '\n';
        out << "second=" << (second ? second->accessToken : QStringLiteral("<none>")) << '\n';
        keychain.deleteAuthTokens();
        out << "afterDelete=" << (keychain.getAuthTokens() ? "tokens" : "<none>") << '\n';
    } else if (action != QLatin1String("read")) {
        return 2;
    }
    KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1));
    const std::optional<AuthTokens> tokens = QCoro::waitFor(keychain.loadAuthTokens());
    out << "read=" << (tokens ? tokens->accessToken : QStringLiteral("<none>")) << '\n';
    if (tokens)
        out << "intact=" << (*tokens == tokensNamed(tokens->accessToken) ? 1 : 0) << '\n';
    out << "remembers=" << (keychain.remembersSignIn() ? 1 : 0) << '\n';
    return 0;
}

struct ChildRun
{
    int exitCode = -1;
    QString output;
    QString log;

    QString value(const QString &name) const
    {
        for (const QString &line : output.split(QLatin1Char('\n'))) {
            if (line.startsWith(name + QLatin1Char('=')))
                return line.mid(name.size() + 1);
        }
        return QString();
    }
};

ChildRun
runChildProcess(const QStringList &arguments,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(),
                  QStringList{QStringLiteral("--child")} + arguments);
    ChildRun run;
    if (!process.waitForFinished(90'000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.log = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Asks the Secret Service itself, not through the code under test, how many items carry the
// tokens' attributes.
int secretServiceItemCount()
{
    using Attributes = QMap<QString, QString>;
    qDBusRegisterMetaType<Attributes>();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    call << QVariant::fromValue(Attributes{
        {QStringLiteral("server"), QString::fromLatin1(KeychainService::serviceName)},
        {QStringLiteral("user"), QString::fromLatin1(KeychainService::account)},
    });
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return -1;
    int count = 0;
    for (const QVariant &list : reply.arguments())
        count += qdbus_cast<QList<QDBusObjectPath>>(list).size();
    return count;
}

} // namespace

class TestKeychainService : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tokensSurviveARestart();
    void saveOverAnItemReplacesIt();
    void readerNeverSeesASaveHalfDone();
    void unreadableItemIsNoTokensAndStays();
    void onlyTheFirstReadAsksTheKeyring();
    void withoutKeyringSignInLastsOneRun();
};

void TestKeychainService::init()
{
    ZUV_REQUIRE_KEYRING();
    removeKeyringItem(installationService());
}

void TestKeychainService::cleanup()
{
    if (TestEnvironment::keyringProblem().isEmpty())
        removeKeyringItem(installationService());
}

void TestKeychainService::tokensSurviveARestart()
{
    const ChildRun writer =
        runChildProcess({QStringLiteral("save"), QStringLiteral("first-launch")});
    QCOMPARE(writer.exitCode, 0);
    QCOMPARE(writer.value(QStringLiteral("remembers")), QStringLiteral("1"));

    const ChildRun reader = runChildProcess({QStringLiteral("read")});
    QCOMPARE(reader.exitCode, 0);
    QCOMPARE(reader.value(QStringLiteral("read")), QStringLiteral("first-launch"));
    QCOMPARE(reader.value(QStringLiteral("intact")), QStringLiteral("1"));

    // And this process, a third one, reads the same item.
    QCOMPARE(keyringItemTokens(installationService()), tokensNamed(QStringLiteral("first-launch")));
}

void TestKeychainService::saveOverAnItemReplacesIt()
{
    KeychainService keychain;
    keychain.saveAuthTokens(tokensNamed(QStringLiteral("one")));
    QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    QCOMPARE(secretServiceItemCount(), 1);
    keychain.saveAuthTokens(tokensNamed(QStringLiteral("two")));
    QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    QCOMPARE(secretServiceItemCount(), 1);
    QCOMPARE(keychain.getAuthTokens(), tokensNamed(QStringLiteral("two")));
    QVERIFY(keychain.remembersSignIn());

    keychain.deleteAuthTokens();
    QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    QCOMPARE(secretServiceItemCount(), 0);
    QVERIFY(!keychain.getAuthTokens());
    // Deleting what is not there is quiet.
    const LogCapture log;
    keychain.deleteAuthTokens();
    QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    QVERIFY(!log.contains(QStringLiteral("keyring")));
}

void TestKeychainService::readerNeverSeesASaveHalfDone()
{
    KeychainService keychain;
    keychain.saveAuthTokens(tokensNamed(QStringLiteral("start")));

    std::atomic<bool> saving{true};
    std::atomic<int> reads{0};
    std::atomic<int> missing{0};
    std::thread reader([&] {
        while (saving.load()) {
            if (!keychain.getAuthTokens())
                missing.fetch_add(1);
            reads.fetch_add(1);
        }
    });
    // Saves return at once now, so each waits for the reader to have looked in between.
    for (int round = 0; round < 25; ++round) {
        const int before = reads.load();
        keychain.saveAuthTokens(tokensNamed(QStringLiteral("round-%1").arg(round)));
        QTRY_VERIFY(reads.load() > before + 1);
    }
    saving.store(false);
    reader.join();

    QVERIFY(reads.load() > 0);
    QCOMPARE(missing.load(), 0);
    QCOMPARE(keychain.getAuthTokens(), tokensNamed(QStringLiteral("round-24")));
    QCOMPARE(keyringItemTokens(installationService()), tokensNamed(QStringLiteral("round-24")));
}

void TestKeychainService::unreadableItemIsNoTokensAndStays()
{
    const QString service = QString::fromLatin1(KeychainService::serviceName);
    const QString account = QString::fromLatin1(KeychainService::account);
    KeychainThread &keyring = KeychainThread::instance();
    const QByteArray damaged = R"({"accessToken":"a","refreshToken":"r","expiresAt":"soon"})";
    QCOMPARE(keyring.write(service, account, damaged).outcome, KeychainThread::Outcome::Done);

    QVERIFY(!keyringItemTokens(installationService()));
    const KeychainThread::Result stillThere = keyring.read(service, account);
    QCOMPARE(stillThere.outcome, KeychainThread::Outcome::Done);
    QCOMPARE(stillThere.data, damaged);
}

void TestKeychainService::onlyTheFirstReadAsksTheKeyring()
{
    // Every request asks for the tokens; were any of those a keyring read, the item removed
    // behind the service's back would show.
    const QString service = QString::fromLatin1(KeychainService::serviceName);
    const QString account = QString::fromLatin1(KeychainService::account);
    KeychainThread &keyring = KeychainThread::instance();
    const AuthTokens stored = tokensNamed(QStringLiteral("stored"));
    QCOMPARE(keyring.write(service, account, stored.toJsonBytes()).outcome,
             KeychainThread::Outcome::Done);

    KeychainService restored;
    QCOMPARE(QCoro::waitFor(restored.loadAuthTokens()), stored);
    QCOMPARE(keyring.remove(service, account).outcome, KeychainThread::Outcome::Done);
    for (int request = 0; request < 5; ++request)
        QCOMPARE(restored.getAuthTokens(), stored);

    // A save still reaches the keyring, and later requests answer it from memory.
    const AuthTokens refreshed = tokensNamed(QStringLiteral("refreshed"));
    restored.saveAuthTokens(refreshed);
    QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    const KeychainThread::Result written = keyring.read(service, account);
    QCOMPARE(written.outcome, KeychainThread::Outcome::Done);
    QCOMPARE(AuthTokens::fromJsonBytes(written.data), std::optional<AuthTokens>(refreshed));
    QCOMPARE(keyring.write(service, account, stored.toJsonBytes()).outcome,
             KeychainThread::Outcome::Done);
    QCOMPARE(restored.getAuthTokens(), refreshed);
    restored.deleteAuthTokens();
    QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    QCOMPARE(secretServiceItemCount(), 0);
    QVERIFY(!restored.getAuthTokens());
}

void TestKeychainService::withoutKeyringSignInLastsOneRun()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A bus address that leads nowhere: no Secret Service, and nothing auto-launched.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + home.filePath(QStringLiteral("no-bus")));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("com.wendoka.zuvevivezid.*=true"));

    const ChildRun run = runChildProcess(
        {QStringLiteral("sign-in-without-keyring"), QStringLiteral("memory-only")}, environment);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.value(QStringLiteral("first")), QStringLiteral("memory-only"));
    QCOMPARE(run.value(QStringLiteral("second")), QStringLiteral("memory-only-2"));
    QCOMPARE(run.value(QStringLiteral("afterDelete")), QStringLiteral("<none>"));
    QCOMPARE(run.value(QStringLiteral("remembers")), QStringLiteral("0"));
    QCOMPARE(run.log.count(QStringLiteral("cannot be remembered")), 1);
    QVERIFY2(run.log.contains(QStringLiteral("Could not write the sign-in to the keyring")),
             qPrintable(run.log));
    QVERIFY(!run.log.contains(QStringLiteral("memory-only")));

    // The next launch finds nothing and asks for the sign-in again.
    const ChildRun nextLaunch = runChildProcess({QStringLiteral("read")}, environment);
    QCOMPARE(nextLaunch.exitCode, 0);
    QCOMPARE(nextLaunch.value(QStringLiteral("read")), QStringLiteral("<none>"));

    // No plain-text fallback anywhere in the child's home.
    QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains("memory-only"), qPrintable(file.fileName()));
    }
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(application.arguments().mid(2));
    TestKeychainService test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestKeychainService.moc"
