#include "kv_mkcard_recent.h"

#include "app/kv_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace kvmk
{

RecentResult setRecentFolderIfUnset(const QString &folder, QString *error)
{
    const QString group = QStringLiteral("/PATH");
    const QString key = QStringLiteral("/RECENT");
    const QString path = QFileInfo(folder).absoluteFilePath();
    KVSettings *settings = KVSettings::instance();
    settings->open();
    if (!settings->getString(group, key).isEmpty())
        return RecentResult::AlreadySet;
    const QString file = settings->fileName();
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of %1").arg(file);
        return RecentResult::Failed;
    }
    settings->setString(group, key, path);
    // The store does not report write failures: read the file back.
    QSettings check(file, QSettings::IniFormat);
    if (check.value(QStringLiteral("PATH/RECENT")).toString() != path) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return RecentResult::Failed;
    }
    return RecentResult::Written;
}

} // namespace kvmk
