#pragma once
// KVDialogMap: the map of the right column. One per process
// (KVDialogMap::instance), it holds the web view (KVWidgetMap) inside the
// column's 392 x 274 place-holder and follows the player: on PLAY_LOADED it
// draws the recording's track ("drawPaths([...]);", or "clearPath();" when
// the recording has no positions), on every position update it moves the
// car ("moveToMap(lat,lng);", "clearCarMarker();" without a usable
// position), on PLAY_STOPPED it clears the track.
//
// The web view starts once the map has been painted for the first time (so
// after the main window's first paint), or when mapWidget() is first asked for, so the window never waits
// for the web engine; statements sent meanwhile wait in order and run once
// the page has loaded.
//
// The web view is deleted when the application closes (closing event or
// the end of the event loop), before the application object.
//
// Entering full screen hides a shown map, leaving shows it again; a map
// hidden before stays hidden.
//
// Thread: GUI thread only.

#include "core/kv_player_base.h"
#include "kv_map_script.h"
#include "kv_widget_base.h"

#include <QPointer>
#include <QStringList>

class KVSensorData;
class KVVideoItem;
class KVWidgetMap;

class KVDialogMap : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kWidth = 392;
    static constexpr int kHeight = 274;

    // The one map, made on the first call with that parent (normally the
    // place-holder), connected to the hub and the player.
    static KVDialogMap *instance(QWidget *parent = nullptr);
    // The map if it has been made, else null (never makes it).
    static KVDialogMap *existing();

    // First call: ends the start-up state, hides the map and returns true
    // (the caller shows it). Later calls: whether the map is hidden.
    bool prepareShow();
    // Before the first prepareShow.
    bool isStarting() const { return _startup; }
    // A non-null anchor is remembered; the map is then placed over the
    // remembered anchor's top-left corner, inside it.
    void snapTo(QWidget *anchor);
    QWidget *anchor() const { return _anchor; }

    // Sensor data in use with positions (the report asks).
    bool hasPosition() const;
    // The web view; made and its page load started when it does not exist
    // yet. Render or grab() it for a picture of the shown map.
    KVWidgetMap *mapWidget();
    bool hasMapWidget() const { return _map != nullptr; }
    // The last car position sent (KVMapCar::kNone each when none).
    const KVMapCar &car() const { return _car; }
    // Every statement sent to the page since the last call, oldest first
    // (kept for the tests and the log; at most kLogSize).
    QStringList takeSentScripts();
    static constexpr int kLogSize = 256;
    // Deletes the web view (the application is closing: it must go before
    // the application object); later statements are dropped.
    void releaseMapWidget();

public slots:
    void onAppEvent(KVApp::Event event) override;
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onPositionChanged(qint64 position, qint64 duration);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    explicit KVDialogMap(QWidget *parent);
    // Runs a statement in the page (queued by the view until it has loaded).
    void runScript(const QString &code);
    void setSensorData(const KVSensorData *data);

    static QPointer<KVDialogMap> s_instance;
    KVWidgetMap *_map = nullptr;
    const KVSensorData *_data = nullptr;
    KVMapCar _car;
    bool _startup = true; // before the first prepareShow
    bool _viewScheduled = false;
    bool _closing = false;
    bool _hiddenForFullScreen = false;
    QPointer<QWidget> _anchor;
    QStringList _sent;
};
