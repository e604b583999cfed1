#include "kv_sensor_fixtures.h"

#include "kv_player_fixtures.h"

#include <QDir>

namespace KVSensorFixture
{

KVVideoItemRef makeRecording(
    const QString &folder, const QString &name, int seconds, const EntryFn &entry, int durationMs)
{
    const int even = seconds + (seconds % 2);
    QList<QByteArray> texts;
    for (int t = 0; t < even; t += 2) {
        QList<KVSensorEntry> entries;
        for (int k = 0; k < 40; ++k)
            entries << entry(t + k / 20, k % 20);
        texts << KVMp4Builder::sensorText(entries);
    }
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".mp4"));
    if (!KVMp4Builder::writeFile(path,
            KVMp4Builder::movie(
                quint32(durationMs > 0 ? durationMs : seconds * 1000), 1000, texts)))
        return {};
    KVVideoItemRef item = KVPlayerFixture::makeItem(path, QString());
    if (!item->loadSensorInfo())
        return {};
    return item;
}

KVVideoItemRef makeTrack(
    const QString &folder, const QString &name, const QList<KVSensorEntry> &seconds)
{
    return makeRecording(folder, name, int(seconds.size()),
        [&seconds](int second, int) { return seconds.value(second, seconds.last()); });
}

} // namespace KVSensorFixture
