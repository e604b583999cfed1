// The player of the playback layer on real files: load, play, pause, stop,
// exact seeks checked by the frame-number strip, fixed duration, first-frame
// signal, frame skip, filters, capture, broken files, and no sound device.

#include "kv_comma_locale.h"
#include "kv_media_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "media/audiooutput.h"
#include "media/avfilter.h"
#include "media/avplayer.h"
#include "media/framestrip.h"
#include "media/nullrenderer.h"
#include "media/session.h"
#include "media/videocapture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtEndian>

#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kvm;

namespace
{

// The frame number a clip of fps frames per second shows at ms.
int frameAt(qint64 ms, double fps = 30.0)
{
    return int(std::floor(double(ms) * fps / 1000.0 + 1e-9));
}

double meanLuma(const QImage &image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            sum += row[x];
    }
    return sum / double(grey.width() * grey.height());
}

double meanDifference(const QImage &a, const QImage &b)
{
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    if (ga.size() != gb.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < ga.height(); ++y)
        for (int x = 0; x < ga.width(); ++x)
            sum += std::abs(int(ga.constScanLine(y)[x]) - int(gb.constScanLine(y)[x]));
    return sum / double(ga.width() * ga.height());
}

} // namespace

class TestMediaPlayer : public QObject
{
    Q_OBJECT

private:
    QString _front; // 640x360, 6 s, strip, sound
    QString _clip; // ffmpeg testsrc2 320x240, 3 s, no sound
    QString _dir;

    // Loads path into player and waits for the end of the load.
    bool loadAndWait(AVPlayer &player, const QString &path)
    {
        QSignalSpy status(&player, &AVPlayer::mediaStatusChanged);
        player.setFile(path);
        if (!player.load())
            return false;
        for (int i = 0; i < 500 && !player.isLoaded() && player.mediaStatus() != InvalidMedia; ++i)
            QTest::qWait(10);
        return player.isLoaded();
    }
    // Plays, pauses and waits until the first frame is shown.
    bool startPaused(AVPlayer &player)
    {
        QSignalSpy first(&player, &AVPlayer::firstFrameNotify);
        player.play();
        player.pause(true);
        return first.count() > 0 || first.wait(5000);
    }
    bool seekAndWait(AVPlayer &player, qint64 ms)
    {
        QSignalSpy done(&player, &AVPlayer::seekFinished);
        player.seek(ms);
        return done.wait(5000);
    }

private slots:
    void initTestCase()
    {
        AudioOutput::forceNoDeviceForTests();
        _dir = KVTest::makeTempDir(QStringLiteral("media"));
        QString why;
        const QStringList fronts = KVMediaFixture::makeCard(
            _dir + QStringLiteral("/card"), QSize(640, 360), QSize(320, 180), 6, 4, &why);
        QVERIFY2(!fronts.isEmpty(), qPrintable(why));
        _front = fronts.first();
        _clip = _dir + QStringLiteral("/clip.mp4");
        why = KVMediaFixture::makeTestClip(_clip, QSize(320, 240), 3);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    void loadPlayPauseStop()
    {
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QSignalSpy status(&player, &AVPlayer::mediaStatusChanged);
        QSignalSpy started(&player, &AVPlayer::started);
        QSignalSpy stopped(&player, &AVPlayer::stopped);
        QSignalSpy positions(&player, &AVPlayer::positionChanged);
        QVERIFY(loadAndWait(player, _front));
        QCOMPARE(status.at(0).at(0).value<MediaStatus>(), LoadingMedia);
        QCOMPARE(status.at(1).at(0).value<MediaStatus>(), LoadedMedia);
        QVERIFY(std::abs(player.duration() - 6000) <= 40);
        QCOMPARE(player.videoSize(), QSize(640, 360));
        QVERIFY(player.hasAudio());

        player.play();
        QCOMPARE(player.state(), AVPlayer::PlayingState);
        QCOMPARE(started.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 600, 5000);
        const int presentedWhilePlaying = renderer.count();
        QVERIFY(presentedWhilePlaying >= 10);
        // Positions only come with presented frames.
        QVERIFY(positions.count() <= int(player.statistics().presented) + 1);

        player.pause(true);
        QVERIFY(player.isPaused());
        const int atPause = renderer.count();
        const qint64 positionAtPause = player.position();
        QTest::qWait(300);
        QCOMPARE(renderer.count(), atPause); // pause took effect when pause() returned
        QCOMPARE(player.position(), positionAtPause);

        player.pause(false);
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > positionAtPause + 200, 5000);

        player.stop();
        QCOMPARE(player.state(), AVPlayer::StoppedState);
        const int atStop = renderer.count();
        QVERIFY(stopped.wait(2000));
        QTest::qWait(100);
        QCOMPARE(renderer.count(), atStop);
        QCOMPARE(stopped.count(), 1);
        QVERIFY(player.isLoaded());

        // Played again after a stop (the file is opened again by the threads).
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(renderer.count() > atStop + 5, 5000);
        player.stop();

        // Another file: the picture of the last one is gone at once, before
        // the new one loads, so a renderer attached meanwhile gets nothing.
        QVERIFY(player.presentedFrame().isValid());
        player.setFile(_clip);
        QVERIFY(!player.presentedFrame().isValid());
        NullRenderer late;
        player.addVideoRenderer(&late);
        QCOMPARE(late.count(), 0);
        player.removeVideoRenderer(&late);
    }

