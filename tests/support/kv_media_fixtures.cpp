#include "kv_media_fixtures.h"

#include "kv_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace KVMediaFixture
{

QStringList makeCard(
    const QString &folder, QSize front, QSize rear, int seconds, int recordings, QString *error)
{
    const QString program = KVTest::builtProgram(QStringLiteral("korvid-mkcard"));
    if (!QFileInfo::exists(program)) {
        *error = QStringLiteral("korvid-mkcard is not built");
        return {};
    }
    QProcess mk;
    mk.start(program,
        {QStringLiteral("--front"), QStringLiteral("%1x%2").arg(front.width()).arg(front.height()),
            QStringLiteral("--rear"), QStringLiteral("%1x%2").arg(rear.width()).arg(rear.height()),
            QStringLiteral("--seconds"), QString::number(seconds), QStringLiteral("--recordings"),
            QString::number(recordings), folder});
    if (!mk.waitForFinished(300000) || mk.exitCode() != 0) {
        *error = QString::fromLocal8Bit(mk.readAllStandardError()) + mk.errorString();
        return {};
    }
    QStringList fronts;
    QDir dir(folder);
    for (const QFileInfo &fi :
        dir.entryInfoList({QStringLiteral("*F.mp4")}, QDir::Files, QDir::Name))
        fronts << fi.absoluteFilePath();
    if (fronts.isEmpty())
        *error = QStringLiteral("no front files in ") + folder;
    return fronts;
}

QString rearOf(const QString &frontPath)
{
    QString rear = frontPath;
    rear.replace(rear.size() - 5, 1, QLatin1Char('R'));
    return rear;
}

QString runFfmpeg(const QStringList &args)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
        QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")} + args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
        return QString::fromLocal8Bit(ffmpeg.readAllStandardError()) + ffmpeg.errorString();
    return QString();
}

QString makeTestClip(const QString &path, QSize size, int seconds, bool faststart)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList args{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc2=s=%1x%2:r=30:d=%3")
            .arg(size.width())
            .arg(size.height())
            .arg(seconds),
        QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
        QStringLiteral("ultrafast"), QStringLiteral("-bf"), QStringLiteral("0"),
        QStringLiteral("-g"), QStringLiteral("30"), QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p")};
    if (faststart)
        args << QStringLiteral("-movflags") << QStringLiteral("+faststart");
    args << path;
    return runFfmpeg(args);
}

} // namespace KVMediaFixture
