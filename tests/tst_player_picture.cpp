// What changes the picture and what saves it: flip and equaliser filter
// texts and where they are installed, a paused picture showing a changed
// filter, the zoom region with its overview renderer and overlay, the
// capture sequence into the backup folder; and the key handler.

#include "kv_media_fixtures.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "app/kv_app.h"
#include "core/kv_key_event.h"
#include "core/kv_player.h"
#include "media/audiooutput.h"
#include "media/avfilter.h"
#include "media/avplayer.h"
#include "media/framestrip.h"
#include "media/nullrenderer.h"
#include "media/videocapture.h"
#include "ui/kv_widget_zoom_pos.h"

#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QSlider>

using namespace KVPlayerFixture;

class TestPlayerPicture : public QObject
{
    Q_OBJECT

private:
    KVPlayer *_player = nullptr;
    KVVideoItemRef _demo;
    QSlider _brightness;
    QSlider _contrast;

    kvm::NullRenderer *out() const { return static_cast<kvm::NullRenderer *>(_player->renderer()); }
    static QString options(kvm::LibAVFilterVideo *f) { return f ? f->options() : QString(); }
    void pauseAndSettle()
    {
        if (!_player->mainPlayer()->isPaused())
            _player->onPlayOrPause();
        QSignalSpy seek(_player->mainPlayer(), &kvm::AVPlayer::seekFinished);
        seek.wait(1500);
    }

private slots:
    void initTestCase()
    {
        kvm::AudioOutput::forceNoDeviceForTests();
        _player = nullPlayer();
        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        const QStringList fronts = makeCard(dir, 4, 4, &why);
        QVERIFY2(!fronts.isEmpty(), qPrintable(why));
        const QString front = dir + QStringLiteral("/NORM201221-102047F.mp4");
        QVERIFY(fronts.contains(front));
        _demo = KVVideoFileListBuilder::makeRef(
            new KVVideoItem(front, false, QDateTime(QDate(2020, 12, 21), QTime(10, 20, 47))));
        _demo->setRearPath(KVMediaFixture::rearOf(front));
        for (QSlider *s : {&_brightness, &_contrast}) {
            s->setRange(0, 100);
            s->setValue(50);
        }
        connect(&_brightness, &QSlider::valueChanged, _player, &KVPlayerZoom::onSetBrightness);
        connect(&_contrast, &QSlider::valueChanged, _player, &KVPlayerZoom::onSetContrast);
    }

    void init() { resetPlayer(_player); }

