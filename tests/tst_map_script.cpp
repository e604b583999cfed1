// The map's statements, built without a page: the track segments of a
// recording's positions, the car updates with the last position sent, and
// the record index of a play position.

#include "data/kv_sensor_data.h"
#include "ui/kv_map_script.h"

#include <QtTest>

namespace
{

KVGpsRecord record(double latitude, double longitude, quint8 fix = 1, double speed = 40.0)
{
    KVGpsRecord r;
    r.latitude = latitude;
    r.longitude = longitude;
    r.fix = fix;
    r.speed = speed;
    return r;
}

KVSensorData data(std::vector<KVGpsRecord> positions)
{
    return KVSensorData::build(std::move(positions), {});
}

} // namespace

class TestMapScript : public QObject
{
    Q_OBJECT

private slots:
    void fixedStatements()
    {
        QCOMPARE(KVMapScript::clearPath(), QStringLiteral("clearPath();"));
        QCOMPARE(KVMapScript::clearCarMarker(), QStringLiteral("clearCarMarker();"));
        QCOMPARE(KVMapScript::moveToMap(35.6585209, 139.7453273),
            QStringLiteral("moveToMap(35.658521,139.745327);"));
        QCOMPARE(KVMapScript::moveToMap(35.0, 139.5),
            QStringLiteral("moveToMap(35.000000,139.500000);"));
    }

    void validBoxIsOpen()
    {
        QVERIFY(KVMapScript::isValidPosition(35.0, 139.0));
        QVERIFY(KVMapScript::isValidPosition(20.000001, 149.999999));
        QVERIFY(!KVMapScript::isValidPosition(20.0, 139.0));
        QVERIFY(!KVMapScript::isValidPosition(46.0, 139.0));
        QVERIFY(!KVMapScript::isValidPosition(35.0, 120.0));
        QVERIFY(!KVMapScript::isValidPosition(35.0, 150.0));
        QVERIFY(!KVMapScript::isValidPosition(0.0, 0.0));
    }

    void drawPathsSegments()
    {
        // Two runs split by a record without a fix: the example of the page's
        // contract, the second run a single point.
        QCOMPARE(KVMapScript::drawPaths(
                     data({record(35.658520, 139.745327), record(35.658600, 139.745400),
                         record(35.7, 139.8, 0), record(35.659000, 139.746000)})),
            QStringLiteral("drawPaths([[{lat:35.658520, lng:139.745327},{lat:35.658600, "
                           "lng:139.745400}],[{lat:35.659000, lng:139.746000}]]);"));
        // A position outside the box splits like a missing fix; records at
        // the ends that are not usable open no empty segment.
        QCOMPARE(KVMapScript::drawPaths(data({record(0.0, 0.0, 0), record(35.1, 139.1),
                     record(35.2, 139.2), record(50.0, 139.3), record(35.4, 139.4),
                     record(35.5, 139.5), record(35.6, 139.6, 0)})),
            QStringLiteral("drawPaths([[{lat:35.100000, lng:139.100000},{lat:35.200000, "
                           "lng:139.200000}],[{lat:35.400000, lng:139.400000},{lat:35.500000, "
                           "lng:139.500000}]]);"));
        // Any fix flag other than 0 counts for the track.
        QCOMPARE(KVMapScript::drawPaths(data({record(35.1, 139.1), record(35.2, 139.2, 2)})),
            QStringLiteral("drawPaths([[{lat:35.100000, lng:139.100000},{lat:35.200000, "
                           "lng:139.200000}]]);"));
    }

    void drawPathsWithoutTrack()
    {
        // Records that all lack a fix leave nothing to draw.
        QCOMPARE(KVMapScript::drawPaths(data({record(35.1, 139.1, 0), record(35.2, 139.2, 0)})),
            QStringLiteral("drawPaths([]);"));
        // A fix somewhere, but every position outside the box.
        QCOMPARE(KVMapScript::drawPaths(data({record(10.0, 139.1), record(35.2, 100.0)})),
            QStringLiteral("drawPaths([]);"));
        QCOMPARE(KVMapScript::drawPaths(KVSensorData()), QStringLiteral("drawPaths([]);"));
    }

