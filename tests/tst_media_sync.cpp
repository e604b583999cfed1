// Two players on one clock, as the dual player drives them: front and rear
// files of one demo recording, both master clocks aligned on the main
// player's seekFinished. The frame numbers shown at the same moment differ by
// at most one frame while playing (1x and 0.5x) and are identical after every
// pause and seek.

#include "kv_media_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"
#include "media/timesource.h"

#include <QRandomGenerator>
#include <QSignalSpy>

#include <algorithm>

using namespace kvm;

class TestMediaSync : public QObject
{
    Q_OBJECT

private:
    QString _front;
    QString _rear;

    struct Pair {
        AVPlayer front;
        AVPlayer rear;
        NullRenderer frontOut;
        NullRenderer rearOut;
        AVClock clock{AVClock::ExternalClock};

        Pair()
        {
            front.setRenderer(&frontOut);
            rear.setRenderer(&rearOut);
            rear.setSecondary(true);
            front.setRelativeTimeMode(false);
            rear.setRelativeTimeMode(false);
            // The main player's seek re-aligns every clock on one value.
            QObject::connect(&front, &AVPlayer::seekFinished, &front, [this](qint64 pos) {
                clock.updateExternalClock(pos);
                front.masterClock()->updateExternalClock(clock);
                rear.masterClock()->updateExternalClock(clock);
            });
        }
    };

    static bool loadBoth(Pair &p, const QString &front, const QString &rear)
    {
        p.front.setFile(front);
        p.rear.setFile(rear);
        p.front.load();
        p.rear.load();
        for (int i = 0; i < 500 && !(p.front.isLoaded() && p.rear.isLoaded()); ++i)
            QTest::qWait(10);
        return p.front.isLoaded() && p.rear.isLoaded();
    }
    // Seeks both to ms (as the player core does) and waits for both.
    static bool seekBoth(Pair &p, qint64 ms)
    {
        QSignalSpy f(&p.front, &AVPlayer::seekFinished);
        QSignalSpy r(&p.rear, &AVPlayer::seekFinished);
        p.front.seek(ms);
        p.rear.seek(ms);
        return (f.count() > 0 || f.wait(5000)) && (r.count() > 0 || r.wait(5000));
    }
    // For every frame shown by a, the frame b shows at that moment; returns
    // the share of moments where they differ by at most one frame.
    static double shareWithinOne(const QList<NullRenderer::Record> &a,
        const QList<NullRenderer::Record> &b, qint64 fromNs, int *worst)
    {
        int total = 0;
        int good = 0;
        for (const NullRenderer::Record &ra : a) {
            if (ra.atNs < fromNs)
                continue;
            const NullRenderer::Record *shown = nullptr;
            for (const NullRenderer::Record &rb : b)
                if (rb.atNs <= ra.atNs)
                    shown = &rb;
            if (!shown)
                continue;
            ++total;
            const int diff = std::abs(ra.frameNumber - shown->frameNumber);
            *worst = std::max(*worst, diff);
            if (diff <= 1)
                ++good;
        }
        return total ? double(good) / total : 0.0;
    }

private slots:
    void initTestCase()
    {
        AudioOutput::forceNoDeviceForTests();
        const QString dir = KVTest::makeTempDir(QStringLiteral("sync"));
        QString why;
        const QStringList fronts
            = KVMediaFixture::makeCard(dir, QSize(1280, 720), QSize(640, 360), 8, 4, &why);
        QVERIFY2(!fronts.isEmpty(), qPrintable(why));
        _front = fronts.first();
        _rear = KVMediaFixture::rearOf(_front);
        QVERIFY(QFileInfo::exists(_rear));
    }

