#include "kv_app.h"

#include "kv_folder_picker.h"
#include "kv_screensaver.h"
#include "kv_settings.h"

#include "kv_shortcut.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QStandardPaths>

KVApp *KVApp::instance()
{
    static KVApp *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVApp();
    return s_instance;
}

KVApp::KVApp(QObject *parent) : QObject(parent), _inhibitor(new KVScreenSaverInhibitor(this))
{
}

QString KVApp::documentFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QDir::separator() + QStringLiteral("Korvid Doc"));
}

QString KVApp::path(int kind)
{
    QString sub;
    switch (kind) {
    case PATH_REPORT:
        sub = QStringLiteral("report");
        break;
    case PATH_SETTINGS:
        sub = QStringLiteral("viewersetup") + QDir::separator() + QStringLiteral("conf.ini");
        break;
    case PATH_BACKUP:
        sub = QStringLiteral("backup");
        break;
    default:
        return QString();
    }
    return QDir::cleanPath(documentFolder() + QDir::separator() + sub);
}

QString KVApp::preferredFontFamily()
{
    const QStringList families = QFontDatabase::families();
    for (const char *family : {"MS PGothic", "Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic",
             "VL PGothic", "TakaoPGothic"}) {
        if (families.contains(QString::fromLatin1(family)))
            return QString::fromLatin1(family);
    }
    return QStringLiteral("MS PGothic");
}

bool KVApp::setApplicationFont(const QString &family)
{
    // The "LCD" labels of the style sheet would use this face; the viewer
    // ships none, so the registration finds nothing and changes nothing.
    QFontDatabase::addApplicationFont(QStringLiteral(":/font/alarmclock2.ttf"));
    if (!QFontDatabase::families().contains(family))
        return false;
    QFont font(family);
    font.setStyleHint(QFont::System, QFont::PreferAntialias);
    QApplication::setFont(font);
    return true;
}

void KVApp::initApplication(QApplication *app)
{
    // The display's keep-awake request ends with the program, even when it
    // ends while a recording plays.
    connect(app, &QCoreApplication::aboutToQuit, this, [this] { setDisplayRequired(false); });
    // The browser control of the map page needs no configuration here.
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
    const QString family = preferredFontFamily();
    if (!setApplicationFont(family))
        qInfo() << "font" << family << "is not installed; keeping" << QApplication::font().family()
                << "[" << Q_FUNC_INFO << __LINE__ << "]";

    QFile style(QStringLiteral(":/stylesheet/style.qss"));
    if (style.open(QIODevice::ReadOnly)) {
        QByteArray bytes = style.readAll();
        const int nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        app->setStyleSheet(QString::fromUtf8(bytes));
    }

    // A new account may have no Documents folder yet: create it with ours, or
    // the settings could never be saved.
    QDir documents(documentFolder());
    for (const char *sub : {"report", "viewersetup", "backup"}) {
        if (!documents.mkpath(QString::fromLatin1(sub)))
            qWarning() << "cannot create" << documents.filePath(QString::fromLatin1(sub)) << "["
                       << Q_FUNC_INFO << __LINE__ << "]";
    }
    KVSettings::instance()->open();
    // An empty conf.ini from the first start on, so the user can see where
    // the settings go; QSettings fills in the sections as they change.
    // NewOnly: a file another viewer (or korvid-mkcard) wrote meanwhile is
    // not emptied.
    QFile conf(path(PATH_SETTINGS));
    if (!conf.exists() && conf.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        conf.close();
}

void KVApp::createShortcuts()
{
    if (!_mainWindow || _shortcutF9)
        return;
    _shortcutF9 = new KVShortcut(QKeySequence(Qt::Key_F9), _mainWindow);
    _shortcutF10 = new KVShortcut(QKeySequence(Qt::Key_F10), _mainWindow);
}

void KVApp::setDisplayRequired(bool required)
{
    _inhibitor->setInhibited(required);
}

QString KVApp::browseFolder(const QString &start, bool allowNewFolder, const QString &title)
{
    const QString folder = KVFolderPicker::browse(_mainWindow, start, allowNewFolder, title);
    if (_mainWindow)
        _mainWindow->setFocus(Qt::OtherFocusReason);
    return folder;
}
