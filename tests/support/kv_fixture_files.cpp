#include "kv_fixture_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

namespace KVFixture
{

namespace
{

void put32(QByteArray &bytes, quint32 value)
{
    char raw[4];
    qToBigEndian(value, raw);
    bytes.append(raw, 4);
}

QByteArray box(const char *type, const QByteArray &payload)
{
    QByteArray bytes;
    put32(bytes, quint32(8 + payload.size()));
    bytes.append(type, 4);
    return bytes + payload;
}

QString srtTime(int ms)
{
    return QString::asprintf(
        "%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
}

} // namespace

QByteArray tinyMp4(quint32 durationMs, quint32 timeScale)
{
    QByteArray ftyp("isom", 4);
    put32(ftyp, 0x200);
    ftyp.append("isommp41", 8);

    QByteArray mvhd;
    put32(mvhd, 0); // version 0, flags
    put32(mvhd, 0); // creation time
    put32(mvhd, 0); // modification time
    put32(mvhd, timeScale);
    put32(mvhd, quint32(quint64(durationMs) * timeScale / 1000));
    put32(mvhd, 0x00010000); // rate 1.0
    mvhd.append("\x01\x00", 2); // volume 1.0
    mvhd.append(QByteArray(10, '\0'));
    const quint32 matrix[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    for (quint32 value : matrix)
        put32(mvhd, value);
    mvhd.append(QByteArray(24, '\0'));
    put32(mvhd, 2); // next track ID
    return box("ftyp", ftyp) + box("moov", box("mvhd", mvhd));
}

bool writeTinyMp4(const QString &path, quint32 durationMs, quint32 timeScale)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = tinyMp4(durationMs, timeScale);
    return file.write(bytes) == bytes.size();
}

QString sensorText(double latitude, double longitude, int speed, bool fix)
{
    QString text;
    for (int k = 0; k < 40; ++k) {
        text += QStringLiteral("0/%1/%2/%3/%4/10/1/2,")
                    .arg(fix ? QStringLiteral("1") : QStringLiteral("0"))
                    .arg(longitude, 0, 'f', 6)
                    .arg(latitude, 0, 'f', 6)
                    .arg(speed);
    }
    return text;
}

QString makeClip(const QString &path, int durationMs, bool withSensor)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString seconds = QString::number(durationMs / 1000.0, 'f', 3);
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("color=c=gray:s=64x36:r=10:d=") + seconds};
    QString srtPath;
    if (withSensor) {
        srtPath = path + QStringLiteral(".srt");
        QFile srt(srtPath);
        if (!srt.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("cannot write ") + srtPath;
        QString cues;
        int cue = 1;
        for (int ms = 0; ms < durationMs; ms += 2000, ++cue) {
            cues += QString::number(cue) + QLatin1Char('\n') + srtTime(ms) + QStringLiteral(" --> ")
                + srtTime(qMin(ms + 2000, durationMs)) + QLatin1Char('\n')
                + sensorText(35.6585, 139.7453, 40, true) + QStringLiteral("\n\n");
        }
        srt.write(cues.toUtf8());
        srt.close();
        args << QStringLiteral("-i") << srtPath;
    }
    args << QStringLiteral("-map") << QStringLiteral("0:v");
    if (withSensor)
        args << QStringLiteral("-map") << QStringLiteral("1:s") << QStringLiteral("-c:s")
             << QStringLiteral("mov_text");
    args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
         << QStringLiteral("ultrafast") << QStringLiteral("-t") << seconds << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return QString::fromLocal8Bit(ffmpeg.readAllStandardError()) + ffmpeg.errorString();
    if (!srtPath.isEmpty())
        QFile::remove(srtPath);
    return QString();
}

int writeCard(const QString &folder, int recordings)
{
    static const char *const words[4] = {"NORM", "EVEN", "MANU", "PARK"};
    static const char *const folders[4] = {"NORMAL", "EVENT", "MANUAL", "PARKING"};
    const QDateTime first(QDate(2021, 5, 1), QTime(8, 0, 0));
    int written = 0;
    for (int i = 0; i < recordings; ++i) {
        const int kind = i % 4;
        const QString key = QLatin1String(words[kind])
            + first.addSecs(qint64(i) * 60).toString(QStringLiteral("yyMMdd-HHmmss"));
        const QString dir = folder + QLatin1Char('/') + QLatin1String(folders[kind]);
        for (const char *camera : {"F", "R"}) {
            if (writeTinyMp4(
                    dir + QLatin1Char('/') + key + QLatin1String(camera) + QStringLiteral(".MP4"),
                    60000))
                ++written;
        }
    }
    return written;
}

} // namespace KVFixture
