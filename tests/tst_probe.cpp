// korvid-probe, run as a program: one JSON line per file with exactly the
// numbers a recording item reads, the catalogue of a folder in catalogue
// order, and its exit codes.

#include "data/kv_video_file_list.h"
#include "data/kv_video_item.h"
#include "kv_fixture_files.h"
#include "kv_test_util.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace
{

struct Run {
    int exitCode = -1;
    QList<QJsonObject> lines;
    QString errors;
};

Run probe(const QStringList &args)
{
    Run run;
    QProcess process;
    process.start(KVTest::builtProgram(QStringLiteral("korvid-probe")), args);
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            run.lines << QJsonObject{{"unparsed", QString::fromUtf8(line)}};
        else
            run.lines << doc.object();
    }
    return run;
}

} // namespace

class TestProbe : public QObject
{
    Q_OBJECT

private slots:
    // A clip with a sensor track: the probe's numbers are the item's, to the
    // last bit.
    void fileMatchesRecordingItem()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("probe"));
        const QString clip = dir + QStringLiteral("/EVEN201221-102047F.mp4");
        const QString error = KVFixture::makeClip(clip, 5000, true);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const Run run = probe({clip});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 1);
        const QJsonObject line = run.lines.at(0);
        QCOMPARE(line.keys().size(), 7);

        KVVideoItem item(clip, false);
        QVERIFY(item.loadSensorInfo());
        const KVSensorData *data = item.sensorData();
        QCOMPARE(line["path"].toString(), clip);
        QCOMPARE(line["type"].toInt(), 1);
        QCOMPARE(line["start"].toString(), QStringLiteral("2020-12-21T10:20:47"));
        QCOMPARE(line["duration_ms"].toInteger(), qint64(item.duration()));
        QCOMPARE(line["has_position"].toBool(), data->hasPosition());
        QVERIFY(data->hasPosition());
        const QJsonArray positions = line["positions"].toArray();
        const QJsonArray samples = line["samples"].toArray();
        QCOMPARE(quint32(positions.size()), data->positionCount());
        QCOMPARE(quint32(samples.size()), data->sampleCount());
        QCOMPARE(samples.size(), 100);
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const QJsonArray p = positions.at(i).toArray();
            const KVGpsRecord &r = data->positions().at(size_t(i));
            QCOMPARE(p.at(0).toDouble(), r.latitude);
            QCOMPARE(p.at(1).toDouble(), r.longitude);
            QCOMPARE(p.at(2).toDouble(), r.speed);
            QCOMPARE(p.at(3).toInt(), int(r.fix));
        }
        for (qsizetype i = 0; i < samples.size(); ++i) {
            const QJsonArray s = samples.at(i).toArray();
            const KVGSensorSample &g = data->samples().at(size_t(i));
            QCOMPARE(s.at(0).toDouble(), double(g.x));
            QCOMPARE(s.at(1).toDouble(), double(g.y));
            QCOMPARE(s.at(2).toDouble(), double(g.z));
        }
    }

    // Names outside the grammar are still read; a file that does not open
    // is reported and the others are printed.
    void namesAndMissingFiles()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("names"));
        const QString plain = dir + QStringLiteral("/clip.mp4");
        const QString badDate = dir + QStringLiteral("/EVEN211301-120000F.mp4");
        const QString missing = dir + QStringLiteral("/NORM201221-102047F.mp4");
        QVERIFY(KVFixture::writeTinyMp4(plain, 61000, 600));
        QVERIFY(KVFixture::writeTinyMp4(badDate, 2500));

        const Run run = probe({plain, missing, badDate});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(missing), qPrintable(run.errors));
        QCOMPARE(run.lines.size(), 2);
        const QJsonObject first = run.lines.at(0);
        QCOMPARE(first["path"].toString(), plain);
        QCOMPARE(first["type"].toInt(), 9999);
        QVERIFY(first["start"].isNull());
        QCOMPARE(first["duration_ms"].toInt(), 61000);
        QCOMPARE(first["has_position"].toBool(), false);
        QVERIFY(first["positions"].toArray().isEmpty());
        QVERIFY(first["samples"].toArray().isEmpty());
        QCOMPARE(run.lines.at(1)["type"].toInt(), 9999);
        QVERIFY(run.lines.at(1)["start"].isNull());
        QCOMPARE(run.lines.at(1)["duration_ms"].toInt(), 2500);
    }

    // The catalogue of a folder, in catalogue order, as the catalogue
    // itself builds it.
    void catalogueOfFolder()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("cat"));
        QVERIFY(KVFixture::writeTinyMp4(dir + QStringLiteral("/B/NORM201221-102047F.mp4"), 5000));
        QVERIFY(KVFixture::writeTinyMp4(dir + QStringLiteral("/B/NORM201221-102047R.MP4"), 4000));
        QVERIFY(KVFixture::writeTinyMp4(dir + QStringLiteral("/A/park201220-000000r.mov"), 9000));
        QVERIFY(KVFixture::writeTinyMp4(dir + QStringLiteral("/EVEN201221-102047F.mp4"), 3000));
        QVERIFY(KVFixture::writeTinyMp4(dir + QStringLiteral("/MANU201222-000000F.mp4"), 300));

        const Run run = probe({QStringLiteral("--catalogue"), dir});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 1);
        const QJsonArray items = run.lines.at(0)["items"].toArray();
        QCOMPARE(items.size(), 3);

        KVVideoFileList::instance()->buildFolderNow(dir);
        const QList<KVVideoItem *> expected = KVVideoFileList::instance()->allItems();
        QCOMPARE(items.size(), expected.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QJsonObject item = items.at(i).toObject();
            QCOMPARE(item.keys().size(), 5);
            QCOMPARE(item["front"].toString(), expected.at(i)->frontPath());
            QCOMPARE(item["rear"].toString(), expected.at(i)->rearPath());
            QCOMPARE(item["type"].toInt(), expected.at(i)->type());
            QCOMPARE(item["start"].toString(),
                expected.at(i)->start().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")));
            QCOMPARE(item["duration_ms"].toInteger(), qint64(expected.at(i)->duration()));
        }
        QCOMPARE(items.at(0)["rear"].toString(), dir + QStringLiteral("/A/park201220-000000r.mov"));
        QCOMPARE(
            items.at(1)["front"].toString(), dir + QStringLiteral("/B/NORM201221-102047F.mp4"));
        QCOMPARE(items.at(1)["rear"].toString(), dir + QStringLiteral("/B/NORM201221-102047R.MP4"));
        QCOMPARE(items.at(1)["duration_ms"].toInt(), 4000);
        QCOMPARE(items.at(2)["type"].toInt(), 1);

        const Run none = probe({QStringLiteral("--catalogue"), dir + QStringLiteral("/nothing")});
        QCOMPARE(none.exitCode, 1);
        QVERIFY(!none.errors.isEmpty());
    }

    void usageErrors()
    {
        QCOMPARE(probe({}).exitCode, 2);
        QCOMPARE(probe({QStringLiteral("--catalogue")}).exitCode, 2);
        QCOMPARE(probe({QStringLiteral("--catalogue"), "a", "b"}).exitCode, 2);
        QCOMPARE(probe({QStringLiteral("--frobnicate"), "a"}).exitCode, 2);
        QCOMPARE(probe({QStringLiteral("--help")}).exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestProbe)
#include "tst_probe.moc"
