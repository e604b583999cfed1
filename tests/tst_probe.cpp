// korvid-probe, run as a program: one JSON line per file with exactly the
// numbers a recording item reads, the catalogue of a folder in catalogue
// order, and its exit codes.

#include "data/kv_video_file_list.h"
#include "data/kv_video_item.h"
#include "kv_fixture_files.h"
#include "kv_mp4_builder.h"
#include "kv_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

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

        // What is not a regular file is refused at once: a FIFO (which
        // would wait for a writer for ever), a device, a folder.
        const QString fifo = dir + QStringLiteral("/NORM201221-102047F.MP4");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const Run odd = probe({fifo, QStringLiteral("/dev/zero"), dir, plain});
        QCOMPARE(odd.exitCode, 1);
        QVERIFY2(odd.errors.contains(fifo + QStringLiteral(": not a regular file")),
            qPrintable(odd.errors));
        QVERIFY2(odd.errors.contains(QStringLiteral("/dev/zero: not a regular file")),
            qPrintable(odd.errors));
        QVERIFY2(
            odd.errors.contains(dir + QStringLiteral(": is a folder")), qPrintable(odd.errors));
        QCOMPARE(odd.lines.size(), 1);
        QCOMPARE(odd.lines.at(0)["path"].toString(), plain);
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

    // The same ten-second drive laid out every way a muxer may write it:
    // every layout gives the same numbers.
    void everyLayoutGivesTheSameData()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("layouts"));
        const QList<QByteArray> texts = KVMp4Builder::driveTexts(10);
        struct Variant {
            const char *name;
            KVMp4Options options;
        };
        QList<Variant> variants;
        auto add = [&](const char *name, auto change) {
            KVMp4Options o;
            o.duration = 10000;
            o.texts = texts;
            change(o);
            variants.append({name, o});
        };
        add("moov last", [](KVMp4Options &) {});
        add("moov first", [](KVMp4Options &o) { o.moovFirst = true; });
        add("64-bit sizes", [](KVMp4Options &o) { o.largeSizes = true; });
        add("five per chunk", [](KVMp4Options &o) { o.samplesPerChunk = 5; });
        add("co64", [](KVMp4Options &o) { o.co64 = true; });
        add("text track first", [](KVMp4Options &o) { o.textFirst = true; });
        add("version 1 header", [](KVMp4Options &o) { o.mvhdVersion = 1; });
        add("time scale 600", [](KVMp4Options &o) {
            o.timeScale = 600;
            o.duration = 6000;
        });
        add("time scale 90000", [](KVMp4Options &o) {
            o.timeScale = 90000;
            o.duration = 900000;
        });
        QStringList files;
        for (int i = 0; i < variants.size(); ++i) {
            const QString path = dir + QStringLiteral("/NORM201221-1020%1F.mp4").arg(i + 10);
            QVERIFY(KVMp4Builder::writeFile(path, KVMp4Builder::build(variants.at(i).options)));
            files << path;
        }
        const Run run = probe(files);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), variants.size());
        const QJsonObject reference = run.lines.at(0);
        QCOMPARE(reference["duration_ms"].toInt(), 10000);
        QCOMPARE(reference["positions"].toArray().size(), 10);
        QCOMPARE(reference["samples"].toArray().size(), 200);
        QVERIFY(reference["has_position"].toBool());
        const double lat = reference["positions"].toArray().at(0).toArray().at(0).toDouble();
        QVERIFY2(lat > 35.0 && lat < 36.5, qPrintable(QString::number(lat)));
        for (int i = 1; i < variants.size(); ++i) {
            const QJsonObject line = run.lines.at(i);
            QVERIFY2(line["duration_ms"] == reference["duration_ms"], variants.at(i).name);
            QVERIFY2(line["positions"] == reference["positions"], variants.at(i).name);
            QVERIFY2(line["samples"] == reference["samples"], variants.at(i).name);
        }
    }

    // A demo card as the viewer's users get it: every file reads, the EVEN
    // recording carries its hard braking, and the catalogue joins the pairs.
    void demoCard()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QProcess mkcard;
        mkcard.start(KVTest::builtProgram(QStringLiteral("korvid-mkcard")),
            {"--seconds", "4", "--recordings", "4", "--front", "320x180", "--rear", "160x90", dir});
        QVERIFY(mkcard.waitForFinished(120000));
        QCOMPARE(mkcard.exitCode(), 0);
        QStringList files;
        for (const QString &name : QDir(dir).entryList({"*.mp4"}, QDir::Files, QDir::Name))
            files << dir + QLatin1Char('/') + name;
        QCOMPARE(files.size(), 7); // four recordings, one of them front only

        const Run run = probe(files);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), files.size());
        bool sawSpike = false;
        for (const QJsonObject &line : run.lines) {
            const QString name = QFileInfo(line["path"].toString()).fileName();
            QVERIFY2(qAbs(line["duration_ms"].toInt() - 4000) < 100, qPrintable(name));
            QCOMPARE(line["positions"].toArray().size(), 4);
            QCOMPARE(line["samples"].toArray().size(), 80);
            QVERIFY2(line["type"].toInt() != 9999, qPrintable(name));
            double minX = 0;
            for (const QJsonValue &s : line["samples"].toArray())
                minX = qMin(minX, s.toArray().at(0).toDouble());
            if (name.startsWith("EVEN"))
                sawSpike = sawSpike || minX <= -0.85;
            else
                QVERIFY2(minX > -0.85, qPrintable(name));
        }
        QVERIFY(sawSpike);

        const Run catalogue = probe({QStringLiteral("--catalogue"), dir});
        QCOMPARE(catalogue.exitCode, 0);
        const QJsonArray items = catalogue.lines.at(0)["items"].toArray();
        QCOMPARE(items.size(), 4);
        int frontOnly = 0;
        for (const QJsonValue &item : items)
            frontOnly += item.toObject()["rear"].toString().isEmpty();
        QCOMPARE(frontOnly, 1);
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
