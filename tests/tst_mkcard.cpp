// korvid-mkcard: the drive model and its sensor text (checked against the
// viewer's own parser), and a small card written by the real tool, read back
// with ffprobe, libavformat, the viewer's MP4 reader and a decoder.

#include "data/kv_format_mov.h"
#include "data/kv_sensor_data.h"
#include "kv_comma_locale.h"
#include "kv_mkcard_track.h"
#include "kv_test_util.h"
#include "media/framestrip.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>
#include <cstdio>

using namespace kvmk;

namespace
{

const QDateTime kCardStart(QDate(2020, 12, 21), QTime(10, 20, 47));
constexpr int kSeconds = 4;
constexpr int kRecordings = 4;
constexpr int kFps = 30;
const QSize kFront(320, 180);
const QSize kRear(160, 90);

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        result.err = "did not finish normally";
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

Run mkcard(const QStringList &arguments)
{
    return run(KVTest::builtProgram(QStringLiteral("korvid-mkcard")), arguments);
}

double metresBetween(double lat1, double lon1, double lat2, double lon2)
{
    const double north = (lat2 - lat1) * 111320.0;
    const double east = (lon2 - lon1) * 111320.0 * std::cos(lat1 * M_PI / 180.0);
    return std::hypot(north, east);
}

// The text samples of a file's tx3g track as stored: text behind the 2-byte
// length, with start and duration in ms (empty samples included).
struct TextSample {
    QByteArray text;
    qint64 startMs = 0;
    qint64 durationMs = 0;
};

QList<TextSample> readTextSamples(const QString &path)
{
    QList<TextSample> samples;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return samples;
    int text = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (format->streams[i]->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT)
            text = int(i);
    AVPacket *packet = av_packet_alloc();
    while (text >= 0 && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == text) {
            const AVRational tb = format->streams[text]->time_base;
            const int length = (packet->data[0] << 8) | packet->data[1];
            TextSample s;
            s.text = QByteArray(reinterpret_cast<const char *>(packet->data + 2),
                std::min(length, packet->size - 2));
            s.startMs = av_rescale_q(packet->pts, tb, AVRational{1, 1000});
            s.durationMs = av_rescale_q(packet->duration, tb, AVRational{1, 1000});
            samples.append(s);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    return samples;
}

} // namespace

class TestMkcard : public QObject
{
    Q_OBJECT

    QString _card;
    std::vector<Recording> _plan;
    std::vector<DriveSample> _drive;

    QString cardFile(int recording, bool rear) const
    {
        return QDir(_card).filePath(fileName(_plan[recording], rear));
    }

    int indexOf(RecordingType type) const
    {
        for (size_t i = 0; i < _plan.size(); ++i)
            if (_plan[i].type == type)
                return int(i);
        return -1;
    }

private slots:
    void initTestCase()
    {
        _card = KVTest::makeTempDir(QStringLiteral("card"));
        const Run r = mkcard({QStringLiteral("--seconds"), QString::number(kSeconds),
            QStringLiteral("--recordings"), QString::number(kRecordings), QStringLiteral("--front"),
            QStringLiteral("320x180"), QStringLiteral("--rear"), QStringLiteral("160x90"), _card});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        _plan = planCard(kRecordings, kSeconds, kCardStart);
        _drive = simulateDrive(_plan, kSeconds);
    }

    void planHasEveryTypeAndOneFrontOnlyRecording()
    {
        for (int count : {4, 5, 6, 7, 8, 9, 16, 100}) {
            const std::vector<Recording> plan = planCard(count, 20, kCardStart);
            QCOMPARE(int(plan.size()), count);
            QSet<int> types;
            int frontOnly = 0;
            for (size_t i = 0; i < plan.size(); ++i) {
                types.insert(int(plan[i].type));
                frontOnly += plan[i].hasRear ? 0 : 1;
                // Back to back: each recording starts when the previous ends.
                QCOMPARE(plan[i].start, kCardStart.addSecs(qint64(i) * 20));
            }
            QCOMPARE(types.size(), 4);
            QCOMPARE(frontOnly, 1);
        }
        QVERIFY(planCard(3, 20, kCardStart).empty());
        const std::vector<Recording> plan = planCard(8, 20, kCardStart);
        QCOMPARE(fileName(plan[0], false), QStringLiteral("NORM201221-102047F.mp4"));
        QCOMPARE(fileName(plan[2], true), QStringLiteral("EVEN201221-102127R.mp4"));
    }

