// A short smoke run of the reader's fuzz entry under the normal build: the
// seed corpus from the MP4 builder, then a few thousand deterministic
// mutations of it (byte flips, interesting 32-bit values at box fields,
// truncations). The real fuzzing runs with libFuzzer (tools/korvid-fuzz-mov).
//
// With KV_FUZZ_SEEDS=<folder> set, the seed corpus is also written there as
// the starting corpus of a libFuzzer run.

#include "kv_fuzz_mov_entry.h"
#include "kv_mp4_builder.h"
#include "kv_test_util.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

namespace
{

int g_messages = 0;

void countMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
    ++g_messages;
}

QList<QByteArray> seedCorpus()
{
    QList<QByteArray> seeds;
    KVMp4Options o;
    o.texts = KVMp4Builder::driveTexts(6);
    o.timeScale = 90000;
    o.duration = 6 * 90000;
    seeds += KVMp4Builder::build(o);
    o.moovFirst = true;
    o.samplesPerChunk = 2;
    seeds += KVMp4Builder::build(o);
    o.largeSizes = true;
    o.co64 = true;
    o.mvhdVersion = 1;
    seeds += KVMp4Builder::build(o);
    o = KVMp4Options();
    o.texts = KVMp4Builder::driveTexts(4, "0");
    o.textFirst = true;
    o.timeScale = 600;
    o.duration = 2400;
    seeds += KVMp4Builder::build(o);
    o = KVMp4Options();
    o.texts = KVMp4Builder::driveTexts(2);
    o.videoTrack = false;
    o.sampleTail = KVMp4Builder::box("styl", "1/2/3/4/5/6/7/8,");
    seeds += KVMp4Builder::build(o);
    seeds += KVMp4Builder::movie(65500);
    seeds += QByteArray();
    return seeds;
}

QByteArray mutate(const QByteArray &seed, QRandomGenerator &rng)
{
    QByteArray m = seed;
    if (m.isEmpty())
        return QByteArray(int(rng.bounded(64)), char(rng.bounded(256)));
    static const quint32 interesting[] = {0, 1, 2, 7, 8, 15, 16, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF8,
        0xFFFFFFFF, 0x00010000, 41, 0xFFFF};
    const int edits = 1 + int(rng.bounded(4));
    for (int e = 0; e < edits; ++e) {
        switch (rng.bounded(4)) {
        case 0: // flip one byte
            m[qsizetype(rng.bounded(m.size()))] ^= char(1 + rng.bounded(255));
            break;
        case 1: // an interesting value where a box field may be
            if (m.size() >= 4) {
                const qsizetype at = qsizetype(rng.bounded(m.size() / 4)) * 4;
                const quint32 v = interesting[rng.bounded(int(std::size(interesting)))];
                KVMp4Builder::patch32(&m, at, v);
            }
            break;
        case 2: // the size field of a box, found by its type
        {
            static const char *types[] = {"moov", "mvhd", "trak", "mdia", "minf", "stbl", "stsd",
                "stsz", "stco", "co64", "stsc", "mdat"};
            const qsizetype at = KVMp4Builder::boxOffset(m, types[rng.bounded(12)]);
            if (at >= 0) {
                const quint32 v = interesting[rng.bounded(int(std::size(interesting)))];
                KVMp4Builder::patch32(&m, at + 4 * qsizetype(rng.bounded(5)), v);
            }
            break;
        }
        default: // truncate
            m.truncate(qsizetype(rng.bounded(m.size() + 1)));
            if (m.isEmpty())
                return m;
        }
    }
    return m;
}

} // namespace

class TestFuzzSmoke : public QObject
{
    Q_OBJECT

private slots:
    void seeds();
    void mutations();
};

void TestFuzzSmoke::seeds()
{
    const QList<QByteArray> corpus = seedCorpus();
    const QString folder = qEnvironmentVariable("KV_FUZZ_SEEDS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        for (const QByteArray &seed : corpus) {
            const QString name
                = QCryptographicHash::hash(seed, QCryptographicHash::Sha1).toHex().left(16);
            QVERIFY(KVMp4Builder::writeFile(folder + QLatin1Char('/') + name, seed));
        }
    }
    for (const QByteArray &seed : corpus)
        QCOMPARE(kvFuzzMovInput(
                     reinterpret_cast<const uint8_t *>(seed.constData()), size_t(seed.size())),
            0);
}

void TestFuzzSmoke::mutations()
{
    const QList<QByteArray> corpus = seedCorpus();
    QRandomGenerator rng(20201221);
    g_messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countMessage);
    int failures = 0;
    QByteArray firstFailure;
    for (int i = 0; i < 4000; ++i) {
        const QByteArray input = mutate(corpus[i % corpus.size()], rng);
        const int r = kvFuzzMovInput(
            reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
        if (r != 0 && failures++ == 0)
            firstFailure = input;
    }
    qInstallMessageHandler(previous);
    if (failures) {
        const QString path = KVTest::tempRoot() + QStringLiteral("/fuzz-failure.mp4");
        KVMp4Builder::writeFile(path, firstFailure);
        QFAIL(qPrintable(QStringLiteral("%1 inputs broke an invariant; first one in %2")
                             .arg(failures)
                             .arg(path)));
    }
    // The damage was noticed, not silently passed over.
    QVERIFY(g_messages > 0);
}

QTEST_GUILESS_MAIN(TestFuzzSmoke)
#include "tst_fuzz_smoke.moc"
