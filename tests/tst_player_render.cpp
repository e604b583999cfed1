// The player's renderer choice on a real display (Xvfb with Mesa): OpenGL
// when allowed and a context can be made, the plain widget renderer when
// OpenGL is forbidden; the chosen renderer's widget shows the recording, and
// the zoom overview is a widget of the same kind.

#include "kv_media_fixtures.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "app/kv_graphics.h"
#include "core/kv_player.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/videorenderer.h"

#include <QHBoxLayout>
#include <QWidget>

using namespace KVPlayerFixture;

class TestPlayerRender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { kvm::AudioOutput::forceNoDeviceForTests(); }

    void candidates()
    {
        KVGraphics::setOpenGLForbidden(true);
        QCOMPARE(KVPlayerBase::rendererCandidates(), QStringList{QStringLiteral("Widget")});
        KVGraphics::setOpenGLForbidden(false);
        QCOMPARE(KVPlayerBase::rendererCandidates(),
            (QStringList{QStringLiteral("OpenGLWidget"), QStringLiteral("Widget")}));
    }

    void openGLRendererShowsTheRecording()
    {
        KVPlayer *player = KVPlayer::instance();
        QCOMPARE(player->rendererId(), QStringLiteral("OpenGLWidget"));
        QCOMPARE(player->rendererKind(), int(KVPlayerBase::RENDERER_OPENGL));
        QWidget *video = player->rendererWidget();
        QVERIFY(video);

        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        const QStringList fronts
            = KVMediaFixture::makeCard(dir, QSize(320, 180), QSize(160, 90), 4, 4, &why);
        QVERIFY2(!fronts.isEmpty(), qPrintable(why));
        KVVideoItemRef item = makeItem(fronts.first(), KVMediaFixture::rearOf(fronts.first()));

        QWidget window;
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(video);
        window.resize(640, 240);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(loadAndWait(player, item.data()));
        QTest::qWait(500);
        QVERIFY(player->renderer()->currentFrame().isValid());
        const QImage shot = video->grab().toImage();
        int bright = 0;
        for (int y = 0; y < shot.height(); y += 8)
            for (int x = 0; x < shot.width(); x += 8)
                bright += qGray(shot.pixel(x, y)) > 40;
        QVERIFY2(bright > 20, qPrintable(QString::number(bright)));

        QWidget *overview = player->startZoom(true);
        QVERIFY(overview);
        QCOMPARE(player->zoomRenderer()->id(), QStringLiteral("OpenGLWidget"));
        layout->addWidget(overview);
        QTest::qWait(300);
        QVERIFY(player->zoomRenderer()->currentFrame().isValid());
        layout->removeWidget(overview);
        overview->setParent(nullptr);
        player->stopZoom(true);
        player->closeMedia();
        QTest::qWait(100);
        // The player keeps its renderer: take the widget out of the window.
        layout->removeWidget(video);
        video->setParent(nullptr);
    }
};

KV_TEST_MAIN(TestPlayerRender)
#include "tst_player_render.moc"
