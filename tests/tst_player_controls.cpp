// The player's controls on real demo recordings (frame-number strips): seeks
// never into the last two seconds, both players at the same frame after
// every seek and pause, the position slider's press/drag/release, the speed
// table with its sound and frame-skip rules, volume and mute, and the swap
// (the other camera at once, the 200 ms lock, one second back while playing,
// sound following the picture).

#include "kv_media_fixtures.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "core/kv_player.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"

#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSlider>

#include <cmath>

using namespace KVPlayerFixture;

// A slider with the signals of the program's position slider.
class PositionSlider : public QSlider
{
    Q_OBJECT
public:
    PositionSlider() : QSlider(Qt::Horizontal) { }
    void press(int value)
    {
        setValue(value);
        emit sliderPressedWithKnob(false);
    }
    void drag(int value)
    {
        setValue(value);
        emit sliderMoved(value);
    }
    void release() { emit mouseReleased(); }
signals:
    void sliderPressedWithKnob(bool bKnob);
    void mouseReleased();
};

class TestPlayerControls : public QObject
{
    Q_OBJECT

private:
    KVPlayer *_player = nullptr;
    KVVideoItemRef _demo; // 6 s, front and rear with strips
    KVVideoItemRef _long; // 60 s
    KVVideoItemRef _short; // 1.5 s
    PositionSlider _slider;
    QSlider _speedSlider;
    QSlider _volume;
    QPushButton _mute;
    QLabel _speedLabel;

    kvm::NullRenderer *out() const { return static_cast<kvm::NullRenderer *>(_player->renderer()); }
    int mainFrame() const { return _player->mainPlayer()->presentedFrame().frameNumber(); }
    int subFrame() const { return _player->secondaryPlayer()->presentedFrame().frameNumber(); }
    // Waits until both players have shown the targets of their last seeks.
    bool settle()
    {
        QSignalSpy m(_player->mainPlayer(), &kvm::AVPlayer::seekFinished);
        QSignalSpy s(_player->secondaryPlayer(), &kvm::AVPlayer::seekFinished);
        if (!m.wait(1500))
            return false;
        if (s.count() == 0)
            s.wait(300);
        QTest::qWait(30);
        return mainFrame() >= 0;
    }
    void setSpeed(int index)
    {
        _speedSlider.setValue(index);
        emit _speedSlider.sliderReleased();
    }

private slots:
    void initTestCase()
    {
        kvm::AudioOutput::forceNoDeviceForTests();
        _player = nullPlayer();
        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        const QStringList fronts = makeCard(dir, 6, 4, &why);
        QVERIFY2(!fronts.isEmpty(), qPrintable(why));
        _demo = makeItem(fronts.first(), KVMediaFixture::rearOf(fronts.first()));
        const QString clips = KVTest::makeTempDir(QStringLiteral("clips"));
        const QString longPath = clips + QStringLiteral("/NORM201221-100000F.mp4");
        const QString shortPath = clips + QStringLiteral("/NORM201221-110000F.mp4");
        QCOMPARE(makeClip(longPath, 60000, QSize(64, 36)), QString());
        QCOMPARE(makeClip(shortPath, 1500), QString());
        _long = makeItem(longPath, QString());
        _short = makeItem(shortPath, QString());

        _player->setPositionSlider(&_slider);
        _speedSlider.setRange(0, 3);
        connect(&_speedSlider, &QSlider::sliderMoved, _player, &KVPlayer::onSpeedSliderMoved);
        connect(&_speedSlider, &QSlider::sliderReleased, _player, &KVPlayer::onSpeedSliderReleased);
        _player->setSpeedLabel(&_speedLabel);
        _volume.setRange(0, 100);
        _volume.setValue(100);
        _player->setVolumeSlider(&_volume);
        _mute.setCheckable(true);
        _player->setMuteButton(&_mute);
    }

    void init()
    {
        resetPlayer(_player);
        if (_mute.isChecked())
            _mute.setChecked(false);
    }

    void seekClamps()
    {
        QVERIFY(loadAndWait(_player, _long.data()));
        QCOMPARE(_player->mainPlayer()->duration(), 60000);
        QSignalSpy seeks(_player->mainPlayer(), &kvm::AVPlayer::seekFinished);
        _player->seek(59000, false);
        QVERIFY(seeks.wait(5000));
        QCOMPARE(seeks.last().first().toLongLong(), 58000);
        QCOMPARE(_player->mainPlayer()->position() / 100, 580);

        QVERIFY(loadAndWait(_player, _short.data()));
        QSignalSpy shortSeeks(_player->mainPlayer(), &kvm::AVPlayer::seekFinished);
        for (qint64 target : {1000, 400, 1499}) {
            _player->seek(target, false);
            QVERIFY(shortSeeks.wait(5000));
            QCOMPARE(shortSeeks.last().first().toLongLong(), 0);
        }
        // Not running: ignored.
        _player->closeMedia();
        _player->seek(500, false);
        QCOMPARE(_player->mainPlayer()->position(), 0);
    }