    void indexAtWholeSeconds()
    {
        // The record of second s starts exactly at s x 1000 ms, also where a
        // floating-point ratio would land just below a whole number.
        using KVMapScript::indexAt;
        for (qint64 s = 0; s < 60; ++s) {
            QCOMPARE(indexAt(60, s * 1000, 60000, 1000), s);
            QCOMPARE(indexAt(60, s * 1000 + 999, 60000, 1000), s);
            QCOMPARE(indexAt(1200, s * 1000 + 50, 60000, 50), s * 20 + 1);
        }
        QCOMPARE(indexAt(60, 60000, 60000, 1000), 60);
        QCOMPARE(indexAt(60, 90000, 60000, 1000), 90);
        QCOMPARE(indexAt(60, -5, 60000, 1000), 0);
        QCOMPARE(indexAt(60, 1000, 0, 1000), -1);
        QCOMPARE(indexAt(60, 1000, -1, 1000), -1);
        // A recording of 59.967 s keeps 59 records: second 58 is record 58
        // (a share of 59 over 59.967 s gave 57, a second behind), and the
        // cut-off rest shows the last record until the end.
        QCOMPARE(indexAt(59, 58500, 59967, 1000), 58);
        QCOMPARE(indexAt(59, 59500, 59967, 1000), 58);
        QCOMPARE(indexAt(59, 59967, 59967, 1000), 59);
        QCOMPARE(indexAt(1180, 58500, 59967, 50), 1170);
        QCOMPARE(indexAt(1180, 59966, 59967, 50), 1179);
        // No records: nothing to index, before the end or after.
        QCOMPARE(indexAt(0, 500, 900, 1000), 0);
        // A day of samples at the end of a day: no overflow.
        const quint64 day = 24 * 3600;
        QCOMPARE(indexAt(20 * day, qint64(day) * 1000, qint64(day) * 1000, 50), qint64(20 * day));
    }

    void carFollowsRecords()
    {
        const KVSensorData d = data({record(35.1, 139.1), record(35.2, 139.2),
            record(35.2, 139.2, 0), record(50.0, 139.4), record(35.5, 139.5)});
        KVMapCar car;
        QCOMPARE(car.latitude(), KVMapCar::kNone);
        // Five records over 5 s.
        QCOMPARE(car.update(d, 0, 5000), QStringLiteral("moveToMap(35.100000,139.100000);"));
        // The same second again: nothing new to tell the page.
        QCOMPARE(car.update(d, 400, 5000), QString());
        QCOMPARE(car.update(d, 999, 5000), QString());
        QCOMPARE(car.update(d, 1000, 5000), QStringLiteral("moveToMap(35.200000,139.200000);"));
        // No fix: the marker goes, and again on every update of that second.
        QCOMPARE(car.update(d, 2000, 5000), QStringLiteral("clearCarMarker();"));
        QCOMPARE(car.update(d, 2500, 5000), QStringLiteral("clearCarMarker();"));
        // Back into the second before the gap (same place as the record of
        // the gap): the marker the page removed comes back.
        QCOMPARE(car.update(d, 1500, 5000), QStringLiteral("moveToMap(35.200000,139.200000);"));
        // Outside the box: the marker goes, and with it the last position.
        QCOMPARE(car.update(d, 3000, 5000), QStringLiteral("clearCarMarker();"));
        QCOMPARE(car.latitude(), KVMapCar::kNone);
        QCOMPARE(car.update(d, 4000, 5000), QStringLiteral("moveToMap(35.500000,139.500000);"));
        // At and past the end there is no record.
        QCOMPARE(car.update(d, 5000, 5000), QStringLiteral("clearCarMarker();"));
        // No length: nothing is sent.
        QCOMPARE(car.update(d, 1000, 0), QString());
        // Back to the position sent last, after the marker was cleared: the
        // page has no marker, so it is sent again (once).
        QCOMPARE(car.update(d, 4100, 5000), QStringLiteral("moveToMap(35.500000,139.500000);"));
        QCOMPARE(car.update(d, 4200, 5000), QString());
        car.reset();
        QCOMPARE(car.update(d, 4100, 5000), QStringLiteral("moveToMap(35.500000,139.500000);"));
    }

    void carSpeedCountsAsChange()
    {
        // Standing still with a new speed value is a new record for the page.
        const KVSensorData d = data({record(35.1, 139.1, 1, 0.0), record(35.1, 139.1, 1, 0.0),
            record(35.1, 139.1, 1, 3.0)});
        KVMapCar car;
        QVERIFY(!car.update(d, 0, 3000).isEmpty());
        QVERIFY(car.update(d, 1000, 3000).isEmpty());
        QCOMPARE(car.update(d, 2000, 3000), QStringLiteral("moveToMap(35.100000,139.100000);"));
    }

    void pathStatements()
    {
        QVERIFY(KVMapScript::isPathStatement(QStringLiteral("clearPath();")));
        QVERIFY(KVMapScript::isPathStatement(QStringLiteral("drawPaths([]);")));
        QVERIFY(!KVMapScript::isPathStatement(QStringLiteral("clearCarMarker();")));
        QVERIFY(!KVMapScript::isPathStatement(KVMapScript::moveToMap(35, 139)));
    }
};

QTEST_GUILESS_MAIN(TestMapScript)
#include "tst_map_script.moc"
