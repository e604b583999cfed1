#pragma once
// LXSpeedFrame: the speed read-out at the left end of the graph strip (88 x
// 79): the digits (LXSpeedWidget) over the unit plate. It shows the speed of
// the position record of the second being played, in km/h, or in mph when
// the interface language is not Japanese (decided when a frame is built,
// which is once per start; the unit plate, "speed_kmh" or "speed_mph", says
// which). No fix, a
// record past the end, or a value outside 0..499 shows dashes.
//
// Thread: GUI thread only; follows KVPlayer's playEvent and positionChanged.

#include "core/kv_player_base.h"
#include "kv_widget_base.h"

class KVSensorData;
class LXButton;
class LXSpeedWidget;

class LXSpeedFrame : public KVWidgetBase
{
    Q_OBJECT
public:
    explicit LXSpeedFrame(QWidget *parent = nullptr);

    // The recorded speed (km/h) at that moment, -1.0 when there is none.
    // Past the end the last record is used; a duration of 0 or less gives
    // -1.0 too.
    static double speedAt(const KVSensorData &data, qint64 position, qint64 duration);
    // speedInMph is process-wide; building a frame decides it.
    static bool speedInMph() { return s_speedInMph; }
    static void setSpeedInMph(bool mph) { s_speedInMph = mph; }

    // What PLAY_LOADED does with a recording's data (null or no positions:
    // nothing in use, dashes).
    void loadSensorData(const KVSensorData *data);
    const KVSensorData *sensorData() const { return _data; }
    LXSpeedWidget *speedWidget() const { return _speed; }
    LXButton *unitPlate() const { return _unit; }

public slots:
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onPositionChanged(qint64 position, qint64 duration);

private:
    static bool s_speedInMph;
    LXSpeedWidget *_speed = nullptr;
    LXButton *_unit = nullptr;
    const KVSensorData *_data = nullptr;
};
