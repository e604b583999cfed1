// The main window with language 2 stored before the language table exists:
// the first show replaces the title bar's Japanese tool tips by their
// English twins (once), and the information pop-up speaks English.

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "kv_modal_driver.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_window_test_util.h"
#include "ui/kv_frame_eq.h"
#include "ui/kv_frame_play.h"
#include "ui/kv_frame_title.h"
#include "ui/kv_frame_video.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_popup_info.h"
#include "ui/kv_title_widget.h"
#include "ui/kv_widget_check_box.h"
#include "ui/kv_window_main.h"

#include <QAbstractButton>
#include <QLabel>
#include <QtTest>

class TestWindowShellEnglish : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        KVSettings::instance()->setLanguage(2);
        QCOMPARE(KVLanguage::instance()->language(), KVLanguage::LANGUAGE_ENGLISH);
        _window = WindowMain::instance();
    }

    void firstShowSwapsToolTips()
    {
        LXFrameTitle *title = _window->titleBar();
        // Built with the Japanese texts.
        QCOMPARE(title->closeButton()->toolTip(), QString::fromUtf8("閉じる"));
        QCOMPARE(_window->framePlay()->stopButton()->toolTip(), QString::fromUtf8("停止"));
        QCOMPARE(title->captureButton()->toolTip(), QString::fromUtf8("JPG 保存"));

        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        const QList<QPair<LXButton *, QString>> expected{
            {title->reportButton(), "Report"},
            {title->captureButton(), "Capture"},
            {title->settingsButton(), "Settings"},
            {title->infoButton(), "Info"},
            {title->languageButton(), "Language"},
            {title->minimizeButton(), "Minimize"},
            {title->closeButton(), "Exit"},
        };
        for (const auto &pair : expected)
            QCOMPARE(pair.first->toolTip(), pair.second);
        // The play bar's too.
        KVFramePlay *play = _window->framePlay();
        const QList<QPair<LXButton *, QString>> playBar{
            {play->previousButton(), "Move to previous file"},
            {play->playButton(), "Play"},
            {play->stopButton(), "Stop"},
            {play->nextButton(), "Move to next file"},
            {play->openButton(), "Open"},
        };
        for (const auto &pair : playBar)
            QCOMPARE(pair.first->toolTip(), pair.second);
        // No button anywhere in the window speaks Japanese, the video title
        // bars and the equaliser included.
        const auto japanese = [](const QString &text) {
            for (const QChar c : text)
                if ((c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF)
                    || (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF))
                    return true;
            return false;
        };
        for (QAbstractButton *button : _window->findChildren<QAbstractButton *>())
            QVERIFY2(!japanese(button->toolTip()),
                qPrintable(button->objectName() + QLatin1Char(' ') + button->toolTip()));
        QCOMPARE(_window->frameEQ()->speedButton()->toolTip(), QStringLiteral("Play Speed"));
        // Muting keeps the mute button's tool tip English.
        LXButton *mute = _window->frameEQ()->muteButton();
        mute->click();
        QCOMPARE(mute->toolTip(), QStringLiteral("Unmute"));
        mute->click();
        QCOMPARE(mute->toolTip(), QStringLiteral("Volume"));
        // The video frame's camera title is the English picture.
        QCOMPARE(_window->frameVideo()->titleImage(),
            QStringLiteral(":/image/title_video_front_en.png"));

        // Only the first show applies: a tool tip changed since survives.
        title->infoButton()->setToolTip("Changed");
        _window->hide();
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        QCOMPARE(title->infoButton()->toolTip(), QStringLiteral("Changed"));
        title->infoButton()->setToolTip("Info");
    }

    void informationPopupInEnglish()
    {
        bool ran = false;
        QString title, box, screenshot;
        bool boxFits = false;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                boxFits = popup->accelBox()->width() >= popup->accelBox()->sizeHint().width();
                title = popup->titleWidget()->titleLabel()->text();
                box = popup->accelBox()->text();
                screenshot = KVTest::saveScreenshot(popup, "popup_info_en");
                popup->accept();
            },
            &ran);
        _window->onShowInfo();
        QVERIFY(ran);
        QCOMPARE(title, QStringLiteral("Viewer S/W Version Info."));
        QCOMPARE(box, QStringLiteral("Enable H/W Acceleration"));
        QVERIFY(!screenshot.isEmpty());
        QVERIFY(boxFits);
    }

    void screenshotOfTheWindow()
    {
        QTest::qWait(50);
        QVERIFY(!KVTest::saveScreenshot(_window, "window_en").isEmpty());
    }

    void playingInEnglish()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("clip"));
        const QString front = dir + QStringLiteral("/NORM201221-102047F.mp4");
        const QString rear = dir + QStringLiteral("/NORM201221-102047R.mp4");
        QVERIFY(KVPlayerFixture::makeClip(front, 4000, QSize(320, 180)).isEmpty());
        QVERIFY(KVPlayerFixture::makeClip(rear, 4000, QSize(160, 90)).isEmpty());
        KVVideoItemRef item = KVPlayerFixture::makeItem(front, rear);
        KVPlayerFixture::EventLog log(KVPlayer::instance());
        QVERIFY(QMetaObject::invokeMethod(
            KVPlayProcess::instance(), "onVideoLoadingStart", Q_ARG(KVVideoItem *, item.data())));
        QVERIFY(log.waitFor(PLAY_FIRST_FRAME, 15000));
        QVERIFY(log.waitFor(PLAY_PLAYING, 3000));
        // The play button's tool tip follows the state in English.
        QCOMPARE(_window->framePlay()->playButton()->toolTip(), QStringLiteral("Pause"));
        QTest::qWait(300);
        QVERIFY(!KVTest::saveScreenshot(_window, "player_playing_en").isEmpty());
        log.clear();
        KVPlayer::instance()->onUserStop();
        QVERIFY(log.waitFor(PLAY_STOPPED, 3000));
        QCOMPARE(_window->framePlay()->playButton()->toolTip(), QStringLiteral("Play"));
    }
};

KV_TEST_MAIN(TestWindowShellEnglish)
#include "tst_window_shell_en.moc"
