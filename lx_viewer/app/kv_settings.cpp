#include "kv_settings.h"

#include "kv_app.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace
{
const char *const kGroupApp = "APP";
const char *const kGroupPath = "/PATH";
const char *const kGroupVideo = "/VIDEO";
} // namespace

KVSettings *KVSettings::instance()
{
    static KVSettings *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVSettings();
    return s_instance;
}

KVSettings::KVSettings(QObject *parent) : QObject(parent)
{
}

void KVSettings::open()
{
    if (_settings)
        return;
    _settings = new QSettings(KVApp::path(KVApp::PATH_SETTINGS), QSettings::IniFormat, this);
}

QString KVSettings::fileName() const
{
    return _settings ? _settings->fileName() : QString();
}

void KVSettings::resetForTest()
{
    delete _settings;
    _settings = nullptr;
}

QString KVSettings::getString(const QString &group, const QString &key)
{
    open();
    _settings->beginGroup(group);
    const QString text = _settings->value(key, QString()).toString();
    _settings->endGroup();
    return text;
}

bool KVSettings::setString(const QString &group, const QString &key, const QString &text)
{
    open();
    _settings->beginGroup(group);
    _settings->setValue(key, text);
    _settings->endGroup();
    _settings->sync();
    if (_settings->status() == QSettings::NoError)
        return true;
    // The status is the first error the object met in its life (a line of
    // the file it could not read, a write that failed earlier, since
    // mended): it says nothing of this write. What the file holds now does;
    // a fresh object also starts without the old error.
    delete _settings;
    _settings = nullptr;
    open();
    _settings->beginGroup(group);
    const bool stored = _settings->contains(key) && _settings->value(key).toString() == text;
    _settings->endGroup();
    if (stored)
        return true;
    qWarning() << "settings: could not write" << _settings->fileName() << "[" << Q_FUNC_INFO
               << __LINE__ << "]";
    return false;
}

int KVSettings::language()
{
    open();
    _settings->beginGroup(kGroupApp);
    const int language = _settings->value("LANGUAGE", 1).toInt();
    _settings->endGroup();
    return language;
}

void KVSettings::setLanguage(int language)
{
    setString(kGroupApp, "LANGUAGE", QString::number(language));
}

bool KVSettings::languageAuto()
{
    open();
    _settings->beginGroup(kGroupApp);
    const bool automatic = _settings->value("LANGUAGE_AUTO", false).toBool();
    _settings->endGroup();
    return automatic;
}

void KVSettings::setLanguageAuto(bool automatic)
{
    open();
    _settings->beginGroup(kGroupApp);
    _settings->setValue("LANGUAGE_AUTO", automatic);
    _settings->endGroup();
    _settings->sync();
}

QString KVSettings::recentPath()
{
    // A relative folder (a hand-edited file) would depend on where the
    // viewer was started: the default stands in for it, as for an empty one.
    const QString text = getString(kGroupPath, "/RECENT");
    if (text.isEmpty() || QDir::isRelativePath(text))
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return text;
}

void KVSettings::setRecentPath(const QString &path)
{
    if (path != recentPath())
        setString(kGroupPath, "/RECENT", path);
}

QString KVSettings::backupPath()
{
    const QString text = getString(kGroupPath, "/BACKUP");
    if (text.isEmpty() || QDir::isRelativePath(text)) // as for the recent folder
        return KVApp::path(KVApp::PATH_BACKUP);
    return text;
}

void KVSettings::setBackupPath(const QString &path)
{
    if (path != backupPath())
        setString(kGroupPath, "/BACKUP", path);
}

bool KVSettings::hwAccelOff()
{
    const QString text = getString(kGroupVideo, "/HWACCEL");
    return !text.isEmpty() && text.toUpper() == QLatin1String("OFF");
}

bool KVSettings::setHwAccelOff(bool off)
{
    return setString(kGroupVideo, "/HWACCEL", off ? QStringLiteral("OFF") : QStringLiteral("ON"));
}
