#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/TlsConfiguration.h"
#include "api/auth/AuthService.h"
#include "api/auth/AuthTestSupport.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/shell/ShellTestRig.h"
#include "foundation/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/standin/StandInService.h"
#include "ui/reports/ScreenshotHourModel.h"
#include "ui/reports/ScreenshotImage.h"
#include "ui/reports/ScreenshotSegmentModel.h"
#include "ui/reports/ScreenshotsViewModel.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using Content = ScreenshotsViewModel::Content;

namespace {

const QString reportPath = QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees");

QJsonObject statsJson()
{
    return {{"total_seconds", 600},
            {"total_seconds_formatted", "0h 10m"},
            {"mouse_movements", 12},
            {"key_press_count", 34},
            {"activity_rate", 50.0}};
}

// A day of one segment whose single screenshot's thumbnail is the given address.
QJsonObject reportWithThumbnail(const QString &thumbnail)
{
    const QJsonObject shot{{"url", thumbnail},
                           {"url_available", true},
                           {"thumbnail_url", thumbnail},
                           {"thumbnail_url_available", true},
                           {"captured_at", "09:03"}};
    const QJsonObject segment{{"segment_number", 54},         {"segment_number_from", "09:00"},
                              {"segment_number_to", "09:10"}, {"indicator_color", "green"},
                              {"stats", statsJson()},         {"screenshots", QJsonArray{shot}}};
    const QJsonObject hour{{"hour", 9}, {"stats", statsJson()}, {"segments", QJsonArray{segment}}};
    return {{"data", QJsonObject{{"summary", QJsonObject{{"stats", statsJson()}}},
                                 {"hours", QJsonArray{hour}}}}};
}

} // namespace

// The screenshots tab against the stand-in HR service over HTTPS: the real client signed in,
// the real report call and cache, thumbnails fetched with the service's certificate authority
// trusted the way the client trusts it.
class TestScreenshotsEndToEnd : public QObject
{
    Q_OBJECT

private:
    // One signed-in process: client, sign-in and the screenshots tab's services.
    struct Signedin
    {
        explicit Signedin(const QString &caPath)
            : tls(TlsConfiguration::withExtraCertificates(caPath))
            , api(endpoints, tokens, tls)
            , auth(api, tokens, domains, defaults, cache, clock)
            , services({*rig.appState, rig.sessionManager(), cache,
                        ScreenshotsServices::fetchingFrom(api),
                        [this]() -> std::optional<QString> {
                            const std::optional<QUrl> base = domains.getBaseURL();
                            return base ? std::optional(base->host()) : std::nullopt;
                        },
                        systemClock(), tls})
        {
            api.setUnauthorizedHandler(&auth);
        }

        ShellTestRig rig;
        SettingsStore defaults{QString()};
        DomainStorage domains{defaults};
        APIEndpoints endpoints{domains};
        MemoryTokenStore tokens;
        FakeClock clock;
        TlsConfiguration tls;
        APIClient api;
        ScreenshotReportCache cache;
        AuthService auth;
        ScreenshotsServices services;
    };

    StandInService m_standIn;
    std::unique_ptr<Signedin> m_process;

    static bool settled(const ScreenshotImage &image)
    {
        return image.status() != ScreenshotImage::Status::Loading;
    }

