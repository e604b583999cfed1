// The player of the playback layer on files that differ from the demo cards:
// other frame rates, a variable frame rate, B-frames, a first time stamp
// that is not 0, odd and non-square sizes, full-range and 10-bit / 4:2:2
// pictures, sound longer or shorter than the picture, and a file cut off in
// the middle. Exact seeks are checked by the frame-number strip, as are the
// last frame and the end.

#include "kv_media_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <cmath>

using namespace kvm;

class TestMediaFiles : public QObject
{
    Q_OBJECT

private:
    QString _dir;
    QString _card30; // 320x180, 30 fps, 6 s, strip, sound
    QString _card25; // 4 s at 25 fps
    QString _card60; // 4 s at 60 fps

    static bool loadAndWait(AVPlayer &player, const QString &path)
    {
        player.setFile(path);
        if (!player.load())
            return false;
        for (int i = 0; i < 500 && !player.isLoaded() && player.mediaStatus() != InvalidMedia; ++i)
            QTest::qWait(10);
        return player.isLoaded();
    }
    static bool startPaused(AVPlayer &player)
    {
        QSignalSpy first(&player, &AVPlayer::firstFrameNotify);
        player.play();
        player.pause(true);
        return first.count() > 0 || first.wait(5000);
    }
    static bool seekAndWait(AVPlayer &player, qint64 ms)
    {
        QSignalSpy done(&player, &AVPlayer::seekFinished);
        player.seek(ms);
        return done.wait(5000);
    }
    // ffmpeg with the card file as input and args after it, into name.
    QString derive(const QString &name, const QString &input, const QStringList &args)
    {
        const QString path = _dir + QLatin1Char('/') + name;
        const QString why = KVMediaFixture::runFfmpeg(
            QStringList{QStringLiteral("-i"), input} + args + QStringList{path});
        return why.isEmpty() ? path : QString();
    }
    static QStringList x264(const QStringList &extra = {})
    {
        return QStringList{QStringLiteral("-c:v"), QStringLiteral("libx264"),
                   QStringLiteral("-preset"), QStringLiteral("veryfast"), QStringLiteral("-g"),
                   QStringLiteral("30")}
        + extra;
    }
    QString makeCard(const QString &name, int fps, int seconds)
    {
        return KVMediaFixture::makeSmallRecording(_dir + QLatin1Char('/') + name, fps, seconds);
    }

private slots:
    void initTestCase()
    {
        AudioOutput::forceNoDeviceForTests();
        _dir = KVTest::makeTempDir(QStringLiteral("files"));
        _card30 = makeCard(QStringLiteral("c30"), 30, 6);
        _card25 = makeCard(QStringLiteral("c25"), 25, 4);
        _card60 = makeCard(QStringLiteral("c60"), 60, 4);
        QVERIFY(!_card30.isEmpty() && !_card25.isEmpty() && !_card60.isEmpty());
    }