    void accurateSeekShowsTheTarget()
    {
        AVPlayer player;
        player.setSeekType(AccurateSeek);
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        QVERIFY(startPaused(player));
        QRandomGenerator random(20201221);
        for (int i = 0; i < 20; ++i) {
            const qint64 target = random.bounded(5900);
            QVERIFY2(seekAndWait(player, target), qPrintable(QString::number(target)));
            QCOMPARE(renderer.lastRecord().frameNumber, frameAt(target));
            QCOMPARE(player.position(), target);
        }
        // While playing the target is shown too, then playback goes on from it.
        player.pause(false);
        QSignalSpy done(&player, &AVPlayer::seekFinished);
        renderer.clear();
        player.seek(2500);
        QVERIFY(done.wait(5000));
        QVERIFY(renderer.count() >= 1);
        QCOMPARE(renderer.records().first().frameNumber, frameAt(2500));
        QTRY_VERIFY_WITH_TIMEOUT(renderer.lastRecord().frameNumber >= frameAt(2500) + 6, 3000);
        for (const NullRenderer::Record &r : renderer.records())
            QVERIFY(r.frameNumber >= frameAt(2500)); // nothing from before the seek
        player.stop();
    }

    // The core pauses by pausing and then seeking to the position (and
    // does the same on resume and zoom): the picture must not step back.
    // Every position a frame is reported at lies within that frame.
    void seekToThePositionKeepsTheFrame()
    {
        AVPlayer player;
        player.setSeekType(AccurateSeek);
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        QVERIFY(startPaused(player));
        for (int n = 1; n <= 12; ++n) {
            const qint64 start = qint64(std::ceil(n * 1000.0 / 30.0));
            QVERIFY(seekAndWait(player, start));
            QCOMPARE(renderer.lastRecord().frameNumber, n);
            QVERIFY(seekAndWait(player, player.position()));
            QCOMPARE(renderer.lastRecord().frameNumber, n);
        }
        QRandomGenerator random(1208);
        for (int i = 0; i < 10; ++i) {
            player.pause(false);
            QTest::qWait(60 + random.bounded(140));
            player.pause(true);
            const int shown = renderer.lastRecord().frameNumber;
            QVERIFY(seekAndWait(player, player.position()));
            QVERIFY2(renderer.lastRecord().frameNumber == shown,
                qPrintable(QStringLiteral("%1 after %2 at %3")
                               .arg(renderer.lastRecord().frameNumber)
                               .arg(shown)
                               .arg(player.position())));
        }
        player.stop();
    }

