#include "kv_probe_json.h"

#include "data/kv_video_item.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

namespace KVProbeJson
{

namespace
{

QByteArray number(double value)
{
    if (!std::isfinite(value))
        return "null";
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray text(const QString &value)
{
    QByteArray out = "\"";
    for (const char c : value.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(int(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + '"';
}

QByteArray start(const QDateTime &when)
{
    if (!when.isValid())
        return "null";
    return text(when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")));
}

} // namespace

QByteArray fileLine(const QString &path, int type, const KVVideoItem &item)
{
    const KVSensorData *data = item.sensorData();
    QByteArray out = "{\"path\":" + text(path);
    out += ",\"type\":" + QByteArray::number(type);
    out += ",\"start\":" + start(item.start());
    out += ",\"duration_ms\":" + QByteArray::number(item.duration());
    out += ",\"has_position\":";
    out += data && data->hasPosition() ? "true" : "false";
    out += ",\"positions\":[";
    if (data) {
        bool first = true;
        for (const KVGpsRecord &record : data->positions()) {
            out += first ? "[" : ",[";
            first = false;
            out += number(record.latitude) + ',' + number(record.longitude) + ','
                + number(record.speed) + ',' + QByteArray::number(record.fix) + ']';
        }
    }
    out += "],\"samples\":[";
    if (data) {
        bool first = true;
        for (const KVGSensorSample &sample : data->samples()) {
            out += first ? "[" : ",[";
            first = false;
            out += number(sample.x) + ',' + number(sample.y) + ',' + number(sample.z) + ']';
        }
    }
    return out + "]}";
}

QByteArray catalogueLine(const QList<KVVideoItem *> &items)
{
    QByteArray out = "{\"items\":[";
    bool first = true;
    for (const KVVideoItem *item : items) {
        out += first ? "{" : ",{";
        first = false;
        out += "\"front\":" + text(item->frontPath());
        out += ",\"rear\":" + text(item->rearPath());
        out += ",\"type\":" + QByteArray::number(item->type());
        out += ",\"start\":" + start(item->start());
        out += ",\"duration_ms\":" + QByteArray::number(item->duration()) + '}';
    }
    return out + "]}";
}

} // namespace KVProbeJson
