// The MP4 atom reader on files from our byte builder, from FFmpeg's muxer and
// on damaged files: movie-header durations, the sensor text track in every
// layout a muxer may write, the text-sample parse, and malformed input.

#include "data/kv_format_mov.h"
#include "kv_mp4_builder.h"
#include "kv_test_util.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(KVMp4Options)

namespace
{

using FilePtr = std::unique_ptr<FILE, int (*)(FILE *)>;

FilePtr openBytes(const QByteArray &bytes)
{
    static int serial = 0;
    const QString path = KVTest::tempRoot() + QStringLiteral("/movie-%1.mp4").arg(++serial);
    if (!KVMp4Builder::writeFile(path, bytes))
        return FilePtr(nullptr, fclose);
    return FilePtr(fopen(QFile::encodeName(path).constData(), "rb"), fclose);
}

struct Sensor {
    bool found = false;
    std::vector<KVGpsRecord> positions;
    std::vector<KVGSensorSample> samples;
};

Sensor readSensor(FILE *file)
{
    MOVFormat reader(file, MOVFormat::MODE_SENSOR);
    return Sensor{reader.succeeded(), reader.takePositions(), reader.takeSamples()};
}

Sensor readSensor(const QByteArray &bytes)
{
    FilePtr file = openBytes(bytes);
    return file ? readSensor(file.get()) : Sensor();
}

bool readDuration(const QByteArray &bytes, MOVDurationResult *result)
{
    FilePtr file = openBytes(bytes);
    return file && MOVFormat::readDuration(file.get(), result);
}

// What KVMp4Builder::driveTexts(seconds) must read back as: for text t
// (seconds 2t, 2t+1) positions from entries 0 and 20, 40 samples.
void expectDrive(const Sensor &s, int seconds)
{
    QCOMPARE(int(s.positions.size()), seconds);
    QCOMPARE(int(s.samples.size()), seconds * 20);
    for (int second = 0; second < seconds; ++second) {
        const KVGpsRecord &r = s.positions[size_t(second)];
        QVERIFY2(qAbs(r.latitude - (35.6585 + 0.0001 * second)) < 1e-4,
            qPrintable(QString::number(second)));
        QVERIFY(qAbs(r.longitude - (139.7453 + 0.0002 * second)) < 1e-4);
        QCOMPARE(r.speed, double(qMin(80, second * 2)));
        QCOMPARE(int(r.fix), 1);
    }
    for (int j = 0; j < seconds * 20; ++j) {
        const int t = j / 40 * 2, k = j % 40;
        const KVGSensorSample &g = s.samples[size_t(j)];
        QCOMPARE(g.x, float(((t * 20 + k) % 32) * 0.0625));
        QCOMPARE(g.y, float((0xF0 + k % 16 - 255) * 0.0625));
        QCOMPARE(g.z, 0.5f);
    }
}

KVMp4Options driveOptions(int seconds = 20)
{
    KVMp4Options o;
    o.texts = KVMp4Builder::driveTexts(seconds);
    return o;
}

// Offset of the text track's copy of a table box (the video track comes first).
qsizetype textBox(const QByteArray &file, const char *type)
{
    return KVMp4Builder::boxOffset(file, type, 1);
}

// True when the text track's stsc puts more than one sample into a chunk.
bool textTrackHasMultiSampleChunks(const QByteArray &file)
{
    const qsizetype tx3g = file.indexOf("tx3g");
    const qsizetype stsc = file.indexOf("stsc", tx3g) - 4;
    if (tx3g < 0 || stsc < 0)
        return false;
    const quint32 runs = qFromBigEndian<quint32>(file.constData() + stsc + 12);
    for (quint32 i = 0; i < runs; ++i) {
        if (qFromBigEndian<quint32>(file.constData() + stsc + 16 + 12 * i + 4) > 1)
            return true;
    }
    return false;
}

QByteArray sensorText(int parts, const QByteArray &entry = "x/1/139.5/35.5/12/08/10/F0")
{
    QByteArrayList list;
    for (int i = 0; i < parts - 1; ++i)
        list << entry;
    list << QByteArray();
    return list.join(',');
}

Sensor parse(const QByteArray &text)
{
    MOVFormat reader(nullptr, MOVFormat::MODE_SENSOR);
    reader.processSubtitle(text.constData(), size_t(text.size()));
    return Sensor{true, reader.takePositions(), reader.takeSamples()};
}

} // namespace