    void driveIsAPlausibleTownDrive()
    {
        const std::vector<Recording> plan = planCard(8, 20, kCardStart);
        const std::vector<DriveSample> drive = simulateDrive(plan, 20);
        QVERIFY(drive.size() >= size_t(8 * 20 * kSamplesPerSecond));
        double maxSpeed = 0.0;
        double maxLateral = 0.0;
        int stops = 0;
        for (size_t i = 0; i < drive.size(); ++i) {
            const DriveSample &s = drive[i];
            const bool noFixYet = i < size_t(kNoFixSeconds * kSamplesPerSecond);
            QCOMPARE(s.fix, !noFixYet);
            QVERIFY2(s.speedKmh >= 0.0 && s.speedKmh <= 80.0, qPrintable(QString::number(i)));
            if (s.fix)
                QVERIFY(metresBetween(kStartLatitude, kStartLongitude, s.latitude, s.longitude)
                    < 2000.0);
            maxSpeed = std::max(maxSpeed, s.speedKmh);
            maxLateral = std::max(maxLateral, std::abs(s.y));
            if (i > 0 && s.speedKmh == 0.0 && drive[i - 1].speedKmh > 0.0)
                ++stops;
        }
        QVERIFY(maxSpeed >= 40.0);
        QVERIFY(stops >= 2); // lights, the hard braking, the parking
        QVERIFY(maxLateral >= 0.15); // turns at crossings

        // The longitudinal acceleration is what makes the speed change.
        for (size_t i = kSamplesPerSecond * 3; i + kSamplesPerSecond < drive.size();
             i += kSamplesPerSecond) {
            double meanX = 0.0;
            for (int k = 0; k < kSamplesPerSecond; ++k)
                meanX += drive[i + k].x / kSamplesPerSecond;
            const double change = drive[i + kSamplesPerSecond].speedKmh - drive[i].speedKmh;
            const double expected = meanX * 9.80665 * 3.6;
            QVERIFY2(std::abs(change - expected) < 5.0,
                qPrintable(QStringLiteral("at %1: %2 vs %3").arg(i).arg(change).arg(expected)));
        }
    }

