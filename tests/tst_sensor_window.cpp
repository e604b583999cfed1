// The sensor displays in the main window under Xvfb, following the player
// through a demo card's EVEN recording: the graph strip and the position
// line in their columns, the map inside its place-holder (its web view
// started after the window's first paint), the cursor, the speed digits,
// the coordinates and the car moving on the map while the recording plays,
// full screen hiding and restoring the map, and the clearing after a stop.

#include "app/kv_app.h"
#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_window_test_util.h"
#include "ui/kv_dialog_map.h"
#include "ui/kv_frame_gps.h"
#include "ui/kv_frame_graph.h"
#include "ui/kv_frame_left.h"
#include "ui/kv_frame_right.h"
#include "ui/kv_graph_widget.h"
#include "ui/kv_speed_frame.h"
#include "ui/kv_speed_widget.h"
#include "ui/kv_widget_map.h"
#include "ui/kv_window_main.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QtTest>

class TestSensorWindow : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;
    KVPlayer *_player = nullptr;
    KVVideoItemRef _even;

    QVariant js(const QString &code)
    {
        QVariant result;
        bool done = false;
        KVDialogMap::instance()->mapWidget()->page()->runJavaScript(code, [&](const QVariant &v) {
            result = v;
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 10000)
            QTest::qWait(5);
        return result;
    }

    QPointF carAt()
    {
        const QVariantList v
            = js("carMarker ? [carMarker.getLatLng().lat, carMarker.getLatLng().lng] : []")
                  .toList();
        return v.size() == 2 ? QPointF(v[0].toDouble(), v[1].toDouble()) : QPointF();
    }

private slots:
    void initTestCase()
    {
        _player = KVPlayerFixture::nullPlayer();
        KVApp::instance()->initApplication(qApp);
        const QString card = qEnvironmentVariable("KV_TEST_TMP", QDir::tempPath()) + "/card";
        QString error;
        const QStringList fronts = KVPlayerFixture::makeCard(card, 20, 4, &error);
        QVERIFY2(!fronts.isEmpty(), qPrintable(error));
        for (const QString &f : fronts)
            if (QFileInfo(f).fileName().startsWith("EVEN"))
                _even = KVPlayerFixture::makeItem(f, f.chopped(5) + "R.mp4");
        QVERIFY(_even);

        _window = WindowMain::instance();
        _window->move(20, 20);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
    }

    void cleanupTestCase()
    {
        KVPlayerFixture::resetPlayer(_player);
        delete _window;
    }

    void framesInTheirPlaces()
    {
        auto *graph = qobject_cast<KVFrameGraph *>(_window->leftFrame()->graphFrame());
        QVERIFY(graph);
        QCOMPARE(graph->height(), 79);
        QCOMPARE(graph->speedFrame()->size(), QSize(88, 79));
        QCOMPARE(graph->graph()->height(), 70);
        // The graph takes what the fixed columns leave of 690 pixels.
        QCOMPARE(graph->graph()->width(), 690 - 88 - 1 - 66 - 2 - 28);
        auto *position = qobject_cast<LXFrameGPS *>(_window->rightFrame()->positionFrame());
        QVERIFY(position);
        QCOMPARE(position->size(), QSize(392, 26));

        // The map lies exactly over its place-holder and is shown; the web
        // view starts after the window has painted.
        KVDialogMap *map = KVDialogMap::existing();
        QVERIFY(map);
        QWidget *anchor = _window->rightFrame()->mapAnchor();
        QCOMPARE(map->parentWidget(), anchor);
        QCOMPARE(map->mapTo(_window, QPoint()), anchor->mapTo(_window, QPoint()));
        QCOMPARE(map->size(), QSize(392, 274));
        QVERIFY(map->isVisible());
        QTRY_VERIFY(map->hasMapWidget());
        QTRY_VERIFY_WITH_TIMEOUT(map->mapWidget()->isPageLoaded(), 20000);
        // A click on the map leaves the keyboard with the window.
        QWidget *page = map->mapWidget()->focusProxy();
        QVERIFY(page);
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::qWait(50);
        QVERIFY(QApplication::focusWidget() != page);
        // Moving the window keeps it there.
        _window->move(60, 30);
        QTRY_COMPARE(map->mapToGlobal(QPoint()), anchor->mapToGlobal(QPoint()));
    }

    void displaysFollowPlayback()
    {
        auto *graph = qobject_cast<KVFrameGraph *>(_window->leftFrame()->graphFrame());
        auto *position = qobject_cast<LXFrameGPS *>(_window->rightFrame()->positionFrame());
        KVDialogMap *map = KVDialogMap::existing();
        KVGraphWidget *trace = graph->graph();
        QVERIFY(KVPlayerFixture::loadAndWait(_player, _even.data()));
        QVERIFY(_even->sensorData() && _even->sensorData()->hasPosition());
        QCOMPARE(trace->sensorData(), _even->sensorData());
        QCOMPARE(trace->trace(0).size(), int(_even->sensorData()->sampleCount()));
        QVERIFY(map->hasPosition());
        QTRY_VERIFY_WITH_TIMEOUT(js("polylines.length").toInt() >= 1, 5000);

        // Playing: the cursor moves right, the car moves on the map.
        QTRY_VERIFY_WITH_TIMEOUT(trace->cursorColumn() > 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!carAt().isNull(), 5000);
        const int cursor1 = trace->cursorColumn();
        const QPointF car1 = carAt();
        QTest::qWait(2500);
        const int cursor2 = trace->cursorColumn();
        QTRY_VERIFY_WITH_TIMEOUT(carAt() != car1, 5000);
        QVERIFY2(cursor2 > cursor1, qPrintable(QString("%1 %2").arg(cursor1).arg(cursor2)));
        // The cursor sits where the played position puts it.
        const qint64 ms = _player->lastPosition();
        const qint64 total = _even->duration();
        QVERIFY(qAbs(trace->cursorColumn() - int(trace->width() * ms / total)) <= 20);
        QVERIFY(graph->valueLabel(0)->text() != QStringLiteral("-0.00"));
        QVERIFY(graph->speedFrame()->speedWidget()->speed() >= 0);
        QVERIFY(position->latitudeLabel()->text().startsWith("35."));
        QVERIFY(position->longitudeLabel()->text().startsWith("139."));
        QTest::qWait(600); // the map's pan
        KVTest::saveScreenshot(_window, "sensor_window_even_playing");
    }

    void fullScreenHidesTheMap()
    {
        KVDialogMap *map = KVDialogMap::existing();
        auto *graph = qobject_cast<KVFrameGraph *>(_window->leftFrame()->graphFrame());
        _window->onFullScreen();
        QVERIFY(_window->isFullScreen());
        QVERIFY(map->isHidden());
        QVERIFY(graph->isHidden());
        _window->onFullScreen();
        QVERIFY(!_window->isFullScreen());
        QVERIFY(!map->isHidden());
        QVERIFY(!graph->isHidden());
        QTRY_VERIFY(map->isVisible());
        QCOMPARE(map->mapTo(_window, QPoint()),
            _window->rightFrame()->mapAnchor()->mapTo(_window, QPoint()));
    }

    void stopClears()
    {
        auto *graph = qobject_cast<KVFrameGraph *>(_window->leftFrame()->graphFrame());
        KVDialogMap *map = KVDialogMap::existing();
        KVPlayerFixture::EventLog log(_player);
        _player->onUserStop();
        QVERIFY(log.waitFor(PLAY_STOPPED, 5000));
        QCOMPARE(graph->graph()->cursorColumn(), -1);
        QVERIFY(graph->graph()->trace(0).isEmpty());
        QCOMPARE(graph->valueLabel(0)->text(), QStringLiteral(" 0.00"));
        QCOMPARE(graph->speedFrame()->speedWidget()->speed(), -1);
        QVERIFY(!map->hasPosition());
        QTRY_COMPARE(js("polylines.length").toInt(), 0);
        QCOMPARE(js("carMarker ? 1 : 0").toInt(), 0);
    }
};

KV_TEST_MAIN(TestSensorWindow)
#include "tst_sensor_window.moc"
