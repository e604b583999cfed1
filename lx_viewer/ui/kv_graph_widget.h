#pragma once
// KVGraphWidget: the acceleration graph of the loaded recording. The whole
// recording spans the width (sample 0 at the left edge); each axis is one
// cached polyline (x green, y yellow, z red) over a grid, with a white
// cursor column at the play position and the x, y and z values of the
// sample under it written into three labels ("% .2f").
//
// Vertical scale: zoom level z of the list given to the constructor
// (ascending; 4 after construction). With s = 4 / z, a value v of g lies at
//   y = h - ((hi - lo) x (v + 2) / 4 + lo),  hi = s x h,  lo = h - s x h,
// so 0 g is the middle line at every level and the half-height stands for
// 2 / (2s - 1) g: 2 g at 4, 2/3 g at 2, 2/7 g at 1.
//
// The polylines are computed once per load, zoom step or resize; painting
// and cursor moves only redraw.
//
// Thread: GUI thread only; follows KVPlayer's playEvent and positionChanged.

#include "core/kv_player_base.h"

#include <QList>
#include <QPolygonF>
#include <QWidget>

class KVSensorData;
class QLabel;

class KVGraphWidget : public QWidget
{
    Q_OBJECT
public:
    enum Axis { AXIS_X = 0, AXIS_Y = 1, AXIS_Z = 2 };
    static constexpr quint32 kColorX = 0x00FF00;
    static constexpr quint32 kColorY = 0xFFFF00;
    static constexpr quint32 kColorZ = 0xFF0000;
    static quint32 axisColor(int axis);

    KVGraphWidget(QWidget *parent, const QList<int> &zoomLevels);

    void setValueLabels(QLabel *x, QLabel *y, QLabel *z);

    // What PLAY_LOADED does with the recording's data (null: keep the data).
    void loadSensorData(const KVSensorData *data);
    const KVSensorData *sensorData() const { return _data; }

    int zoom() const { return _zoom; }
    QList<int> zoomLevels() const { return _zoomLevels; }
    // Pixel column of the cursor, -1 when none is drawn.
    int cursorColumn() const { return _cursor; }
    const QPolygonF &trace(int axis) const { return _traces[axis]; }
    // The y pixel of value v (g) at zoom level zoom in a widget h high.
    static double mapValue(double v, int zoom, int h);

signals:
    // After a zoom step: zi = a further zoom in is possible, zo = a further
    // zoom out is possible.
    void zoomChange(bool zi, bool zo);

public slots:
    void onZoomIn();
    void onZoomOut();
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onPositionChanged(qint64 position, qint64 duration);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuildTraces();
    void clearTraces();

    const QList<int> _zoomLevels;
    int _zoom = 4;
    int _cursor = -1;
    const KVSensorData *_data = nullptr;
    // The length the cursor is placed on; the traces use the same time
    // scale (0 until the first position: the samples fill the width).
    qint64 _durationMs = 0;
    QLabel *_labels[3] = {nullptr, nullptr, nullptr};
    QPolygonF _traces[3];
};
