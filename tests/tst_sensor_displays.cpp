// The sensor displays under Xvfb, fed the player's events directly: the
// acceleration graph (trace mapping at each zoom level, zoom buttons, cursor
// and read-outs, stop), the speed digits (lookup, limits, units by
// language, the painted glyphs) and the position line. Recordings are
// byte-built MP4 files with chosen sensor records; the screenshot uses a
// demo card's EVEN recording.

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "kv_media_fixtures.h"
#include "kv_player_fixtures.h"
#include "kv_sensor_fixtures.h"
#include "kv_test_main.h"
#include "kv_window_test_util.h"
#include "ui/kv_frame_gps.h"
#include "ui/kv_frame_graph.h"
#include "ui/kv_graph_widget.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_map_script.h"
#include "ui/kv_report_facts.h"
#include "ui/kv_speed_frame.h"
#include "ui/kv_speed_widget.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace
{

// x, y, z in the recorder's code: n steps of 0.0625 g, negatives as 255 + n.
int code(double g)
{
    const int n = qRound(g / 0.0625);
    return n >= 0 ? n : 255 + n;
}

KVSensorEntry entry(double lat, double lng, int speed, const char *fix = "1")
{
    KVSensorEntry e;
    e.latitude = lat;
    e.longitude = lng;
    e.speed = speed;
    e.fix = fix;
    return e;
}

KVGpsRecord gps(double speed, quint8 fix = 1)
{
    KVGpsRecord r;
    r.latitude = 35.0;
    r.longitude = 139.0;
    r.speed = speed;
    r.fix = fix;
    return r;
}

int countColor(const QImage &image, const QRect &area, QRgb color)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return n;
}

} // namespace

class TestSensorDisplays : public QObject
{
    Q_OBJECT

    QString _folder;
    KVVideoItemRef _constant; // x 0 g, y +1 g, z -1 g throughout, 10 s, no fix
    // 4 s: speeds 0, 499, 60 (no fix), 100.
    KVVideoItemRef _track;

    void emitApp(KVApp::Event e) { emit KVApp::instance()->appEvent(e); }

private slots:
    void initTestCase()
    {
        KVPlayerFixture::nullPlayer();
        KVApp::instance()->initApplication(qApp);
        _folder = qEnvironmentVariable("KV_TEST_TMP", QDir::tempPath()) + "/sensor";
        // No fix anywhere: the data keeps no positions.
        _constant = KVSensorFixture::makeRecording(_folder, "constant", 10, [](int, int) {
            KVSensorEntry e;
            e.fix = "0";
            e.x = code(0.0);
            e.y = code(1.0);
            e.z = code(-1.0);
            return e;
        });
        QVERIFY(_constant);
        QCOMPARE(_constant->sensorData()->sampleCount(), 200u);
        QVERIFY(!_constant->sensorData()->hasPosition());
        _track = KVSensorFixture::makeTrack(_folder, "track",
            {entry(35.25, 139.25, 0), entry(35.5, 139.5, 499), entry(35.75, 139.75, 60, "0"),
                entry(36.0, 140.0, 100)});
        QVERIFY(_track);
        QCOMPARE(_track->sensorData()->positionCount(), 4u);
    }

