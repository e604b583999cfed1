// The sensor data of a recording: the build step (clamping, the no-valid-fix
// rule) and the fit to whole seconds, on raw arrays and on files.

#include "data/kv_sensor_data.h"
#include "kv_mp4_builder.h"
#include "kv_test_util.h"

#include <QtTest>

#include <memory>

namespace
{

KVGpsRecord record(quint8 fix, double latitude = 35.0)
{
    KVGpsRecord r;
    r.fix = fix;
    r.latitude = latitude;
    r.longitude = 139.0;
    r.speed = 30;
    return r;
}

std::vector<KVGSensorSample> samples(int count, float value)
{
    return std::vector<KVGSensorSample>(size_t(count), KVGSensorSample{value, -value, value});
}

KVSensorData fromFile(const QByteArray &bytes)
{
    const QString path = KVTest::makeTempDir(QStringLiteral("sensor")) + QStringLiteral("/f.mp4");
    if (!KVMp4Builder::writeFile(path, bytes))
        return KVSensorData();
    std::unique_ptr<FILE, int (*)(FILE *)> file(
        fopen(QFile::encodeName(path).constData(), "rb"), fclose);
    return file ? KVSensorData::readFile(file.get()) : KVSensorData();
}

} // namespace

class TestSensorData : public QObject
{
    Q_OBJECT

private slots:
    void clampsEveryAxis();
    void positionsNeedOneValidFix();
    void noPositionsNoData();
    void fitGrowsWithZerosAndCuts();
    void fitShorterThanASecond();
    void fitOfAnAbsurdDurationIsBounded();
    void readFromFiles();
};

void TestSensorData::clampsEveryAxis()
{
    // raw values of the bytes 10, 1F, 20, FF and a small one
    const std::vector<KVGSensorSample> raw{
        {1.0f, 1.9375f, -13.9375f}, {0.0f, -1.0f, 0.25f}, {-1.0625f, 1.0625f, -0.5f}};
    const KVSensorData d = KVSensorData::build({record(1)}, raw);
    QCOMPARE(d.sampleCount(), 3u);
    const auto &s = d.samples();
    QCOMPARE(s[0].x, 1.0f);
    QCOMPARE(s[0].y, 1.0f);
    QCOMPARE(s[0].z, -1.0f);
    QCOMPARE(s[1].x, 0.0f);
    QCOMPARE(s[1].y, -1.0f);
    QCOMPARE(s[1].z, 0.25f);
    QCOMPARE(s[2].x, -1.0f);
    QCOMPARE(s[2].y, 1.0f);
    QCOMPARE(s[2].z, -0.5f);
}

void TestSensorData::positionsNeedOneValidFix()
{
    // One valid fix keeps every record, the invalid ones included.
    KVSensorData d
        = KVSensorData::build({record(0, 1), record(1, 2), record(0, 3)}, samples(60, 0.5f));
    QVERIFY(d.hasPosition());
    QCOMPARE(d.positionCount(), 3u);
    QCOMPARE(d.positions()[2].latitude, 3.0);
    QCOMPARE(d.sampleCount(), 60u);

    // No valid fix: the positions go, the accelerations stay.
    d = KVSensorData::build({record(0), record(0), record(2)}, samples(60, 0.5f));
    QVERIFY(!d.hasPosition());
    QCOMPARE(d.positionCount(), 0u);
    QCOMPARE(d.sampleCount(), 60u);

    // Positions with a fix and no samples.
    d = KVSensorData::build({record(1)}, {});
    QVERIFY(d.hasPosition());
    QCOMPARE(d.positionCount(), 1u);
    QCOMPARE(d.sampleCount(), 0u);
}

void TestSensorData::noPositionsNoData()
{
    // Without a single position record nothing is kept, samples included.
    const KVSensorData d = KVSensorData::build({}, samples(40, 0.5f));
    QVERIFY(!d.hasPosition());
    QCOMPARE(d.positionCount(), 0u);
    QCOMPARE(d.sampleCount(), 0u);
}