    void hardBrakingOnlyInEvenAndStandstillInPark()
    {
        for (const auto &[count, seconds] : {std::pair{8, 20}, std::pair{4, 4}}) {
            const std::vector<Recording> plan = planCard(count, seconds, kCardStart);
            const std::vector<DriveSample> drive = simulateDrive(plan, seconds);
            for (const Recording &r : plan) {
                const size_t first = size_t(r.firstSecond) * kSamplesPerSecond;
                const size_t end = first + size_t(seconds) * kSamplesPerSecond;
                int hard = 0;
                size_t firstHard = 0;
                for (size_t i = first; i < end; ++i) {
                    if (drive[i].x <= -0.8 && hard++ == 0)
                        firstHard = i;
                    if (r.type == RecordingType::Park)
                        QCOMPARE(drive[i].speedKmh, 0.0);
                }
                if (r.type != RecordingType::Even) {
                    QCOMPARE(hard, 0);
                    continue;
                }
                // About half a second of -0.9 g, and the car slows down hard.
                QVERIFY2(hard >= 8 && hard <= 12, qPrintable(QString::number(hard)));
                const double before = drive[firstHard - 1].speedKmh;
                const double after = drive[firstHard + kSamplesPerSecond / 2].speedKmh;
                QVERIFY2(before - after >= 12.0,
                    qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
            }
        }
    }

    void accelerationCodes_data()
    {
        QTest::addColumn<double>("g");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("read");
        QTest::newRow("zero") << 0.0 << 0x00 << 0.0;
        QTest::newRow("one step") << 0.0625 << 0x01 << 0.0625;
        QTest::newRow("rounds") << 0.1 << 0x02 << 0.125;
        QTest::newRow("one g") << 1.0 << 0x10 << 1.0;
        QTest::newRow("largest positive") << 5.0 << 0x1F << 1.9375;
        QTest::newRow("minus one step") << -0.0625 << 0xFE << -0.0625;
        QTest::newRow("hard braking") << -0.9 << 0xF1 << -0.875;
        QTest::newRow("minus one g") << -1.0 << 0xEF << -1.0;
        QTest::newRow("most negative") << -20.0 << 0x20 << -13.9375;
    }

    void accelerationCodes()
    {
        QFETCH(double, g);
        QFETCH(int, code);
        QFETCH(double, read);
        QCOMPARE(accelCode(g), code);
        QCOMPARE(accelFromCode(code), read);
    }

    void sensorTextParsesBackInTheViewer()
    {
        const std::vector<Recording> plan = planCard(8, 20, kCardStart);
        const std::vector<DriveSample> drive = simulateDrive(plan, 20);
        const int even = 2;
        // The text sample holding the hard braking and one before the fix.
        for (size_t first : {size_t(0), size_t(plan[even].firstSecond + 10) * kSamplesPerSecond}) {
            const std::string text = sensorText(drive, first, kCardStart);
            const QList<QByteArray> parts = QByteArray::fromStdString(text).split(',');
            QCOMPARE(parts.size(), 41);
            QVERIFY(parts.last().isEmpty());
            QCOMPARE(parts[0].split('/').size(), 8);
            QCOMPARE(parts[0].split('/')[0],
                kCardStart.addSecs(qint64(first / kSamplesPerSecond))
                    .toString(QStringLiteral("yyyyMMddHHmmss"))
                    .toLatin1());

            MOVFormat reader(nullptr, -1);
            reader.processSubtitle(text.data(), text.size());
            QCOMPARE(reader.positions().size(), size_t(2));
            QCOMPARE(reader.samples().size(), size_t(kEntriesPerText));
            for (int k : {0, 1}) {
                const DriveSample &s = drive[first + size_t(k) * kSamplesPerSecond];
                const KVGpsRecord &p = reader.positions()[k];
                QCOMPARE(p.fix, quint8(s.fix ? 1 : 0));
                QCOMPARE(p.speed, s.fix ? s.speedKmh : 0.0);
                QVERIFY(std::abs(p.latitude - (s.fix ? s.latitude : 0.0)) < 1e-4);
                QVERIFY(std::abs(p.longitude - (s.fix ? s.longitude : 0.0)) < 1e-4);
            }
            for (int k = 0; k < kEntriesPerText; ++k) {
                const DriveSample &s = drive[first + k];
                const KVGSensorSample &a = reader.samples()[k];
                QCOMPARE(a.x, float(accelFromCode(accelCode(s.x))));
                QCOMPARE(a.y, float(accelFromCode(accelCode(s.y))));
                QCOMPARE(a.z, float(accelFromCode(accelCode(s.z))));
            }
        }
    }

    void cardHasTheExpectedFiles()
    {
        QStringList expected;
        for (const Recording &r : _plan) {
            expected << fileName(r, false);
            if (r.hasRear)
                expected << fileName(r, true);
        }
        expected.sort();
        const QStringList found = QDir(_card).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QCOMPARE(found, expected);
        QCOMPARE(found,
            QStringList({"EVEN201221-102051F.mp4", "EVEN201221-102051R.mp4",
                "MANU201221-102055F.mp4", "NORM201221-102047F.mp4", "NORM201221-102047R.mp4",
                "PARK201221-102059F.mp4", "PARK201221-102059R.mp4"}));
    }

    void streamsHaveTheRecordersLayout()
    {
        for (size_t i = 0; i < _plan.size(); ++i) {
            for (bool rear : {false, true}) {
                if (rear && !_plan[i].hasRear)
                    continue;
                const QString path = cardFile(int(i), rear);
                const Run r = run(QStringLiteral("ffprobe"),
                    {"-v", "error", "-show_streams", "-show_format", "-of", "json", path});
                QVERIFY2(r.exitCode == 0, r.err.constData());
                const QJsonObject probe = QJsonDocument::fromJson(r.out).object();
                const QJsonArray streams = probe.value("streams").toArray();
                QCOMPARE(streams.size(), 3);
                const QSize size = rear ? kRear : kFront;
                QJsonObject video, audio, text;
                for (const QJsonValue &v : streams) {
                    const QJsonObject s = v.toObject();
                    const QString type = s.value("codec_type").toString();
                    (type == "video" ? video : type == "audio" ? audio : text) = s;
                }
                QCOMPARE(video.value("codec_name").toString(), QStringLiteral("h264"));
                QCOMPARE(video.value("width").toInt(), size.width());
                QCOMPARE(video.value("height").toInt(), size.height());
                QCOMPARE(video.value("r_frame_rate").toString(), QStringLiteral("30/1"));
                QCOMPARE(video.value("nb_frames").toString(), QString::number(kSeconds * kFps));
                QCOMPARE(video.value("has_b_frames").toInt(), 0);
                QCOMPARE(audio.value("codec_name").toString(), QStringLiteral("aac"));
                QCOMPARE(audio.value("sample_rate").toString(), QStringLiteral("48000"));
                QCOMPARE(audio.value("channels").toInt(), 1);
                QCOMPARE(text.value("codec_name").toString(), QStringLiteral("mov_text"));
                QCOMPARE(text.value("codec_tag_string").toString(), QStringLiteral("tx3g"));
                const double duration
                    = probe.value("format").toObject().value("duration").toString().toDouble();
                QVERIFY2(std::abs(duration - kSeconds) < 0.05, qPrintable(path));
            }
        }

        // A keyframe every second, as a recorder writes.
        const Run r = run(QStringLiteral("ffprobe"),
            {"-v", "error", "-select_streams", "v", "-show_entries", "packet=flags", "-of",
                "csv=p=0", cardFile(0, false)});
        const QList<QByteArray> flags = r.out.trimmed().split('\n');
        QCOMPARE(flags.size(), kSeconds * kFps);
        for (int n = 0; n < flags.size(); ++n)
            QVERIFY2(flags[n].startsWith('K') == (n % kFps == 0), qPrintable(QString::number(n)));
    }

    void storedTextIsExactlyTheSensorText()
    {
        for (size_t i = 0; i < _plan.size(); ++i) {
            for (bool rear : {false, true}) {
                if (rear && !_plan[i].hasRear)
                    continue;
                QList<TextSample> samples = readTextSamples(cardFile(int(i), rear));
                // The muxer closes the track with an empty sample; none may
                // stand between two sensor samples.
                while (!samples.isEmpty() && samples.last().text.isEmpty())
                    samples.removeLast();
                QCOMPARE(samples.size(), kSeconds / kSecondsPerText);
                for (int k = 0; k < samples.size(); ++k) {
                    const size_t first
                        = (size_t(_plan[i].firstSecond) + size_t(k) * 2) * kSamplesPerSecond;
                    QCOMPARE(samples[k].text,
                        QByteArray::fromStdString(sensorText(_drive, first, kCardStart)));
                    QCOMPARE(samples[k].startMs, qint64(k) * 2000);
                    QCOMPARE(samples[k].durationMs, qint64(2000));
                }
            }
        }
    }

    void viewerReadsTheSensorTrack()
    {
        for (size_t i = 0; i < _plan.size(); ++i) {
            const QString path = cardFile(int(i), false);
            FILE *file = std::fopen(path.toUtf8().constData(), "rb");
            QVERIFY(file);
            MOVDurationResult duration;
            QVERIFY(MOVFormat::readDuration(file, &duration));
            KVSensorData data = KVSensorData::readFile(file);
            std::fclose(file);
            QVERIFY2(duration.durationMs >= 4000 && duration.durationMs < 4050,
                qPrintable(QString::number(duration.durationMs)));
            data.fitToDuration(duration.durationMs);
            QVERIFY(data.hasPosition());
            QCOMPARE(data.positionCount(), quint32(kSeconds));
            QCOMPARE(data.sampleCount(), quint32(kSeconds * kSamplesPerSecond));
            for (quint32 s = 0; s < data.positionCount(); ++s) {
                const KVGpsRecord &p = data.positions()[s];
                const bool fix = _plan[i].firstSecond + int(s) >= int(kNoFixSeconds);
                QCOMPARE(p.fix, quint8(fix ? 1 : 0));
                if (fix)
                    QVERIFY(metresBetween(kStartLatitude, kStartLongitude, p.latitude, p.longitude)
                        < 2000.0);
            }
            float minX = 0.0f;
            for (const KVGSensorSample &s : data.samples())
                minX = std::min(minX, s.x);
            if (_plan[i].type == RecordingType::Even)
                QVERIFY2(minX <= -0.8f, qPrintable(QString::number(minX)));
            else
                QVERIFY2(minX > -0.6f, qPrintable(QString::number(minX)));
        }
    }

    void frameNumbersSurviveEncoding()
    {
        for (bool rear : {false, true}) {
            const QSize size = rear ? kRear : kFront;
            const QString path = cardFile(indexOf(RecordingType::Even), rear);
            const Run r = run(QStringLiteral("ffmpeg"),
                {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
            QVERIFY2(r.exitCode == 0, r.err.constData());
            const qsizetype frameBytes = qsizetype(size.width()) * size.height();
            QCOMPARE(r.out.size(), frameBytes * kSeconds * kFps);
            for (int n = 0; n < kSeconds * kFps; ++n) {
                const auto *luma
                    = reinterpret_cast<const uint8_t *>(r.out.constData()) + n * frameBytes;
                QCOMPARE(kvm::readFrameStrip(luma, size.width(), size.width(), size.height()), n);
            }
        }
    }

    // A user with a German locale (decimal comma) gets the same card: the
    // sensor texts are the recorder's, "35.681236", not "35,681236".
    void sensorTextDoesNotFollowTheLocale()
    {
        QString why;
        const QString locale = KVTest::commaLocale(&why);
        QVERIFY2(!locale.isEmpty(), qPrintable(why));
        const QString card = KVTest::makeTempDir(QStringLiteral("comma-card"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        process.setProcessEnvironment(environment);
        process.start(KVTest::builtProgram(QStringLiteral("korvid-mkcard")),
            {QStringLiteral("--seconds"), QString::number(kSeconds), QStringLiteral("--recordings"),
                QString::number(kRecordings), QStringLiteral("--front"), QStringLiteral("320x180"),
                QStringLiteral("--rear"), QStringLiteral("160x90"), card});
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitCode(), 0);
        // The environment does give a comma to a program that follows it.
        QProcess printf;
        printf.setProcessEnvironment(environment);
        printf.start(QStringLiteral("printf"), {QStringLiteral("%.1f"), QStringLiteral("0,5")});
        QVERIFY(printf.waitForFinished(10000));
        QCOMPARE(printf.readAllStandardOutput(), QByteArray("0,5"));
        const int even = indexOf(RecordingType::Even);
        const QString name = fileName(_plan[even], false);
        const QList<TextSample> expected = readTextSamples(QDir(_card).filePath(name));
        const QList<TextSample> written = readTextSamples(QDir(card).filePath(name));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(written.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(written[i].text, expected[i].text);
    }

    void commandLineErrors()
    {
        const QString folder = KVTest::makeTempDir(QStringLiteral("bad"));
        const QList<QStringList> usage = {
            {},
            {QStringLiteral("--front"), QStringLiteral("1280")},
            {QStringLiteral("--rear"), QStringLiteral("161x90"), folder},
            {QStringLiteral("--recordings"), QStringLiteral("3"), folder},
            {QStringLiteral("--seconds"), QStringLiteral("0"), folder},
            {QStringLiteral("--fps"), QStringLiteral("x"), folder},
            {QStringLiteral("--bogus"), QStringLiteral("1"), folder},
            {folder, folder},
            {QStringLiteral("--seconds")},
            // (a plan of 10000 hours would not fit in memory)
            {QStringLiteral("--seconds"), QStringLiteral("3600"), QStringLiteral("--recordings"),
                QStringLiteral("10000"), folder},
        };
        for (const QStringList &arguments : usage) {
            const Run r = mkcard(arguments);
            QVERIFY2(r.exitCode == 2, qPrintable(arguments.join(' ')));
            QVERIFY(r.err.contains("usage:"));
        }
        QVERIFY(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

        const Run help = mkcard({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--recordings"));

        // A folder that cannot be made: below a plain file.
        const QString file = QDir(folder).filePath(QStringLiteral("plain"));
        QVERIFY(KVTest::writeFile(file, "x"));
        const Run failed = mkcard({QDir(file).filePath(QStringLiteral("card"))});
        QCOMPARE(failed.exitCode, 1);
        QVERIFY2(failed.err.contains("cannot create"), failed.err.constData());
    }

    void setRecentWritesOnlyWhenUnset()
    {
        // run-test.sh gives this test its own HOME, so this is a scratch file.
        const QString documents
            = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString conf = documents + QStringLiteral("/Korvid Doc/viewersetup/conf.ini");
        QVERIFY(conf.startsWith(QDir::homePath()));
        const QString first = KVTest::makeTempDir(QStringLiteral("first card"));
        const QString second = KVTest::makeTempDir(QStringLiteral("second"));
        const QString third = KVTest::makeTempDir(QStringLiteral("third"));
        auto recent = [&conf] {
            return QSettings(conf, QSettings::IniFormat).value(QStringLiteral("PATH/RECENT"));
        };

        // First run of the viewer: no settings file yet.
        QFile::remove(conf);
        QCOMPARE(mkcard({QStringLiteral("--set-recent"), first}).exitCode, 0);
        QCOMPARE(recent().toString(), first);

        // Settings without a recent folder: only that key is added.
        QVERIFY(KVTest::writeFile(conf, "[APP]\nLANGUAGE=2\n"));
        QCOMPARE(mkcard({QStringLiteral("--set-recent"), second}).exitCode, 0);
        QCOMPARE(recent().toString(), second);
        QCOMPARE(
            QSettings(conf, QSettings::IniFormat).value(QStringLiteral("APP/LANGUAGE")).toInt(), 2);

        // The user's own choice stays.
        QCOMPARE(mkcard({QStringLiteral("--set-recent"), third}).exitCode, 0);
        QCOMPARE(recent().toString(), second);
    }
};

QTEST_GUILESS_MAIN(TestMkcard)
#include "tst_mkcard.moc"
