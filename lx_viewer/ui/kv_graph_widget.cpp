#include "kv_graph_widget.h"

#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "kv_map_script.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

quint32 KVGraphWidget::axisColor(int axis)
{
    switch (axis) {
    case AXIS_X:
        return kColorX;
    case AXIS_Y:
        return kColorY;
    default:
        return kColorZ;
    }
}

KVGraphWidget::KVGraphWidget(QWidget *parent, const QList<int> &zoomLevels)
    : QWidget(parent), _zoomLevels(zoomLevels)
{
    setObjectName(QStringLiteral("graph_widget"));
    if (!_zoomLevels.isEmpty())
        _zoom = _zoomLevels.last();
    KVPlayer *player = KVPlayer::instance();
    connect(player, &KVPlayerBase::positionChanged, this, &KVGraphWidget::onPositionChanged);
    connect(player, &KVPlayerBase::playEvent, this, &KVGraphWidget::onPlayEvent);
}

void KVGraphWidget::setValueLabels(QLabel *x, QLabel *y, QLabel *z)
{
    _labels[AXIS_X] = x;
    _labels[AXIS_Y] = y;
    _labels[AXIS_Z] = z;
}

double KVGraphWidget::mapValue(double v, int zoom, int h)
{
    const float s = 4.0f / float(zoom);
    const float hi = s * float(h);
    const float lo = float(h) - s * float(h);
    return h - ((hi - lo) * (v + 2.0) * 0.25 + lo);
}

void KVGraphWidget::clearTraces()
{
    for (QPolygonF &trace : _traces)
        trace.clear();
}

void KVGraphWidget::rebuildTraces()
{
    clearTraces();
    if (!_data || _zoom <= 0) {
        update();
        return;
    }
    const int w = width();
    const int h = height();
    const std::vector<KVGSensorSample> &samples = _data->samples();
    const qsizetype n = qsizetype(samples.size());
    if (n > 0) {
        // Sample j is the moment j x 50 ms, drawn where the cursor stands
        // at that moment.
        const float step = _durationMs > 0
            ? float(double(w) * double(KVSensorData::kSamplePeriodMs) / double(_durationMs))
            : float(w) / float(n);
        for (QPolygonF &trace : _traces)
            trace.reserve(n);
        for (qsizetype i = 0; i < n; ++i) {
            const double x = double(float(i) * step);
            const KVGSensorSample &sample = samples[size_t(i)];
            _traces[AXIS_X].append(QPointF(x, mapValue(sample.x, _zoom, h)));
            _traces[AXIS_Y].append(QPointF(x, mapValue(sample.y, _zoom, h)));
            _traces[AXIS_Z].append(QPointF(x, mapValue(sample.z, _zoom, h)));
        }
    }
    update();
}

void KVGraphWidget::loadSensorData(const KVSensorData *data)
{
    _cursor = -1;
    if (data)
        _data = data;
    rebuildTraces();
}

void KVGraphWidget::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_LOADED) {
        _durationMs = item ? qint64(item->duration()) : 0;
        loadSensorData(item ? item->sensorData() : nullptr);
    } else if (event == PLAY_STOPPED) {
        _cursor = -1;
        _data = nullptr;
        _durationMs = 0;
        clearTraces();
        update();
        if (_labels[AXIS_X]) {
            for (QLabel *label : _labels) {
                if (label)
                    label->setText(QStringLiteral(" 0.00"));
            }
        }
    }
}

void KVGraphWidget::onPositionChanged(qint64 position, qint64 duration)
{
    // Without a length there is no place on the graph.
    if (duration <= 0)
        return;
    position = qBound<qint64>(0, position, duration);
    if (duration != _durationMs) {
        _durationMs = duration;
        if (_data)
            rebuildTraces();
    }
    const int x = int(qint64(width()) * position / duration);
    if (x != _cursor) {
        _cursor = x;
        update();
    }
    if (!_labels[AXIS_X] || !_data)
        return;
    const qint64 i = KVMapScript::indexAt(
        _data->sampleCount(), position, duration, KVSensorData::kSamplePeriodMs);
    if (i < 0 || i >= qint64(_data->sampleCount()))
        return;
    const KVGSensorSample &sample = _data->samples()[size_t(i)];
    const float values[3] = {sample.x, sample.y, sample.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (_labels[axis])
            _labels[axis]->setText(QString::asprintf("% .2f", double(values[axis])));
    }
}

void KVGraphWidget::onZoomIn()
{
    if (_zoomLevels.isEmpty() || _zoom == _zoomLevels.first())
        return;
    const qsizetype at = _zoomLevels.indexOf(_zoom);
    _zoom = at > 0 ? _zoomLevels[at - 1] : _zoomLevels.first();
    rebuildTraces();
    emit zoomChange(_zoom != _zoomLevels.first(), true);
}

void KVGraphWidget::onZoomOut()
{
    if (_zoomLevels.isEmpty() || _zoom == _zoomLevels.last())
        return;
    const qsizetype at = _zoomLevels.indexOf(_zoom);
    _zoom = at >= 0 ? _zoomLevels[at + 1] : _zoomLevels.last();
    rebuildTraces();
    emit zoomChange(true, _zoom != _zoomLevels.last());
}

void KVGraphWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The traces are in pixels of the widget's size.
    if (_data)
        rebuildTraces();
}

void KVGraphWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = rect();

    QPainterPath background;
    background.addRoundedRect(QRectF(r), 3.0, 3.0);
    painter.fillPath(background, QColor(0x59, 0x59, 0x59));

    const QPen gridPen(QColor(0x73, 0x73, 0x73), 1, Qt::SolidLine);
    painter.setPen(gridPen);
    painter.setBrush(Qt::NoBrush);
    const int left = r.left() + 3;
    const int right = r.right() - 3;
    const int top = r.top() + 8;
    const int bottom = r.bottom() - 8;
    painter.drawRect(QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(0, 0, -1, -1));

    const int ih = bottom - top + 1;
    const int spacing = _zoom > 0 ? (ih / 2) / _zoom : 0;
    if (spacing > 0) {
        const int rows = ih / spacing;
        for (int k = 1; k < rows; ++k)
            painter.drawLine(left, top + k * spacing, right, top + k * spacing);
    }
    const int iw = right - left + 1;
    for (int x : {(left + right) / 2, left + iw / 4, left + (iw / 4) * 3})
        painter.drawLine(x, top, x, bottom);

    if (!_traces[AXIS_X].isEmpty()) {
        for (int axis = 0; axis < 3; ++axis) {
            painter.setPen(QPen(QColor(QString::asprintf("#%06X", axisColor(axis))), 1));
            painter.drawPolyline(_traces[axis]);
        }
    }
    if (_cursor >= 0) {
        painter.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 1));
        painter.drawLine(_cursor, 0, _cursor, height());
    }
}
