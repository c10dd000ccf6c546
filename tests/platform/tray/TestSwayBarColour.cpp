#include "platform/tray/SwayBarColour.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// A window manager's IPC socket that answers each request with the next of its scripted answers,
// framed as the window manager frames them (or as a faulty one does), then closes.
class FakeWindowManager
{
public:
    struct Answer
    {
        QByteArray payload;
        quint32 type = 6;
        // Sent a byte at a time, as a busy socket may deliver it.
        bool trickled = false;
        // Accepts the request and never answers.
        bool silent = false;
    };

    FakeWindowManager(const QString &path, QList<Answer> answers)
    {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = path.toLocal8Bit();
        std::memcpy(address.sun_path, encoded.constData(), static_cast<size_t>(encoded.size()));
        ::bind(m_listener, reinterpret_cast<const sockaddr *>(&address), sizeof(address));
        ::listen(m_listener, 1);
        m_thread = std::thread([this, answers] { serve(answers); });
    }
    ~FakeWindowManager()
    {
        finish();
        ::close(m_listener);
    }
    FakeWindowManager(const FakeWindowManager &) = delete;
    FakeWindowManager &operator=(const FakeWindowManager &) = delete;

    // The requests it was sent, once it has stopped serving.
    QList<QByteArray> finish()
    {
        if (m_thread.joinable()) {
            ::shutdown(m_listener, SHUT_RDWR);
            m_thread.join();
        }
        return m_requests;
    }

private:
    void serve(const QList<Answer> &answers)
    {
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        for (const Answer &answer : answers) {
            char header[14];
            if (::recv(client, header, sizeof(header), MSG_WAITALL) != sizeof(header))
                break;
            quint32 length = 0;
            std::memcpy(&length, header + 6, sizeof(length));
            QByteArray payload(static_cast<qsizetype>(length), '\0');
            if (length > 0 && ::recv(client, payload.data(), length, MSG_WAITALL) != length)
                break;
            m_requests.append(payload);
            if (answer.silent) {
                char rest;
                ::recv(client, &rest, 1, 0); // until the client gives up and closes
                break;
            }
            QByteArray message("i3-ipc");
            const auto answerLength = static_cast<quint32>(answer.payload.size());
            message.append(reinterpret_cast<const char *>(&answerLength), sizeof(answerLength));
            message.append(reinterpret_cast<const char *>(&answer.type), sizeof(answer.type));
            message.append(answer.payload);
            const qsizetype step = answer.trickled ? 1 : message.size();
            for (qsizetype sent = 0; sent < message.size(); sent += step)
                ::send(client, message.constData() + sent, static_cast<size_t>(step), MSG_NOSIGNAL);
        }
        ::close(client);
    }

    int m_listener = -1;
    std::thread m_thread;
    QList<QByteArray> m_requests;
};

using Answer = FakeWindowManager::Answer;

const QByteArray oneBar = R"(["bar-0"])";

QByteArray barWithBackground(const char *colour)
{
    return QByteArray(R"({"id":"bar-0","colors":{"background":")") + colour +
           R"(","statusline":"#ffffffff"}})";
}

} // namespace

Q_DECLARE_METATYPE(QList<Answer>)

class TestSwayBarColour : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheFirstBarsBackground_data()
    {
        QTest::addColumn<QList<Answer>>("answers");
        // Invalid where no colour may be taken from the answers.
        QTest::addColumn<QColor>("background");

        QTest::newRow("sway's dark default, alpha last")
            << QList<Answer>{{oneBar}, {barWithBackground("#323232ff")}}
            << QColor(0x32, 0x32, 0x32);
        QTest::newRow("i3's six digits")
            << QList<Answer>{{oneBar}, {barWithBackground("#f2f2f2")}} << QColor(0xf2, 0xf2, 0xf2);
        QTest::newRow("answers arriving a byte at a time")
            << QList<Answer>{{oneBar, 6, true}, {barWithBackground("#f2f2f2ff"), 6, true}}
            << QColor(0xf2, 0xf2, 0xf2);
        QTest::newRow("a mostly transparent bar shows what is behind it")
            << QList<Answer>{{oneBar}, {barWithBackground("#ffffff40")}} << QColor();
        QTest::newRow("no bar configured") << QList<Answer>{{"[]"}} << QColor();
        QTest::newRow("not a colour")
            << QList<Answer>{{oneBar}, {barWithBackground("#zz3232")}} << QColor();
        QTest::newRow("an answer of another type")
            << QList<Answer>{{oneBar}, {barWithBackground("#f2f2f2"), 7}} << QColor();
        QTest::newRow("a window manager that never answers")
            << QList<Answer>{{oneBar}, {{}, 6, false, true}} << QColor();
        QTest::newRow("not JSON") << QList<Answer>{{"bar-0"}} << QColor();
    }

    void readsTheFirstBarsBackground()
    {
        QFETCH(QList<Answer>, answers);
        QFETCH(QColor, background);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ipc.sock"));
        FakeWindowManager windowManager(path, answers);
        const std::optional<QColor> read = SwayBarColour::background(path, 300);
        const QList<QByteArray> requests = windowManager.finish();
        QCOMPARE(read.value_or(QColor()), background);
        // The names are asked first, then the first bar by its name.
        QVERIFY(!requests.isEmpty());
        QCOMPARE(requests.first(), QByteArray());
        if (requests.size() > 1)
            QCOMPARE(requests.at(1), QByteArray("bar-0"));
    }

    void noSocketGivesNoColour()
    {
        QTemporaryDir folder;
        QVERIFY(!SwayBarColour::background(folder.filePath(QStringLiteral("none.sock"))));
        QVERIFY(!SwayBarColour::background(QString()));
    }
};

QTEST_GUILESS_MAIN(TestSwayBarColour)
#include "TestSwayBarColour.moc"