void TestSensorData::fitGrowsWithZerosAndCuts()
{
    // 65 500 ms: 65 records, 1300 samples; the missing ones are zero.
    KVSensorData d = KVSensorData::build({record(1, 7), record(1, 8)}, samples(40, 0.5f));
    d.fitToDuration(65500);
    QCOMPARE(d.positionCount(), 65u);
    QCOMPARE(d.sampleCount(), 1300u);
    QCOMPARE(d.positions()[1].latitude, 8.0);
    QCOMPARE(d.positions()[2].latitude, 0.0);
    QCOMPARE(int(d.positions()[64].fix), 0);
    QCOMPARE(d.samples()[39].x, 0.5f);
    QCOMPARE(d.samples()[40].x, 0.0f);
    QCOMPARE(d.samples()[1299].z, 0.0f);

    // Longer data than the recording: cut to the recording.
    d.fitToDuration(3999);
    QCOMPARE(d.positionCount(), 3u);
    QCOMPARE(d.sampleCount(), 60u);
    QCOMPARE(d.positions()[1].latitude, 8.0);

    // Accelerations only: the fit leaves the positions absent.
    d = KVSensorData::build({record(0)}, samples(10, 0.5f));
    d.fitToDuration(2000);
    QVERIFY(!d.hasPosition());
    QCOMPARE(d.positionCount(), 0u);
    QCOMPARE(d.sampleCount(), 40u);

    // Empty arrays stay empty.
    d = KVSensorData();
    d.fitToDuration(60000);
    QCOMPARE(d.positionCount(), 0u);
    QCOMPARE(d.sampleCount(), 0u);
    d = KVSensorData::build({record(1)}, {});
    d.fitToDuration(5000);
    QCOMPARE(d.positionCount(), 5u);
    QCOMPARE(d.sampleCount(), 0u);
}

void TestSensorData::fitShorterThanASecond()
{
    // No whole second: no records, and the data says so.
    KVSensorData d = KVSensorData::build({record(1)}, samples(20, 0.5f));
    d.fitToDuration(999);
    QVERIFY(!d.hasPosition());
    QCOMPARE(d.positionCount(), 0u);
    QCOMPARE(d.sampleCount(), 0u);
}

void TestSensorData::fitOfAnAbsurdDurationIsBounded()
{
    // A damaged header claiming 49 days must not pad gigabytes of zeros.
    KVSensorData d = KVSensorData::build({record(1)}, samples(20, 0.5f));
    d.fitToDuration(0xFFFFFFFFu);
    QCOMPARE(d.positionCount(), KVSensorData::kMaxFitSeconds);
    QCOMPARE(d.sampleCount(), 20 * KVSensorData::kMaxFitSeconds);
}

void TestSensorData::readFromFiles()
{
    // A 20 s drive in a 60 s file, fitted like a recording item does.
    KVMp4Options o;
    o.texts = KVMp4Builder::driveTexts(20);
    o.co64 = true;
    o.samplesPerChunk = 3;
    KVSensorData d = fromFile(KVMp4Builder::build(o));
    QVERIFY(d.hasPosition());
    QCOMPARE(d.positionCount(), 20u);
    QCOMPARE(d.sampleCount(), 400u);
    QCOMPARE(d.samples()[31].x, 1.0f); // 1F read as 1.9375, clamped
    QCOMPARE(d.samples()[0].y, -0.9375f);
    d.fitToDuration(60000);
    QCOMPARE(d.positionCount(), 60u);
    QCOMPARE(d.sampleCount(), 1200u);

    // Every record without a fix: accelerations only.
    o.texts = KVMp4Builder::driveTexts(20, "0");
    d = fromFile(KVMp4Builder::build(o));
    QVERIFY(!d.hasPosition());
    QCOMPARE(d.sampleCount(), 400u);

    // Not a movie, or no sensor track: nothing.
    d = fromFile("plain text, not a movie");
    QVERIFY(!d.hasPosition());
    QCOMPARE(d.sampleCount(), 0u);
    d = fromFile(KVMp4Builder::movie(60000));
    QCOMPARE(d.sampleCount(), 0u);
}

QTEST_GUILESS_MAIN(TestSensorData)
#include "tst_sensor_data.moc"