class TestFormatMov : public QObject
{
    Q_OBJECT

private slots:
    void durationFromMovieHeader_data();
    void durationFromMovieHeader();
    void durationWithoutUsableTimeScale();
    void durationMissing();
    void sensorTrackLayouts_data();
    void sensorTrackLayouts();
    void ffmpegFiles_data();
    void ffmpegFiles();
    void textBoundedBySampleLength();
    void emptySamplesAndNoTrack();
    void partCount();
    void fixAndNumbers();
    void accelerationBytes();
    void malformedEntryLeavesNoHole();
    void malformed_data();
    void malformed();
    void repeatedChunksParseNoMoreThanTheFile();
    void manyTinyTextsAreBounded();
    void trackOfNoiseIsGivenUp();
};

void TestFormatMov::durationFromMovieHeader_data()
{
    QTest::addColumn<quint32>("timeScale");
    QTest::addColumn<quint64>("units");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("moovFirst");
    QTest::addColumn<bool>("large");
    QTest::addColumn<quint32>("ms");

    QTest::newRow("600") << 600u << quint64(36000) << 0 << false << false << 60000u;
    QTest::newRow("1000") << 1000u << quint64(60000) << 0 << false << false << 60000u;
    QTest::newRow("90000") << 90000u << quint64(5400000) << 0 << false << false << 60000u;
    QTest::newRow("truncated to whole ms") << 600u << quint64(1) << 0 << false << false << 1u;
    QTest::newRow("moov first") << 1000u << quint64(65500) << 0 << true << false << 65500u;
    QTest::newRow("64-bit atom sizes")
        << 90000u << quint64(5400000) << 0 << false << true << 60000u;
    QTest::newRow("version 1") << 1000u << quint64(60000) << 1 << false << false << 60000u;
    QTest::newRow("version 1, 64-bit duration")
        << 90000u << quint64(90000) * 3000000 << 1 << true << true << 3000000000u;
    QTest::newRow("version 1, 600") << 600u << quint64(36000) << 1 << false << true << 60000u;
}

void TestFormatMov::durationFromMovieHeader()
{
    QFETCH(quint32, timeScale);
    QFETCH(quint64, units);
    QFETCH(int, version);
    QFETCH(bool, moovFirst);
    QFETCH(bool, large);
    QFETCH(quint32, ms);

    KVMp4Options o = driveOptions(4);
    o.timeScale = timeScale;
    o.duration = units;
    o.mvhdVersion = version;
    o.moovFirst = moovFirst;
    o.largeSizes = large;
    MOVDurationResult result;
    result.found = 7;
    result.durationMs = 7;
    QVERIFY(readDuration(KVMp4Builder::build(o), &result));
    QCOMPARE(int(result.found), 1);
    QCOMPARE(result.durationMs, ms);
}

void TestFormatMov::durationWithoutUsableTimeScale()
{
    // A header was found, but there is no length to take from it.
    for (int version : {0, 1}) {
        KVMp4Options o;
        o.mvhdVersion = version;
        o.timeScale = 0;
        MOVDurationResult result;
        QVERIFY(readDuration(KVMp4Builder::build(o), &result));
        QCOMPARE(int(result.found), 1);
        QCOMPARE(result.durationMs, 0u);

        // all-ones duration: "unknown" for the format
        o.timeScale = 1000;
        o.duration = version ? ~quint64(0) : 0xFFFFFFFFu;
        QVERIFY(readDuration(KVMp4Builder::build(o), &result));
        QCOMPARE(result.durationMs, 0u);
    }
    // More than 32 bits of milliseconds is no usable duration either.
    KVMp4Options o;
    o.mvhdVersion = 1;
    o.timeScale = 1;
    o.duration = quint64(1) << 40;
    MOVDurationResult result;
    QVERIFY(readDuration(KVMp4Builder::build(o), &result));
    QCOMPARE(result.durationMs, 0u);
}

