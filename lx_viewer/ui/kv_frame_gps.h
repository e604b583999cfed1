#pragma once
// LXFrameGPS: the position line at the top of the right column: "緯度"
// latitude "経度" longitude of the second being played, "%.06f" each, or
// "--.------" without a position.
//
// Thread: GUI thread only; follows KVPlayer's playEvent and positionChanged.

#include "core/kv_player_base.h"
#include "kv_widget_base.h"

class KVSensorData;
class QLabel;

class LXFrameGPS : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kHeight = 26;

    explicit LXFrameGPS(QWidget *parent = nullptr);

    // Latitude and longitude of the record for that moment (the fix is not
    // consulted; past the end the last record). False without positions, past
    // the records or for a duration of 0 or less.
    static bool positionAt(const KVSensorData &data, qint64 position, qint64 duration,
        double *latitude, double *longitude);

    // What PLAY_LOADED does with a recording's data.
    void loadSensorData(const KVSensorData *data);
    const KVSensorData *sensorData() const { return _data; }
    QLabel *latitudeLabel() const { return _latitude; }
    QLabel *longitudeLabel() const { return _longitude; }

public slots:
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onPositionChanged(qint64 position, qint64 duration);

private:
    void showNone();

    QLabel *_latitude = nullptr;
    QLabel *_longitude = nullptr;
    const KVSensorData *_data = nullptr;
};