    void traceMappingAtZoomLevels()
    {
        KVGraphWidget graph(nullptr, {1, 2, 4});
        graph.setFixedSize(400, 70);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        QCOMPARE(graph.zoom(), 4);
        graph.onPlayEvent(PLAY_LOADED, _constant.data());
        const QPolygonF &x = graph.trace(KVGraphWidget::AXIS_X);
        const QPolygonF &y = graph.trace(KVGraphWidget::AXIS_Y);
        const QPolygonF &z = graph.trace(KVGraphWidget::AXIS_Z);
        QCOMPARE(x.size(), 200);
        // The whole recording spans the width: sample 0 at the left edge, the
        // last one step before the right edge.
        QCOMPARE(x.first().x(), 0.0);
        QCOMPARE(x.last().x(), 400.0 - 2.0);
        // Zoom 4: 0 g on the middle line, +1 g a quarter of the height above,
        // -1 g a quarter below.
        for (int i = 0; i < 200; i += 37) {
            QCOMPARE(x[i].y(), 35.0);
            QCOMPARE(y[i].y(), 35.0 - 70.0 / 4);
            QCOMPARE(z[i].y(), 35.0 + 70.0 / 4);
        }
        // Zoom 2: the half-height stands for 2/3 g; zoom 1: for 2/7 g. The
        // +1 g and -1 g traces leave the widget then; 0 g stays in the middle.
        graph.onZoomIn();
        QCOMPARE(graph.zoom(), 2);
        QCOMPARE(x.size(), 200);
        QCOMPARE(graph.trace(KVGraphWidget::AXIS_X)[5].y(), 35.0);
        QCOMPARE(KVGraphWidget::mapValue(2.0 / 3.0, 2, 70), 0.0);
        QCOMPARE(graph.trace(KVGraphWidget::AXIS_Y)[5].y(), 35.0 - 1.5 * 35.0);
        graph.onZoomIn();
        QCOMPARE(graph.zoom(), 1);
        QVERIFY(qAbs(KVGraphWidget::mapValue(2.0 / 7.0, 1, 70)) < 1e-4);
        QVERIFY(qAbs(KVGraphWidget::mapValue(-2.0 / 7.0, 1, 70) - 70.0) < 1e-4);
        QCOMPARE(graph.trace(KVGraphWidget::AXIS_X)[5].y(), 35.0);
        // A resize recomputes the pixels.
        graph.setFixedSize(200, 70);
        QTest::qWait(20);
        QCOMPARE(graph.trace(KVGraphWidget::AXIS_X).last().x(), 200.0 - 1.0);
    }

    void zoomButtons()
    {
        KVFrameGraph frame;
        frame.resize(690, 79);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        KVGraphWidget *graph = frame.graph();
        QCOMPARE(graph->zoomLevels(), (QList<int>{1, 2, 4}));
        QVERIFY(frame.zoomInButton()->isEnabled());
        QVERIFY(!frame.zoomOutButton()->isEnabled());
        QCOMPARE(frame.zoomInButton()->objectName(), QStringLiteral("graph_up"));
        QCOMPARE(frame.zoomInButton()->toolTip(), QString::fromUtf8("拡大"));
        QCOMPARE(KVLanguage::instance()->registeredText(
                     frame.zoomOutButton(), KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP),
            QStringLiteral("Zoom Out"));
        QSignalSpy spy(graph, &KVGraphWidget::zoomChange);

        QTest::mouseClick(frame.zoomInButton(), Qt::LeftButton);
        QCOMPARE(graph->zoom(), 2);
        QTest::mouseClick(frame.zoomInButton(), Qt::LeftButton);
        QCOMPARE(graph->zoom(), 1);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[0], (QList<QVariant>{true, true}));
        QCOMPARE(spy[1], (QList<QVariant>{false, true}));
        QVERIFY(!frame.zoomInButton()->isEnabled());
        QVERIFY(frame.zoomOutButton()->isEnabled());
        // A third step does nothing.
        graph->onZoomIn();
        QCOMPARE(graph->zoom(), 1);
        QCOMPARE(spy.size(), 2);