void TestFormatMov::durationMissing()
{
    MOVDurationResult result;
    result.found = 1;
    result.durationMs = 5;
    QVERIFY(!readDuration(QByteArray(), &result));
    QCOMPARE(int(result.found), 0);
    QCOMPARE(result.durationMs, 0u);

    QVERIFY(!readDuration("this is not a movie at all, just text\n", &result));
    const QByteArray noMoov = KVMp4Builder::box("ftyp", "isom") + KVMp4Builder::box("mdat", "x");
    QVERIFY(!readDuration(noMoov, &result));
    QCOMPARE(int(result.found), 0);

    // mvhd outside moov does not count
    QByteArray stray = KVMp4Builder::build(KVMp4Options());
    KVMp4Builder::patch32(
        &stray, KVMp4Builder::boxOffset(stray, "moov") + 4, qFromBigEndian<quint32>("moof"));
    QVERIFY(!readDuration(stray, &result));

    // A zero-size atom runs to the end of its range; the walk says so and
    // stops the level (here the mdat hides the moov behind it).
    QByteArray zero = KVMp4Builder::build(KVMp4Options());
    KVMp4Builder::patch32(&zero, KVMp4Builder::boxOffset(zero, "mdat"), 0);
    QTest::ignoreMessage(
        QtInfoMsg, QRegularExpression("^ZERO ATOM: mdat \\[ .*findAtom.* \\d+ \\]$"));
    QVERIFY(!readDuration(zero, &result));

    QVERIFY(!MOVFormat::readDuration(nullptr, &result));
    FilePtr file = openBytes(KVMp4Builder::build(KVMp4Options()));
    QVERIFY(!MOVFormat::readDuration(file.get(), nullptr));
}

void TestFormatMov::sensorTrackLayouts_data()
{
    QTest::addColumn<KVMp4Options>("options");
    KVMp4Options o = driveOptions();
    QTest::newRow("moov last") << o;
    o.moovFirst = true;
    QTest::newRow("moov first") << o;
    o.largeSizes = true;
    QTest::newRow("64-bit sizes, moov first") << o;
    o.moovFirst = false;
    QTest::newRow("64-bit sizes") << o;
    o = driveOptions();
    o.samplesPerChunk = 5; // chunks of 5, 5 and the empty sample
    QTest::newRow("5 samples per chunk") << o;
    o.samplesPerChunk = 3;
    o.co64 = true;
    QTest::newRow("3 per chunk, co64") << o;
    o = driveOptions();
    o.co64 = true;
    QTest::newRow("co64") << o;
    o = driveOptions();
    o.textFirst = true;
    QTest::newRow("text track first") << o;
    o = driveOptions();
    o.videoTrack = false;
    QTest::newRow("text track only") << o;
    o = driveOptions();
    o.trailingEmpty = false;
    o.mvhdVersion = 1;
    QTest::newRow("no empty sample, version 1") << o;
    o = driveOptions();
    o.largeSizes = o.moovFirst = o.co64 = o.textFirst = true;
    o.samplesPerChunk = 4;
    QTest::newRow("everything at once") << o;
}

void TestFormatMov::sensorTrackLayouts()
{
    QFETCH(KVMp4Options, options);
    const Sensor s = readSensor(KVMp4Builder::build(options));
    QVERIFY(s.found);
    expectDrive(s, 20);
}

void TestFormatMov::ffmpegFiles_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("multiSampleChunks");
    QTest::newRow("default") << QStringList() << false;
    QTest::newRow("fast start") << QStringList{"-movflags", "+faststart"} << false;
    QTest::newRow("chunk duration") << QStringList{"-chunk_duration", "10000000"} << true;
    QTest::newRow("chunk size") << QStringList{"-chunk_size", "4096"} << true;
}