    void playingTogether_data()
    {
        QTest::addColumn<double>("speed");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("0.5x") << 0.5;
    }
    void playingTogether()
    {
        QFETCH(double, speed);
        Pair p;
        QVERIFY(loadBoth(p, _front, _rear));
        p.clock.setSpeed(speed);
        p.front.setSpeed(speed);
        p.rear.setSpeed(speed);
        p.clock.start();
        p.front.play();
        p.rear.play();
        QVERIFY(seekBoth(p, 500));
        const qint64 from = kvm::nowNs() + 100'000'000; // settled 100 ms after the seek
        QTest::qWait(int(2500 * std::min(1.0, speed * 1.5)));
        p.front.pause(true);
        p.rear.pause(true);
        int worst = 0;
        const double frontView
            = shareWithinOne(p.frontOut.records(), p.rearOut.records(), from, &worst);
        const double rearView
            = shareWithinOne(p.rearOut.records(), p.frontOut.records(), from, &worst);
        qInfo() << "speed" << speed << "within one frame:" << frontView << rearView << "worst"
                << worst << "late" << p.front.statistics().late << p.rear.statistics().late;
        QVERIFY(p.frontOut.count() > 20);
        QVERIFY2(frontView >= 0.999 && rearView >= 0.999,
            qPrintable(QStringLiteral("%1 %2").arg(frontView).arg(rearView)));
        p.front.stop();
        p.rear.stop();
    }

    // Seeks while playing: the secondary (faster to decode) stays on its
    // target until the main player's seekFinished has aligned the clocks,
    // instead of running ahead, so once both have reported the seek the two
    // pictures are at most one frame apart.
    void seekWhilePlaying()
    {
        Pair p;
        QVERIFY(loadBoth(p, _front, _rear));
        p.clock.start();
        p.front.play();
        p.rear.play();
        QVERIFY(seekBoth(p, 0));
        QRandomGenerator random(815);
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(200 + random.bounded(300));
            const qint64 target = random.bounded(6000);
            const int expected = int(target * 30 / 1000);
            const int from = p.rearOut.count();
            qint64 alignedNs = 0;
            // Connected after the aligning handler: runs once it is done.
            const auto connection = QObject::connect(&p.front, &AVPlayer::seekFinished, &p.front,
                [&alignedNs] { alignedNs = kvm::nowNs(); });
            const bool done = seekBoth(p, target);
            QObject::disconnect(connection);
            QVERIFY(done);
            const int shownFront = p.frontOut.lastRecord().frameNumber;
            const int shownRear = p.rearOut.lastRecord().frameNumber;
            const QList<NullRenderer::Record> rear = p.rearOut.records();
            for (qsizetype k = from; k < rear.size(); ++k)
                if (rear.at(k).serial == rear.last().serial && rear.at(k).atNs < alignedNs)
                    QCOMPARE(rear.at(k).frameNumber, expected);
            QVERIFY2(std::abs(shownFront - shownRear) <= 1,
                qPrintable(QStringLiteral("front %1 rear %2").arg(shownFront).arg(shownRear)));
        }
        p.front.stop();
        p.rear.stop();
    }

    void identicalAfterPauseAndSeek()
    {
        Pair p;
        QVERIFY(loadBoth(p, _front, _rear));
        p.clock.start();
        p.front.play();
        p.rear.play();
        QVERIFY(seekBoth(p, 0));
        QRandomGenerator random(4711);
        for (int i = 0; i < 6; ++i) {
            QTest::qWait(150 + random.bounded(300));
            // A pause as the player core makes it: both stop, then both go to
            // the main player's position.
            p.front.pause(true);
            p.rear.pause(true);
            const qint64 at = p.front.position();
            QVERIFY(seekBoth(p, at));
            QCOMPARE(p.frontOut.lastRecord().frameNumber, p.rearOut.lastRecord().frameNumber);
            // A seek elsewhere while paused.
            const qint64 target = random.bounded(7000);
            QVERIFY(seekBoth(p, target));
            QCOMPARE(p.frontOut.lastRecord().frameNumber, p.rearOut.lastRecord().frameNumber);
            QCOMPARE(p.frontOut.lastRecord().frameNumber, int(target * 30 / 1000));
            p.front.pause(false);
            p.rear.pause(false);
        }
        p.front.stop();
        p.rear.stop();
    }
};

KV_TEST_MAIN(TestMediaSync)
#include "tst_media_sync.moc"