        QTest::mouseClick(frame.zoomOutButton(), Qt::LeftButton);
        QTest::mouseClick(frame.zoomOutButton(), Qt::LeftButton);
        QCOMPARE(graph->zoom(), 4);
        QCOMPARE(spy[3], (QList<QVariant>{true, false}));
        QVERIFY(frame.zoomInButton()->isEnabled());
        QVERIFY(!frame.zoomOutButton()->isEnabled());
        graph->onZoomOut();
        QCOMPARE(spy.size(), 4);
    }

    void cursorReadoutsAndStop()
    {
        // Samples ramp x from -0.25 g to +0.25 g with alternating signs.
        KVVideoItemRef item = KVSensorFixture::makeRecording(_folder, "ramp", 2, [](int s, int k) {
            KVSensorEntry e;
            const int i = s * 20 + k;
            e.x = code(i % 2 ? 0.25 : -0.25);
            e.y = code(i * 0.0625 / 4);
            e.z = code(-0.5);
            return e;
        });
        QVERIFY(item);
        KVFrameGraph frame;
        frame.resize(690, 79);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        KVGraphWidget *graph = frame.graph();
        QLabel *lx = frame.valueLabel(0);
        QLabel *ly = frame.valueLabel(1);
        QLabel *lz = frame.valueLabel(2);
        QCOMPARE(lx->text(), QStringLiteral("-0.00"));
        QCOMPARE(graph->cursorColumn(), -1);

        // Without data the cursor moves and the read-outs stay.
        graph->onPositionChanged(1000, 2000);
        QCOMPARE(graph->cursorColumn(), graph->width() / 2);
        QCOMPARE(lx->text(), QStringLiteral("-0.00"));

        graph->onPlayEvent(PLAY_LOADED, item.data());
        QCOMPARE(graph->cursorColumn(), -1);
        graph->onPositionChanged(0, 2000);
        QCOMPARE(graph->cursorColumn(), 0);
        QCOMPARE(lx->text(), QStringLiteral("-0.25"));
        QCOMPARE(ly->text(), QStringLiteral(" 0.00"));
        QCOMPARE(lz->text(), QStringLiteral("-0.50"));
        graph->onPositionChanged(50, 2000); // sample 1
        QCOMPARE(lx->text(), QStringLiteral(" 0.25"));
        graph->onPositionChanged(1000, 2000); // sample 20
        QCOMPARE(ly->text(), QStringLiteral(" 0.31"));
        // Past the end: the right edge; the index is the count then, so the
        // read-outs keep their values.
        graph->onPositionChanged(2999, 2000);
        QCOMPARE(graph->cursorColumn(), graph->width());
        QCOMPARE(lx->text(), QStringLiteral("-0.25"));
        // No length: nothing changes.
        graph->onPositionChanged(0, 0);
        QCOMPARE(graph->cursorColumn(), graph->width());

        // A user stop leaves everything; the stop after it clears.
        graph->onZoomIn();
        graph->onPlayEvent(PLAY_USER_STOP, item.data());
        QCOMPARE(graph->trace(0).size(), 40);
        graph->onPlayEvent(PLAY_STOPPED, nullptr);
        QCOMPARE(graph->cursorColumn(), -1);
        QVERIFY(
            graph->trace(0).isEmpty() && graph->trace(1).isEmpty() && graph->trace(2).isEmpty());
        QCOMPARE(graph->sensorData(), nullptr);
        for (QLabel *label : {lx, ly, lz})
            QCOMPARE(label->text(), QStringLiteral(" 0.00"));
        QCOMPARE(graph->zoom(), 2);
        // Nothing is drawn of the old traces.
        const QImage image = graph->grab().toImage();
        QCOMPARE(countColor(image, image.rect(), qRgb(0, 255, 0)), 0);
        graph->onZoomOut();

        // Data without samples draws the grid only.
        const KVSensorData noSamples = KVSensorData::build({gps(10)}, {});
        graph->loadSensorData(&noSamples);
        QVERIFY(graph->trace(0).isEmpty());
        graph->onPositionChanged(500, 4000);
        QCOMPARE(lx->text(), QStringLiteral(" 0.00"));
    }

    void fullScreenHidesStrip()
    {
        KVFrameGraph frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        emitApp(KVApp::EVENT_FULLSCREEN_ENTERING);
        QVERIFY(frame.isHidden());
        emitApp(KVApp::EVENT_FULLSCREEN_ENTERED);
        QVERIFY(frame.isHidden());
        emitApp(KVApp::EVENT_FULLSCREEN_LEAVING);
        QVERIFY(!frame.isHidden());
    }

    void graphScreenshot()
    {
        // A demo card's EVEN recording: three traces and the cursor.
        const QString card = _folder + "/card";
        QString error;
        const QStringList fronts = KVPlayerFixture::makeCard(card, 10, 4, &error);
        QVERIFY2(!fronts.isEmpty(), qPrintable(error));
        QString even;
        for (const QString &f : fronts)
            if (QFileInfo(f).fileName().startsWith("EVEN"))
                even = f;
        QVERIFY(!even.isEmpty());
        KVVideoItemRef item = KVPlayerFixture::makeItem(even, QString());
        QVERIFY(item->loadSensorInfo());
        QVERIFY(item->sensorData()->sampleCount() > 0);

        KVFrameGraph frame;
        frame.setFixedSize(690, 79);
        frame.setStyleSheet("KVFrameGraph{background-color: #4F4F4F;}");
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        KVGraphWidget *graph = frame.graph();
        graph->onPlayEvent(PLAY_LOADED, item.data());
        frame.speedFrame()->onPlayEvent(PLAY_LOADED, item.data());
        graph->onPositionChanged(6000, 10000);
        frame.speedFrame()->onPositionChanged(6000, 10000);
        QTest::qWait(50);
        const QImage image = graph->grab().toImage();
        const QRect inner = image.rect().adjusted(4, 9, -4, -9);
        QVERIFY(countColor(image, inner, qRgb(0, 255, 0)) > 20);
        QVERIFY(countColor(image, inner, qRgb(255, 255, 0)) > 20);
        QVERIFY(countColor(image, inner, qRgb(255, 0, 0)) > 20);
        const int cursor = graph->cursorColumn();
        QCOMPARE(cursor, graph->width() * 6 / 10);
        int white = 0;
        for (int y = 0; y < image.height(); ++y)
            white += (image.pixel(cursor, y) & 0xFFFFFF) == 0xFFFFFF;
        QCOMPARE(white, image.height());
        QVERIFY(!KVTest::saveScreenshot(&frame, "sensor_graph_even").isEmpty());
        graph->onPlayEvent(PLAY_STOPPED, nullptr);
    }

    void speedLookup()
    {
        const KVSensorData d = KVSensorData::build({gps(10), gps(20, 0), gps(30)}, {});
        QCOMPARE(LXSpeedFrame::speedAt(d, 0, 3000), 10.0);
        QCOMPARE(LXSpeedFrame::speedAt(d, 1500, 3000), -1.0);
        // The very end uses the last record; beyond the records: none.
        QCOMPARE(LXSpeedFrame::speedAt(d, 3000, 3000), 30.0);
        QCOMPARE(LXSpeedFrame::speedAt(d, 3999, 3000), 30.0);
        QCOMPARE(LXSpeedFrame::speedAt(d, 4000, 3000), -1.0);
        QCOMPARE(LXSpeedFrame::speedAt(d, 0, 0), -1.0);
        QCOMPARE(LXSpeedFrame::speedAt(KVSensorData(), 0, 3000), -1.0);
    }

    void displaysKeepStepInAPartSecond()
    {
        // A recording 4.9 s long keeps four whole seconds of data. Record s
        // and samples 20s..20s+19 belong to second s of the picture: the
        // displays must not spread four seconds over 4.9 (they ran up to a
        // second behind near the end).
        const KVVideoItemRef item = KVSensorFixture::makeRecording(
            _folder, "part_second", 5,
            [](int second, int) {
                KVSensorEntry e = entry(35.0 + second, 139.0, 10 * (second + 1));
                e.x = code(0.25 * second);
                return e;
            },
            4900);
        QVERIFY(item);
        const KVSensorData &d = *item->sensorData();
        QCOMPARE(d.positionCount(), 4u);
        QCOMPARE(d.sampleCount(), 80u);
        QCOMPARE(LXSpeedFrame::speedAt(d, 2999, 4900), 30.0);
        QCOMPARE(LXSpeedFrame::speedAt(d, 3000, 4900), 40.0);
        // The cut-off rest of the last second shows the last record.
        QCOMPARE(LXSpeedFrame::speedAt(d, 4899, 4900), 40.0);
        QCOMPARE(LXSpeedFrame::speedAt(d, 4900, 4900), 40.0);
        double latitude = 0.0, longitude = 0.0;
        QVERIFY(LXFrameGPS::positionAt(d, 3000, 4900, &latitude, &longitude));
        QCOMPARE(latitude, 38.0);
        // The report of that moment says what the displays show.
        const KVReportFacts facts = KVReportFacts::fromRecording(item.data(), 3000, 4900);
        QVERIFY(facts.hasFix);
        QCOMPARE(facts.speed, 40.0);
        QCOMPARE(facts.latitude, 38.0);
        KVMapCar car;
        QCOMPARE(car.update(d, 3000, 4900), QStringLiteral("moveToMap(38.000000,139.000000);"));
        QCOMPARE(car.update(d, 4899, 4900), QString());

        // The graph: the read-outs, and the trace drawn on the cursor's scale.
        KVFrameGraph frame;
        frame.resize(690, 79);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        KVGraphWidget *graph = frame.graph();
        graph->onPlayEvent(PLAY_LOADED, item.data());
        graph->onPositionChanged(3000, 4900);
        QCOMPARE(frame.valueLabel(0)->text(), QStringLiteral(" 0.75"));
        graph->onPositionChanged(2999, 4900);
        QCOMPARE(frame.valueLabel(0)->text(), QStringLiteral(" 0.50"));
        graph->onPositionChanged(3000, 4900);
        const QPolygonF &trace = graph->trace(KVGraphWidget::AXIS_X);
        QCOMPARE(trace.size(), 80);
        QVERIFY2(qAbs(trace[60].x() - graph->cursorColumn()) <= 1.0,
            qPrintable(QStringLiteral("%1 / %2").arg(trace[60].x()).arg(graph->cursorColumn())));
        graph->onPlayEvent(PLAY_STOPPED, nullptr);
    }

    void speedDigits()
    {
        LXSpeedFrame::setSpeedInMph(false);
        LXSpeedFrame frame;
        LXSpeedFrame::setSpeedInMph(false);
        LXSpeedWidget *digits = frame.speedWidget();
        QCOMPARE(digits->speed(), -1);
        QCOMPARE(frame.unitPlate()->objectName(), QStringLiteral("speed_kmh"));

        // Values the recorder cannot write as whole numbers come from data
        // built in memory.
        const KVSensorData d
            = KVSensorData::build({gps(0), gps(0, 0), gps(499.9), gps(500), gps(100)}, {});
        frame.loadSensorData(&d);
        QCOMPARE(digits->speed(), -1); // kept until the first update
        const QList<QPair<qint64, int>> cases{
            {0, 0}, {1000, -1}, {2000, 499}, {3000, -1}, {4000, 100}};
        for (const auto &c : cases) {
            frame.onPositionChanged(c.first, 5000);
            QCOMPARE(digits->speed(), c.second);
        }
        LXSpeedFrame::setSpeedInMph(true);
        frame.onPositionChanged(4000, 5000);
        QCOMPARE(digits->speed(), 62);
        frame.onPositionChanged(2000, 5000);
        QCOMPARE(digits->speed(), 310); // 499.9 km/h in mph
        LXSpeedFrame::setSpeedInMph(false);
        frame.onPositionChanged(0, 0); // no length: unchanged
        QCOMPARE(digits->speed(), 310);

        // Loads from real files; the last record at the very end.
        frame.onPlayEvent(PLAY_LOADED, _track.data());
        frame.onPositionChanged(1000, 4000);
        QCOMPARE(digits->speed(), 499);
        frame.onPositionChanged(4000, 4000);
        QCOMPARE(digits->speed(), 100);
        frame.onPositionChanged(2000, 4000);
        QCOMPARE(digits->speed(), -1);
        frame.onPositionChanged(0, 4000);
        QCOMPARE(digits->speed(), 0);
        frame.onPlayEvent(PLAY_STOPPED, nullptr);
        QCOMPARE(digits->speed(), -1);
        QCOMPARE(frame.sensorData(), nullptr);
        frame.onPositionChanged(0, 4000);
        QCOMPARE(digits->speed(), -1);
        // A recording without positions shows dashes at once.
        frame.onPlayEvent(PLAY_LOADED, _track.data());
        frame.onPositionChanged(0, 4000);
        frame.onPlayEvent(PLAY_LOADED, _constant.data());
        QCOMPARE(digits->speed(), -1);
        QCOMPARE(frame.sensorData(), nullptr);
    }

    void speedGlyphsPainted()
    {
        QCOMPARE(LXSpeedWidget::glyphsFor(7), (QList<int>{0, 0, 7}));
        QCOMPARE(LXSpeedWidget::glyphsFor(0), (QList<int>{0, 0, 0}));
        QCOMPARE(LXSpeedWidget::glyphsFor(499), (QList<int>{4, 9, 9}));
        QCOMPARE(LXSpeedWidget::glyphsFor(-1), (QList<int>{10, 10, 10}));

        const QImage strip(":/image/num_15x25.png");
        QCOMPARE(strip.size(), QSize(165, 25));
        const QImage on(":/image/speed_on.png");
        const QImage off(":/image/speed_off.png");
        QCOMPARE(on.size(), QSize(72, 44));
        LXSpeedWidget widget;
        widget.setFixedSize(87, 52);
        widget.setAttribute(Qt::WA_TranslucentBackground);
        auto check = [&](int value, const QImage &plate) {
            widget.setSpeed(value);
            const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
            // The plate at (7, 4): a pixel of its face beside the digits.
            const QRgb face = plate.convertToFormat(QImage::Format_ARGB32).pixel(8, 20);
            QCOMPARE(qAlpha(face), 255);
            QCOMPARE(shot.pixel(7 + 8, 4 + 20) & 0xFFFFFF, face & 0xFFFFFF);
            const QList<int> glyphs = LXSpeedWidget::glyphsFor(value);
            for (int k = 0; k < 3; ++k) {
                // The glyph's ink over the plate: compare the opaque pixels.
                const QImage glyph
                    = strip.copy(glyphs[k] * 15, 0, 15, 25).convertToFormat(QImage::Format_ARGB32);
                int same = 0, ink = 0;
                for (int y = 0; y < 25; ++y)
                    for (int x = 0; x < 15; ++x) {
                        if (qAlpha(glyph.pixel(x, y)) < 255)
                            continue;
                        ++ink;
                        same += (shot.pixel(21 + 15 * k + x, 21 + y) & 0xFFFFFF)
                            == (glyph.pixel(x, y) & 0xFFFFFF);
                    }
                QVERIFY(ink >= 5);
                QCOMPARE(same, ink);
            }
        };
        QVERIFY(on.pixel(8, 20) != off.pixel(8, 20));
        check(0, on);
        check(62, on);
        check(-1, off);
    }

    void englishShowsMph()
    {
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        {
            LXSpeedFrame frame;
            QVERIFY(LXSpeedFrame::speedInMph());
            // The plate under mph digits reads mph, not km/h.
            QCOMPARE(frame.unitPlate()->objectName(), QStringLiteral("speed_mph"));
            frame.onPlayEvent(PLAY_LOADED, _track.data());
            frame.onPositionChanged(3000, 4000);
            QCOMPARE(frame.speedWidget()->speed(), 62);
            // Decided once: a later language change leaves it.
            KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
            frame.onPositionChanged(3000, 4000);
            QCOMPARE(frame.speedWidget()->speed(), 62);
        }
        LXSpeedFrame frame;
        QVERIFY(!LXSpeedFrame::speedInMph());
        QCOMPARE(frame.unitPlate()->objectName(), QStringLiteral("speed_kmh"));
    }

    void unitPlatesDiffer()
    {
        // Both plates are real pictures, and they are not the same picture.
        const QImage kmh(QStringLiteral(":/image/speed_kmh.png"));
        const QImage mph(QStringLiteral(":/image/speed_mph.png"));
        QVERIFY(!kmh.isNull());
        QCOMPARE(mph.size(), kmh.size());
        QVERIFY(mph != kmh);
    }

    void positionLine()
    {
        // On the window's dark panel, where the light text shows.
        QWidget host;
        host.setObjectName("host");
        host.setStyleSheet("QWidget#host{background-color: #4F4F4F;}");
        host.setFixedSize(392, 26);
        LXFrameGPS frame(&host);
        frame.resize(392, 26);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QLabel *lat = frame.latitudeLabel();
        QLabel *lng = frame.longitudeLabel();
        QCOMPARE(lat->text(), QStringLiteral("--.------"));
        QCOMPARE(lat->objectName(), QStringLiteral("lonlat_label"));
        QCOMPARE(frame.objectName(), QStringLiteral("frame_gps"));
        const QList<QLabel *> labels = frame.findChildren<QLabel *>();
        QCOMPARE(labels.size(), 4);
        QCOMPARE(labels[0]->text(), QString::fromUtf8("緯度"));
        QCOMPARE(labels[2]->text(), QString::fromUtf8("経度"));

        frame.onPlayEvent(PLAY_LOADED, _track.data());
        QCOMPARE(lat->text(), QStringLiteral("--.------"));
        frame.onPositionChanged(1500, 4000);
        QCOMPARE(lat->text(), QStringLiteral("35.500000"));
        QCOMPARE(lng->text(), QStringLiteral("139.500000"));
        // The fix is not consulted here.
        frame.onPositionChanged(2000, 4000);
        QCOMPARE(lat->text(), QStringLiteral("35.750000"));
        frame.onPositionChanged(4000, 4000);
        QCOMPARE(lng->text(), QStringLiteral("140.000000"));
        frame.onPositionChanged(8000, 4000);
        QCOMPARE(lat->text(), QStringLiteral("--.------"));
        frame.onPositionChanged(0, 4000);
        QVERIFY(!KVTest::saveScreenshot(&host, "sensor_position_line").isEmpty());

        // A user stop shows dashes and keeps the data.
        frame.onPlayEvent(PLAY_USER_STOP, _track.data());
        QCOMPARE(lat->text(), QStringLiteral("--.------"));
        frame.onPositionChanged(1000, 4000);
        QCOMPARE(lat->text(), QStringLiteral("35.500000"));
        // A stop on the way to the next recording keeps the text (no
        // flicker between recordings) but not the data.
        frame.onPlayEvent(PLAY_STOPPED, _constant.data());
        QCOMPARE(lat->text(), QStringLiteral("35.500000"));
        frame.onPositionChanged(0, 4000);
        QCOMPARE(lat->text(), QStringLiteral("35.500000"));
        // A stop with nothing to follow (the next file has gone) clears it.
        frame.onPlayEvent(PLAY_STOPPED, nullptr);
        QCOMPARE(lat->text(), QStringLiteral("--.------"));
        frame.onPlayEvent(PLAY_LOADED, _track.data());
        frame.onPositionChanged(1000, 4000);
        QCOMPARE(lat->text(), QStringLiteral("35.500000"));
        // A recording without positions.
        frame.onPlayEvent(PLAY_LOADED, _constant.data());
        QCOMPARE(lat->text(), QStringLiteral("--.------"));
        QCOMPARE(lng->text(), QStringLiteral("--.------"));
    }
};

KV_TEST_MAIN(TestSensorDisplays)
#include "tst_sensor_displays.moc"