void TestFormatMov::ffmpegFiles()
{
    QFETCH(QStringList, args);
    QFETCH(bool, multiSampleChunks);
    const QString dir = KVTest::makeTempDir(QStringLiteral("ffmpeg"));
    const QString srt = dir + QStringLiteral("/drive.srt");
    const QString out = dir + QStringLiteral("/NORM201221-102047F.mp4");
    QVERIFY(KVTest::writeFile(srt, KVMp4Builder::srt(KVMp4Builder::driveTexts(20))));
    QString log;
    QVERIFY2(KVMp4Builder::ffmpegMux(srt, out, 20, args, &log), qPrintable(log));
    const QByteArray bytes = KVTest::readFile(out);
    // The fixture must really exercise what the row names.
    QCOMPARE(textTrackHasMultiSampleChunks(bytes), multiSampleChunks);

    FilePtr file(fopen(QFile::encodeName(out).constData(), "rb"), fclose);
    QVERIFY(file);
    MOVDurationResult result;
    QVERIFY(MOVFormat::readDuration(file.get(), &result));
    QVERIFY2(result.durationMs >= 20000 && result.durationMs <= 20100,
        qPrintable(QString::number(result.durationMs)));
    const Sensor s = readSensor(file.get());
    QVERIFY(s.found);
    expectDrive(s, 20);
}

void TestFormatMov::textBoundedBySampleLength()
{
    // Style boxes inside the sample, behind the text, with commas in them.
    KVMp4Options o = driveOptions(8);
    o.sampleTail = KVMp4Builder::box("styl", "1/2/3/4/5/6/7/8,1/2/3/4/5/6/7/8,");
    expectDrive(readSensor(KVMp4Builder::build(o)), 8);

    // A length field longer than its sample: the sample size bounds the text.
    o.sampleTail.clear();
    QByteArray file = KVMp4Builder::build(o);
    const qsizetype first = qFromBigEndian<quint32>(file.constData() + textBox(file, "stco") + 16);
    file[first] = char(0xFF);
    file[first + 1] = char(0xFF);
    expectDrive(readSensor(file), 8);

    // A length field shorter than the text: only that much is text, so the
    // first sample has too few parts and is dropped; the others stay.
    file = KVMp4Builder::build(o);
    file[first] = 0;
    file[first + 1] = 100;
    QTest::ignoreMessage(QtInfoMsg,
        QRegularExpression("^!!!!!!!!!!!!!!!: 3 != 41 \\[ .*kv_format_mov.cpp "
                           "MOVFormat::process_subtitle \\d+ \\]$"));
    const Sensor s = readSensor(file);
    QCOMPARE(int(s.positions.size()), 6);
    QCOMPARE(int(s.samples.size()), 120);
}

void TestFormatMov::emptySamplesAndNoTrack()
{
    // Empty samples in the middle (a gap between cues) are skipped silently.
    KVMp4Options o;
    const QList<QByteArray> drive = KVMp4Builder::driveTexts(4);
    o.texts = {drive[0], QByteArray(), QByteArray(), drive[1]};
    o.samplesPerChunk = 2;
    expectDrive(readSensor(KVMp4Builder::build(o)), 4);

    // No text track: nothing found, nothing read.
    const Sensor none = readSensor(KVMp4Builder::movie(60000));
    QVERIFY(!none.found);
    QVERIFY(none.positions.empty() && none.samples.empty());

    // A text track whose sample entry is not tx3g is not the sensor track.
    QByteArray other = KVMp4Builder::build(driveOptions(4));
    other.replace("tx3g", "wvtt");
    QVERIFY(!readSensor(other).found);
}

void TestFormatMov::partCount()
{
    const Sensor good = parse(sensorText(41));
    QCOMPARE(int(good.positions.size()), 2);
    QCOMPARE(int(good.samples.size()), 40);

    for (int parts : {40, 42, 1}) {
        QTest::ignoreMessage(QtInfoMsg,
            QRegularExpression(QStringLiteral("^!!!!!!!!!!!!!!!: %1 != 41 \\[ "
                                              ".*kv_format_mov.cpp "
                                              "MOVFormat::process_subtitle \\d+ \\]$")
                                   .arg(parts)));
        const Sensor s = parse(sensorText(parts));
        QVERIFY(s.positions.empty());
        QVERIFY(s.samples.empty());
    }
    // 40 entries without the trailing comma: 40 parts
    QByteArray noTrailing = sensorText(41);
    noTrailing.chop(1);
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^!!!!!!!!!!!!!!!: 40 != 41"));
    QVERIFY(parse(noTrailing).samples.empty());

    // The 41st part is an entry too when it has 8 fields.
    const Sensor full = parse(sensorText(41) + "a/0/1/2/3/4/5/6");
    QCOMPARE(int(full.samples.size()), 41);
}