    void flipTexts()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        _player->onToggleHFlipMain();
        _player->onToggleVFlipMain();
        QCOMPARE(options(_player->flipFilterFront()),
            QStringLiteral("format=pix_fmts=rgb24,hflip,vflip"));
        QCOMPARE(_player->flipFilterFront()->player(), _player->frontPlayer());
        _player->onToggleHFlipMain();
        QCOMPARE(
            options(_player->flipFilterFront()), QStringLiteral("format=pix_fmts=rgb24,vflip"));
        _player->onToggleVFlipMain();
        QVERIFY(_player->flipFilterFront() == nullptr);
        QVERIFY(_player->frontPlayer()->videoFilters().isEmpty());
        // Swapped: the buttons act on the rear camera, on the rear player.
        _player->toggleSwap(true);
        _player->onToggleHFlipMain();
        QVERIFY(_player->rearFlipH());
        QVERIFY(!_player->frontFlipH());
        QCOMPARE(options(_player->flipFilterRear()), QStringLiteral("format=pix_fmts=rgb24,hflip"));
        QCOMPARE(_player->flipFilterRear()->player(), _player->rearPlayer());
        _player->onToggleHFlipMain();
        QVERIFY(_player->flipFilterRear() == nullptr);
    }

    // A swap shows the other camera at once, and with its own flip: the
    // picture handed over is not one from before its filters.
    void swapHandsOverTheFilteredPicture()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        pauseAndSettle();
        const int lock = KVPlayer::kSwapLockMs + 300; // (and the seek settles)
        _player->toggleSwap();
        QTest::qWait(lock);
        QVERIFY(_player->mainPlayer() == _player->rearPlayer());
        _player->onToggleHFlipMain(); // the rear camera's flip
        QVERIFY(_player->rearFlipH());
        QTRY_COMPARE(out()->lastRecord().format, int(AV_PIX_FMT_RGB24));
        _player->toggleSwap(); // the rear player is the secondary again
        QTest::qWait(lock);
        QVERIFY(_player->mainPlayer() == _player->frontPlayer());
        QCOMPARE(out()->lastRecord().format, int(AV_PIX_FMT_YUV420P));
        out()->clear();
        _player->toggleSwap();
        QVERIFY(out()->count() > 0);
        const kvm::NullRenderer::Record first = out()->records().first();
        QCOMPARE(first.width, _player->rearPlayer()->videoSize().width());
        QCOMPARE(first.format, int(AV_PIX_FMT_RGB24));
    }

    void equaliserTexts()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        _brightness.setValue(54); // 0.04: off
        QVERIFY(_player->eqFilterMain() == nullptr);
        _brightness.setValue(60);
        QCOMPARE(options(_player->eqFilterMain()),
            QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.100"));
        QCOMPARE(options(_player->eqFilterSecondary()), options(_player->eqFilterMain()));
        QCOMPARE(_player->eqFilterMain()->player(), _player->mainPlayer());
        QCOMPARE(_player->eqFilterSecondary()->player(), _player->secondaryPlayer());
        _contrast.setValue(75); // 1.45
        QCOMPARE(options(_player->eqFilterMain()),
            QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.100:contrast=1.450"));
        _brightness.setValue(50);
        QCOMPARE(options(_player->eqFilterMain()),
            QStringLiteral("format=pix_fmts=rgb24,eq=contrast=1.450"));
        _contrast.setValue(50);
        QVERIFY(_player->eqFilterMain() == nullptr);
        QVERIFY(_player->eqFilterSecondary() == nullptr);
        QCOMPARE(KVPlayerZoom::eqOptions(0.2f, 1.5f),
            QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.200:contrast=1.500"));
    }

    void pausedPictureShowsChangedFilter()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(400);
        pauseAndSettle();
        const int frame = out()->lastRecord().frameNumber;
        QVERIFY(frame > 0);
        QCOMPARE(out()->lastRecord().format, int(AV_PIX_FMT_YUV420P));
        QSignalSpy seek(_player->mainPlayer(), &kvm::AVPlayer::seekFinished);
        _player->onToggleHFlipMain();
        QVERIFY(seek.wait(2000));
        QCOMPARE(out()->lastRecord().format, int(AV_PIX_FMT_RGB24));
        QVERIFY(_player->mainPlayer()->isPaused());
        _player->onToggleHFlipMain();
        QVERIFY(seek.wait(2000));
        QCOMPARE(out()->lastRecord().format, int(AV_PIX_FMT_YUV420P));
        QCOMPARE(out()->lastRecord().frameNumber, frame);
        // eq runs on planar YUV: the graph converts, the picture is new.
        _brightness.setValue(80);
        QVERIFY(seek.wait(2000));
        QVERIFY(out()->lastRecord().format != int(AV_PIX_FMT_YUV420P));
        _brightness.setValue(50);
    }

    void zoomRegionAndOverview()
    {
        QVERIFY(!_player->setZoomCenter(0.3f, 0.3f, true));
        QVERIFY(loadAndWait(_player, _demo.data()));
        _player->startZoom(true);
        QCOMPARE(_player->zoomedOutput(), _player->renderer());
        QCOMPARE(_player->renderer()->regionOfInterest(), QRectF(0.25, 0.25, 0.5, 0.5));
        kvm::VideoRenderer *overview = _player->zoomRenderer();
        QVERIFY(overview);
        QCOMPARE(overview->id(), QStringLiteral("Null"));
        QCOMPARE(overview->outAspectRatioMode(), kvm::VideoRenderer::CustomAspectRatio);
        QCOMPARE(overview->outAspectRatio(), 16.0 / 9.0);
        QVERIFY(_player->mainPlayer()->videoOutputs().contains(overview));
        QVERIFY(_player->setZoomCenter(0.347f, 0.5f, true));
        const QRectF roi = _player->renderer()->regionOfInterest();
        QVERIFY(qFuzzyCompare(roi.x(), 0.34) && qFuzzyCompare(roi.y(), 0.5));
        QCOMPARE(roi.size(), QSizeF(0.5, 0.5));
        // The overview follows the main picture on a swap and a load.
        _player->toggleSwap(true);
        QCOMPARE(overview->player(), _player->rearPlayer());
        QCOMPARE(_player->renderer()->player(), _player->rearPlayer());
        QVERIFY(loadAndWait(_player, _demo.data()));
        QCOMPARE(overview->player(), _player->rearPlayer());
        QTRY_VERIFY(static_cast<kvm::NullRenderer *>(overview)->count() > 0);
        _player->stopZoom(false);
        QVERIFY(_player->renderer()->regionOfInterest().isEmpty());
        QCOMPARE(_player->zoomRenderer(), overview);
        _player->stopZoom(true);
        QVERIFY(_player->zoomRenderer() == nullptr);
        QVERIFY(!_player->setZoomCenter(0.3f, 0.3f, true));
        // Nothing to zoom once closed.
        _player->closeMedia();
        QVERIFY(_player->startZoom(true) == nullptr);
    }

    void zoomOverlayStaysInside()
    {
        KVWidgetZoomPos overlay;
        overlay.resize(320, 180);
        QCOMPARE(overlay.zoomX(), 0.25f);
        overlay.beginDrag();
        overlay.moveBy(0.6f, -0.4f);
        QCOMPARE(overlay.zoomX(), 0.5f);
        QCOMPARE(overlay.zoomY(), 0.0f);
        overlay.moveBy(-0.1f, 0.1f);
        QCOMPARE(overlay.zoomX(), 0.15f);
        QCOMPARE(overlay.zoomY(), 0.35f);
        QCOMPARE(KVWidgetZoomPos::outlineRect(0.5f, 0.5f, 321, 181),
            QRect(QPoint(160, 90), QPoint(160 + 161 - 1, 90 + 91 - 1)));
        // The painted outline is red and lies inside the widget.
        overlay.setPosition(0.5f, 0.5f);
        QImage image(overlay.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        overlay.render(&image);
        auto red = [&image](int x, int y) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            return c.alpha() > 0 && c.red() > 100 && c.green() == 0 && c.blue() == 0;
        };
        QVERIFY(red(200, 90) || red(200, 89)); // top edge
        QVERIFY(red(319, 120) || red(318, 120)); // right edge, inside the widget
        QCOMPARE(qAlpha(image.pixel(250, 130)), 0); // inside the outline
        QCOMPARE(qAlpha(image.pixel(100, 50)), 0); // outside
    }

    void captureRefused()
    {
        QVERIFY(!_player->startCapture()); // nothing loaded
        // At position 0: right when the load completes.
        bool atZero = true;
        QMetaObject::Connection c
            = connect(_player, &KVPlayerBase::playEvent, this, [&](PLAY_EVENT e, KVVideoItem *) {
                  if (e == PLAY_LOADED)
                      atZero = _player->startCapture();
              });
        QVERIFY(loadAndWait(_player, _demo.data()));
        disconnect(c);
        QVERIFY(!atZero);
    }

    void captureWritesJpeg()
    {
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(500);
        _player->setDisplayPosition(3500);
        QSignalSpy done(_player, &KVPlayer::videoCaptureDone);
        QVERIFY(_player->startCapture());
        QVERIFY(QGuiApplication::overrideCursor());
        QVERIFY(!_player->startCapture()); // one at a time
        QVERIFY(done.wait(3000));
        QVERIFY(_player->mainPlayer()->isPaused());
        auto *list = done.first().first().value<QList<QString> *>();
        QVERIFY(list);
        QCOMPARE(list->size(), 1);
        const QFileInfo file(list->first());
        QVERIFY(file.exists());
        QCOMPARE(file.absolutePath(), QDir(KVApp::path(KVApp::PATH_BACKUP)).absolutePath());
        QVERIFY2(file.fileName().startsWith(QStringLiteral("NORM201221-102047_201221-102050_CH1_")),
            qPrintable(file.fileName()));
        QVERIFY(file.fileName().endsWith(QStringLiteral(".jpg")));
        QVERIFY(KVTest::readFile(file.absoluteFilePath()).startsWith("\xFF\xD8\xFF"));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!_player->isCaptureRunning());

        // Already paused: captured as well.
        done.clear();
        QVERIFY(_player->startCapture());
        QVERIFY(done.wait(3000));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void captureRightAfterASeekIsOfItsTarget()
    {
        // Paused, a click on the slider and F5 at once: the picture written
        // is the one the seek brings, not the one before it.
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(300);
        QSignalSpy done(_player, &KVPlayer::videoCaptureDone);
        QVERIFY(_player->startCapture()); // (pauses)
        QVERIFY(done.wait(3000));
        kvm::AVPlayer *main = _player->mainPlayer();
        QVERIFY(main->isPaused());
        for (const qint64 target : {3300, 900, 2500}) {
            done.clear();
            _player->seek(target, true);
            QVERIFY(main->isSeeking());
            QVERIFY(_player->startCapture());
            QVERIFY(done.wait(3000));
            QVERIFY(!main->isSeeking());
            const QString path = done.first().first().value<QList<QString> *>()->value(0);
            QImage picture;
            QVERIFY(picture.load(path));
            QCOMPARE(kvm::readFrameStrip(picture), int(target * 30 / 1000));
        }
    }

    void captureThatCannotWriteEndsAtOnce()
    {
        // The backup folder cannot be made: the capture ends at once and
        // says where it could not write, no file comes, nothing is left
        // waiting for one.
        const QString backup = KVApp::path(KVApp::PATH_BACKUP);
        QDir(backup).removeRecursively();
        QVERIFY(KVTest::writeFile(backup, "not a folder"));
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(400);
        QSignalSpy done(_player, &KVPlayer::videoCaptureDone);
        QSignalSpy failed(_player, &KVPlayer::videoCaptureFailed);
        QVERIFY(_player->startCapture());
        QVERIFY(QGuiApplication::overrideCursor());
        QVERIFY(failed.wait(3000));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(), backup);
        QVERIFY(!_player->isCaptureRunning());
        QVERIFY(!QGuiApplication::overrideCursor());
        // The two seconds pass without a second report or a late list.
        QTest::qWait(2300);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(done.count(), 0);
        QVERIFY(!QGuiApplication::overrideCursor());
        QFile::remove(backup);
        // Usable again.
        QVERIFY(_player->startCapture());
        QVERIFY(done.wait(3000));
    }

    void lateFailureOfAnEarlierCapture()
    {
        // A capture given up after two seconds may still report its failure
        // (a write slower than that). It must not end the capture the user
        // started since.
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(400);
        kvm::VideoCapture *capture = _player->mainPlayer()->videoCapture();
        QVERIFY(capture);
        const QString stale
            = QDir(KVApp::path(KVApp::PATH_BACKUP))
                  .filePath(QStringLiteral("NORM201221-102040_201221-102043_CH1_0.jpg"));
        QSignalSpy done(_player, &KVPlayer::videoCaptureDone);
        QSignalSpy failed(_player, &KVPlayer::videoCaptureFailed);
        _player->setDisplayPosition(3500);
        QVERIFY(_player->startCapture());
        emit capture->failed(stale); // before the new capture names its file
        QVERIFY(_player->isCaptureRunning());
        QVERIFY(done.wait(3000));
        QCOMPARE(failed.count(), 0);

        QVERIFY(!QGuiApplication::overrideCursor());
        // (The failure of the capture running now ends it at once:
        // captureThatCannotWriteEndsAtOnce.)
    }

    void captureEndsWithItsRecording()
    {
        // Capture, then at once the next recording (PageDown) or Stop: the
        // capture must not take the picture of whatever shows by then.
        const QString backup = KVApp::path(KVApp::PATH_BACKUP);
        QVERIFY(loadAndWait(_player, _demo.data()));
        QTest::qWait(400);
        QSignalSpy done(_player, &KVPlayer::videoCaptureDone);
        const QStringList before = QDir(backup).entryList(QDir::Files);
        QVERIFY(_player->startCapture());
        _player->closeMedia();
        QVERIFY(!_player->isCaptureRunning());
        QVERIFY(!QGuiApplication::overrideCursor());
        QTest::qWait(600);
        QCOMPARE(done.count(), 0);
        QCOMPARE(QDir(backup).entryList(QDir::Files), before);
    }

    void keyHandler()
    {
        KVKeyEvent *keys = KVKeyEvent::instance();
        keys->setEnabled(true);
        QStringList order;
        for (auto [signal, name] :
            {std::pair{&KVKeyEvent::pressedF1, "pF1"}, {&KVKeyEvent::releasedF1, "rF1"},
                {&KVKeyEvent::pressedB1, "pB1"}, {&KVKeyEvent::releasedB1, "rB1"},
                {&KVKeyEvent::pressedFF, "pFF"}, {&KVKeyEvent::releasedFF, "rFF"}})
            connect(keys, signal, this, [&order, name] { order << QString::fromLatin1(name); });
        keys->keyPressed(Qt::Key_Right);
        keys->keyPressed(Qt::Key_Right);
        keys->keyPressed(Qt::Key_Left);
        QCOMPARE(keys->heldKey(), int(Qt::Key_Left));
        keys->keyReleased(Qt::Key_Right); // not held: nothing
        keys->keyPressed(Qt::Key_Up); // not tracked
        keys->keyReleased(Qt::Key_Left);
        keys->keyPressed(70);
        QVERIFY(keys->isKeyHeld());
        QCOMPARE(order, (QStringList{"pF1", "rF1", "pB1", "rB1", "pFF"}));
        // The player switches tracking off while closed, on after play/pause.
        _player->closeMedia();
        QVERIFY(!keys->isEnabled());
        QVERIFY(!keys->isKeyHeld());
        keys->keyPressed(Qt::Key_Left);
        QVERIFY(!keys->isKeyHeld());
        QVERIFY(loadAndWait(_player, _demo.data()));
        QVERIFY(keys->isEnabled());
        disconnect(keys, nullptr, this, nullptr);
    }
};

KV_TEST_MAIN(TestPlayerPicture)
#include "tst_player_picture.moc"
