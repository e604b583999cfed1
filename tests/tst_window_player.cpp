// The main window's player frames under Xvfb on a demo card, driven through
// the widgets as a user would (QTest clicks and keys), with recordings loaded
// by the load sequence as the list hands them over: the left column's
// geometry, the play bar (button, Space, Backspace, stop, enabled states),
// the position slider (a click jumps there), the equaliser (speed applies
// only on release, mute, brightness, contrast and their default buttons),
// the video frame (swap, flips, double-click zoom with its inset, panning,
// F9/F10, full screen), the information pop-up pausing playback, and the
// title bar following the load state. Screenshots go to the build folder.

#include "kv_modal_driver.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_window_test_util.h"

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "app/kv_shortcut.h"
#include "core/kv_key_event.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "media/audiooutput.h"
#include "media/avfilter.h"
#include "media/avplayer.h"
#include "media/videorenderer.h"
#include "ui/kv_frame_eq.h"
#include "ui/kv_frame_gps.h"
#include "ui/kv_frame_left.h"
#include "ui/kv_frame_list.h"
#include "ui/kv_frame_play.h"
#include "ui/kv_frame_right.h"
#include "ui/kv_frame_title.h"
#include "ui/kv_frame_video.h"
#include "ui/kv_logo_widget.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_play_slider.h"
#include "ui/kv_popup_capture.h"
#include "ui/kv_popup_info.h"
#include "ui/kv_slider.h"
#include "ui/kv_widget_check_box.h"
#include "ui/kv_widget_video_list.h"
#include "ui/kv_widget_zoom_pos.h"
#include "ui/kv_window_main.h"

#include <QLabel>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QtTest>

using namespace KVPlayerFixture;

