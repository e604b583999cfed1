#include "kv_comma_locale.h"

#include "kv_test_util.h"

#include <QFileInfo>
#include <QProcess>

#include <clocale>
#include <cstdio>

namespace KVTest
{

QString commaLocale(QString *why)
{
    static QString folder;
    const QString name = QStringLiteral("de_DE.UTF-8");
    if (folder.isEmpty()) {
        const QString made = makeTempDir(QStringLiteral("locale"));
        QProcess localedef;
        localedef.setProcessChannelMode(QProcess::MergedChannels);
        localedef.start(QStringLiteral("localedef"),
            {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                QStringLiteral("UTF-8"), made + QLatin1Char('/') + name});
        if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0
            || !QFileInfo::exists(made + QLatin1Char('/') + name)) {
            *why = QStringLiteral("localedef failed (is the locales package installed?): ")
                + QString::fromLocal8Bit(localedef.readAll()) + localedef.errorString();
            return QString();
        }
        folder = made;
    }
    qputenv("LOCPATH", folder.toLocal8Bit());
    return name;
}

CommaNumbers::CommaNumbers()
{
    const QString name = commaLocale(&_why);
    if (name.isEmpty())
        return;
    if (!std::setlocale(LC_NUMERIC, name.toLatin1().constData())) {
        _why = QStringLiteral("setlocale refused ") + name;
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    _active = QByteArray(text) == "0,5";
    if (!_active)
        _why = QStringLiteral("the locale writes ") + QString::fromLatin1(text);
}

CommaNumbers::~CommaNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace KVTest
