#include "kv_map_script.h"

#include "data/kv_sensor_data.h"

#include <algorithm>

namespace KVMapScript
{

bool isValidPosition(double latitude, double longitude)
{
    return latitude > 20.0 && latitude < 46.0 && longitude > 120.0 && longitude < 150.0;
}

QString drawPaths(const KVSensorData &data)
{
    QString text = QStringLiteral("drawPaths([");
    bool segmentOpen = false;
    bool anySegment = false;
    for (const KVGpsRecord &record : data.positions()) {
        const bool usable = record.fix != 0 && isValidPosition(record.latitude, record.longitude);
        if (!usable) {
            if (segmentOpen)
                text += QLatin1Char(']');
            segmentOpen = false;
            continue;
        }
        if (!segmentOpen) {
            if (anySegment)
                text += QLatin1Char(',');
            text += QLatin1Char('[');
            segmentOpen = true;
            anySegment = true;
        } else {
            text += QLatin1Char(',');
        }
        text += QStringLiteral("{lat:%1, lng:%2}")
                    .arg(record.latitude, 0, 'f', 6)
                    .arg(record.longitude, 0, 'f', 6);
    }
    if (segmentOpen)
        text += QLatin1Char(']');
    text += QStringLiteral("]);");
    return text;
}

QString moveToMap(double latitude, double longitude)
{
    return QString::asprintf("moveToMap(%.6f,%.6f);", latitude, longitude);
}

QString clearPath()
{
    return QStringLiteral("clearPath();");
}

QString clearCarMarker()
{
    return QStringLiteral("clearCarMarker();");
}

qint64 indexAt(quint64 count, qint64 position, qint64 duration, qint64 periodMs)
{
    if (duration <= 0 || periodMs <= 0)
        return -1;
    if (position < 0)
        position = 0;
    const qint64 n = static_cast<qint64>(count);
    const qint64 slot = position / periodMs;
    if (position >= duration)
        return std::max(slot, n);
    return n > 0 ? std::min(slot, n - 1) : 0;
}

bool isPathStatement(const QString &statement)
{
    return statement.startsWith(QLatin1String("drawPaths("))
        || statement.startsWith(QLatin1String("clearPath("));
}

} // namespace KVMapScript

void KVMapCar::reset()
{
    _latitude = _longitude = _speed = kNone;
}

QString KVMapCar::update(const KVSensorData &data, qint64 position, qint64 duration)
{
    const qint64 i = KVMapScript::indexAt(
        data.positionCount(), position, duration, KVSensorData::kPositionPeriodMs);
    if (i < 0)
        return QString();
    // Once the page has removed the marker, the next valid record must put
    // it back even when it equals the last one sent (a parked car, or a
    // seek back to the second before a gap in the fix).
    if (i >= qint64(data.positionCount()) || data.positions()[size_t(i)].fix != 1) {
        reset();
        return KVMapScript::clearCarMarker();
    }
    const KVGpsRecord &record = data.positions()[size_t(i)];
    if (record.latitude == _latitude && record.longitude == _longitude && record.speed == _speed)
        return QString();
    if (!KVMapScript::isValidPosition(record.latitude, record.longitude)) {
        reset();
        return KVMapScript::clearCarMarker();
    }
    _latitude = record.latitude;
    _longitude = record.longitude;
    _speed = record.speed;
    return KVMapScript::moveToMap(record.latitude, record.longitude);
}