void TestFormatMov::fixAndNumbers()
{
    const QList<QPair<QByteArray, int>> fixes{
        {"1", 1}, {"0", 0}, {"01", 0}, {"", 0}, {" 1", 0}, {"2", 0}};
    for (const auto &[fix, expected] : fixes) {
        const Sensor s = parse(sensorText(41, "x/" + fix + "/139.745300/35.658500/80/0/0/0"));
        QCOMPARE(int(s.positions.size()), 2);
        QCOMPARE(int(s.positions[0].fix), expected);
        QCOMPARE(int(s.positions[1].fix), expected);
    }
    // latitude f3, longitude f2, speed f4 a whole number. The coordinates
    // keep every decimal the recorder wrote (single precision would show
    // 139.745331 and 35.658592).
    Sensor s = parse(sensorText(41, "x/1/139.745327/35.658593/80/0/0/0"));
    QCOMPARE(s.positions[0].latitude, 35.658593);
    QCOMPARE(s.positions[0].longitude, 139.745327);
    QCOMPARE(QString::asprintf("%.06f", s.positions[0].longitude), QStringLiteral("139.745327"));
    QCOMPARE(QString::asprintf("%.06f", s.positions[0].latitude), QStringLiteral("35.658593"));
    QCOMPARE(s.positions[0].speed, 80.0);
    s = parse(sensorText(41, "x/1/east/north/12.5/0/0/0"));
    QCOMPARE(s.positions[0].latitude, 0.0);
    QCOMPARE(s.positions[0].longitude, 0.0);
    QCOMPARE(s.positions[0].speed, 0.0);
    QCOMPARE(s.positions[0].year, quint16(0));
}

void TestFormatMov::accelerationBytes()
{
    // x = f6, y = f7, z = f5; above 31 the recorder's value is v - 255
    const QList<QPair<QByteArray, float>> bytes{{"10", 1.0f}, {"1F", 1.9375f}, {"1f", 1.9375f},
        {"20", -13.9375f}, {"FF", 0.0f}, {"F0", -0.9375f}, {"0", 0.0f}, {"zz", 0.0f}, {"", 0.0f}};
    for (const auto &[hex, g] : bytes) {
        const Sensor s = parse(sensorText(41, "x/1/0/0/0/" + hex + "/" + hex + "/" + hex));
        QCOMPARE(int(s.samples.size()), 40);
        QCOMPARE(s.samples[0].x, g);
        QCOMPARE(s.samples[0].y, g);
        QCOMPARE(s.samples[39].z, g);
    }
    const Sensor axes = parse(sensorText(41, "x/1/0/0/0/01/02/03"));
    QCOMPARE(axes.samples[0].x, 2 * 0.0625f);
    QCOMPARE(axes.samples[0].y, 3 * 0.0625f);
    QCOMPARE(axes.samples[0].z, 1 * 0.0625f);
}

void TestFormatMov::malformedEntryLeavesNoHole()
{
    // Entry 5 has 7 fields and entry 0 has 9: both contribute nothing, the
    // others follow one another; the next text starts right behind.
    QByteArrayList parts;
    for (int k = 0; k < 40; ++k)
        parts << QByteArray("x/1/0/0/0/0/") + QByteArray::number(k % 16, 16) + "/0";
    parts[5] = "x/1/0/0/0/0/7";
    parts[0] = "x/1/0/0/0/0/0/0/9";
    parts << QByteArray();
    MOVFormat reader(nullptr, MOVFormat::MODE_SENSOR);
    const QByteArray text = parts.join(',');
    reader.processSubtitle(text.constData(), size_t(text.size()));
    reader.processSubtitle(text.constData(), size_t(text.size()));
    QCOMPARE(int(reader.positions().size()), 2); // entry 20 of each text
    QCOMPARE(int(reader.samples().size()), 76);
    QCOMPARE(reader.samples()[3].x, 4 * 0.0625f); // entry 4
    QCOMPARE(reader.samples()[4].x, 6 * 0.0625f); // entry 6
    QCOMPARE(reader.samples()[38].x, 1 * 0.0625f); // second text, entry 1
}

