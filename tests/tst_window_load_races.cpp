// User actions that land while a recording loads or just after one ends, in
// the real main window under Xvfb on a card of short recordings: Play
// pressed before the files are open or between the front and the rear
// file, Stop during a load, a pop-up opened during a load, and the end of a
// recording when no recording follows.

#include "kv_modal_driver.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "app/kv_app.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "media/avplayer.h"
#include "ui/kv_frame_list.h"
#include "ui/kv_frame_play.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_play_slider.h"
#include "ui/kv_popup_info.h"
#include "ui/kv_popup_message.h"
#include "ui/kv_slider.h"
#include "ui/kv_widget_video_list.h"
#include "ui/kv_window_main.h"

#include <QFile>
#include <QtTest>

using namespace KVPlayerFixture;

class TestWindowLoadRaces : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;
    KVPlayer *_player = nullptr;
    KVFramePlay *_play = nullptr;
    KVPlaySlider *_bar = nullptr;
    KVWidgetVideoList *_table = nullptr;
    std::unique_ptr<EventLog> _log;
    QString _card;

    static KVVideoFileList *catalogue() { return KVVideoFileList::instance(); }
    KVVideoItem *row(int index) const { return catalogue()->visibleItems().value(index); }

    void playRowAndWait(int index)
    {
        _log->clear();
        QVERIFY(_table->playRow(index));
        QVERIFY(_log->waitFor(PLAY_FIRST_FRAME, 15000));
        QTRY_VERIFY(_bar->slider()->isEnabled());
    }

    // Both cameras loaded and running their threads, both paused (true) or
    // both playing (false), the button showing the same.
    void verifyBothCameras(bool paused)
    {
        kvm::AVPlayer *main = _player->mainPlayer();
        kvm::AVPlayer *secondary = _player->secondaryPlayer();
        QVERIFY(main->isLoaded() && secondary->isLoaded());
        QVERIFY(main->isPlaying() && secondary->isPlaying());
        QCOMPARE(_player->pendingStops(), 2);
        QCOMPARE(_player->isPaused(), paused);
        QCOMPARE(main->isPaused(), paused);
        QCOMPARE(secondary->isPaused(), paused);
        QCOMPARE(_play->playButton()->isChecked(), !paused);
    }

    // The recording plays to its end and the next row's recording follows.
    void verifyAdvanceTo(KVVideoItem *next)
    {
        _log->clear();
        QVERIFY2(_log->waitFor(PLAY_LOADED, 15000), "no automatic advance at the end");
        QCOMPARE(_player->item(), next);
        QCOMPARE(catalogue()->currentItem(), next);
    }

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        _card = KVTest::makeTempDir(QStringLiteral("card"));
        QString error;
        QVERIFY2(makeCard(_card, 4, 4, &error).size() == 4, qPrintable(error));
        _window = WindowMain::instance();
        _player = KVPlayer::instance();
        _log = std::make_unique<EventLog>(_player);
        _play = _window->framePlay();
        _bar = _window->playSlider();
        _table = KVFrameList::instance()->table();
        _window->move(40, 40);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        QVERIFY(catalogue()->buildFolderNow(_card) >= 4);
        QTRY_VERIFY(_play->playButton()->isEnabled());
        QCOMPARE(_table->rowCount(), 4);
    }

    void init()
    {
        _player->onUserStop();
        QTRY_VERIFY(_player->pendingStops() == 0 && !_player->item());
        QVERIFY(!KVVideoFileList::loadInProgress());
        _log->clear();
    }

    void pressDuringTheLoadGivesAPausedStart_data()
    {
        QTest::addColumn<bool>("afterFront");
        // Right after the choice: the files are not open yet.
        QTest::newRow("before the files open") << false;
        // The front file is open, the rear one not yet.
        QTest::newRow("between front and rear") << true;
    }

    void pressDuringTheLoadGivesAPausedStart()
    {
        QFETCH(bool, afterFront);
        bool pressed = false;
        QSignalSpy positions(_player, &KVPlayerBase::positionChanged);
        QMetaObject::Connection c;
        if (afterFront) {
            c = connect(_player->frontPlayer(), &kvm::AVPlayer::mediaStatusChanged, this,
                [&](kvm::MediaStatus s) {
                    if (s != kvm::LoadedMedia || pressed)
                        return;
                    pressed = true;
                    QVERIFY(!_player->rearPlayer()->isLoaded());
                    QTest::mouseClick(_play->playButton(), Qt::LeftButton);
                });
        }
        QVERIFY(_table->playRow(0));
        if (!afterFront) {
            QTest::mouseClick(_play->playButton(), Qt::LeftButton);
            pressed = true;
        }
        QVERIFY(_log->waitFor(PLAY_LOADED, 15000));
        disconnect(c);
        QVERIFY(pressed);
        QVERIFY(_log->waitFor(PLAY_FIRST_FRAME, 5000));
        // The press asked for a pause, and the recording is still the
        // catalogue's current one (not taken for a failed load).
        QCOMPARE(_log->count(PLAY_NO_MEDIA), 0);
        QCOMPARE(_player->item(), row(0));
        QCOMPARE(catalogue()->currentItem(), row(0));
        verifyBothCameras(true);
        QTRY_VERIFY(_bar->slider()->isEnabled());
        QCOMPARE(_bar->slider()->value(), 0);
        // The sensor displays were told the moment shown.
        QVERIFY(!positions.isEmpty());
        QCOMPARE(positions.last().at(0).toLongLong(), 0);

        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        verifyBothCameras(false);
        verifyAdvanceTo(row(1));
    }

    void twoPressesDuringTheLoadPlay()
    {
        QVERIFY(_table->playRow(1));
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_LOADED, 15000));
        verifyBothCameras(false);
    }

    void stopDuringALoadLeavesNextWorking()
    {
        playRowAndWait(0);
        kvm::MediaStatus atClick = kvm::NoMedia;
        QMetaObject::Connection c
            = connect(_player, &KVPlayerBase::playEvent, this, [&](PLAY_EVENT e, KVVideoItem *) {
                  if (e != PLAY_LOADING)
                      return;
                  QTimer::singleShot(0, this, [&] {
                      atClick = _player->mainPlayer()->mediaStatus();
                      QTest::mouseClick(_play->stopButton(), Qt::LeftButton);
                  });
              });
        _log->clear();
        QTest::mouseClick(_play->nextButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_USER_STOP, 5000));
        disconnect(c);
        QCOMPARE(atClick, kvm::LoadingMedia);
        QTest::qWait(300);
        QCOMPARE(_log->count(PLAY_LOADED), 0);
        QVERIFY(!_player->item());
        QVERIFY(!KVVideoFileList::loadInProgress());

        // Next moves the selection; Play plays the selected row at once.
        const int selected = _table->selectedRow();
        QTest::mouseClick(_play->nextButton(), Qt::LeftButton);
        QCOMPARE(_table->selectedRow(), (selected + 1) % _table->rowCount());
        _log->clear();
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_LOADED, 15000));
        QCOMPARE(_player->item(), row(_table->selectedRow()));
    }

    void noRecordingFollowsClosesTheFinishedOne()
    {
        // The next recording's file has gone while this one plays.
        playRowAndWait(1);
        KVVideoItem *next = row(2);
        QVERIFY(QFile::remove(next->displayPath()));
        bool told = false;
        KVTest::whenModal<KVPopupMessage>([](KVPopupMessage *m) { m->accept(); }, &told, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(told, 15000);
        QTRY_VERIFY(!_player->item());
        QVERIFY(_player->isStopped());
        QCOMPARE(_table->rowCount(), 3);

        // Play now plays the selected row with its slider, rather than the
        // finished recording again without one.
        _log->clear();
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_LOADED, 15000));
        QVERIFY(_player->item());
        QCOMPARE(_player->item(), row(_table->selectedRow()));
        QTRY_VERIFY(_bar->slider()->isEnabled());
    }

    void popupDuringALoadKeepsThePlayerStill()
    {
        bool ran = false;
        bool loaded = false;
        bool pausedWhileOpen = false;
        int loadsWhileOpen = -1;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                loaded = _log->waitFor(PLAY_LOADED, 15000);
                QTest::qWait(300);
                pausedWhileOpen = _player->isPaused() && _player->mainPlayer()->isPaused()
                    && _player->secondaryPlayer()->isPaused();
                loadsWhileOpen = _log->count(PLAY_LOADED);
                popup->accept();
            },
            &ran);
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
        QVERIFY(_table->playRow(0));
        QTest::keyClick(_window, Qt::Key_F7);
        QVERIFY(ran);
        QVERIFY(loaded);
        QVERIFY2(pausedWhileOpen, "the recording played behind the pop-up");
        QCOMPARE(loadsWhileOpen, 1);
        QCOMPARE(_player->item(), row(0));
    }
};

KV_TEST_MAIN(TestWindowLoadRaces)
#include "tst_window_load_races.moc"
