// The map under Xvfb: the page ":/html/gmap.html" in the web view, driven
// through the map dialog the way the player drives it. Checks the exact
// statements sent for the track's edge cases, what the page then holds
// (polylines, car marker, centre) read back with runJavaScript, statements
// sent before the page has loaded, pictures of the shown map (grab and
// render, as the report takes them), full screen and keys.

#include "app/kv_app.h"
#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "kv_player_fixtures.h"
#include "kv_sensor_fixtures.h"
#include "kv_test_main.h"
#include "kv_window_test_util.h"
#include "ui/kv_dialog_map.h"
#include "ui/kv_key_forward.h"
#include "ui/kv_map_script.h"
#include "ui/kv_widget_map.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace
{

KVSensorEntry at(double lat, double lng, const char *fix = "1", int speed = 30)
{
    KVSensorEntry e;
    e.latitude = lat;
    e.longitude = lng;
    e.fix = fix;
    e.speed = speed;
    return e;
}

// Pixels of the track's red (drawn at 0.7 opacity) and of the car's blue.
int countRed(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 200 && c.green() < 110 && c.blue() < 110;
        }
    return n;
}

int countBlue(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.blue() > 180 && c.red() < 90 && c.green() < 130;
        }
    return n;
}

} // namespace

class TestMapView : public QObject
{
    Q_OBJECT

    QString _folder;
    QWidget *_host = nullptr;
    QWidget *_anchor = nullptr;
    KVDialogMap *_dialog = nullptr;
    // 7 s: A B | no fix | D (alone) | outside the box | F G.
    KVVideoItemRef _edges;