void TestFormatMov::malformed_data()
{
    // Each row: the bytes, then what must come out (-1: anything, but no crash,
    // hang or huge allocation).
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("durationMs"); // -2: no movie header
    QTest::addColumn<int>("positions"); // -2: no text track

    const QByteArray good = KVMp4Builder::build(driveOptions(20));
    const qsizetype moov = KVMp4Builder::boxOffset(good, "moov");
    const qsizetype mdat = KVMp4Builder::boxOffset(good, "mdat");
    auto patched = [](QByteArray bytes, qsizetype at, quint32 value) {
        KVMp4Builder::patch32(&bytes, at, value);
        return bytes;
    };

    QTest::newRow("good") << good << 60000 << 20;
    QTest::newRow("empty file") << QByteArray() << -2 << -2;
    QTest::newRow("one atom header") << KVMp4Builder::be32(8) << -2 << -2;
    QByteArray random(4096, '\0');
    QRandomGenerator(42).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    QTest::newRow("random bytes") << random << -2 << -2;
    QTest::newRow("random bytes behind a moov header")
        << KVMp4Builder::box("moov", random) << -1 << -1;

    // moov, the last atom, with size 0: it runs to the end of the file
    QTest::newRow("moov size 0") << patched(good, moov, 0) << 60000 << 20;
    // mdat with size 0 in front of moov hides moov
    QTest::newRow("mdat size 0") << patched(good, mdat, 0) << -2 << -2;
    for (quint32 size = 1; size <= 7; ++size) {
        if (size == 1) // a 64-bit size follows; here it is the ftyp's brand
            continue;
        QTest::addRow("moov size %u", size) << patched(good, moov, size) << -2 << -2;
        QTest::addRow("ftyp size %u", size) << patched(good, 0, size) << -2 << -2;
    }
    QTest::newRow("ftyp size 0xFFFFFFF8") << patched(good, 0, 0xFFFFFFF8) << -2 << -2;
    QTest::newRow("mdat size past the end") << patched(good, mdat, 0x7FFFFFFF) << -2 << -2;
    QTest::newRow("moov size past the end") << patched(good, moov, 0xFFFFFFF8) << 60000 << 20;
    QTest::newRow("mvhd size 0xFFFFFFF8")
        << patched(good, KVMp4Builder::boxOffset(good, "mvhd"), 0xFFFFFFF8) << 60000 << -2;

    KVMp4Options lo = driveOptions(20);
    lo.largeSizes = true;
    const QByteArray large = KVMp4Builder::build(lo);
    const qsizetype lmdat = KVMp4Builder::boxOffset(large, "mdat");
    const qsizetype lmoov = KVMp4Builder::boxOffset(large, "moov");
    QTest::newRow("64-bit mdat size all ones")
        << patched(patched(large, lmdat + 8, 0xFFFFFFFF), lmdat + 12, 0xFFFFFFFF) << -2 << -2;
    QTest::newRow("64-bit mdat size 2^32 too big") << patched(large, lmdat + 8, 1) << -2 << -2;
    QTest::newRow("64-bit moov size 8") << patched(large, lmoov + 12, 8) << -2 << -2;
    QTest::newRow("64-bit moov size 15") << patched(large, lmoov + 12, 15) << -2 << -2;

    // table counts far beyond the table: cut to what the box holds
    QTest::newRow("stsz count 0xFFFFFFFF")
        << patched(good, textBox(good, "stsz") + 16, 0xFFFFFFFF) << 60000 << 20;
    QTest::newRow("stco count 0xFFFFFFFF")
        << patched(good, textBox(good, "stco") + 12, 0xFFFFFFFF) << 60000 << 20;
    QTest::newRow("stsc count 0xFFFFFFFF")
        << patched(good, textBox(good, "stsc") + 12, 0xFFFFFFFF) << 60000 << 20;
    KVMp4Options co = driveOptions(20);
    co.co64 = true;
    const QByteArray co64 = KVMp4Builder::build(co);
    QTest::newRow("co64 count 0xFFFFFFFF")
        << patched(co64, textBox(co64, "co64") + 12, 0xFFFFFFFF) << 60000 << 20;
    QTest::newRow("co64 offset 2^63")
        << patched(co64, textBox(co64, "co64") + 16, 0x80000000) << 60000 << 18;
    QTest::newRow("stsc 0xFFFFFFFF samples per chunk")
        << patched(good, textBox(good, "stsc") + 20, 0xFFFFFFFF) << 60000 << -1;
    QTest::newRow("stsc without entries")
        << patched(good, textBox(good, "stsc") + 12, 0) << 60000 << 20;
    QTest::newRow("stsz uniform size 0xFFFFFFFF")
        << patched(good, textBox(good, "stsz") + 12, 0xFFFFFFFF) << 60000 << 0;
    QTest::newRow("chunk offset past the end")
        << patched(good, textBox(good, "stco") + 16, 0xFFFFFFF0) << 60000 << 18;

    // truncation: moov last, cut inside moov behind mvhd; moov first, cut in mdat
    QTest::newRow("truncated moov") << good.left(moov + 300) << 60000 << -1;
    KVMp4Options fo = driveOptions(20);
    fo.moovFirst = true;
    const QByteArray first = KVMp4Builder::build(fo);
    const qsizetype fmdat = KVMp4Builder::boxOffset(first, "mdat");
    QTest::newRow("truncated mdat")
        << first.left(fmdat + (first.size() - fmdat) / 2) << 60000 << -1;
    QTest::newRow("truncated at the mdat header") << first.left(fmdat + 4) << 60000 << 0;

    KVMp4Options zo = driveOptions(4);
    zo.timeScale = 0;
    QTest::newRow("time scale 0") << KVMp4Builder::build(zo) << 0 << 4;

    // 100 000 nested moov boxes: the walk does not follow them
    QByteArray nested;
    for (int i = 0; i < 100000; ++i)
        nested += KVMp4Builder::be32(quint32(8 * (100000 - i) + 8)) + "moov";
    nested += KVMp4Builder::box("free", {});
    QTest::newRow("deep nesting") << nested << -2 << -2;
    QByteArray tiny;
    for (int i = 0; i < 200000; ++i)
        tiny += KVMp4Builder::box("free", {});
    QTest::newRow("many tiny atoms") << tiny << -2 << -2;
}

