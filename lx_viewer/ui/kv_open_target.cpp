#include "kv_open_target.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>

namespace KVOpenTarget
{

namespace
{
bool isRecordingFile(const QFileInfo &info)
{
    const QString suffix = info.suffix().toLower();
    return info.isFile() && (suffix == QLatin1String("mp4") || suffix == QLatin1String("mov"));
}

QString localPath(const QString &argument)
{
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(argument).toLocalFile();
    return argument;
}
} // namespace

QString folderForPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (info.isDir())
        return QDir::cleanPath(info.absoluteFilePath());
    if (isRecordingFile(info))
        return QDir::cleanPath(info.absolutePath());
    return QString();
}

QString folderFromArguments(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        const QString path = localPath(argument);
        if (path.isEmpty())
            continue;
        const QString folder = folderForPath(path);
        return folder.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : folder;
    }
    return QString();
}

QString folderFromUrls(const QList<QUrl> &urls)
{
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString folder = folderForPath(url.toLocalFile());
        if (!folder.isEmpty())
            return folder;
    }
    return QString();
}

QString folderFromMimeData(const QMimeData *data)
{
    return data && data->hasUrls() ? folderFromUrls(data->urls()) : QString();
}

} // namespace KVOpenTarget