    void pauseInTheLastTwoSecondsStaysThere()
    {
        // User seeks keep out of the last two seconds; a pause there stays
        // on its frame, with the slider, and so does a swap while paused.
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTRY_VERIFY_WITH_TIMEOUT(_player->mainPlayer()->position() >= 4300, 8000);
        _player->onPlayOrPause();
        QVERIFY(settle());
        const qint64 at = _player->mainPlayer()->position();
        QVERIFY2(at >= 4300 && at < 6000, qPrintable(QString::number(at)));
        QCOMPARE(mainFrame(), int(at * 30 / 1000));
        QCOMPARE(subFrame(), mainFrame());
        QCOMPARE(qint64(_slider.value()), at);
        _player->toggleSwap(true);
        QVERIFY(settle());
        QCOMPARE(mainFrame(), int(at * 30 / 1000));
        QCOMPARE(subFrame(), mainFrame());
        _player->toggleSwap(true);
        QVERIFY(settle());
    }

    void sameFrameAfterSeekAndPause()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QRandomGenerator random(77);
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(150 + random.bounded(250));
            // pause
            _player->onPlayOrPause();
            QVERIFY(_player->mainPlayer()->isPaused());
            QVERIFY(_player->secondaryPlayer()->isPaused());
            QVERIFY(settle());
            QCOMPARE(subFrame(), mainFrame());
            // seek while paused
            const qint64 target = random.bounded(3500);
            _player->seek(target, true);
            QVERIFY(settle());
            QCOMPARE(mainFrame(), int(target * 30 / 1000));
            QCOMPARE(subFrame(), mainFrame());
            // resume; a seek while playing
            _player->onPlayOrPause();
            QVERIFY(!_player->mainPlayer()->isPaused());
            QVERIFY(!_player->secondaryPlayer()->isPaused());
            _player->seek(random.bounded(3000), false);
            QVERIFY(settle());
            QVERIFY2(std::abs(subFrame() - mainFrame()) <= 1,
                qPrintable(QStringLiteral("%1 %2").arg(subFrame()).arg(mainFrame())));
        }
    }

    void secondaryRunsWithTheMain()
    {
        // From the first start on the other camera plays: a swap never finds
        // a picture left behind.
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(800);
        QVERIFY(!_player->secondaryPlayer()->isPaused());
        QVERIFY2(std::abs(subFrame() - mainFrame()) <= 1,
            qPrintable(QStringLiteral("%1 %2").arg(subFrame()).arg(mainFrame())));
        QVERIFY(mainFrame() > 10);
    }

    void sliderPressDragRelease()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(300);
        QCOMPARE(_slider.maximum(), int(_player->mainPlayer()->mediaStopPosition()));
        // Press while playing: both pause at the pressed position.
        _slider.press(2000);
        QVERIFY(_player->isPausedBySlider());
        QVERIFY(_player->mainPlayer()->isPaused());
        QVERIFY(_player->secondaryPlayer()->isPaused());
        QVERIFY(settle());
        QCOMPARE(mainFrame(), 60);
        QCOMPARE(subFrame(), 60);
        // Drag: both follow.
        _slider.drag(3000);
        QVERIFY(settle());
        QCOMPARE(mainFrame(), 90);
        QCOMPARE(subFrame(), 90);
        QCOMPARE(_player->savedPosition(), 3000);
        // Release: playing again from there.
        _slider.release();
        QVERIFY(!_player->mainPlayer()->isPaused());
        QVERIFY(!_player->secondaryPlayer()->isPaused());
        QTest::qWait(300);
        QVERIFY(mainFrame() > 90);

        // A press while paused does not resume on release.
        _player->onPlayOrPause();
        QVERIFY(_player->isPaused());
        _slider.press(1000);
        QVERIFY(!_player->isPausedBySlider());
        _slider.release();
        QVERIFY(_player->mainPlayer()->isPaused());
        QVERIFY(settle());
        QCOMPARE(mainFrame(), 30);
        QCOMPARE(subFrame(), 30);
    }

    // The next recording comes while the knob is held (PageDown during a
    // drag): the slider is disabled under the pointer and never sees the
    // release. The sound and the slider's pause must not outlive the drag.
    void recordingChangedDuringADrag()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(100);
        _slider.press(2000);
        _slider.drag(3000);
        QVERIFY(_player->isTempMuted());
        QVERIFY(_player->isPausedBySlider());
        QVERIFY(loadAndWait(_player, _long.data()));
        // (the start of play mutes for 10 ms; the drag's mute has no end)
        QTRY_VERIFY(!_player->isTempMuted());
        QVERIFY(!_player->isPausedBySlider());
        QTRY_VERIFY(_player->mainPlayer()->audio()->volume() > 0.1);
        QVERIFY(!_player->mainPlayer()->audio()->isMute());
        // A press while paused still does not resume on release.
        _player->onPlayOrPause();
        QVERIFY(_player->isPaused());
        _slider.press(1000);
        _slider.release();
        QVERIFY(_player->mainPlayer()->isPaused());
    }

    void speedTable()
    {
        const double speeds[] = {0.5, 0.8, 1.0, 2.0};
        const char *labels[] = {"0.5 x", "0.8 x", "1 x", "2.0 x"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(KVPlayer::speedForIndex(i), speeds[i]);
            QCOMPARE(KVPlayer::speedLabelForIndex(i), QString::fromLatin1(labels[i]));
        }
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(50);
        kvm::AudioOutput *sound = _player->mainPlayer()->audio();
        QVERIFY(!sound->isMute());
        // Dragging changes the label only.
        _speedSlider.setValue(3);
        emit _speedSlider.sliderMoved(3);
        QCOMPARE(_speedLabel.text(), QStringLiteral("2.0 x"));
        QCOMPARE(_player->mainPlayer()->speed(), 1.0);
        // Release: 2.0, silent, one frame of eight.
        emit _speedSlider.sliderReleased();
        QCOMPARE(_player->mainPlayer()->speed(), 2.0);
        QCOMPARE(_player->secondaryPlayer()->speed(), 2.0);
        QCOMPARE(kvm::AVPlayer::frameSkip(), 8);
        QVERIFY(sound->isMute());
        // Back to 1.0: sound again, both players re-seek to the main position.
        QSignalSpy mainSeek(_player->mainPlayer(), &kvm::AVPlayer::seekFinished);
        QSignalSpy subSeek(_player->secondaryPlayer(), &kvm::AVPlayer::seekFinished);
        setSpeed(2);
        QCOMPARE(_speedLabel.text(), QStringLiteral("1 x"));
        QCOMPARE(kvm::AVPlayer::frameSkip(), 0);
        QVERIFY(!sound->isMute());
        QVERIFY(mainSeek.wait(3000));
        QVERIFY(subSeek.count() > 0 || subSeek.wait(3000));
        // 0.8 and 0.5 are silent too.
        for (int index : {1, 0}) {
            setSpeed(index);
            QCOMPARE(_player->mainPlayer()->speed(), speeds[index]);
            QCOMPARE(kvm::AVPlayer::frameSkip(), 0);
            QVERIFY(sound->isMute());
        }
        // With the mute button down, 1.0 stays silent.
        setSpeed(3);
        _mute.setChecked(true);
        setSpeed(2);
        QVERIFY(sound->isMute());
    }

    void volumeAndMute()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(50);
        kvm::AudioOutput *sound = _player->mainPlayer()->audio();
        const struct {
            int slider;
            double volume;
        } cases[] = {{1, 0.0}, {2, 0.1062}, {50, 0.495}, {100, 0.9}, {9, 0.1629}, {0, 0.0}};
        for (const auto &c : cases) {
            _volume.setValue(c.slider);
            QVERIFY2(std::abs(sound->volume() - c.volume) < 1e-6,
                qPrintable(QStringLiteral("%1 -> %2").arg(c.slider).arg(sound->volume())));
        }
        _volume.setValue(60);
        EventLog log(_player);
        _mute.setChecked(true);
        QCOMPARE(log.kinds(), QList<PLAY_EVENT>{PLAY_MUTED});
        QVERIFY(sound->isMute());
        _mute.setChecked(false);
        QCOMPARE(log.kinds(), (QList<PLAY_EVENT>{PLAY_MUTED, PLAY_UNMUTED}));
        QVERIFY(!sound->isMute());
        QVERIFY(std::abs(sound->volume() - 0.576) < 1e-6);
        QVERIFY(log.events.last().second == nullptr);
    }

    void swapShowsTheOtherCameraAtOnce()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        _volume.setValue(50);
        QTest::qWait(1500);
        kvm::AVPlayer *front = _player->frontPlayer();
        kvm::AVPlayer *rear = _player->rearPlayer();
        QCOMPARE(_player->mainPlayer(), front);
        EventLog log(_player);
        const int before = front->presentedFrame().frameNumber();
        const qint64 position = front->position();
        out()->clear();
        QSignalSpy seek(rear, &kvm::AVPlayer::seekFinished);
        _player->toggleSwap();
        // The rear picture is in the renderer before any new frame decodes.
        QVERIFY(_player->isSwapped());
        QCOMPARE(_player->mainPlayer(), rear);
        QVERIFY(out()->count() >= 1);
        const int handedOver = out()->records().first().frameNumber;
        QVERIFY2(std::abs(handedOver - before) <= 1,
            qPrintable(QStringLiteral("%1 %2").arg(handedOver).arg(before)));
        QCOMPARE(out()->records().first().width, 160);
        QCOMPARE(log.kinds(), QList<PLAY_EVENT>{PLAY_SWAPPED});
        // A second swap within 200 ms is ignored.
        _player->toggleSwap();
        QVERIFY(_player->isSwapped());
        QVERIFY(_player->isSwapLocked());
        QCOMPARE(log.kinds(), QList<PLAY_EVENT>{PLAY_SWAPPED});
        // Sound follows the picture.
        QVERIFY(!rear->audio()->isMute());
        QVERIFY(front->audio()->isMute());
        QVERIFY(std::abs(rear->audio()->volume() - 0.495) < 1e-6);
        // Playing: the new main picture from one second before.
        QVERIFY(seek.wait(3000));
        QVERIFY(std::abs(seek.last().first().toLongLong() - (position - 1000)) <= 40);
        QTest::qWait(100);
        QVERIFY2(std::abs(subFrame() - mainFrame()) <= 1,
            qPrintable(QStringLiteral("%1 %2").arg(subFrame()).arg(mainFrame())));

        // After the lock the next swap goes through.
        QTRY_VERIFY_WITH_TIMEOUT(!_player->isSwapLocked(), 1000);
        _player->toggleSwap();
        QVERIFY(!_player->isSwapped());
        QCOMPARE(log.kinds(), (QList<PLAY_EVENT>{PLAY_SWAPPED, PLAY_UNSWAPPED}));
        QTRY_VERIFY_WITH_TIMEOUT(!_player->isSwapLocked(), 1000);
        // Forced swaps take no lock.
        _player->toggleSwap(true);
        _player->toggleSwap(true);
        QVERIFY(!_player->isSwapped());
        QVERIFY(!_player->isSwapLocked());
    }

    void swapWhilePausedKeepsTheFrame()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(700);
        _player->onPlayOrPause();
        QVERIFY(settle());
        const int frame = mainFrame();
        _player->toggleSwap(true);
        QVERIFY(_player->mainPlayer()->isPaused());
        QVERIFY(_player->secondaryPlayer()->isPaused());
        QVERIFY(settle());
        QCOMPARE(mainFrame(), frame);
        QCOMPARE(subFrame(), frame);
        QCOMPARE(out()->lastRecord().frameNumber, frame);
        QCOMPARE(out()->lastRecord().width, 160);
        // A new load keeps the swap: the rear picture is main again.
        QVERIFY(loadAndWait(_player, _demo.data()));
        QVERIFY(_player->isSwapped());
        QCOMPARE(_player->mainPlayer(), _player->rearPlayer());
        QCOMPARE(_player->renderer()->player(), _player->rearPlayer());
        QTest::qWait(300);
        QCOMPARE(out()->lastRecord().width, 160);
        QVERIFY(_player->frontPlayer()->audio()->isMute());
    }

    void restartAndUserStop()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(600);
        QVERIFY(QMetaObject::invokeMethod(_player, "onPlayRestart"));
        QVERIFY(settle());
        QVERIFY2(mainFrame() <= 3, qPrintable(QString::number(mainFrame())));
        EventLog log(_player);
        _player->onUserStop();
        QCOMPARE(log.kinds().value(0), PLAY_USER_STOP);
        QVERIFY(log.waitFor(PLAY_STOPPED, 2000));
        QVERIFY(!_player->mainPlayer()->isPlaying());
        QVERIFY(!_player->secondaryPlayer()->isPlaying());
        QVERIFY(_player->isStopped());
    }
};

KV_TEST_MAIN(TestPlayerControls)
#include "tst_player_controls.moc"
