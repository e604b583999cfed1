#include "kv_report_facts.h"

#include "data/kv_sensor_data.h"
#include "data/kv_video_item.h"
#include "kv_map_script.h"

#include <QFileInfo>

#include <cmath>

KVReportFacts KVReportFacts::fromRecording(KVVideoItem *item, qint64 positionMs, qint64 totalMs)
{
    KVReportFacts facts;
    if (!item)
        return facts;
    facts.recordingName = QFileInfo(item->displayPath()).fileName();
    facts.recordingStart = item->start();
    facts.positionMs = std::max<qint64>(positionMs, 0);
    const KVSensorData *data = item->sensorData();
    if (!data || !data->hasPosition() || data->positionCount() == 0 || totalMs <= 0)
        return facts;
    // The record the speed and position displays show for the moment (the
    // second of the picture); past the end the last one.
    const qint64 count = data->positionCount();
    qint64 index = KVMapScript::indexAt(
        quint64(count), facts.positionMs, totalMs, KVSensorData::kPositionPeriodMs);
    index = std::clamp<qint64>(index, 0, count - 1);
    const KVGpsRecord &record = data->positions()[size_t(index)];
    if (record.fix != 1)
        return facts;
    facts.hasFix = true;
    facts.latitude = record.latitude;
    facts.longitude = record.longitude;
    facts.speed = record.speed;
    return facts;
}

QString KVReportFacts::dateTimeText(const QDateTime &t)
{
    if (!t.isValid())
        return QString();
    return QStringLiteral("%1年%2月%3日 %4時%5分%6秒")
        .arg(t.date().year())
        .arg(t.date().month())
        .arg(t.date().day())
        .arg(t.time().hour())
        .arg(t.time().minute(), 2, 10, QLatin1Char('0'))
        .arg(t.time().second(), 2, 10, QLatin1Char('0'));
}

QString KVReportFacts::startText() const
{
    return dateTimeText(recordingStart);
}

QString KVReportFacts::momentText() const
{
    if (!recordingStart.isValid() || positionMs < 0)
        return QString();
    return dateTimeText(recordingStart.addMSecs(positionMs));
}

QString KVReportFacts::positionText() const
{
    return positionMs < 0 ? QString() : KVVideoItem::positionText(positionMs);
}

QString KVReportFacts::coordinatesText() const
{
    if (!hasFix)
        return QString();
    return QStringLiteral("%1 %2°  %3 %4°")
        .arg(latitude < 0 ? QStringLiteral("南緯") : QStringLiteral("北緯"))
        .arg(std::fabs(latitude), 0, 'f', 6)
        .arg(longitude < 0 ? QStringLiteral("西経") : QStringLiteral("東経"))
        .arg(std::fabs(longitude), 0, 'f', 6);
}

QString KVReportFacts::speedText() const
{
    if (!hasFix)
        return QString();
    return QString::number(speed, 'f', 0) + QStringLiteral(" km/h");
}