void TestFormatMov::malformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, durationMs);
    QFETCH(int, positions);

    FilePtr file = openBytes(bytes);
    QVERIFY(file);
    MOVDurationResult result;
    const bool found = MOVFormat::readDuration(file.get(), &result);
    if (durationMs == -2) {
        QVERIFY(!found);
    } else if (durationMs >= 0) {
        QVERIFY(found);
        QCOMPARE(int(result.durationMs), durationMs);
    }
    const Sensor s = readSensor(file.get());
    // never more than the file can hold: 2 positions and 41 samples per text
    // of at least 41 bytes
    QVERIFY(s.samples.size() <= size_t(bytes.size()));
    if (positions == -2) {
        QVERIFY(!s.found);
        QVERIFY(s.positions.empty() && s.samples.empty());
    } else if (positions >= 0) {
        QVERIFY(s.found);
        QCOMPARE(int(s.positions.size()), positions);
        QCOMPARE(int(s.samples.size()), positions * 20);
    }
}

void TestFormatMov::repeatedChunksParseNoMoreThanTheFile()
{
    // Every chunk offset points at the same text: the reader parses no more
    // text than the file holds, however many chunks say so.
    KVMp4Options o;
    o.videoTrack = false;
    o.trailingEmpty = false;
    o.texts = QList<QByteArray>(2000, KVMp4Builder::driveTexts(2).first());
    QByteArray file = KVMp4Builder::build(o);
    const qsizetype stco = KVMp4Builder::boxOffset(file, "stco");
    const quint32 firstChunk = qFromBigEndian<quint32>(file.constData() + stco + 16);
    for (int i = 1; i < 2000; ++i)
        KVMp4Builder::patch32(&file, stco + 16 + 4 * i, firstChunk);
    // cut the mdat's copies of the text: only one is left in the file
    const qsizetype mdat = KVMp4Builder::boxOffset(file, "mdat");
    const qsizetype textSize = o.texts.first().size() + 2;
    const QByteArray moov = file.mid(KVMp4Builder::boxOffset(file, "moov"));
    // (chunk offsets stay valid: the text still starts right behind the mdat header)
    const QByteArray small
        = file.left(mdat) + KVMp4Builder::box("mdat", file.mid(mdat + 8, textSize)) + moov;
    const Sensor s = readSensor(small);
    QVERIFY(s.found);
    QVERIFY2(s.positions.size() / 2 <= size_t(small.size()) / size_t(textSize - 2),
        qPrintable(QStringLiteral("%1 positions from %2 bytes")
                       .arg(s.positions.size())
                       .arg(small.size())));
    QVERIFY(s.positions.size() >= 2);
}

