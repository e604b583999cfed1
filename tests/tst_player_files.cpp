// The dual player on recordings whose files differ from the demo cards: the
// front and rear files of different lengths and frame rates (the longer one
// ends with the shorter), and files whose first time stamp is not 0 (the
// positions, the end and the sensor displays count from the file's start).

#include "kv_media_fixtures.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "core/kv_player.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"

#include <QDir>
#include <QSignalSpy>

#include <cmath>

using namespace KVPlayerFixture;

class TestPlayerFiles : public QObject
{
    Q_OBJECT

private:
    KVPlayer *_player = nullptr;
    QString _dir;

    // A demo recording (front 320x180, rear 160x90) of seconds at fps; the
    // front file.
    QString card(const QString &name, int fps, int seconds)
    {
        return KVMediaFixture::makeSmallRecording(_dir + QLatin1Char('/') + name, fps, seconds);
    }
    static int frameOf(kvm::AVPlayer *player)
    {
        return kvm::VideoFrame(player->presentedFrame()).frameNumber();
    }

private slots:
    void initTestCase()
    {
        kvm::AudioOutput::forceNoDeviceForTests();
        _player = nullPlayer();
        _dir = KVTest::makeTempDir(QStringLiteral("files"));
    }

    void init() { resetPlayer(_player); }

    // Front 6 s at 30 fps, rear 4 s at 25 fps (and the other way round):
    // both end at 4 s, the longer one on its frame before 4 s, and the
    // recording ends once.
    void differentLengthsAndRates_data()
    {
        QTest::addColumn<bool>("rearLonger");
        QTest::newRow("front longer") << false;
        QTest::newRow("rear longer") << true;
    }
    void differentLengthsAndRates()
    {
        QFETCH(bool, rearLonger);
        const QString six = card(QStringLiteral("six%1").arg(rearLonger), 30, 6);
        const QString four = card(QStringLiteral("four%1").arg(rearLonger), 25, 4);
        QVERIFY(!six.isEmpty() && !four.isEmpty());
        KVVideoItemRef item = rearLonger ? makeItem(four, KVMediaFixture::rearOf(six))
                                         : makeItem(six, KVMediaFixture::rearOf(four));
        QVERIFY(loadAndWait(_player, item.data()));
        kvm::AVPlayer *front = _player->frontPlayer();
        kvm::AVPlayer *rear = _player->rearPlayer();
        QCOMPARE(front->duration(), 4000);
        QCOMPARE(rear->duration(), 4000);
        const double frontFps = rearLonger ? 25 : 30;
        const double rearFps = rearLonger ? 30 : 25;
        kvm::NullRenderer rearOut;
        rear->addVideoRenderer(&rearOut);
        auto *frontOut = static_cast<kvm::NullRenderer *>(_player->renderer());

        // Paused, both show the moment of a seek.
        _player->onPlayOrPause();
        QVERIFY(_player->isPaused());
        for (qint64 at : {1000, 2000, 1960}) {
            _player->seek(at, false);
            QTRY_COMPARE_WITH_TIMEOUT(frontOut->lastRecord().frameNumber,
                int(std::floor(at * frontFps / 1000 + 1e-9)), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(rearOut.lastRecord().frameNumber,
                int(std::floor(at * rearFps / 1000 + 1e-9)), 5000);
        }
        EventLog log(_player);
        _player->onPlayOrPause();
        QVERIFY(log.waitFor(PLAY_STOPPED, 8000));
        QTest::qWait(300);
        QVERIFY(_player->isStopped());
        QCOMPARE(log.count(PLAY_LOADING), 0);
        QCOMPARE(frontOut->lastRecord().frameNumber, int(4 * frontFps) - 1);
        QCOMPARE(rearOut.lastRecord().frameNumber, int(4 * rearFps) - 1);
        rear->removeVideoRenderer(&rearOut);
    }

    // The front file's time stamps start at 2 s, the rear file's at 0: the
    // recording plays from its start (not ended at once), positions count
    // from 0 to the duration, both cameras show the same moment after a
    // seek, and the end comes once, at the end.
    void firstTimeStampNotZero()
    {
        const QString front = card(QStringLiteral("offset"), 30, 5);
        QVERIFY(!front.isEmpty());
        const QString shifted = _dir + QStringLiteral("/offset/shifted/NORM201221-100000F.mp4");
        QDir().mkpath(QFileInfo(shifted).absolutePath());
        QCOMPARE(KVMediaFixture::runFfmpeg(
                     {QStringLiteral("-i"), front, QStringLiteral("-c"), QStringLiteral("copy"),
                         QStringLiteral("-output_ts_offset"), QStringLiteral("2"), shifted}),
            QString());
        KVVideoItemRef item = makeItem(shifted, KVMediaFixture::rearOf(front));
        QList<qint64> positions;
        QList<qint64> durations;
        QMetaObject::Connection c = connect(
            _player, &KVPlayerBase::positionChanged, this, [&](qint64 position, qint64 total) {
                positions << position;
                durations << total;
            });
        QVERIFY(loadAndWait(_player, item.data()));
        EventLog log(_player);
        QTest::qWait(1500);
        QCOMPARE(log.count(PLAY_STOPPED), 0);
        QVERIFY(_player->mainPlayer()->isPlaying());
        QVERIFY(!positions.isEmpty());
        for (qint64 p : positions)
            QVERIFY2(p >= 0 && p < 2500, qPrintable(QString::number(p)));
        QCOMPARE(durations.last(), 5000);

        auto *frontOut = static_cast<kvm::NullRenderer *>(_player->renderer());
        kvm::NullRenderer rearOut;
        _player->rearPlayer()->addVideoRenderer(&rearOut);
        _player->onPlayOrPause();
        for (qint64 at : {1000, 2500}) {
            _player->seek(at, false);
            const int wanted = int(at * 30 / 1000);
            QTRY_COMPARE_WITH_TIMEOUT(frontOut->lastRecord().frameNumber, wanted, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(rearOut.lastRecord().frameNumber, wanted, 5000);
            QCOMPARE(_player->lastPosition(), at);
        }
        // Playing on together, then to the end.
        positions.clear();
        _player->onPlayOrPause();
        QTest::qWait(800);
        QVERIFY(
            std::abs(frontOut->lastRecord().frameNumber - rearOut.lastRecord().frameNumber) <= 1);
        QVERIFY(log.waitFor(PLAY_STOPPED, 8000));
        disconnect(c);
        QCOMPARE(frontOut->lastRecord().frameNumber, 149);
        for (qint64 p : positions)
            QVERIFY2(p >= 2500 && p <= 5000, qPrintable(QString::number(p)));
        _player->rearPlayer()->removeVideoRenderer(&rearOut);
    }
};

KV_TEST_MAIN(TestPlayerFiles)
#include "tst_player_files.moc"
