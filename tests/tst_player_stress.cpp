// Rapid use of the dual player on real recordings: random slot calls (load,
// swap, seek, speed, pause, stop, next) never crash, deadlock or freeze the
// GUI thread, and the player plays normally afterwards; memory does not grow
// across many loads.
//
// The event loop gap is a hang detector only (a frozen GUI thread), not a
// timing measurement: speed belongs to the benchmarks.

#include "kv_media_fixtures.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSlider>
#include <QTimer>

#include <algorithm>

using namespace KVPlayerFixture;

class FakeList : public QObject
{
    Q_OBJECT
public:
    void select(KVVideoItem *item)
    {
        KVVideoFileList::instance()->setCurrentItem(item);
        emit listSelected(item);
    }
signals:
    void listSelected(KVVideoItem *item);
};

// Measures the longest pause of the GUI thread's event loop.
class LoopWatch : public QObject
{
public:
    LoopWatch()
    {
        _clock.start();
        _timer.setInterval(5);
        connect(&_timer, &QTimer::timeout, this, [this] {
            const qint64 now = _clock.elapsed();
            worst = std::max(worst, now - _last);
            _last = now;
        });
        _timer.start();
    }
    qint64 worst = 0;

private:
    QTimer _timer;
    QElapsedTimer _clock;
    qint64 _last = 0;
};

static qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

class TestPlayerStress : public QObject
{
    Q_OBJECT

private:
    KVPlayer *_player = nullptr;
    FakeList _list;
    QList<KVVideoItem *> _card;
    QSlider _slider;
    QSlider _speed;

private slots:
    void initTestCase()
    {
        kvm::AudioOutput::forceNoDeviceForTests();
        _player = nullPlayer();
        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        QVERIFY2(!makeCard(dir, 4, 4, &why).isEmpty(), qPrintable(why));
        KVVideoFileList *catalogue = KVVideoFileList::instance();
        catalogue->setFilter(15);
        catalogue->buildFolderNow(dir);
        _card = catalogue->visibleItems();
        QCOMPARE(_card.size(), 4);
        connect(catalogue, &KVVideoFileList::playItemFound, &_list,
            [this](KVVideoItem *item, int) { _list.select(item); });
        KVPlayProcess::instance()->init(&_list);
        _player->setPositionSlider(&_slider);
        _speed.setRange(0, 3);
        connect(&_speed, &QSlider::sliderReleased, _player, &KVPlayer::onSpeedSliderReleased);
    }

    void randomUse()
    {
        QRandomGenerator random(20201221);
        LoopWatch watch;
        KVVideoFileList *catalogue = KVVideoFileList::instance();
        for (int i = 0; i < 200; ++i) {
            switch (random.bounded(8)) {
            case 0:
                _list.select(_card[random.bounded(_card.size())]);
                break;
            case 1:
                _player->onLoad(_card[random.bounded(_card.size())]);
                break;
            case 2:
                _player->toggleSwap(random.bounded(2) == 1);
                break;
            case 3:
                _player->seek(random.bounded(5000), random.bounded(2) == 1);
                break;
            case 4:
                _speed.setValue(random.bounded(4));
                emit _speed.sliderReleased();
                break;
            case 5:
                _player->onPlayOrPause();
                break;
            case 6:
                if (random.bounded(3) == 0)
                    _player->onUserStop();
                else
                    catalogue->onPlayNextVideo(-1);
                break;
            case 7:
                _slider.setValue(random.bounded(4000));
                emit _slider.sliderMoved(_slider.value());
                break;
            }
            QTest::qWait(random.bounded(60));
        }
        qInfo() << "worst event loop gap" << watch.worst << "ms";
        QVERIFY2(watch.worst <= 100, qPrintable(QString::number(watch.worst)));

        // Still usable: a normal load plays both cameras in step.
        _speed.setValue(KVPlayer::kDefaultSpeedIndex);
        emit _speed.sliderReleased();
        EventLog log(_player);
        _player->closeMedia();
        _list.select(_card.first());
        QVERIFY(log.waitFor(PLAY_FIRST_FRAME, 10000));
        QCOMPARE(_player->item(), _card.first());
        QTest::qWait(500);
        QVERIFY(_player->mainPlayer()->isPlaying());
        QVERIFY(!_player->mainPlayer()->isPaused());
        const int main = _player->mainPlayer()->presentedFrame().frameNumber();
        const int sub = _player->secondaryPlayer()->presentedFrame().frameNumber();
        QVERIFY2(main > 5 && std::abs(main - sub) <= 1,
            qPrintable(QStringLiteral("%1 %2").arg(main).arg(sub)));
        QVERIFY(!KVVideoFileList::loadInProgress());
    }

    void memoryAcrossLoads()
    {
        auto loads = [this](int n) {
            for (int i = 0; i < n; ++i) {
                if (!loadAndWait(_player, _card[i % _card.size()]))
                    return false;
            }
            return true;
        };
        QVERIFY(loads(30)); // malloc arenas of the decoder threads settle
        QTest::qWait(200);
        const qint64 before = residentKiB();
        QVERIFY(loads(100));
        _player->closeMedia();
        QTest::qWait(300);
        const qint64 after = residentKiB();
        qInfo() << "VmRSS before" << before << "KiB, after 100 loads" << after << "KiB";
        QVERIFY(before > 0);
        // A leaked session or decoder per load (a megabyte or more) shows far above.
        QVERIFY2(after - before < 64 * 1024, qPrintable(QString::number(after - before)));
    }
};

KV_TEST_MAIN(TestPlayerStress)
#include "tst_player_stress.moc"
