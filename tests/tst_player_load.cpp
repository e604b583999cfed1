// The dual player's load and end of recording on real files: the order of
// the events of a load, recordings without a rear file or without any file,
// the cut of the longer file, the end of a recording reported once with the
// next recording, the automatic advance through a whole demo card (wrapping
// to the first recording), a 1000 ms recording that never ends that way, and
// the load sequence of KVPlayProcess.

#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "app/kv_app.h"
#include "app/kv_screensaver.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"

#include <QSignalSpy>

using namespace KVPlayerFixture;

// Stands in for the recording list view: selects what the catalogue finds.
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

class TestPlayerLoad : public QObject
{
    Q_OBJECT

private:
    KVPlayer *_player = nullptr;
    FakeList _list;
    QString _cardDir;
    QList<KVVideoItem *> _card; // visible recordings of the card, all types

private slots:
    void initTestCase()
    {
        kvm::AudioOutput::forceNoDeviceForTests();
        _player = nullPlayer();
        QCOMPARE(_player->rendererId(), QStringLiteral("Null"));
        _cardDir = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        QVERIFY2(!makeCard(_cardDir, 3, 4, &why).isEmpty(), qPrintable(why));
        KVVideoFileList *catalogue = KVVideoFileList::instance();
        catalogue->setFilter(15);
        QCOMPARE(catalogue->buildFolderNow(_cardDir), 7); // the manual one has no rear
        _card = catalogue->visibleItems();
        QCOMPARE(_card.size(), 4);
        connect(catalogue, &KVVideoFileList::playItemFound, &_list,
            [this](KVVideoItem *item, int) { _list.select(item); });
        KVPlayProcess::instance()->init(&_list);
    }

    void init() { resetPlayer(_player); }

    void loadEventOrder()
    {
        KVVideoItem *item = _card.first();
        EventLog log(_player);
        _player->onLoad(item);
        QVERIFY(log.waitFor(PLAY_FIRST_FRAME, 10000));
        QCOMPARE(log.kinds(),
            (QList<PLAY_EVENT>{PLAY_LOADING, PLAY_PLAYING, PLAY_LOADED, PLAY_FIRST_FRAME}));
        for (const auto &e : log.events)
            QCOMPARE(e.second, item);
        QCOMPARE(_player->mainPlayer()->file(), item->frontPath());
        QCOMPARE(_player->secondaryPlayer()->file(), item->rearPath());
        QCOMPARE(_player->renderer()->player(), _player->mainPlayer());
        QVERIFY(_player->secondaryPlayer()->isPlaying());
        QVERIFY(!_player->isStopped());
    }

    void recordingWithoutRearPlaysFrontInBoth()
    {
        KVVideoItem *manual = nullptr;
        for (KVVideoItem *item : _card)
            if (item->rearPath().isEmpty())
                manual = item;
        QVERIFY(manual);
        QVERIFY(loadAndWait(_player, manual));
        QCOMPARE(_player->secondaryPlayer()->file(), manual->frontPath());
        QTest::qWait(300);
        // The secondary runs (not frozen on its first picture).
        const kvm::VideoFrame sub = _player->secondaryPlayer()->presentedFrame();
        QVERIFY(sub.isValid());
        QVERIFY(sub.pts() > 0.1);
        QCOMPARE(sub.width(), 320);
    }

    void rearOnlyAndNoFile()
    {
        // Only a rear file: it plays in both players.
        KVVideoItemRef rearOnly = makeItem(QString(), _card.first()->rearPath());
        QVERIFY(loadAndWait(_player, rearOnly.data()));
        QCOMPARE(_player->mainPlayer()->file(), rearOnly->rearPath());
        QCOMPARE(_player->secondaryPlayer()->file(), rearOnly->rearPath());

        // Neither file: nothing plays, the load ends (no recording is left
        // half loaded, the old file is not played again) and the player
        // stays usable.
        KVVideoItemRef none
            = makeItem(_cardDir + QStringLiteral("/NORM201221-000000F.mp4"), QString());
        none->setFrontPath(QString());
        EventLog log(_player);
        KVVideoFileList::setLoadInProgress(true);
        _player->closeMedia();
        _player->onLoad(none.data());
        QVERIFY(log.waitFor(PLAY_NO_MEDIA, 2000));
        QCOMPARE(log.count(PLAY_LOADING), 1);
        QCOMPARE(log.count(PLAY_PLAYING), 0);
        QVERIFY(!KVVideoFileList::loadInProgress());
        QVERIFY(!_player->mainPlayer()->isPlaying());
        QVERIFY(_player->mainPlayer()->file().isEmpty());
        QVERIFY(_player->item() == nullptr);
        _player->onPlayOrPause();
        QCOMPARE(log.events.last().first, PLAY_NO_MEDIA);

        // A file that is not a video: the same.
        const QString junk = KVTest::makeTempDir(QStringLiteral("junk"))
            + QStringLiteral("/NORM201221-111111F.mp4");
        QVERIFY(KVTest::writeFile(junk, QByteArray(4096, 'x')));
        KVVideoItemRef bad = makeItem(junk, QString());
        log.clear();
        _player->onLoad(bad.data());
        QVERIFY(log.waitFor(PLAY_NO_MEDIA, 5000));

        QVERIFY(loadAndWait(_player, _card.first()));
    }

