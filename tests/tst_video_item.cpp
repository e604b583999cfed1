// The recorder's file names and the recording item: the grammar (literal
// commas included), the day-overflow date rule, keys, the texts of the list
// and the capture, durations from real files, the 300 ms rule, and the
// sensor data fitted to the rear file's duration.

#include "data/kv_video_item.h"
#include "kv_fixture_files.h"
#include "kv_test_util.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

class TestVideoItem : public QObject
{
    Q_OBJECT

private slots:
    void nameGrammar_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("dateText");
        QTest::newRow("lower case") << "/card/norm201221-102047f.mp4" << 0 << "201221-102047";
        QTest::newRow("event") << "EVEN210101-000000R.MP4" << 1 << "210101-000000";
        QTest::newRow("manual") << "/x/MANU210101-000000F.mov" << 2 << "210101-000000";
        QTest::newRow("parking") << "PARK991231-235959R.MOV" << 3 << "991231-235959";
        QTest::newRow("other word") << "EOEM201221-102047F.mp4" << 0 << "201221-102047";
        QTest::newRow("comma in set") << ",O,M201221-102047F.mp4" << 0 << "201221-102047";
        QTest::newRow("dotted folder") << "/a.b/c.d/NORM201221-102047R.mp4" << 0 << "201221-102047";
        QTest::newRow("no camera") << "NORM201221-102047.mp4" << 9999 << "";
        QTest::newRow("dash moved") << "NORM2012211-02047F.mp4" << 9999 << "";
        QTest::newRow("trailing") << "NORM201221-102047FX.mp4" << 9999 << "";
        QTest::newRow("leading") << "XNORM201221-102047F.mp4" << 9999 << "";
        QTest::newRow("camera X") << "NORM201221-102047X.mp4" << 9999 << "";
    }
    void nameGrammar()
    {
        QFETCH(QString, path);
        QFETCH(int, type);
        QFETCH(QString, dateText);
        int parsed = -1;
        QCOMPARE(KVVideoItem::parseName(path, &parsed), dateText);
        QCOMPARE(parsed, type);
    }

    void dateRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // empty: invalid
        QTest::newRow("plain") << "201221-102047"
                               << "2020-12-21 10:20:47";
        QTest::newRow("last year") << "991231-235959"
                                   << "2099-12-31 23:59:59";
        QTest::newRow("year 2000") << "000101-000000"
                                   << "2000-01-01 00:00:00";
        QTest::newRow("leap day") << "200229-120000"
                                  << "2020-02-29 12:00:00";
        QTest::newRow("feb 29 overflow") << "210229-120000"
                                         << "2021-03-01 12:00:00";
        QTest::newRow("feb 30 overflow") << "210230-120000"
                                         << "2021-03-02 12:00:00";
        QTest::newRow("apr 31 overflow") << "210431-080000"
                                         << "2021-05-01 08:00:00";
        QTest::newRow("day 99") << "210199-080000"
                                << "2021-04-09 08:00:00";
        QTest::newRow("day 00") << "210100-080000"
                                << "2021-01-01 08:00:00";
        QTest::newRow("month 13") << "211301-120000"
                                  << "";
        QTest::newRow("month 00") << "210001-120000"
                                  << "";
        QTest::newRow("hour 25") << "210101-250000"
                                 << "";
        QTest::newRow("no dash") << "210101120000"
                                 << "";
        QTest::newRow("two dashes") << "210101-12-0000"
                                    << "";
    }
    void dateRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QDateTime t = KVVideoItem::parseDateTime(text);
        if (expected.isEmpty())
            QVERIFY2(!t.isValid(), qPrintable(t.toString()));
        else
            QCOMPARE(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), expected);
    }

    void probeNeedsFileNameAndDate()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("probe"));
        const QString good = dir + QStringLiteral("/park991231-235959r.mov");
        const QString badDate = dir + QStringLiteral("/EVEN211301-120000F.mp4");
        QVERIFY(KVFixture::writeTinyMp4(good, 5000));
        QVERIFY(KVFixture::writeTinyMp4(badDate, 5000));
        QDateTime start;
        QCOMPARE(KVVideoItem::probeFile(good, &start), 3);
        QCOMPARE(start, QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59), Qt::UTC));
        QCOMPARE(KVVideoItem::probeFile(badDate, &start), 9999);
        QVERIFY(!start.isValid());
        QCOMPARE(
            KVVideoItem::probeFile(dir + QStringLiteral("/NORM201221-102047F.mp4"), &start), 9999);
    }

    void keysAndTexts()
    {
        bool rear = false;
        QCOMPARE(KVVideoItem::recordingKey(QStringLiteral("/c/NORM201221-102047R.mp4"), &rear),
            QStringLiteral("NORM201221-102047"));
        QVERIFY(rear);
        QCOMPARE(KVVideoItem::recordingKey(QStringLiteral("/c/norm201221-102047r.mp4"), &rear),
            QStringLiteral("norm201221-102047"));
        QVERIFY(rear);
        KVVideoItem::recordingKey(QStringLiteral("/c/NORM201221-102047F.mp4"), &rear);
        QVERIFY(!rear);

        QCOMPARE(KVVideoItem::positionText(0), QStringLiteral("00:00"));
        QCOMPARE(KVVideoItem::positionText(59999), QStringLiteral("00:59"));
        QCOMPARE(KVVideoItem::positionText(60000), QStringLiteral("01:00"));
        QCOMPARE(KVVideoItem::positionText(3599999), QStringLiteral("59:59"));
        QCOMPARE(KVVideoItem::positionText(3600000), QStringLiteral("01:00:00"));

        const int bits[] = {1, 2, 8, 4, 2, 2, 0};
        const int codes[] = {0, 1, 2, 3, 4, 5, 9999};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(KVVideoItem::filterBit(codes[i]), bits[i]);
        QCOMPARE(KVVideoItem::typeTextOf(0), QStringLiteral("常時"));
        QCOMPARE(KVVideoItem::typeTextOf(1), QStringLiteral("衝撃検知"));
        QCOMPARE(KVVideoItem::typeTextOf(2), QStringLiteral("手動"));
        QCOMPARE(KVVideoItem::typeTextOf(3), QStringLiteral("パーキング"));
        QCOMPARE(KVVideoItem::typeTextOf(9999), QStringLiteral("常時"));
    }

    // Durations from the movie header, the 300 ms rule, the rear flag and the
    // texts made from a real item.
    void itemFromFiles()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("item"));
        const QString f300 = dir + QStringLiteral("/NORM201221-102047F.mp4");
        const QString r301 = dir + QStringLiteral("/NORM201221-102047R.MP4");
        const QString long90k = dir + QStringLiteral("/EVEN201221-102047F.mov");
        const QString avi = dir + QStringLiteral("/NORM201221-102047F.avi");
        QVERIFY(KVFixture::writeTinyMp4(f300, 300));
        QVERIFY(KVFixture::writeTinyMp4(r301, 301));
        QVERIFY(KVFixture::writeTinyMp4(long90k, 4500000, 90000));
        QVERIFY(KVFixture::writeTinyMp4(avi, 5000));

        KVVideoItem front(f300, false);
        QCOMPARE(front.duration(), 300u);
        QVERIFY(!front.isValid());
        QCOMPARE(front.frontPath(), f300);
        QVERIFY(front.rearPath().isEmpty());
        QVERIFY(!front.start().isValid());
        QCOMPARE(front.startText(), QStringLiteral("---------- --:--:--"));

        const QDateTime start(QDate(2020, 12, 21), QTime(10, 20, 47));
        KVVideoItem rear(r301, true, start);
        QCOMPARE(rear.duration(), 301u);
        QVERIFY(rear.isValid());
        QVERIFY(rear.frontPath().isEmpty());
        QCOMPARE(rear.rearPath(), r301);
        QCOMPARE(rear.displayPath(), r301);
        QCOMPARE(rear.nameText(), QStringLiteral("NORM201221-102047"));
        QCOMPARE(rear.startText(), QStringLiteral("2020-12-21 10:20:47"));
        QCOMPARE(rear.captureBaseName(25000), QStringLiteral("NORM201221-102047_201221-102112"));
        QCOMPARE(rear.captureBaseName(14 * 3600 * 1000),
            QStringLiteral("NORM201221-102047_201222-002047"));

        // A front item joined to a 300 ms rear file is refused by checkRear,
        // which leaves the rear duration in the item.
        KVVideoItem joined(long90k, false, start);
        QCOMPARE(joined.duration(), 4500000u);
        QCOMPARE(joined.durationText(), QStringLiteral("75:00"));
        QVERIFY(!joined.checkRear());
        joined.setRearPath(f300);
        QVERIFY(!joined.checkRear());
        QCOMPARE(joined.duration(), 300u);
        joined.setRearPath(r301);
        QVERIFY(joined.checkRear());
        QCOMPARE(joined.duration(), 301u);

        // Sizes: both files, cached after the first question.
        const quint64 both = quint64(QFileInfo(long90k).size() + QFileInfo(r301).size());
        QCOMPARE(joined.totalSize(), both);
        QCOMPARE(joined.sizeText(), QStringLiteral("0MB"));
        QFile::remove(r301);
        QCOMPARE(joined.totalSize(), both);

        QCOMPARE(KVVideoItem(avi, false).duration(), 0u);
        KVVideoItem missing(dir + QStringLiteral("/NORM201221-999999F.mp4"), true, start);
        QCOMPARE(missing.duration(), 0u);
        QVERIFY(!missing.start().isValid());
        QVERIFY(!missing.frontPath().isEmpty()); // not an existing file: stays as given
    }

    void sizeTextIsWholeMegabytes()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("size"));
        const QString front = dir + QStringLiteral("/NORM201221-102047F.mp4");
        const QString rear = dir + QStringLiteral("/NORM201221-102047R.mp4");
        QByteArray bytes = KVFixture::tinyMp4(5000);
        bytes.append(QByteArray(100 * 1048576 - bytes.size(), '\0'));
        QVERIFY(KVTest::writeFile(front, bytes));
        QVERIFY(KVTest::writeFile(rear, bytes.left(50 * 1048576)));
        KVVideoItem item(front, false);
        item.setRearPath(rear);
        QCOMPARE(item.sizeText(), QStringLiteral("150MB"));
    }

    // The sensor data is built from the display file and fitted to the
    // item's duration, which is the rear file's once the rear is checked.
    void sensorDataFitsRearDuration()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("sensor"));
        const QString front = dir + QStringLiteral("/NORM201221-102047F.mp4");
        const QString rear = dir + QStringLiteral("/NORM201221-102047R.mp4");
        QString error = KVFixture::makeClip(front, 6000, true);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        error = KVFixture::makeClip(rear, 4000, false);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        KVVideoItem item(front, false);
        QVERIFY(item.duration() >= 5900 && item.duration() < 7000);
        item.setRearPath(rear);
        QVERIFY(item.checkRear());
        QVERIFY(item.duration() >= 3900 && item.duration() < 5000);
        QVERIFY(!item.sensorData());
        QVERIFY(item.loadSensorInfo());
        KVSensorData *data = item.sensorData();
        QVERIFY(data);
        QVERIFY(data->hasPosition());
        const quint32 seconds = item.duration() / 1000;
        QCOMPARE(data->positionCount(), seconds);
        QCOMPARE(data->sampleCount(), 20 * seconds);
        QCOMPARE(data->positions().at(0).latitude, 35.6585);
        QVERIFY(item.loadSensorInfo());
        QCOMPARE(item.sensorData(), data); // built once

        KVVideoItem gone(dir + QStringLiteral("/NORM201221-000000F.mp4"), false);
        QVERIFY(!gone.loadSensorInfo());
        QVERIFY(!gone.sensorData());
    }
};

QTEST_GUILESS_MAIN(TestVideoItem)
#include "tst_video_item.moc"