    // Exact seeks (paused) to random moments, the first frame, the last
    // frame and the duration show the frame on screen at that moment; then
    // played from near the end the file ends with its last frame, and the
    // position ends at the duration.
    void exactSeekAndEnd_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("fps");
        QTest::addColumn<int>("ms"); // the length
        QTest::addColumn<int>("firstFrame"); // the strip's number of the first frame
        QTest::newRow("25 fps") << "25" << 25.0 << 4000 << 0;
        QTest::newRow("60 fps") << "60" << 60.0 << 4000 << 0;
        QTest::newRow("B-frames") << "bframes" << 30.0 << 6000 << 0;
        QTest::newRow("first time stamp 2 s") << "offset" << 30.0 << 6000 << 0;
        QTest::newRow("edit list from 1.5 s") << "editlist" << 30.0 << 4500 << 45;
        QTest::newRow("full range") << "fullrange" << 30.0 << 6000 << 0;
        QTest::newRow("odd size 1279x719") << "odd" << 30.0 << 6000 << 0;
        QTest::newRow("4:3 non-square pixels") << "sar" << 30.0 << 6000 << 0;
        QTest::newRow("4:2:2") << "422" << 30.0 << 6000 << 0;
        QTest::newRow("10 bit") << "10bit" << 30.0 << 6000 << 0;
        QTest::newRow("sound longer") << "soundlonger" << 30.0 << 6000 << 0;
        QTest::newRow("sound shorter") << "soundshorter" << 30.0 << 6000 << 0;
    }
    void exactSeekAndEnd()
    {
        QFETCH(QString, kind);
        QFETCH(double, fps);
        QFETCH(int, ms);
        QFETCH(int, firstFrame);
        QString path;
        qint64 startMs = 0;
        QSize size(320, 180);
        const QStringList plain{QStringLiteral("-bf"), QStringLiteral("0")};
        if (kind == QLatin1String("25"))
            path = _card25;
        else if (kind == QLatin1String("60"))
            path = _card60;
        else if (kind == QLatin1String("bframes"))
            path = derive(QStringLiteral("bframes.mp4"), _card30,
                x264({QStringLiteral("-bf"), QStringLiteral("3"), QStringLiteral("-c:a"),
                    QStringLiteral("copy")}));
        else if (kind == QLatin1String("offset")) {
            path = derive(QStringLiteral("offset.mp4"), _card30,
                {QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-output_ts_offset"),
                    QStringLiteral("2")});
            startMs = 2000;
        } else if (kind == QLatin1String("editlist")) {
            // Copied from 1.5 s: the packets from the keyframe before are
            // kept and the edit list starts the picture at 1.5 s.
            path = _dir + QStringLiteral("/editlist.mp4");
            const QString bf = _dir + QStringLiteral("/bframes.mp4");
            QVERIFY(KVMediaFixture::runFfmpeg(
                {QStringLiteral("-ss"), QStringLiteral("1.5"), QStringLiteral("-i"),
                    QFileInfo::exists(bf) ? bf : _card30, QStringLiteral("-c"),
                    QStringLiteral("copy"), path})
                        .isEmpty());
        } else if (kind == QLatin1String("fullrange"))
            path = derive(QStringLiteral("full.mp4"), _card30,
                x264(plain + QStringList{QStringLiteral("-pix_fmt"), QStringLiteral("yuvj420p")}));
        else if (kind == QLatin1String("odd")) {
            path = derive(QStringLiteral("odd.mp4"), _card30,
                x264(plain
                    + QStringList{QStringLiteral("-vf"), QStringLiteral("scale=1279:719"),
                        QStringLiteral("-pix_fmt"), QStringLiteral("yuv444p")}));
            size = QSize(1279, 719);
        } else if (kind == QLatin1String("sar")) {
            path = derive(QStringLiteral("sar.mp4"), _card30,
                x264(plain
                    + QStringList{QStringLiteral("-vf"), QStringLiteral("scale=240:180,setsar=4/3"),
                        QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")}));
            size = QSize(240, 180);
        } else if (kind == QLatin1String("422"))
            path = derive(QStringLiteral("422.mp4"), _card30,
                x264(plain + QStringList{QStringLiteral("-pix_fmt"), QStringLiteral("yuv422p")}));
        else if (kind == QLatin1String("10bit"))
            path = derive(QStringLiteral("10bit.mp4"), _card30,
                x264(plain
                    + QStringList{QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p10le")}));
        else if (kind == QLatin1String("soundlonger"))
            path = derive(QStringLiteral("soundlonger.mp4"), _card30,
                QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("sine=d=9"), QStringLiteral("-map"), QStringLiteral("0:v"),
                    QStringLiteral("-map"), QStringLiteral("1:a"), QStringLiteral("-c:v"),
                    QStringLiteral("copy"), QStringLiteral("-c:a"), QStringLiteral("aac")});
        else if (kind == QLatin1String("soundshorter"))
            path = derive(QStringLiteral("soundshorter.mp4"), _card30,
                QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("sine=d=2"), QStringLiteral("-map"), QStringLiteral("0:v"),
                    QStringLiteral("-map"), QStringLiteral("1:a"), QStringLiteral("-c:v"),
                    QStringLiteral("copy"), QStringLiteral("-c:a"), QStringLiteral("aac")});
        QVERIFY2(!path.isEmpty(), qPrintable(kind));

        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, path));
        QCOMPARE(player.videoSize(), size);
        QCOMPARE(player.mediaStartPosition(), 0);
        const qint64 duration = player.duration();
        QVERIFY2(std::abs(duration - ms) <= 40, qPrintable(QString::number(duration)));
        const int last = int(std::lround(duration * fps / 1000.0)) - 1 + firstFrame;
        auto frameAt = [&](qint64 at) {
            return std::min(last, firstFrame + int(std::floor(at * fps / 1000.0 + 1e-9)));
        };
        QVERIFY(startPaused(player));
        QCOMPARE(renderer.lastRecord().frameNumber, firstFrame);
        QCOMPARE(renderer.lastRecord().pts, startMs / 1000.0);
        if (kind == QLatin1String("sar"))
            QCOMPARE(renderer.currentFrame().sampleAspectRatio(), 4.0 / 3.0);
        QList<qint64> targets{0, 1, 999, 1000, 1001, 2345, 3999, duration - 1, duration,
            qint64(std::ceil((last - firstFrame) * 1000.0 / fps)), duration + 500};
        for (int i = 0; i < 10; ++i)
            targets << QRandomGenerator::global()->bounded(duration);
        for (qint64 target : targets) {
            QVERIFY2(seekAndWait(player, target), qPrintable(QString::number(target)));
            QCOMPARE(renderer.lastRecord().frameNumber, frameAt(target));
            QCOMPARE(player.position(), std::min(target, duration - 1));
        }
        QVERIFY(seekAndWait(player, duration - 700));
        QSignalSpy positions(&player, &AVPlayer::positionChanged);
        player.pause(false);
        QTRY_COMPARE_WITH_TIMEOUT(player.mediaStatus(), EndOfMedia, 5000);
        QCOMPARE(renderer.lastRecord().frameNumber, last);
        QCOMPARE(positions.last().at(0).toLongLong(), duration);
        player.stop();
    }

    // Frames 10..19 of every second left out, the others at their own time:
    // a seek into a gap shows the frame before it (the one on screen then),
    // never the one after the gap.
    void variableFrameRate()
    {
        const QString path = derive(QStringLiteral("vfr.mp4"), _card30,
            x264({QStringLiteral("-bf"), QStringLiteral("0"), QStringLiteral("-vf"),
                QStringLiteral("select='not(between(mod(n\\,30)\\,10\\,19))'"),
                QStringLiteral("-fps_mode"), QStringLiteral("vfr"), QStringLiteral("-an")}));
        QVERIFY(!path.isEmpty());
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, path));
        QVERIFY(startPaused(player));
        auto frameAt = [](qint64 ms) {
            const int n = int(std::floor(ms * 30 / 1000.0 + 1e-9));
            return n % 30 >= 10 && n % 30 < 20 ? n - n % 30 + 9 : n;
        };
        for (qint64 target :
            {100, 300, 333, 334, 400, 500, 650, 666, 667, 1200, 1500, 2340, 4660}) {
            QVERIFY2(seekAndWait(player, target), qPrintable(QString::number(target)));
            QVERIFY2(renderer.lastRecord().frameNumber == frameAt(target),
                qPrintable(QStringLiteral("at %1: frame %2, wanted %3")
                               .arg(target)
                               .arg(renderer.lastRecord().frameNumber)
                               .arg(frameAt(target))));
        }
        // Played, it shows the frames it has, in order, and ends.
        QVERIFY(seekAndWait(player, 4000));
        renderer.clear();
        player.pause(false);
        QTRY_COMPARE_WITH_TIMEOUT(player.mediaStatus(), EndOfMedia, 5000);
        const QList<NullRenderer::Record> shown = renderer.records();
        QVERIFY(shown.size() > 20);
        for (const NullRenderer::Record &r : shown)
            QVERIFY(r.frameNumber % 30 < 10 || r.frameNumber % 30 >= 20);
        QCOMPARE(shown.last().frameNumber, 179);
        player.stop();
    }

    // The header first and the data cut off in the middle: played to its
    // end it ends; a seek past the cut (paused or playing) finishes and the
    // end follows.
    void cutOffInTheMiddle()
    {
        const QString whole = derive(QStringLiteral("faststart.mp4"), _card30,
            {QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-movflags"),
                QStringLiteral("+faststart")});
        QVERIFY(!whole.isEmpty());
        const QString cut = _dir + QStringLiteral("/cut.mp4");
        const QByteArray bytes = KVTest::readFile(whole);
        QVERIFY(KVTest::writeFile(cut, bytes.left(bytes.size() / 2)));
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, cut));
        QVERIFY(std::abs(player.duration() - 6000) <= 40);
        QVERIFY(startPaused(player));
        QVERIFY(seekAndWait(player, 1000));
        QCOMPARE(renderer.lastRecord().frameNumber, 30);
        // Past the cut, paused: the seek finishes.
        QVERIFY(seekAndWait(player, 5500));
        QCOMPARE(player.position(), 5500);
        // Playing from there: the end comes.
        player.pause(false);
        QTRY_COMPARE_WITH_TIMEOUT(player.mediaStatus(), EndOfMedia, 5000);
        // Played from the start it shows what is there, in order, and ends.
        QVERIFY(seekAndWait(player, 0));
        QTRY_COMPARE_WITH_TIMEOUT(player.mediaStatus(), EndOfMedia, 10000);
        const int lastShown = renderer.lastRecord().frameNumber;
        QVERIFY2(lastShown > 30 && lastShown < 170, qPrintable(QString::number(lastShown)));
        // Past the cut while playing: finishes, and the end follows.
        QVERIFY(seekAndWait(player, 5000));
        QTRY_COMPARE_WITH_TIMEOUT(player.mediaStatus(), EndOfMedia, 5000);
        player.stop();
    }

    // A stream that does not give its length (a live Matroska, written
    // without seeking back) and starts at 10 s: it plays, frame after frame,
    // and does not end at its first frame.
    void lengthUnknownAndLateStart()
    {
        const QString live = derive(QStringLiteral("live.mkv"), _card30,
            {QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-c"),
                QStringLiteral("copy"), QStringLiteral("-output_ts_offset"), QStringLiteral("10"),
                QStringLiteral("-live"), QStringLiteral("1"), QStringLiteral("-f"),
                QStringLiteral("matroska")});
        QVERIFY(!live.isEmpty());
        AVPlayer player;
        NullRenderer renderer;
        player.setRenderer(&renderer);
        QVERIFY(loadAndWait(player, live));
        QVERIFY(player.duration() <= 0);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(renderer.count() >= 15, 5000);
        QVERIFY(player.mediaStatus() != EndOfMedia);
        QVERIFY(renderer.lastRecord().frameNumber >= 14);
        player.stop();
    }
};

KV_TEST_MAIN(TestMediaFiles)
#include "tst_media_files.moc"