    void longerFileIsCut()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("cut"));
        const QString f3 = dir + QStringLiteral("/a/NORM201221-100000F.mp4");
        const QString r4 = dir + QStringLiteral("/a/NORM201221-100000R.mp4");
        const QString f4 = dir + QStringLiteral("/b/NORM201221-110000F.mp4");
        const QString r3 = dir + QStringLiteral("/b/NORM201221-110000R.mp4");
        for (const auto &[path, ms] : {std::pair{f3, 3000}, {r4, 4000}, {f4, 4000}, {r3, 3000}})
            QCOMPARE(makeClip(path, ms), QString());

        KVVideoItemRef rearLonger = makeItem(f3, r4);
        QVERIFY(loadAndWait(_player, rearLonger.data()));
        QCOMPARE(_player->frontPlayer()->duration(), 3000);
        QCOMPARE(_player->rearPlayer()->duration(), 3000);

        KVVideoItemRef frontLonger = makeItem(f4, r3);
        QVERIFY(loadAndWait(_player, frontLonger.data()));
        QCOMPARE(_player->frontPlayer()->duration(), 3000);
        QCOMPARE(_player->rearPlayer()->duration(), 3000);

        // The cut belongs to its recording: a 4 s pair plays 4 s again.
        KVVideoItemRef equal = makeItem(f4, r4);
        QVERIFY(loadAndWait(_player, equal.data()));
        QCOMPARE(_player->frontPlayer()->duration(), 4000);
        QCOMPARE(_player->rearPlayer()->duration(), 4000);
    }

    void wholeCardPlaysThrough()
    {
        // The end of each recording: both players stopped, PLAY_STOPPED once
        // with the next visible recording, which the automatic advance loads;
        // after the last one the first comes again.
        // The display stays awake from the first picture on, also in the
        // gaps between recordings.
        QList<KVVideoItem *> loaded;
        QList<KVVideoItem *> stoppedWith;
        bool stillPlayingAtStop = false;
        bool played = false;
        bool awakeLost = false;
        KVScreenSaverInhibitor *awake = KVApp::instance()->screenSaverInhibitor();
        QMetaObject::Connection c = connect(
            _player, &KVPlayerBase::playEvent, this, [&](PLAY_EVENT e, KVVideoItem *item) {
                played = played || e == PLAY_PLAYING;
                awakeLost = awakeLost || (played && !awake->wanted());
                if (e == PLAY_LOADED)
                    loaded << item;
                if (e == PLAY_STOPPED && item) {
                    stoppedWith << item;
                    stillPlayingAtStop = stillPlayingAtStop || _player->mainPlayer()->isPlaying()
                        || _player->secondaryPlayer()->isPlaying();
                }
            });
        _list.select(_card.first());
        QTRY_VERIFY_WITH_TIMEOUT(loaded.size() >= 5, 60000);
        disconnect(c);
        QCOMPARE(loaded.mid(0, 5),
            (QList<KVVideoItem *>{_card[0], _card[1], _card[2], _card[3], _card[0]}));
        QCOMPARE(
            stoppedWith.mid(0, 4), (QList<KVVideoItem *>{_card[1], _card[2], _card[3], _card[0]}));
        QVERIFY(!stillPlayingAtStop);
        QVERIFY(played);
        QVERIFY(!awakeLost);
        // A pause lets the screen saver in again, playing holds it off, and
        // a stop lets it in for good.
        QTRY_VERIFY(_player->mainPlayer()->isPlaying() && !_player->isPaused());
        _player->onPlayOrPause();
        QVERIFY(!awake->wanted());
        _player->onPlayOrPause();
        QVERIFY(awake->wanted());
        _player->onUserStop();
        QTRY_VERIFY(!KVVideoFileList::loadInProgress());
        QVERIFY(!awake->wanted());
    }

    // The end report of the last frame came while the user paused (the
    // position at the end is not taken in a pause, the end status is):
    // played again to its end, the recording still ends and the next one
    // comes.
    void endReportedDuringAPauseStillEnds()
    {
        KVVideoFileList::instance()->setCurrentItem(_card[1]);
        QVERIFY(loadAndWait(_player, _card[1]));
        QTRY_VERIFY(_player->mainPlayer()->position() > 0);
        _player->onPlayOrPause();
        QVERIFY(_player->isPaused());
        emit _player->mainPlayer()->mediaStatusChanged(kvm::EndOfMedia);
        EventLog log(_player);
        _player->onPlayOrPause();
        QVERIFY(!_player->isPaused());
        QVERIFY(log.waitFor(PLAY_STOPPED, 8000));
        QCOMPARE(log.events.value(log.kinds().indexOf(PLAY_STOPPED)).second, _card[2]);
        QVERIFY(log.waitFor(PLAY_LOADED, 8000));
        QCOMPARE(_player->item(), _card[2]);
        _player->onUserStop();
        QTRY_VERIFY(!KVVideoFileList::loadInProgress());
    }

    void oneSecondRecordingNeverEndsThatWay()
    {
        const QString path = KVTest::makeTempDir(QStringLiteral("short"))
            + QStringLiteral("/NORM201221-120000F.mp4");
        QCOMPARE(makeClip(path, 1000), QString());
        KVVideoItemRef item = makeItem(path, QString());
        QCOMPARE(item->duration(), 1000u);
        // The catalogue's current recording is one of the card: an
        // unwanted advance would load it.
        KVVideoFileList::instance()->setCurrentItem(_card.first());
        QVERIFY(loadAndWait(_player, item.data()));
        EventLog log(_player);
        QTest::qWait(2500);
        QCOMPARE(log.count(PLAY_STOPPED), 0);
        QVERIFY(_player->mainPlayer()->isPlaying());
        QCOMPARE(_player->mainPlayer()->mediaStatus(), kvm::EndOfMedia);
        // The user's stop afterwards stops, and goes nowhere else.
        _player->onUserStop();
        QVERIFY(log.waitFor(PLAY_STOPPED, 2000));
        QTest::qWait(300);
        QCOMPARE(log.count(PLAY_LOADING), 0);
        for (const auto &e : log.events)
            QVERIFY(e.second == nullptr);
    }

    void processLoadsTheLastChoice()
    {
        QVERIFY(loadAndWait(_player, _card.first()));
        EventLog log(_player);
        // Two choices while one plays: the stop comes later and the last
        // choice is loaded, once.
        _list.select(_card[1]);
        QVERIFY(KVPlayProcess::loadInProgress());
        _list.select(_card[2]);
        QCOMPARE(KVPlayProcess::instance()->pendingItem(), _card[2]);
        QVERIFY(log.waitFor(PLAY_LOADED, 10000));
        QTest::qWait(200);
        QCOMPARE(log.count(PLAY_LOADED), 1);
        QCOMPARE(_player->item(), _card[2]);
        QVERIFY(!KVPlayProcess::loadInProgress());
        // With nothing playing, the choice is loaded at once.
        _player->closeMedia();
        log.clear();
        _list.select(_card[3]);
        QCOMPARE(log.kinds().value(0), PLAY_STOPPED);
        QVERIFY(log.waitFor(PLAY_LOADED, 10000));
        QCOMPARE(_player->item(), _card[3]);
    }

    void holdsTheRecordingItPlays()
    {
        // A catalogue rebuild drops the items; the one being played lives on.
        KVVideoFileList *catalogue = KVVideoFileList::instance();
        QVERIFY(loadAndWait(_player, _card.first()));
        QPointer<KVVideoItem> playing = _card.first();
        catalogue->setCurrentItem(nullptr);
        const QString other = KVTest::makeTempDir(QStringLiteral("other"));
        QCOMPARE(makeClip(other + QStringLiteral("/NORM201222-090000F.mp4"), 600), QString());
        QCOMPARE(catalogue->buildFolderNow(other), 1);
        QTest::qWait(50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!playing.isNull());
        QCOMPARE(_player->item(), playing.data());
        QCOMPARE(playing->frontPath(), _player->mainPlayer()->file());
        // Closed: the item lives until the stop is reported (the displays
        // point into its sensor data until then), even when the catalogue's
        // deletions are carried out first.
        bool aliveAtStop = false;
        QMetaObject::Connection watch = connect(
            _player, &KVPlayerBase::playEvent, this, [&](PLAY_EVENT event, KVVideoItem *) {
                if (event == PLAY_STOPPED)
                    aliveAtStop = !playing.isNull();
            });
        _player->closeMedia();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(50);
        disconnect(watch);
        QVERIFY(aliveAtStop);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(playing.isNull());
        _card.clear();
    }
};

KV_TEST_MAIN(TestPlayerLoad)
#include "tst_player_load.moc"