    void fixedDurationEndsTheFile_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("keep display") << int(MediaEndAction_KeepDisplay);
        QTest::newRow("default") << int(MediaEndAction_Default);
    }
    void fixedDurationEndsTheFile()
    {
        QFETCH(int, action);
        AVPlayer player;
        player.setMediaEndAction(MediaEndAction(action));
        player.setRelativeTimeMode(false);
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        player.setFixedDuration(1500);
        QCOMPARE(player.duration(), qint64(1500));
        QCOMPARE(player.mediaStopPosition(), qint64(1500));
        QSignalSpy status(&player, &AVPlayer::mediaStatusChanged);
        QSignalSpy positions(&player, &AVPlayer::positionChanged);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.mediaStatus() == EndOfMedia, 6000);
        QCOMPARE(positions.last().at(0).toLongLong(), qint64(1500));
        QVERIFY(player.isPlaying()); // it does not stop by itself
        for (const NullRenderer::Record &r : renderer.records())
            QVERIFY(r.frameNumber < frameAt(1500));
        QCOMPARE(renderer.lastRecord().frameNumber, frameAt(1500) - 1);
        QCOMPARE(renderer.currentFrame().isValid(), action == MediaEndAction_KeepDisplay);
        // A seek back leaves the end.
        QVERIFY(seekAndWait(player, 500));
        QVERIFY(player.mediaStatus() != EndOfMedia);
        player.stop();
    }

    void firstFrameOncePerLoad()
    {
        AVPlayer player;
        QSignalSpy first(&player, &AVPlayer::firstFrameNotify);
        QVERIFY(loadAndWait(player, _clip));
        player.play();
        QVERIFY(first.wait(5000));
        player.seek(1000);
        QTest::qWait(300);
        player.stop();
        player.play(); // same load: no second signal
        QTest::qWait(400);
        QCOMPARE(first.count(), 1);
        QCOMPARE(first.at(0).at(0).toDouble(), 0.0);
        player.stop();
        QVERIFY(loadAndWait(player, _clip));
        player.play();
        QVERIFY(first.wait(5000));
        QCOMPARE(first.count(), 2);
        player.stop();
    }

    void frameSkipEightAtDoubleSpeed()
    {
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        setFrameSkip(8);
        player.setSpeed(2.0);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 4000, 6000);
        player.stop();
        setFrameSkip(0);
        const QList<NullRenderer::Record> records = renderer.records();
        QVERIFY(records.size() >= 8);
        for (int i = 1; i < records.size(); ++i) {
            const int step = records[i].frameNumber - records[i - 1].frameNumber;
            QVERIFY2(step > 0 && step % 8 == 0, qPrintable(QString::number(step)));
        }
        // 4 s of 30 fps at 2x with one of 8 shown: about 15 frames, and the
        // clock ran at twice the speed.
        QVERIFY(player.statistics().skipped >= 7 * (records.size() - 1));
    }

    void filtersFlipAndBrighten()
    {
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QSignalSpy errors(&player, &AVPlayer::error);
        QVERIFY(loadAndWait(player, _clip));
        QVERIFY(startPaused(player));
        QVERIFY(seekAndWait(player, 1000));
        const QImage plain = renderer.currentFrame().toImage();
        QVERIFY(!plain.isNull());

        LibAVFilterVideo flip;
        QVERIFY(flip.installTo(&player));
        flip.setOptions(QStringLiteral("format=pix_fmts=rgb24,hflip,vflip"));
        QVERIFY(seekAndWait(player, 1000)); // the refresh seek shows it on the paused picture
        const VideoFrame flipped = renderer.currentFrame();
        QCOMPARE(flipped.pixelFormat(), AV_PIX_FMT_RGB24);
        const QImage back = flipped.toImage().mirrored(true, true);
        QVERIFY(meanDifference(back, plain) < 3.0);
        QVERIFY(meanDifference(flipped.toImage(), plain) > 10.0);

        // A second filter runs after the first.
        LibAVFilterVideo eq;
        QVERIFY(eq.installTo(&player));
        eq.setOptions(QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.200:contrast=1.000"));
        QVERIFY(seekAndWait(player, 1000));
        const QImage bright = renderer.currentFrame().toImage();
        QVERIFY(meanLuma(bright) > meanLuma(plain) + 20);
        QVERIFY(meanDifference(bright.mirrored(true, true), plain) > 15.0);

        // Both gone: the plain picture again.
        flip.uninstall();
        eq.uninstall();
        QVERIFY(seekAndWait(player, 1000));
        QCOMPARE(renderer.currentFrame().pixelFormat(), AV_PIX_FMT_YUV420P);
        QCOMPARE(errors.count(), 0);

        // In a locale with a decimal comma the equaliser still reads
        // "0.200" (the C library would stop at the point).
        {
            const KVTest::CommaNumbers comma;
            QVERIFY2(comma.isActive(), qPrintable(comma.why()));
            LibAVFilterVideo commaEq;
            QVERIFY(commaEq.installTo(&player));
            commaEq.setOptions(
                QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.200:contrast=1.500"));
            QVERIFY(seekAndWait(player, 1000));
            QVERIFY(meanLuma(renderer.currentFrame().toImage()) > meanLuma(plain) + 20);
            QCOMPARE(errors.count(), 0);
            commaEq.uninstall();
            QVERIFY(seekAndWait(player, 1000));
        }

        // A broken graph text: reported once, the picture goes on unfiltered.
        LibAVFilterVideo broken;
        broken.installTo(&player);
        broken.setOptions(QStringLiteral("nosuchfilter=3"));
        QVERIFY(seekAndWait(player, 500));
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 2000);
        QCOMPARE(errors.at(0).at(0).value<AVError>().error(), AVError::FilterError);
        QCOMPARE(renderer.currentFrame().pixelFormat(), AV_PIX_FMT_YUV420P);
        player.stop();
    }

    void captureWritesTheShownFrame()
    {
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        QVERIFY(startPaused(player));
        QVERIFY(seekAndWait(player, 2000));
        VideoCapture *capture = player.videoCapture();
        const QString dir = _dir + QStringLiteral("/captures");
        capture->setAsync(false);
        capture->setCaptureDir(dir);
        capture->setSaveFormat(QStringLiteral("jpg"));
        capture->setCaptureName(QStringLiteral("NORM201221-102047_201221-102049_CH1_"));
        QSignalSpy saved(capture, &VideoCapture::saved);
        QVERIFY(capture->capture());
        QVERIFY(saved.wait(5000));
        const QString path = saved.at(0).at(0).toString();
        QCOMPARE(QFileInfo(path).fileName(),
            QStringLiteral("NORM201221-102047_201221-102049_CH1_2000.jpg"));
        const QImage image(path);
        QCOMPARE(image.size(), QSize(640, 360));
        QCOMPARE(kvm::readFrameStrip(image), frameAt(2000));
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});

        // A folder that cannot be made: an error, and no file anywhere.
        const QString blocker = _dir + QStringLiteral("/blocker");
        QVERIFY(KVTest::writeFile(blocker, "x"));
        capture->setCaptureDir(blocker + QStringLiteral("/sub"));
        QSignalSpy failed(capture, &VideoCapture::error);
        QVERIFY(!capture->capture());
        QCOMPARE(failed.count(), 1);
        QVERIFY(!QFileInfo::exists(blocker + QStringLiteral("/sub")));
        player.stop();
    }

    void brokenFilesGiveAnError_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << "random";
        QTest::newRow("cut before the movie header") << "cut";
        QTest::newRow("empty") << "empty";
        QTest::newRow("missing") << "missing";
        QTest::newRow("movie header without its data") << "header only";
    }
    void brokenFilesGiveAnError()
    {
        QFETCH(QString, kind);
        const QString path = _dir + QStringLiteral("/broken-") + kind + QStringLiteral(".mp4");
        if (kind == QLatin1String("random")) {
            QByteArray bytes(200000, 0);
            QRandomGenerator random(7);
            for (char &c : bytes)
                c = char(random.bounded(256));
            QVERIFY(KVTest::writeFile(path, bytes));
        } else if (kind == QLatin1String("cut")) {
            // The movie header sits at the end of the recorder's files.
            QVERIFY(KVTest::writeFile(path, KVTest::readFile(_clip).left(30000)));
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(KVTest::writeFile(path, QByteArray()));
        } else if (kind == QLatin1String("header only")) {
            // A file whose data never reached the card: the top-level boxes
            // but the media data, so the header promises pictures that are
            // not there.
            const QString whole = _dir + QStringLiteral("/header-first.mp4");
            const QString why = KVMediaFixture::makeTestClip(whole, QSize(320, 240), 2, true);
            QVERIFY2(why.isEmpty(), qPrintable(why));
            const QByteArray bytes = KVTest::readFile(whole);
            QByteArray kept;
            for (qsizetype at = 0; at + 8 <= bytes.size();) {
                const quint32 size = qFromBigEndian<quint32>(bytes.constData() + at);
                if (size < 8)
                    break;
                if (bytes.mid(at + 4, 4) != "mdat")
                    kept += bytes.mid(at, size);
                at += size;
            }
            QVERIFY(kept.size() > 0 && kept.size() < bytes.size() / 2);
            QVERIFY(KVTest::writeFile(path, kept));
        }
        AVPlayer player;
        QSignalSpy errors(&player, &AVPlayer::error);
        QSignalSpy status(&player, &AVPlayer::mediaStatusChanged);
        player.setFile(path);
        QVERIFY(player.load());
        QTRY_COMPARE_WITH_TIMEOUT(player.mediaStatus(), InvalidMedia, 5000);
        QCOMPARE(errors.count(), 1);
        QVERIFY(!player.isLoaded());
        player.play(); // nothing to play: no crash, no start
        QTest::qWait(50);
        QVERIFY(!player.isPlaying() || player.mediaStatus() == InvalidMedia);
        player.stop();
    }

    void truncatedDataPlaysToTheCut()
    {
        // Header first, then the data cut in the middle: loads, plays what is
        // there, and ends.
        const QString whole = _dir + QStringLiteral("/faststart.mp4");
        QString why = KVMediaFixture::makeTestClip(whole, QSize(320, 240), 3, true);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        const QString cut = _dir + QStringLiteral("/faststart-cut.mp4");
        const QByteArray bytes = KVTest::readFile(whole);
        QVERIFY(KVTest::writeFile(cut, bytes.left(bytes.size() / 2)));
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, cut));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.mediaStatus() == EndOfMedia, 8000);
        QVERIFY(renderer.count() > 5);
        player.stop();
    }

    void playLoadsFirst()
    {
        // play() on a player that has a file but no load yet loads, then plays.
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QSignalSpy first(&player, &AVPlayer::firstFrameNotify);
        player.setFile(_clip);
        player.play();
        QVERIFY(first.count() > 0 || first.wait(5000));
        QCOMPARE(player.state(), AVPlayer::PlayingState);
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 300, 5000);
        player.stop();
    }

    void stopsWhileAnEarlierSessionEnds()
    {
        // Two stops in a row, the first session finished by the time the
        // player reaps them and the second still stuck opening its file (a
        // pipe put in the file's place): the player reaps the first, keeps
        // the second, and goes on working.
        const QString path = _dir + QStringLiteral("/reap.mp4");
        QVERIFY(QFile::copy(_clip, path));
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, path));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(renderer.count() > 2, 5000);
        player.stop(); // session A
        QThread::msleep(200); // A's threads end; no event is handled meanwhile
        QVERIFY(QFile::remove(path));
        const QByteArray pipePath = QFile::encodeName(path);
        QCOMPARE(::mkfifo(pipePath.constData(), 0600), 0);
        player.play(); // session B: its demux thread waits in open() for a writer
        player.stop();
        QTest::qWait(300); // the reaper runs with A finished and B running
        QCOMPARE(player.state(), AVPlayer::StoppedState);
        // A writer lets B's open return; B ends and is reaped.
        const int fd = ::open(pipePath.constData(), O_WRONLY);
        QVERIFY(fd >= 0);
        ::close(fd);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(_clip, path));
        QVERIFY(loadAndWait(player, path));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 300, 5000);
        player.stop();
    }

    void seekWhileThePresenterLooksAtAFrame()
    {
        // The presenter has taken a frame from the queue to look at it when
        // a seek clears the queue and the decoder queues the new target. It
        // must neither show the old frame nor drop the target in its place.
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        std::atomic<bool> armed{false};
        QSemaphore parked;
        QSemaphore release;
        PlaybackSession::presenterPausedForTests = [&] {
            if (armed.exchange(false)) {
                parked.release();
                release.acquire();
            }
        };
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 500, 5000);
        armed = true;
        QVERIFY(parked.tryAcquire(1, 5000));
        const int shownBefore = renderer.count();
        const qint64 target = 3000;
        QSignalSpy done(&player, &AVPlayer::seekFinished);
        player.seek(target);
        QTest::qWait(400); // the decoder queues the target meanwhile
        release.release();
        const bool finished = done.count() > 0 || done.wait(5000);
        PlaybackSession::presenterPausedForTests = nullptr;
        QVERIFY(finished);
        const QList<NullRenderer::Record> records = renderer.records();
        QVERIFY(records.size() > shownBefore);
        const NullRenderer::Record first = records.at(shownBefore);
        QCOMPARE(first.frameNumber, frameAt(target));
        player.stop();
    }

    void silentWithoutSoundDevice()
    {
        QVERIFY(!AudioOutput::deviceAvailable());
        AVPlayer player;
        player.audio()->setVolume(0.5);
        QCOMPARE(player.audio()->volume(), 0.5);
        player.audio()->setMute(true);
        QVERIFY(player.audio()->isMute());
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, _front));
        QVERIFY(player.hasAudio());
        QElapsedTimer timer;
        player.play();
        QSignalSpy first(&player, &AVPlayer::firstFrameNotify);
        QVERIFY(first.count() > 0 || first.wait(5000));
        timer.start();
        QTest::qWait(1000);
        // The clock runs at its own pace without a sound device.
        const double ran = player.masterClock()->value();
        QVERIFY2(ran > 0.7 && ran < 1.4, qPrintable(QString::number(ran)));
        player.stop();
    }
};

KV_TEST_MAIN(TestMediaPlayer)
#include "tst_media_player.moc"
