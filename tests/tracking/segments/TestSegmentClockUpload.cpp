// The segment clock handing its closed segments to the real upload service, which sends them to
// the stand-in HR service over HTTPS.

#include "app/config/APITimeZoneResolver.h"
#include "tracking/engine/EngineFixture.h"
#include "tracking/engine/SegmentClockService.h"
#include "upload/UploadTestRig.h"

#include <QJsonArray>
#include <QTest>

namespace {

const QString batchPath = QStringLiteral("hr/zuvevivezid/employees/segments/batch");

QCoro::Task<> queueClosedSegments(UploadService &upload, SegmentUtils::SegmentKey open)
{
    upload.enqueueActivitySegmentsForUpload(open.dayKey, open.number);
    co_await upload.processQueue();
}

// The service's copy of one segment, or an empty object.
QJsonObject serviceSegment(const StandInService &standIn, const QString &day, int number)
{
    const QJsonArray segments = standIn.segments();
    for (const QJsonValue &value : segments) {
        const QJsonObject segment = value.toObject();
        if (segment.value(QStringLiteral("segment_date")).toString() == day &&
            segment.value(QStringLiteral("segment_number")).toInt() == number)
            return segment;
    }
    return {};
}

} // namespace

class TestSegmentClockUpload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    // Each closed segment is sent once in one batch; a key that recurs after it was accepted
    // reaches the service with its full totals, never with only the second visit's counts.
    void closedSegmentsReachTheServiceWithTheirFullTotals()
    {
        UploadTestRig rig(m_standIn);
        const auto tokens = signInToStandIn(m_standIn);
        QVERIFY(tokens.has_value());
        rig.tokens.saveAuthTokens(*tokens);

        EngineFixture engine;
        engine.settings.setString(QString::fromLatin1(APITimeZoneResolver::storageKey),
                                  QStringLiteral("UTC"));
        SessionManager &manager = engine.createManager();
        // Today, at the start of a segment, so that the day is one the service accepts.
        const QDateTime today(QDateTime::currentDateTimeUtc().date(), QTime(8, 0),
                              QTimeZone::utc());
        const Timestamp start = Timestamp::fromDateTime(today);
        const QString day = today.date().toString(Qt::ISODate);
        engine.clock.set(start);
        manager.startTracking(RemoteProject{QStringLiteral("101"), QStringLiteral("Payroll")});

        int handOvers = 0;
        SegmentClockService clock(
            manager, SegmentClockService::Dependencies{*rig.store, engine.settings, engine.clock,
                                                       [&](const SegmentUtils::SegmentKey &open) {
                                                           ++handOvers;
                                                           queueClosedSegments(*rig.service, open);
                                                       },
                                                       std::chrono::hours(1)});
        clock.bindToTrackingState();
        QVERIFY(m_standIn.clearReceivedRequests());

        const auto tickAt = [&](double secondsAfterStart, int keys) {
            if (keys > 0)
                QVERIFY(engine.pushInput(RawInputEvent::Type::KeyDown, keys));
            engine.clock.set(start.addingSeconds(secondsAfterStart));
            clock.tick();
        };

        // Segment 48 (08:00-08:09): three seconds of typing.
        for (int second = 0; second < 3; ++second)
            tickAt(second, 2);
        tickAt(600.0, 1); // into 49
        QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), batchPath, 1));
        QCOMPARE(handOvers, 1);
        QTRY_VERIFY(!rig.service->isProcessing());
        QCOMPARE(
            serviceSegment(m_standIn, day, 48).value(QStringLiteral("key_press_count")).toInt(), 6);
        QVERIFY(rig.store->pendingActivitySegmentsForUpload(day, 49).isEmpty());

        // The clock is set back into segment 48, which is counted further from its totals.
        tickAt(30.0, 4);
        tickAt(1200.0, 0); // into 50: closes 48 again
        QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), batchPath, 2));
        QCOMPARE(handOvers, 3);
        QCOMPARE(
            serviceSegment(m_standIn, day, 48).value(QStringLiteral("key_press_count")).toInt(),
            10);
        QCOMPARE(
            serviceSegment(m_standIn, day, 49).value(QStringLiteral("key_press_count")).toInt(), 1);
        QTRY_VERIFY(!rig.service->isProcessing());
        QVERIFY(rig.store->pendingActivitySegmentsForUpload(day, 50).isEmpty());
        QCOMPARE(m_standIn.receivedRequests(QStringLiteral("POST"), batchPath).size(), 2);
        manager.stopTracking(std::nullopt);
    }

private:
    StandInService m_standIn;
};

QTEST_GUILESS_MAIN(TestSegmentClockUpload)
#include "TestSegmentClockUpload.moc"