    // The first segment's thumbnail of the screen's report, loaded by the given loader.
    static std::unique_ptr<ScreenshotImage> thumbnailOf(ScreenshotsViewModel &vm,
                                                        ScreenshotImageLoader *loader)
    {
        auto image = std::make_unique<ScreenshotImage>();
        image->setLoader(loader);
        image->setSource(vm.hours()
                             ->segments(0)
                             ->index(0)
                             .data(ScreenshotSegmentModel::ThumbnailSourceRole)
                             .toString());
        return image;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    void init()
    {
        QVERIFY(m_standIn.reset());
        m_process = std::make_unique<Signedin>(m_standIn.caCertificatePath());
        const auto outcome = AuthTestSupport::start(
            m_process->auth.login(StandInService::demoEmail(), StandInService::demoPassword()));
        QVERIFY(outcome->wait());
        QVERIFY(outcome->value && outcome->value->directConfig());
        QVERIFY(m_process->domains.getBaseURL());
    }

    void cleanup()
    {
        QTest::qWait(20);
        m_process.reset();
    }

    void dayReportAndThumbnailsOverHttps()
    {
        ScreenshotsViewModel vm;
        vm.setServices(&m_process->services);
        // Yesterday is a worked day on the service whatever its time zone.
        vm.navigate(-1);
        QCOMPARE(vm.content(), Content::Loading);
        QVERIFY(QTest::qWaitFor([&] { return vm.content() == Content::Report; }, 20000));
        const QList<StandInReceivedRequest> sent = m_standIn.receivedRequests("GET", reportPath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().query,
                 QStringLiteral("date=") + vm.selectedDay().toString(QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(vm.hours()->rowCount(), 5);
        QVERIFY(m_process->cache.report(Timestamp::fromDateTime(vm.selectedDay().startOfDay()),
                                        m_standIn.baseUrl().host()));

        // Every thumbnail of the first hour arrives as a picture; the segment without
        // screenshots asks for none.
        ScreenshotSegmentModel *segments = vm.hours()->segments(0);
        std::vector<std::unique_ptr<ScreenshotImage>> thumbnails;
        for (int row = 0; row < segments->rowCount(); ++row) {
            auto image = std::make_unique<ScreenshotImage>();
            image->setLoader(m_process->services.imageLoader());
            image->setSource(
                segments->index(row).data(ScreenshotSegmentModel::ThumbnailSourceRole).toString());
            thumbnails.push_back(std::move(image));
        }
        QVERIFY(QTest::qWaitFor(
            [&] {
                return std::all_of(thumbnails.begin(), thumbnails.end(),
                                   [](const auto &i) { return settled(*i); });
            },
            20000));
        for (int row = 0; row < segments->rowCount(); ++row) {
            const auto expected =
                row == 4 ? ScreenshotImage::Status::NoAddress : ScreenshotImage::Status::Ready;
            QCOMPARE(thumbnails[row]->status(), expected);
            QCOMPARE(thumbnails[row]->image().isNull(), row == 4);
        }

        // Without the service's authority the certificate is refused: nothing is shown.
        ScreenshotImageLoader untrusting{TlsConfiguration()};
        const auto refused = thumbnailOf(vm, &untrusting);
        QVERIFY(QTest::qWaitFor([&] { return settled(*refused); }, 20000));
        QCOMPARE(refused->status(), ScreenshotImage::Status::Failed);
    }

    void failuresKeepWhatIsOnScreen()
    {
        ScreenshotsViewModel vm;
        vm.setServices(&m_process->services);
        vm.navigate(-2);
        QVERIFY(QTest::qWaitFor([&] { return vm.content() == Content::Report; }, 20000));

        // Back on a day seen before: shown at once, and a failing refresh leaves it.
        QVERIFY(m_standIn.setResponse("GET", reportPath, 503, QJsonObject{}, 2));
        vm.navigate(1);
        QCOMPARE(vm.content(), Content::Loading);
        QVERIFY(QTest::qWaitFor([&] { return vm.content() == Content::Error; }, 20000));
        QCOMPARE(vm.errorMessage(), QStringLiteral("Server error (503)."));
        vm.navigate(-1);
        QCOMPARE(vm.content(), Content::Report);
        QTest::qWait(300);
        QVERIFY(QTest::qWaitFor(
            [&] { return m_standIn.receivedRequests("GET", reportPath).size() == 3; }));
        QTest::qWait(100);
        QCOMPARE(vm.content(), Content::Report);
        QCOMPARE(vm.errorMessage(), QString());
    }

    void anotherAddressWhileLoadingReplacesTheFirst_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<ScreenshotImage::Status>("status");
        QTest::newRow("thumbnail") << "segment-1-0-thumb.png" << ScreenshotImage::Status::Ready;
        QTest::newRow("none") << "" << ScreenshotImage::Status::NoAddress;
        QTest::newRow("local file") << "file:///etc/hostname" << ScreenshotImage::Status::NoAddress;
    }

    void anotherAddressWhileLoadingReplacesTheFirst()
    {
        QFETCH(QString, second);
        QFETCH(ScreenshotImage::Status, status);
        QUrl media = m_standIn.baseUrl();
        media.setPath(QStringLiteral("/media/2026-03-18/"));
        const auto address = [&media](const QString &name) {
            return name.isEmpty() || name.contains(QLatin1Char(':'))
                       ? name
                       : media.resolved(name).toString();
        };
        ScreenshotImage reference;
        reference.setLoader(m_process->services.imageLoader());
        reference.setSource(address(QStringLiteral("segment-1-0-thumb.png")));
        ScreenshotImage full;
        full.setLoader(m_process->services.imageLoader());
        full.setSource(address(QStringLiteral("segment-1-0.png")));
        QVERIFY(QTest::qWaitFor([&] {
            return reference.status() == ScreenshotImage::Status::Ready &&
                   full.status() == ScreenshotImage::Status::Ready;
        }));
        QVERIFY(full.image().size() != reference.image().size());

        // The full-size picture is asked for first, then the second address before it arrives.
        ScreenshotImage image;
        image.setLoader(m_process->services.imageLoader());
        image.setSource(address(QStringLiteral("segment-1-0.png")));
        QCOMPARE(image.status(), ScreenshotImage::Status::Loading);
        image.setSource(address(second));
        QVERIFY(QTest::qWaitFor([&] { return settled(image); }));
        QTest::qWait(300);
        QCOMPARE(image.status(), status);
        QCOMPARE(image.image().size(),
                 status == ScreenshotImage::Status::Ready ? reference.image().size() : QSize(0, 0));
    }

    // A server that takes the request and never answers in full: the picture fails at the
    // deadline instead of loading for ever.
    void aPictureNeverAnsweredInFullFails()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        ScreenshotImageLoader loader{TlsConfiguration(),
                                     {ScreenshotImageLoader::pictureLimits.maxAnswerBytes, 1500}};
        ScreenshotImage image;
        image.setLoader(&loader);
        image.setSource(
            QStringLiteral("http://127.0.0.1:%1/media/segment-1-0.png").arg(silent.serverPort()));
        QCOMPARE(image.status(), ScreenshotImage::Status::Loading);
        QVERIFY(QTest::qWaitFor([&] { return settled(image); }, 10000));
        QCOMPARE(image.status(), ScreenshotImage::Status::Failed);
    }

    void localAddressesAreNeverRead()
    {
        // A real picture on this machine, named by the server directly and through a redirect.
        QTemporaryDir folder;
        const QString local = folder.filePath(QStringLiteral("local.png"));
        QImage picture(32, 18, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(local));
        const QString fileUrl = QUrl::fromLocalFile(local).toString();
        QVERIFY(m_standIn.setRedirect("GET", "media-redirect", 302, QUrl(fileUrl), 0));
        const QString redirecting =
            m_standIn.baseUrl().toString() + QStringLiteral("media-redirect");

        for (const QString &thumbnail : {fileUrl, redirecting}) {
            QVERIFY(m_standIn.setResponse("GET", reportPath, 200, reportWithThumbnail(thumbnail)));
            ScreenshotsViewModel vm;
            vm.setServices(&m_process->services);
            vm.navigate(-3);
            QVERIFY(QTest::qWaitFor([&] { return vm.content() == Content::Report; }, 20000));
            m_process->cache.clear();
            const auto image = thumbnailOf(vm, m_process->services.imageLoader());
            QVERIFY(QTest::qWaitFor([&] { return settled(*image); }, 20000));
            QVERIFY2(image->status() != ScreenshotImage::Status::Ready, qPrintable(thumbnail));
            QVERIFY(image->image().isNull());
        }
    }
};

QTEST_MAIN(TestScreenshotsEndToEnd)
#include "TestScreenshotsEndToEnd.moc"