    QVariant js(const QString &code)
    {
        QVariant result;
        bool done = false;
        _dialog->mapWidget()->page()->runJavaScript(code, [&](const QVariant &v) {
            result = v;
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 10000)
            QTest::qWait(5);
        if (!done)
            qWarning() << "no answer from the page for" << code;
        return result;
    }

    int polylines() { return js("polylines.length").toInt(); }
    bool hasCar() { return js("carMarker ? true : false").toBool(); }
    int markerLayers()
    {
        return js("(function(){var n=0;map.eachLayer(function(l){if(l instanceof "
                  "L.Marker)n++;});return n;})()")
            .toInt();
    }
    QPointF carAt()
    {
        const QVariantList v
            = js("[carMarker.getLatLng().lat, carMarker.getLatLng().lng]").toList();
        return v.size() == 2 ? QPointF(v[0].toDouble(), v[1].toDouble()) : QPointF();
    }
    QPointF centre()
    {
        const QVariantList v = js("[map.getCenter().lat, map.getCenter().lng]").toList();
        return v.size() == 2 ? QPointF(v[0].toDouble(), v[1].toDouble()) : QPointF();
    }
    // Lets pan animations end.
    void settle() { QTest::qWait(400); }

private slots:
    void initTestCase()
    {
        KVPlayerFixture::nullPlayer();
        KVApp::instance()->initApplication(qApp);
        _folder = qEnvironmentVariable("KV_TEST_TMP", QDir::tempPath()) + "/map";
        _edges = KVSensorFixture::makeTrack(_folder, "edges",
            {at(35.515625, 139.515625), at(35.53125, 139.53125), at(35.546875, 139.546875, "0"),
                at(35.5625, 139.5625), at(50.0, 139.578125), at(35.59375, 139.59375),
                at(35.609375, 139.609375)});
        QVERIFY(_edges);
        QCOMPARE(_edges->sensorData()->positionCount(), 7u);

        _host = new QWidget;
        _host->setFixedSize(392, 320);
        _anchor = new QWidget(_host);
        _anchor->setGeometry(0, 30, 392, 274);
    }

    void cleanupTestCase()
    {
        // The web view goes before the application object.
        delete _host;
    }

    void statementsWaitForThePage()
    {
        _dialog = KVDialogMap::instance(_anchor);
        QCOMPARE(KVDialogMap::instance(), _dialog);
        QCOMPARE(_dialog->parentWidget(), _anchor);
        QCOMPARE(_dialog->size(), QSize(392, 274));
        // Nothing painted yet: no web view.
        QVERIFY(!_dialog->hasMapWidget());
        QVERIFY(_dialog->isStarting());

        _dialog->onPlayEvent(PLAY_LOADED, _edges.data());
        QVERIFY(_dialog->hasMapWidget());
        KVWidgetMap *map = _dialog->mapWidget();
        QVERIFY(!map->isPageLoaded());
        QSignalSpy ready(map, &KVWidgetMap::pageReady);
        _dialog->onPositionChanged(0, 7000);
        _dialog->onPositionChanged(1000, 7000);
        const QString track = KVMapScript::drawPaths(*_edges->sensorData());
        // The second car position replaces the first in the queue.
        QCOMPARE(map->pendingScripts(),
            (QStringList{track, QStringLiteral("moveToMap(35.531250,139.531250);")}));
        QCOMPARE(_dialog->takeSentScripts(),
            (QStringList{track, QStringLiteral("moveToMap(35.515625,139.515625);"),
                QStringLiteral("moveToMap(35.531250,139.531250);")}));

        QVERIFY(_dialog->prepareShow());
        QVERIFY(!_dialog->isStarting());
        _dialog->show();
        QVERIFY(!_dialog->prepareShow()); // shown now
        _host->show();
        QVERIFY(QTest::qWaitForWindowExposed(_host));
        QVERIFY(ready.wait(20000));
        QCOMPARE(ready[0][0].toBool(), true);
        QVERIFY(map->isPageLoaded());
        QVERIFY(map->pendingScripts().isEmpty());
        QCOMPARE(polylines(), 2);
        QVERIFY(hasCar());
        QCOMPARE(carAt(), QPointF(35.53125, 139.53125));
        _dialog->onPlayEvent(PLAY_STOPPED, nullptr);
        _dialog->takeSentScripts();
    }

    void pageFunctions()
    {
        QCOMPARE(
            js("typeof drawPaths + typeof moveToMap + typeof clearPath + typeof clearCarMarker")
                .toString(),
            QStringLiteral("functionfunctionfunctionfunction"));
        js("map.setView([35.6585209, 139.7453273], 16, {animate: false});");
        QCOMPARE(js("map.getZoom()").toInt(), 16);
        // An empty list clears and does not pan.
        js("drawPaths([[{lat:35.1, lng:139.1},{lat:35.2, lng:139.2}]]);");
        QCOMPARE(polylines(), 1);
        js("map.setView([35.6585209, 139.7453273], 16, {animate: false});");
        js("drawPaths([]);");
        settle();
        QCOMPARE(polylines(), 0);
        QVERIFY(qAbs(centre().x() - 35.6585209) < 1e-6);
        // A first segment of one point draws nothing but is the pan target.
        js("drawPaths([[{lat:35.66, lng:139.75}],[{lat:35.661, lng:139.751},{lat:35.662, "
           "lng:139.752}]]);");
        settle();
        QCOMPARE(polylines(), 1);
        QVERIFY(qAbs(centre().x() - 35.66) < 1e-5 && qAbs(centre().y() - 139.75) < 1e-5);
        // The track's style.
        QCOMPARE(js("polylines[0].options.color").toString(), QStringLiteral("#FF0000"));
        QCOMPARE(js("polylines[0].options.opacity").toDouble(), 0.7);
        QCOMPARE(js("polylines[0].options.weight").toInt(), 4);
        // One car marker, moved; a new one after clearCarMarker.
        js("moveToMap(35.6601,139.7501);");
        js("moveToMap(35.6602,139.7502);");
        QCOMPARE(markerLayers(), 1);
        QCOMPARE(carAt(), QPointF(35.6602, 139.7502));
        QCOMPARE(js("carMarker.options.zIndexOffset").toInt(), 999);
        js("clearCarMarker();");
        QVERIFY(!hasCar());
        QCOMPARE(markerLayers(), 0);
        QCOMPARE(polylines(), 1);
        js("moveToMap(35.6603,139.7503);");
        QCOMPARE(markerLayers(), 1);
        js("clearPath();");
        QCOMPARE(polylines(), 0);
        QVERIFY(!hasCar());
        // The page's own zoom buttons at the bottom right, and the map's
        // attribution.
        QCOMPARE(js("document.querySelectorAll('.leaflet-bottom.leaflet-right "
                    ".zoom-control .zoom-control-in').length")
                     .toInt(),
            1);
        js("map.setZoom(16, {animate: false}); "
           "document.querySelector('.zoom-control-in').click();");
        settle();
        QCOMPARE(js("map.getZoom()").toInt(), 17);
        js("document.querySelector('.zoom-control-out').click();");
        settle();
        QCOMPARE(js("map.getZoom()").toInt(), 16);
        QVERIFY(js("document.querySelector('.leaflet-control-attribution').textContent")
                    .toString()
                    .contains("OpenStreetMap contributors"));
        // A statement that fails in the page does not stop later ones.
        js("moveToMap(;");
        js("moveToMap(35.6604,139.7504);");
        QVERIFY(hasCar());
        js("clearPath();");
    }

    void trackEdgeCases()
    {
        _dialog->takeSentScripts();
        _dialog->onPlayEvent(PLAY_LOADED, _edges.data());
        QVERIFY(_dialog->hasPosition());
        const QString track = QStringLiteral(
            "drawPaths([[{lat:35.515625, lng:139.515625},{lat:35.531250, lng:139.531250}],"
            "[{lat:35.562500, lng:139.562500}],"
            "[{lat:35.593750, lng:139.593750},{lat:35.609375, lng:139.609375}]]);");
        QCOMPARE(_dialog->takeSentScripts(), QStringList{track});
        // The isolated record is sent but draws no line.
        QCOMPARE(polylines(), 2);

        // Updates within one second send the position once.
        for (qint64 ms : {0, 200, 400, 999})
            _dialog->onPositionChanged(ms, 7000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"moveToMap(35.515625,139.515625);"});
        QVERIFY(hasCar());
        // No fix: the car goes.
        _dialog->onPositionChanged(2000, 7000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"clearCarMarker();"});
        QVERIFY(!hasCar());
        _dialog->onPositionChanged(3000, 7000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"moveToMap(35.562500,139.562500);"});
        QVERIFY(hasCar());
        // Outside the box: the car goes.
        _dialog->onPositionChanged(4000, 7000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"clearCarMarker();"});
        QVERIFY(!hasCar());
        // A seek back to the second shown before: the page lost its car, so
        // the same place is sent again and the car is back.
        _dialog->onPositionChanged(3000, 7000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"moveToMap(35.562500,139.562500);"});
        QVERIFY(hasCar());
        _dialog->onPositionChanged(5000, 7000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"moveToMap(35.593750,139.593750);"});
        // No length: nothing.
        _dialog->onPositionChanged(5000, 0);
        QVERIFY(_dialog->takeSentScripts().isEmpty());

        // Stop: the track and the car go.
        _dialog->onPlayEvent(PLAY_STOPPED, nullptr);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"clearPath();"});
        QVERIFY(!_dialog->hasPosition());
        QCOMPARE(polylines(), 0);
        QVERIFY(!hasCar());
        _dialog->onPositionChanged(5000, 7000);
        QVERIFY(_dialog->takeSentScripts().isEmpty());

        // Reloading draws the track again, and the car comes back at the first
        // update even where it stands where it was last sent.
        _dialog->onPlayEvent(PLAY_LOADED, _edges.data());
        _dialog->onPositionChanged(5000, 7000);
        QCOMPARE(
            _dialog->takeSentScripts(), (QStringList{track, "moveToMap(35.593750,139.593750);"}));
        QCOMPARE(polylines(), 2);
        QVERIFY(hasCar());
        _dialog->onPlayEvent(PLAY_STOPPED, nullptr);
        _dialog->takeSentScripts();
    }

    void recordingsWithoutTrack()
    {
        // Every record without a fix: the data keeps no positions and the map
        // is cleared.
        KVVideoItemRef noFix = KVSensorFixture::makeTrack(
            _folder, "nofix", {at(35.1, 139.1, "0"), at(35.2, 139.2, "0")});
        QVERIFY(noFix);
        _dialog->onPlayEvent(PLAY_LOADED, _edges.data());
        QCOMPARE(polylines(), 2);
        _dialog->takeSentScripts();
        _dialog->onPlayEvent(PLAY_LOADED, noFix.data());
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"clearPath();"});
        QVERIFY(!_dialog->hasPosition());
        QCOMPARE(polylines(), 0);
        _dialog->onPositionChanged(0, 2000);
        QVERIFY(_dialog->takeSentScripts().isEmpty());
        // A fix, but every position outside the box: nothing to draw.
        KVVideoItemRef away
            = KVSensorFixture::makeTrack(_folder, "away", {at(10.0, 139.1), at(10.1, 139.2)});
        QVERIFY(away);
        _dialog->onPlayEvent(PLAY_LOADED, away.data());
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"drawPaths([]);"});
        QCOMPARE(polylines(), 0);
        _dialog->onPositionChanged(0, 2000);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"clearCarMarker();"});
        // No item.
        _dialog->onPlayEvent(PLAY_LOADED, nullptr);
        QCOMPARE(_dialog->takeSentScripts(), QStringList{"clearPath();"});
        _dialog->onPlayEvent(PLAY_STOPPED, nullptr);
        _dialog->takeSentScripts();
    }

    void pageComesBackAfterItsProcessEnds()
    {
        // The page's process is killed (as the kernel does when memory runs
        // short): the page is loaded again and shows the track and the car
        // it showed, not a blank view for the rest of the session.
        QVERIFY(_dialog->isVisible());
        KVWidgetMap *map = _dialog->mapWidget();
        QVERIFY(map->isPageLoaded());
        _dialog->onPlayEvent(PLAY_LOADED, _edges.data());
        _dialog->onPositionChanged(1000, 7000);
        QCOMPARE(polylines(), 2);
        QVERIFY(hasCar());
        const qint64 pid = map->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QSignalSpy ready(map, &KVWidgetMap::pageReady);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QVERIFY(ready.wait(20000));
        QCOMPARE(ready.last().first().toBool(), true);
        QCOMPARE(map->pageRestarts(), 1);
        QVERIFY(map->page()->renderProcessPid() != pid);
        QCOMPARE(polylines(), 2);
        QVERIFY(hasCar());
        QCOMPARE(carAt(), QPointF(35.53125, 139.53125));
        // And it goes on following the recording.
        _dialog->onPositionChanged(3000, 7000);
        QCOMPARE(carAt(), QPointF(35.5625, 139.5625));
        _dialog->onPlayEvent(PLAY_STOPPED, nullptr);
        QCOMPARE(polylines(), 0);
        _dialog->takeSentScripts();
    }

    void pictureOfTheMap()
    {
        // A demo card's EVEN recording: its track and the car, as the report
        // paints the map (render into a 392 x 274 picture) and as grab() gives it.
        const QString card = _folder + "/card";
        QString error;
        const QStringList fronts = KVPlayerFixture::makeCard(card, 20, 4, &error);
        QVERIFY2(!fronts.isEmpty(), qPrintable(error));
        QString even;
        for (const QString &f : fronts)
            if (QFileInfo(f).fileName().startsWith("EVEN"))
                even = f;
        KVVideoItemRef item = KVPlayerFixture::makeItem(even, QString());
        QVERIFY(item->loadSensorInfo());
        QVERIFY(_dialog->isVisible());
        _dialog->onPlayEvent(PLAY_LOADED, item.data());
        QVERIFY(_dialog->hasPosition());
        QVERIFY(polylines() >= 1);
        _dialog->onPositionChanged(10000, 20000);
        QVERIFY(hasCar());
        js("map.setZoom(17, {animate: false});");
        QTest::qWait(1500);

        KVWidgetMap *map = _dialog->mapWidget();
        const QImage grabbed = map->grab().toImage();
        QCOMPARE(grabbed.size(), QSize(392, 274));
        KVTest::saveScreenshot(map, "map_even_track");
        QVERIFY2(countRed(grabbed) > 150, qPrintable(QString::number(countRed(grabbed))));
        QVERIFY2(countBlue(grabbed) > 40, qPrintable(QString::number(countBlue(grabbed))));

        QPixmap rendered(392, 274);
        rendered.fill(Qt::black);
        map->render(
            &rendered, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        const QImage image = rendered.toImage();
        image.save(QStringLiteral(KV_BINARY_DIR "/screenshots/map_even_track_render.png"));
        QVERIFY2(countRed(image) > 150, qPrintable(QString::number(countRed(image))));
        QVERIFY(countBlue(image) > 40);
        QCOMPARE(map->snapshot().size(), QSize(392, 274));
        _dialog->onPlayEvent(PLAY_STOPPED, nullptr);
    }

    void fullScreenHidesAndRestores()
    {
        QVERIFY(!_dialog->isHidden());
        emit KVApp::instance()->appEvent(KVApp::EVENT_FULLSCREEN_ENTERING);
        QVERIFY(_dialog->isHidden());
        emit KVApp::instance()->appEvent(KVApp::EVENT_FULLSCREEN_ENTERED);
        emit KVApp::instance()->appEvent(KVApp::EVENT_FULLSCREEN_LEAVING);
        QVERIFY(!_dialog->isHidden());
        QVERIFY(_dialog->isVisible());
        // A map hidden before full screen stays hidden.
        _dialog->hide();
        emit KVApp::instance()->appEvent(KVApp::EVENT_FULLSCREEN_ENTERING);
        emit KVApp::instance()->appEvent(KVApp::EVENT_FULLSCREEN_LEAVING);
        QVERIFY(_dialog->isHidden());
        QVERIFY(_dialog->prepareShow());
        _dialog->show();
    }

    // A folder dropped on the map goes to the window that holds it (which
    // opens folders), the way Qt picks a drop's target: the widget under the
    // pointer, or the nearest parent that takes drops. The page itself never
    // navigates to a drop.
    void dropsGoToTheWindow()
    {
        _host->setAcceptDrops(true);
        KVWidgetMap *map = _dialog->mapWidget();
        QVERIFY(map->isPageLoaded());
        QVERIFY(!map->page()->settings()->testAttribute(QWebEngineSettings::NavigateOnDropEnabled));
        const QPoint centre = map->mapTo(_host, map->rect().center());
        QWidget *target = _host->childAt(centre);
        QVERIFY(target); // the page's own widget
        while (target && !target->isWindow() && !target->acceptDrops())
            target = target->parentWidget();
        QCOMPARE(target, _host);
        _host->setAcceptDrops(false);
    }

    void keysGoToTheKeyHandler()
    {
        QList<int> pressed, released;
        KVKeyForward::setHandler({[&](int k) { pressed << k; }, [&](int k) { released << k; },
            [] { return false; }, [] {}});
        QTest::keyPress(_dialog, Qt::Key_Left);
        QTest::keyRelease(_dialog, Qt::Key_Left);
        QTest::keyPress(_dialog, Qt::Key_Right, Qt::NoModifier);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(_dialog, &repeat);
        KVKeyForward::setHandler({});
        QCOMPARE(pressed, (QList<int>{Qt::Key_Left, Qt::Key_Right}));
        QCOMPARE(released, QList<int>{Qt::Key_Left});
    }
};

KV_TEST_MAIN(TestMapView)
#include "tst_map_view.moc"