class TestWindowPlayer : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;
    KVPlayer *_player = nullptr;
    KVFramePlay *_play = nullptr;
    KVFrameEQ *_eq = nullptr;
    KVFrameVideoMain *_video = nullptr;
    KVPlaySlider *_bar = nullptr;
    QList<KVVideoItem *> _items;
    std::unique_ptr<EventLog> _log;

    QPoint origin(QWidget *widget) const { return widget->mapTo(_window, QPoint(0, 0)); }

    void activate()
    {
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
    }

    // The list's hand-over: the load sequence stops what plays and loads.
    void choose(KVVideoItem *item)
    {
        _log->clear();
        KVVideoFileList::instance()->setCurrentItem(item);
        QVERIFY(QMetaObject::invokeMethod(
            KVPlayProcess::instance(), "onVideoLoadingStart", Q_ARG(KVVideoItem *, item)));
        QVERIFY(_log->waitFor(PLAY_FIRST_FRAME, 15000));
        QTRY_VERIFY(_bar->slider()->isEnabled());
    }

    // A left click at a fraction of a slider's groove.
    static int clickSlider(KVSlider *slider, double fraction)
    {
        const int x = int(10 + fraction * (slider->width() - 20));
        const int expected = slider->valueAt(x);
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, slider->height() / 2));
        return expected;
    }

    QPoint handleCentre(KVSlider *slider) const
    {
        const int span = slider->width() - 14;
        const int x = 7
            + QStyle::sliderPositionFromValue(
                slider->minimum(), slider->maximum(), slider->value(), span);
        return QPoint(x, slider->height() / 2);
    }

    QPoint videoPoint(double fx, double fy) const
    {
        QWidget *w = _video->videoWidget();
        return QPoint(int(fx * w->width()), int(fy * w->height()));
    }

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        const QString card = KVTest::makeTempDir(QStringLiteral("card"));
        QString error;
        QVERIFY2(makeCard(card, 6, 4, &error).size() == 4, qPrintable(error));

        _window = WindowMain::instance();
        _player = KVPlayer::instance();
        _log = std::make_unique<EventLog>(_player);
        _play = _window->framePlay();
        _eq = _window->frameEQ();
        _video = _window->frameVideo();
        _bar = _window->playSlider();
        QVERIFY(_play && _eq && _video && _bar);

        // An empty list: play, previous, next and both shortcuts are off.
        QVERIFY(!_play->playButton()->isEnabled());
        QVERIFY(!_play->nextButton()->isEnabled());
        QVERIFY(!_play->previousButton()->isEnabled());
        QVERIFY(!_play->stopButton()->isEnabled());
        QVERIFY(_play->openButton()->isEnabled());
        QVERIFY(!_play->playShortcut()->isEnabled());
        QVERIFY(!_play->restartShortcut()->isEnabled());

        _window->move(40, 40);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        activate();

        QVERIFY(KVVideoFileList::instance()->buildFolderNow(card) >= 6);
        // The card's recordings with both cameras.
        for (KVVideoItem *item : KVVideoFileList::instance()->visibleItems())
            if (!item->frontPath().isEmpty() && !item->rearPath().isEmpty())
                _items << item;
        QVERIFY(_items.size() >= 2);
        QTRY_VERIFY(_play->playButton()->isEnabled());
        QVERIFY(_play->nextButton()->isEnabled());
        QVERIFY(_play->previousButton()->isEnabled());
        QVERIFY(_play->playShortcut()->isEnabled());
        QVERIFY(_play->restartShortcut()->isEnabled());
        QVERIFY(!_play->stopButton()->isEnabled());
        activate();
    }

    void leftColumnGeometry()
    {
        KVFrameLeft *left = _window->leftFrame();
        QCOMPARE(left->videoFrame(), static_cast<QWidget *>(_video));
        QCOMPARE(origin(_video), QPoint(4, 47));
        QCOMPARE(_video->size(), QSize(690, 436));
        QCOMPARE(_video->titleBar()->height(), 26);
        QCOMPARE(origin(_bar), QPoint(4, 47 + 436));
        QCOMPARE(_bar->size(), QSize(690, 18));
        // The knob row is not cut: the slider has its full 18 pixels.
        QCOMPARE(_bar->slider()->height(), 18);
        QCOMPARE(origin(left->bottomPanel()), QPoint(4, 47 + 436 + 18));
        QCOMPARE(origin(left->bottomPanel()).y() + 182, 687 - 4);
        QCOMPARE(_eq->size(), QSize(690, 30));
        QCOMPARE(_play->size(), QSize(690, 71));
        QCOMPARE(origin(_play).y() + 71, 687 - 4);

        for (LXButton *b : {_play->previousButton(), _play->playButton(), _play->stopButton(),
                 _play->nextButton()})
            QCOMPARE(b->size(), QSize(62, 62));
        QCOMPARE(_play->openButton()->size(), QSize(121, 70));
        // The open button sits at the right end of the bar.
        QVERIFY(_play->openButton()->geometry().right() > 690 - 40);
        for (KVSlider *s : {_eq->contrastSlider(), _eq->brightnessSlider(), _eq->volumeSlider(),
                 static_cast<KVSlider *>(_eq->speedSlider())}) {
            QCOMPARE(s->width(), 114);
            QCOMPARE(s->height(), 14);
            QCOMPARE(s->focusPolicy(), Qt::NoFocus);
        }
        // Nothing of the bottom panel spills over its edges.
        for (QWidget *w : left->bottomPanel()->findChildren<QWidget *>()) {
            if (!w->isVisible())
                continue;
            const QRect r(w->mapTo(left->bottomPanel(), QPoint(0, 0)), w->size());
            QVERIFY2(left->bottomPanel()->rect().contains(r), qPrintable(w->objectName()));
        }
        // The start: the big front logo and the front title picture.
        QVERIFY(!_video->isShowingVideo());
        QVERIFY(_video->logoWidget()->isVisible());
        QVERIFY(_video->logoWidget()->isBig());
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_front.png"));
        QVERIFY(!_video->titleLabel()->pixmap().isNull());
        QVERIFY(!KVTest::saveScreenshot(_window, "player_stopped_ja").isEmpty());
    }

    void loadThroughTheLoadSequence()
    {
        LXFrameTitle *title = _window->titleBar();
        QVERIFY(!title->captureButton()->isEnabled());
        choose(_items[0]);
        QVERIFY(_log->count(PLAY_LOADED) == 1);
        QVERIFY(_video->isShowingVideo());
        QVERIFY(!_video->logoWidget()->isVisible());
        QVERIFY(_play->stopButton()->isEnabled());
        QVERIFY(_play->playButton()->isChecked());
        QCOMPARE(_play->playButton()->toolTip(), QString::fromUtf8("一時停止"));
        QVERIFY(title->captureButton()->isEnabled());
        QVERIFY(title->captureShortcut()->isEnabled());
        QCOMPARE(_bar->durationLabel()->text(), QStringLiteral("00:06"));
        QVERIFY(_video->swapButton()->isEnabled());
        // The position reaches the labels in the recording's own time.
        QTRY_VERIFY(_player->displayPosition() > 500);
        QTRY_COMPARE(_bar->currentLabel()->text(), QStringLiteral("00:01"));
        QVERIFY(!KVTest::saveScreenshot(_window, "player_playing_ja").isEmpty());
    }

    void playPauseWithButtonAndSpace()
    {
        _log->clear();
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_PAUSED, 3000));
        QVERIFY(_player->isPaused());
        QVERIFY(!_play->playButton()->isChecked());
        QCOMPARE(_play->playButton()->toolTip(), QString::fromUtf8("再生"));
        QVERIFY(!_play->playButton()->hasFocus());

        QTest::keyClick(_window, Qt::Key_Space);
        QVERIFY(_log->waitFor(PLAY_PLAYING, 3000));
        QVERIFY(!_player->isPaused());
        QVERIFY(_play->playButton()->isChecked());
        QTest::keyClick(_window, Qt::Key_Space);
        QVERIFY(_log->waitFor(PLAY_PAUSED, 3000, 2));
        QVERIFY(_player->isPaused());
    }

    void positionSliderClickJumps()
    {
        KVSlider *slider = _bar->slider();
        QVERIFY(slider->maximum() > 4000);
        const int target = clickSlider(slider, 0.6);
        QVERIFY(target > 2500);
        // A jump, not a page step.
        QCOMPARE(slider->value(), target);
        QVERIFY(waitSeek(_player->mainPlayer()));
        QTRY_VERIFY(qAbs(_player->mainPlayer()->position() - target) < 150);
        // Paused before, paused after.
        QVERIFY(_player->isPaused());
        QTRY_COMPARE(_bar->currentLabel()->text(), KVVideoItem::positionText(target));
    }

    // Held after the jump, the handle follows the pointer as when the handle
    // itself is taken; playback goes on from where it is let go.
    void positionSliderGroovePressDrags()
    {
        KVSlider *slider = _bar->slider();
        activate();
        if (_player->isPaused())
            QTest::keyClick(_window, Qt::Key_Space);
        QTRY_VERIFY(!_player->isPaused());
        const int y = slider->height() / 2;
        const int from = int(10 + 0.1 * (slider->width() - 20));
        const int to = int(10 + 0.4 * (slider->width() - 20));
        const int target = slider->valueAt(to);
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(from, y));
        QVERIFY(_player->isPaused());
        QTRY_VERIFY(qAbs(_player->mainPlayer()->position() - slider->valueAt(from)) < 150);
        QTest::mouseMove(slider, QPoint((from + to) / 2, y));
        QTest::mouseMove(slider, QPoint(to, y));
        QVERIFY2(qAbs(slider->value() - target) <= slider->maximum() / 100,
            qPrintable(QStringLiteral("%1 %2").arg(slider->value()).arg(target)));
        QTRY_VERIFY(qAbs(_player->mainPlayer()->position() - slider->value()) < 150);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(to, y));
        QTRY_VERIFY(!_player->isPaused());
        QVERIFY(!slider->isSliderDown());
        QTRY_VERIFY(_player->mainPlayer()->position() > target);
        // Paused again, as the next steps expect.
        QTest::keyClick(_window, Qt::Key_Space);
        QTRY_VERIFY(_player->isPaused());
    }

    // Only the left button moves the knob: a middle-button drag (which the
    // style would follow) ended without the release the player listens
    // for, and left the sound off and the end of the recording unseen.
    void otherButtonsLeaveTheSliderAlone()
    {
        KVSlider *slider = _bar->slider();
        activate();
        if (_player->isPaused())
            QTest::keyClick(_window, Qt::Key_Space);
        QTRY_VERIFY(!_player->isPaused());
        QTRY_VERIFY(!_player->isTempMuted()); // the resume's short mute
        const int y = slider->height() / 2;
        const int from = int(10 + 0.2 * (slider->width() - 20));
        const int to = int(10 + 0.7 * (slider->width() - 20));
        for (const Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton}) {
            const int before = slider->value();
            QTest::mousePress(slider, button, {}, QPoint(from, y));
            QTest::mouseMove(slider, QPoint(to, y));
            QTest::mouseRelease(slider, button, {}, QPoint(to, y));
            QVERIFY(!slider->isSliderDown());
            QVERIFY(qAbs(slider->value() - before) < slider->maximum() / 20);
            QVERIFY(!_player->isPaused());
            QVERIFY(!_player->isTempMuted());
            QVERIFY(!_player->isPausedBySlider());
        }
        QTest::keyClick(_window, Qt::Key_Space);
        QTRY_VERIFY(_player->isPaused());
    }

    // A recording loaded and, within the slider's delay, the next one on
    // its way (PageDown held): the first one's delay must not switch the
    // slider on while the next one loads.
    void sliderWaitsForTheLoadThatFollows()
    {
        KVSlider *slider = _bar->slider();
        QVERIFY(slider->isEnabled());
        KVVideoItem *item = _player->item();
        QVERIFY(item);
        _bar->onPlayEvent(PLAY_LOADED, item);
        _bar->onPlayEvent(PLAY_LOADING, item);
        QVERIFY(!slider->isEnabled());
        QTest::qWait(KVPlaySlider::kEnableDelayMs + 150);
        QVERIFY(!slider->isEnabled());
        // Its own load ends the wait.
        _bar->onPlayEvent(PLAY_LOADED, item);
        QTRY_VERIFY(slider->isEnabled());
    }

    void backspaceRestarts()
    {
        QVERIFY(_player->mainPlayer()->position() > 2000);
        QTest::keyClick(_window, Qt::Key_Backspace);
        QTRY_VERIFY(_player->mainPlayer()->position() < 400);
        QTRY_COMPARE(_bar->currentLabel()->text(), QStringLiteral("00:00"));
        // A picture change while paused shows the start again, not the
        // moment before the restart.
        QTest::mouseClick(_video->flipHButton(), Qt::LeftButton);
        QTest::qWait(300);
        QVERIFY(_player->mainPlayer()->position() < 400);
        QTest::mouseClick(_video->flipHButton(), Qt::LeftButton);
        QTest::qWait(300);
        QVERIFY(_player->mainPlayer()->position() < 400);
    }

    void speedAppliesOnRelease()
    {
        KVReleasedSlider *speed = _eq->speedSlider();
        QCOMPARE(speed->value(), 2);
        QCOMPARE(_player->speed(), 1.0);
        const QPoint knob = handleCentre(speed);
        QTest::mousePress(speed, Qt::LeftButton, {}, knob);
        QTest::mouseMove(speed, QPoint(speed->width() - 3, knob.y()));
        QTRY_COMPARE(speed->value(), 3);
        QCOMPARE(_eq->speedLabel()->text(), QStringLiteral("2.0 x"));
        QCOMPARE(_player->mainPlayer()->speed(), 1.0);
        QTest::mouseRelease(speed, Qt::LeftButton, {}, QPoint(speed->width() - 3, knob.y()));
        QCOMPARE(_player->speed(), 2.0);
        QCOMPARE(_player->mainPlayer()->speed(), 2.0);
        // The slider is let go (not left pressed after the release).
        QVERIFY(!speed->isSliderDown());

        // A click on the groove also waits for the release.
        QTest::mousePress(speed, Qt::LeftButton, {}, QPoint(8, knob.y()));
        QCOMPARE(speed->value(), 0);
        QCOMPARE(_player->mainPlayer()->speed(), 2.0);
        QTest::mouseRelease(speed, Qt::LeftButton, {}, QPoint(8, knob.y()));
        QCOMPARE(_player->mainPlayer()->speed(), 0.5);
        QCOMPARE(_eq->speedLabel()->text(), QStringLiteral("0.5 x"));
        // The longest label is not cut off.
        QVERIFY(_eq->speedLabel()->fontMetrics().horizontalAdvance(QStringLiteral("0.5 x"))
            <= _eq->speedLabel()->width());

        // The default button applies 1.0 at once.
        QTest::mouseClick(_eq->speedButton(), Qt::LeftButton);
        QCOMPARE(speed->value(), 2);
        QCOMPARE(_player->mainPlayer()->speed(), 1.0);
        QCOMPARE(_player->speed(), 1.0);
        QCOMPARE(_eq->speedLabel()->text(), QStringLiteral("1 x"));
        // The wheel changes nothing.
        QWheelEvent wheel(QPointF(50, 7), speed->mapToGlobal(QPointF(50, 7)), QPoint(),
            QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(speed, &wheel);
        QCOMPARE(speed->value(), 2);
    }

    void muteDisablesVolume()
    {
        QVERIFY(_eq->volumeSlider()->isEnabled());
        QTest::mouseClick(_eq->muteButton(), Qt::LeftButton);
        QVERIFY(_eq->muteButton()->isChecked());
        QVERIFY(!_eq->volumeSlider()->isEnabled());
        QCOMPARE(_eq->muteButton()->toolTip(), KVLanguage::lookupJapanese("volume_un_mute"));
        QVERIFY(_player->mainPlayer()->audio()->isMute());
        QTest::mouseClick(_eq->muteButton(), Qt::LeftButton);
        QVERIFY(!_eq->muteButton()->isChecked());
        QVERIFY(_eq->volumeSlider()->isEnabled());
        QVERIFY(!_player->mainPlayer()->audio()->isMute());
        // The slider's volume is the one heard: 50 gives 0.495.
        QVERIFY(qAbs(_player->mainPlayer()->audio()->volume() - 0.495) < 1e-6);
    }

    void brightnessAndContrastReachThePlayer()
    {
        QCOMPARE(_player->brightness(), KVPlayerZoom::kEqOff);
        const int b = clickSlider(_eq->brightnessSlider(), 0.9);
        QVERIFY(b > 80);
        QVERIFY(qAbs(_player->brightness() - (-0.5f + b / 100.0f)) < 1e-4);
        QVERIFY(_player->eqFilterMain());
        const int c = clickSlider(_eq->contrastSlider(), 0.1);
        QVERIFY(c < 20);
        QVERIFY(qAbs(_player->contrast() - (0.1f + 1.8f * c / 100.0f)) < 1e-4);

        QTest::mouseClick(_eq->brightnessButton(), Qt::LeftButton);
        QCOMPARE(_eq->brightnessSlider()->value(), 50);
        QCOMPARE(_player->brightness(), KVPlayerZoom::kEqOff);
        QTest::mouseClick(_eq->contrastButton(), Qt::LeftButton);
        QCOMPARE(_player->contrast(), KVPlayerZoom::kEqOff);
        QVERIFY(!_player->eqFilterMain());
    }

    void swapAndFlips()
    {
        _log->clear();
        QTest::mouseClick(_video->swapButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_SWAPPED, 3000));
        QVERIFY(_player->isSwapped());
        // The rear player is now the main one, the front one follows it.
        QVERIFY(!_player->mainPlayer()->isSecondary());
        QVERIFY(_player->secondaryPlayer()->isSecondary());
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_rear.png"));
        QVERIFY(_video->isShowingVideo());
        QVERIFY(!_video->logoWidget()->isFront());

        QTest::mouseClick(_video->flipHButton(), Qt::LeftButton);
        QVERIFY(_player->rearFlipH());
        QVERIFY(!_player->frontFlipH());
        QTest::mouseClick(_video->flipVButton(), Qt::LeftButton);
        QVERIFY(_player->rearFlipV());
        QTest::mouseClick(_video->flipHButton(), Qt::LeftButton);
        QTest::mouseClick(_video->flipVButton(), Qt::LeftButton);
        QVERIFY(!_player->rearFlipH() && !_player->rearFlipV());

        QTRY_VERIFY(!_player->isSwapLocked());
        QTest::mouseClick(_video->swapButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_UNSWAPPED, 3000));
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_front.png"));
        QTRY_VERIFY(!_player->isSwapLocked());
    }

    // A recording of one camera, chosen while the other camera is in the
    // frame, shows its picture with its own flips, and the flip buttons
    // act on it; the swap comes back with the next recording of both.
    void oneCameraRecordingAfterASwap()
    {
        KVVideoItem *frontOnly = nullptr;
        for (KVVideoItem *item : KVVideoFileList::instance()->visibleItems())
            if (item->rearPath().isEmpty() && !item->frontPath().isEmpty())
                frontOnly = item;
        QVERIFY(frontOnly);
        choose(_items.first());
        QTRY_VERIFY(!_player->isSwapLocked());
        QTest::mouseClick(_video->swapButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_SWAPPED, 3000));
        QTest::mouseClick(_video->flipVButton(), Qt::LeftButton); // the rear camera upside down
        QVERIFY(_player->rearFlipV());

        choose(frontOnly);
        QVERIFY(_log->kinds().contains(PLAY_UNSWAPPED));
        QVERIFY(!_player->isSwapped());
        QCOMPARE(_player->mainPlayer(), _player->frontPlayer());
        QCOMPARE(_player->flipFilterRear()->player(), _player->rearPlayer());
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_front.png"));
        QVERIFY(_video->logoWidget()->isFront());
        QVERIFY(!_video->swapButton()->isEnabled());
        // The buttons flip the picture shown: the front camera's.
        QTest::mouseClick(_video->flipHButton(), Qt::LeftButton);
        QVERIFY(_player->frontFlipH());
        QCOMPARE(_player->flipFilterFront()->player(), _player->mainPlayer());
        QTest::mouseClick(_video->flipHButton(), Qt::LeftButton);
        QVERIFY(!_player->frontFlipH());
        QVERIFY(_player->rearFlipV());

        choose(_items.first());
        QVERIFY(_log->kinds().contains(PLAY_SWAPPED));
        QVERIFY(_player->isSwapped());
        QCOMPARE(_player->mainPlayer(), _player->rearPlayer());
        QCOMPARE(_player->flipFilterRear()->player(), _player->mainPlayer());
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_rear.png"));
        QTest::mouseClick(_video->flipVButton(), Qt::LeftButton);
        QVERIFY(!_player->rearFlipV());
        QTRY_VERIFY(!_player->isSwapLocked());
        QTest::mouseClick(_video->swapButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_UNSWAPPED, 3000));
        QTRY_VERIFY(!_player->isSwapLocked());
    }

    // A recording whose file does not open, chosen while another plays:
    // the window is left as with nothing loaded, not with the last
    // recording's still picture, its place and a capture button that does
    // nothing.
    void recordingThatDoesNotOpen()
    {
        auto *position = qobject_cast<LXFrameGPS *>(_window->rightFrame()->positionFrame());
        QVERIFY(position);
        choose(_items.first());
        QTRY_VERIFY(position->latitudeLabel()->text().startsWith(QStringLiteral("35.")));
        QVERIFY(_window->titleBar()->captureButton()->isEnabled());
        const QString broken = KVTest::makeTempDir(QStringLiteral("broken"))
            + QStringLiteral("/NORM201221-000000F.mp4");
        {
            QFile file(broken);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(64 * 1024, '\x5a'));
        }
        KVVideoItemRef item = makeItem(broken, QString());
        // No row selected: the list does not answer the failed load by
        // playing the selection (as it answers Play with nothing loaded).
        KVWidgetVideoList *table = KVFrameList::instance()->table();
        const int selected = table->selectedRow();
        table->clearSelection();
        _log->clear();
        QVERIFY(QMetaObject::invokeMethod(
            KVPlayProcess::instance(), "onVideoLoadingStart", Q_ARG(KVVideoItem *, item.data())));
        QVERIFY(_log->waitFor(PLAY_NO_MEDIA, 10000));
        QVERIFY(!_player->item());
        QTRY_VERIFY(!_video->isShowingVideo());
        QVERIFY(_video->logoWidget()->isVisible());
        QVERIFY(!_window->titleBar()->captureButton()->isEnabled());
        QVERIFY(!_window->titleBar()->captureShortcut()->isEnabled());
        QVERIFY(!_play->stopButton()->isEnabled());
        QCOMPARE(position->latitudeLabel()->text(), QStringLiteral("--.------"));
        QCOMPARE(position->longitudeLabel()->text(), QStringLiteral("--.------"));
        KVTest::saveScreenshot(_window, QStringLiteral("window_player_does_not_open"));
        // The next steps zoom into the recording paused, as before.
        table->selectRecordingRow(selected);
        choose(_items.first());
        activate();
        QTest::keyClick(_window, Qt::Key_Space);
        QTRY_VERIFY(_player->isPaused());
    }

    void doubleClickZoomPanAndInset()
    {
        QWidget *video = _video->videoWidget();
        // A double click on the title bar does nothing.
        QTest::mouseDClick(_video->titleBar(), Qt::LeftButton, {}, QPoint(300, 10));
        QVERIFY(!_video->isZoomOn());

        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(_video->isZoomOn());
        QWidget *inset = _video->insetBox();
        QTRY_VERIFY(inset->isVisible());
        QCOMPARE(inset->size(), QSize(166, 94));
        QCOMPARE(inset->pos(), QPoint(18, 17));
        QVERIFY(_video->overviewWidget());
        QCOMPARE(_video->overviewWidget()->parentWidget(), inset);
        QCOMPARE(_player->zoomedOutput()->regionOfInterest(), QRectF(0.25, 0.25, 0.5, 0.5));

        // Dragging the picture to the left moves the zoomed part right.
        const float x0 = _video->zoomPosition()->zoomX();
        const QPoint from = videoPoint(0.6, 0.6);
        const QPoint to = from - QPoint(138, 0); // a fifth of the frame
        QTest::mousePress(video, Qt::LeftButton, {}, from);
        QTest::mouseMove(video, from - QPoint(60, 0));
        QTest::mouseMove(video, to);
        QTest::mouseRelease(video, Qt::LeftButton, {}, to);
        const float x1 = _video->zoomPosition()->zoomX();
        QVERIFY2(qAbs(x1 - (x0 + 0.1f)) < 0.01f, qPrintable(QString::number(x1)));
        QCOMPARE(_video->zoomPosition()->zoomY(), x0);
        QTRY_VERIFY(qAbs(_player->zoomedOutput()->regionOfInterest().x() - x1) < 0.011);
        QTest::qWait(120);
        QVERIFY(!KVTest::saveScreenshot(_window, "player_zoomed_ja").isEmpty());

        // F9 moves the inset to the right corner and back; F10 hides it.
        QTest::keyClick(_window, Qt::Key_F9);
        QTRY_COMPARE(inset->geometry().right() + 1, video->width() - 18);
        QCOMPARE(inset->y(), 17);
        QTest::keyClick(_window, Qt::Key_F9);
        QTRY_COMPARE(inset->x(), 18);
        QTest::keyClick(_window, Qt::Key_F10);
        QVERIFY(!inset->isVisible());
        QTest::keyClick(_window, Qt::Key_F10);
        QVERIFY(inset->isVisible());

        // A capture hides the inset and ends the zoom.
        emit KVApp::instance()->hidePIPForCapture(true);
        QVERIFY(!_video->isZoomOn());
        QVERIFY(!inset->isVisible());
        QCOMPARE(_player->zoomedOutput(), nullptr);
        emit KVApp::instance()->hidePIPForCapture(false);

        // Double click again: zoom on; and off.
        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(_video->isZoomOn());
        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(!_video->isZoomOn());
        QVERIFY(!inset->isVisible());
        QVERIFY(!_video->overviewWidget());
        QCOMPARE(_player->zoomRenderer(), nullptr);
        // F10 without zoom does not show the inset.
        QTest::keyClick(_window, Qt::Key_F10);
        QVERIFY(!inset->isVisible());
    }

    void fullScreen()
    {
        QWidget *video = _video->videoWidget();
        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(_video->isZoomOn());
        // Entering full screen ends the zoom.
        QTest::keyClick(_window, Qt::Key_Return);
        QVERIFY(_window->isFullScreen());
        QVERIFY(!_video->isZoomOn());
        QVERIFY(!_play->openButton()->isVisible());
        QVERIFY(!_video->titleLabel()->isVisible());
        activate();
        QTRY_VERIFY(_video->width() > 690);
        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(_video->isZoomOn());
        QWidget *inset = _video->insetBox();
        QTRY_COMPARE(inset->size(), QSize(480, 270));
        QCOMPARE(inset->pos(), QPoint(50, 44));
        QTest::qWait(150);
        QVERIFY(!KVTest::saveScreenshot(_window, "player_fullscreen_ja").isEmpty());

        // The keys of the hidden list and title bar still work in full
        // screen: PageDown and PageUp change the recording, F5 captures.
        {
            KVVideoItem *shown = _player->item();
            QVERIFY(shown);
            EventLog log(_player);
            QTest::keyClick(_window, Qt::Key_PageDown);
            QVERIFY(log.waitFor(PLAY_LOADED, 10000));
            QVERIFY(_player->item() != shown);
            log.clear();
            QTest::keyClick(_window, Qt::Key_PageUp);
            QVERIFY(log.waitFor(PLAY_LOADED, 10000));
            QCOMPARE(_player->item(), shown);
            QVERIFY(_window->isFullScreen());
            bool captured = false;
            std::function<void(KVPopupCapture *)> cancel = [](KVPopupCapture *p) { p->reject(); };
            // (a capture needs a picture past the first)
            QTRY_VERIFY(_player->mainPlayer()->position() > 0);
            KVTest::whenModal<KVPopupCapture>(cancel, &captured, 8000);
            QTest::keyClick(_window, Qt::Key_F5);
            QTRY_VERIFY_WITH_TIMEOUT(captured, 8000);
            QTRY_VERIFY(!_player->isCaptureRunning());
            QVERIFY(_window->isFullScreen());
            _player->onPlayOrPause();
            QTRY_VERIFY(_player->mainPlayer()->isPlaying() && !_player->mainPlayer()->isPaused());
            activate();
        }

        // While a seek key is held full screen stays.
        KVKeyEvent::instance()->setEnabled(true);
        QTest::keyPress(_window, Qt::Key_Left);
        QVERIFY(KVKeyEvent::instance()->isKeyHeld());
        QTest::keyClick(_window, Qt::Key_Escape);
        QVERIFY(_window->isFullScreen());
        QTest::keyRelease(_window, Qt::Key_Left);
        QVERIFY(!KVKeyEvent::instance()->isKeyHeld());

        // Escape leaves (and ends the zoom); outside full screen it does nothing.
        QTest::keyClick(_window, Qt::Key_Escape);
        QVERIFY(!_window->isFullScreen());
        QVERIFY(!_video->isZoomOn());
        QVERIFY(_play->openButton()->isVisible());
        QVERIFY(_video->titleLabel()->isVisible());
        activate();
        QTest::keyClick(_window, Qt::Key_Escape);
        QVERIFY(!_window->isFullScreen());
        QTRY_COMPARE(_video->size(), QSize(690, 436));
        QCOMPARE(_window->size(), QSize(1094, 687));

        // The full-screen button toggles too, and in full screen it is the
        // button that leaves; Enter leaves.
        LXButton *button = _video->fullScreenButton();
        QCOMPARE(button->toolTip(), QString::fromUtf8("フルスクリーン"));
        QVERIFY(button->styleSheet().contains(QStringLiteral("vt_fullscreen.png")));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(_window->isFullScreen());
        QCOMPARE(button->toolTip(), QString::fromUtf8("元のサイズに戻す"));
        QVERIFY(button->styleSheet().contains(QStringLiteral("vt_restore.png")));
        activate();
        QTest::keyClick(_window, Qt::Key_Enter);
        QVERIFY(!_window->isFullScreen());
        QCOMPARE(button->toolTip(), QString::fromUtf8("フルスクリーン"));
        QVERIFY(button->styleSheet().contains(QStringLiteral("vt_fullscreen.png")));
        activate();
    }

    // A held Return or Space is one press: full screen and play/pause are
    // toggled once, not at the keyboard's repeat rate.
    void heldKeysDoNotRepeat()
    {
        activate();
        QWindow *window = _window->windowHandle();
        const auto hold = [window](Qt::Key key, const QString &text) {
            QTest::simulateEvent(window, true, key, {}, text, false);
            for (int i = 0; i < 4; ++i) {
                QTest::qWait(100); // the keyboard's repeat rate
                QTest::simulateEvent(window, true, key, {}, text, true);
            }
            QTest::simulateEvent(window, false, key, {}, text, false);
        };
        QVERIFY(!_window->isFullScreen());
        hold(Qt::Key_Return, QStringLiteral("\r"));
        QVERIFY(_window->isFullScreen());
        activate();
        QTest::keyClick(_window, Qt::Key_Escape);
        QVERIFY(!_window->isFullScreen());
        activate();

        if (_player->isPaused())
            QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QTRY_VERIFY(_player->mainPlayer()->isPlaying() && !_player->isPaused());
        hold(Qt::Key_Space, QStringLiteral(" "));
        QTRY_VERIFY(_player->isPaused());
        QTest::qWait(300);
        QVERIFY(_player->isPaused());
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QTRY_VERIFY(!_player->isPaused());
    }

    void infoPopupPausesPlayback()
    {
        if (_player->isPaused())
            QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QTRY_VERIFY(_player->mainPlayer()->isPlaying() && !_player->isPaused());
        bool ran = false, pausedDuringPopup = false;
        QString shot;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                pausedDuringPopup = _player->isPaused();
                shot = KVTest::saveScreenshot(popup, "player_popup_info_ja");
                popup->accept();
            },
            &ran);
        QTest::keyClick(_window, Qt::Key_F7);
        QVERIFY(ran);
        QVERIFY(pausedDuringPopup);
        QVERIFY(!_play->playButton()->isChecked());
        QVERIFY(!shot.isEmpty());
    }

    // A seek key held when a pop-up opens is released inside the pop-up,
    // where the window never hears it: the hold ends when the pop-up blocks
    // the window, as a release would, and capture works afterwards.
    void heldKeyEndsWhenAPopupBlocksTheWindow()
    {
        if (!_player->item())
            choose(_items[0]);
        if (!_player->isPaused())
            QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QTRY_VERIFY(_player->isPaused());
        activate();
        KVKeyEvent *keys = KVKeyEvent::instance();
        keys->setEnabled(true);
        QSignalSpy released(keys, &KVKeyEvent::releasedF1);
        QTest::keyPress(_window, Qt::Key_Right);
        QCOMPARE(keys->heldKey(), int(Qt::Key_Right));

        bool ran = false, heldInPopup = true;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                heldInPopup = keys->isKeyHeld();
                QTest::keyRelease(popup, Qt::Key_Right);
                QTest::keyClick(popup, Qt::Key_Escape);
            },
            &ran);
        QTest::keyClick(_window, Qt::Key_F7);
        QVERIFY(ran);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!heldInPopup);
        QVERIFY(!keys->isKeyHeld());
        QCOMPARE(released.count(), 1);

        // A key pressed and let go in the pop-up's check box (the box hands
        // its keys on) leaves no key held behind.
        activate();
        bool heldAfterClick = true;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                QTest::keyClick(popup->accelBox(), Qt::Key_Right);
                heldAfterClick = keys->isKeyHeld();
                popup->reject();
            },
            &ran);
        QTest::keyClick(_window, Qt::Key_F7);
        QVERIFY(ran);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!heldAfterClick);
        QVERIFY(!keys->isKeyHeld());

        // The title bar's capture button goes through again: the capture
        // pop-up comes (cancelled: nothing is kept).
        activate();
        bool asked = false;
        KVTest::whenModal<KVPopupCapture>([](KVPopupCapture *d) { d->reject(); }, &asked, 8000);
        QTest::mouseClick(_window->titleBar()->captureButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(asked, 9000);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        // And full screen with Return.
        activate();
        QTest::keyClick(_window, Qt::Key_Return);
        QVERIFY(_window->isFullScreen());
        activate();
        QTest::keyClick(_window, Qt::Key_Escape);
        QVERIFY(!_window->isFullScreen());
        activate();
    }

    // The zoomed and full-screen views in English, for the eye; the camera
    // title follows the language.
    void englishZoomAndFullScreenScreenshots()
    {
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        activate();
        QWidget *video = _video->videoWidget();
        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(_video->isZoomOn());
        QTest::qWait(150);
        QVERIFY(!KVTest::saveScreenshot(_window, "player_zoomed_en").isEmpty());
        QTest::keyClick(_window, Qt::Key_Return);
        QVERIFY(_window->isFullScreen());
        activate();
        QTRY_VERIFY(_video->width() > 690);
        QTest::mouseDClick(video, Qt::LeftButton, {}, videoPoint(0.5, 0.5));
        QVERIFY(_video->isZoomOn());
        QTRY_COMPARE(_video->insetBox()->size(), QSize(480, 270));
        QTest::qWait(150);
        QVERIFY(!KVTest::saveScreenshot(_window, "player_fullscreen_en").isEmpty());
        QTest::keyClick(_window, Qt::Key_Escape);
        QVERIFY(!_window->isFullScreen());
        QVERIFY(!_video->isZoomOn());
        activate();
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
    }

    void rearOnlyRecording()
    {
        // A recording whose front file is gone: the rear title, no swap.
        KVVideoItemRef rearOnly = makeItem(QString(), _items[1]->rearPath());
        QVERIFY(rearOnly->duration() > 5000);
        choose(rearOnly.data());
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_rear.png"));
        QVERIFY(!_video->swapButton()->isEnabled());
        choose(_items[1]);
        QCOMPARE(_video->titleImage(), QStringLiteral(":/image/title_video_front.png"));
        QVERIFY(_video->swapButton()->isEnabled());
    }

    void stopReturnsToTheLogo()
    {
        LXFrameTitle *title = _window->titleBar();
        QTest::mouseClick(_video->videoWidget(), Qt::LeftButton); // no effect without zoom
        _log->clear();
        QTest::mouseClick(_play->stopButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_USER_STOP, 3000));
        QTRY_VERIFY(!_video->isShowingVideo());
        QVERIFY(_video->logoWidget()->isVisible());
        QVERIFY(!_play->stopButton()->isEnabled());
        QVERIFY(!_play->playButton()->isChecked());
        QVERIFY(!_bar->slider()->isEnabled());
        QCOMPARE(_bar->currentLabel()->text(), QStringLiteral("00:00"));
        QCOMPARE(_bar->durationLabel()->text(), QStringLiteral("00:00"));
        QVERIFY(!title->captureButton()->isEnabled());
        QVERIFY(!title->captureShortcut()->isEnabled());
        // Double click with nothing loaded: no zoom.
        QTest::mouseDClick(_video, Qt::LeftButton, {}, QPoint(300, 200));
        QVERIFY(!_video->isZoomOn());
        // Play with nothing loaded leaves the button unchecked.
        QTest::mouseClick(_play->playButton(), Qt::LeftButton);
        QTRY_VERIFY(!_play->playButton()->isChecked());
    }

    void nextAndPreviousReachTheList()
    {
        // The main window hands these two buttons to the list.
        choose(_items[0]);
        _log->clear();
        QTest::mouseClick(_play->nextButton(), Qt::LeftButton);
        if (!_log->waitFor(PLAY_LOADING, 1000))
            QSKIP("the play bar's next and previous buttons do not reach the list yet");
        QVERIFY(_log->waitFor(PLAY_FIRST_FRAME, 15000));
        QCOMPARE(_player->item(), KVVideoFileList::instance()->visibleItems().value(1));
        _log->clear();
        QTest::mouseClick(_play->previousButton(), Qt::LeftButton);
        QVERIFY(_log->waitFor(PLAY_FIRST_FRAME, 15000));
        QCOMPARE(_player->item(), KVVideoFileList::instance()->visibleItems().value(0));
    }

    void styleSheetsNameExistingPictures()
    {
        // Every picture a widget's own style sheet names is in the resources.
        static const QRegularExpression url(QStringLiteral("url\\((:/[^)]+)\\)"));
        int names = 0;
        for (QWidget *w : _window->findChildren<QWidget *>()) {
            auto it = url.globalMatch(w->styleSheet());
            while (it.hasNext()) {
                const QString path = it.next().captured(1);
                QVERIFY2(QFile::exists(path), qPrintable(w->objectName() + ": " + path));
                ++names;
            }
        }
        QVERIFY(names > 40);
        QVERIFY(!_video->logoWidget()->pictureLabel()->pixmap().isNull());
        QVERIFY(!_video->titleLabel()->pixmap().isNull());
    }

    void displayPositionArithmetic()
    {
        // The player's total and the recording's duration differ by the cut.
        QCOMPARE(KVPlaySlider::displayPosition(3000, 6000, 6100.0), qint64(3050));
        QCOMPARE(KVPlaySlider::displayPosition(7000, 6000, 6100.0), qint64(6100));
        QCOMPARE(KVPlaySlider::displayPosition(1234, 0, 6100.0), qint64(1234));
        QCOMPARE(KVPlaySlider::displayPosition(1234, 6000, 0.0), qint64(1234));
    }

    void cleanupTestCase() { resetPlayer(_player); }
};

KV_TEST_MAIN(TestWindowPlayer)
#include "tst_window_player.moc"