// Lines logged while reading, for the tests that count them.
QStringList g_logged;
void collectLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    g_logged << text;
}

void TestFormatMov::manyTinyTextsAreBounded()
{
    // A damaged track of 150 000 one-byte texts (the recorder writes one
    // text of about 1 kB per 2 s), with a good text first and last: the
    // reader stops after kMaxTexts samples and logs the wrong-shaped texts
    // a few at a time, not once each.
    const QByteArray good = KVMp4Builder::driveTexts(2).first();
    KVMp4Options o;
    o.videoTrack = false;
    o.trailingEmpty = false;
    o.samplesPerChunk = 500;
    o.texts = QList<QByteArray>(150000, QByteArray("A"));
    o.texts.first() = good;
    o.texts.last() = good;
    const QByteArray file = KVMp4Builder::build(o);

    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectLog);
    const Sensor s = readSensor(file);
    qInstallMessageHandler(previous);

    QVERIFY(s.found);
    QCOMPARE(int(s.positions.size()), 2); // the first text only
    QCOMPARE(int(s.samples.size()), 40);
    const QStringList drops = g_logged.filter(QStringLiteral("!!!!!!!!!!!!!!!:"));
    QCOMPARE(drops.size(), MOVFormat::kMaxLoggedDrops);
    QCOMPARE(g_logged.filter(QStringLiteral("cut to")).size(), 1);
    const QStringList summary = g_logged.filter(QStringLiteral("wrong shape"));
    QCOMPARE(summary.size(), 1);
    QVERIFY2(summary.first().contains(QString::number(MOVFormat::kMaxTexts - 1)),
        qPrintable(summary.first()));
    QVERIFY2(g_logged.size() <= MOVFormat::kMaxLoggedDrops + 3, qPrintable(g_logged.join('\n')));
}

void TestFormatMov::trackOfNoiseIsGivenUp()
{
    // A track whose tables point into other data (a damaged header): texts
    // of noise, read on the thread that opens the recording. After
    // kMaxDropsBeforeFirstText of them without a single sensor text the
    // reader gives up; a track with some noise before its first text is
    // read whole.
    const QByteArray good = KVMp4Builder::driveTexts(2).first();
    const QByteArray noise(900, char(0xFF));
    for (const int before :
        {MOVFormat::kMaxDropsBeforeFirstText - 1, MOVFormat::kMaxDropsBeforeFirstText, 3000}) {
        KVMp4Options o;
        o.videoTrack = false;
        o.trailingEmpty = false;
        o.samplesPerChunk = 100;
        o.texts = QList<QByteArray>(before, noise);
        o.texts << good;
        g_logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectLog);
        const Sensor s = readSensor(KVMp4Builder::build(o));
        qInstallMessageHandler(previous);
        QVERIFY(s.found);
        const bool givenUp = before >= MOVFormat::kMaxDropsBeforeFirstText;
        QCOMPARE(int(s.positions.size()), givenUp ? 0 : 2);
        QCOMPARE(g_logged.filter(QStringLiteral("not read further")).size(), givenUp ? 1 : 0);
        if (givenUp) {
            const QStringList summary = g_logged.filter(QStringLiteral("wrong shape"));
            QCOMPARE(summary.size(), 1);
            QVERIFY2(summary.first().contains(QString::number(MOVFormat::kMaxDropsBeforeFirstText)),
                qPrintable(summary.first()));
        }
    }
}

QTEST_GUILESS_MAIN(TestFormatMov)
#include "tst_format_mov.moc"
