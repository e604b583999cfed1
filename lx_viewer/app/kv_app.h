#pragma once
// The application hub: application-wide events, the document folders, the
// one-time initialisation before the main window exists, the F9/F10
// shortcuts, the folder picker and the display-awake switch.
//
// Thread: GUI thread only. Signals are delivered directly.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QApplication;
class KVShortcut;
class KVScreenSaverInhibitor;

class KVApp : public QObject
{
    Q_OBJECT
public:
    enum Event {
        EVENT_FULLSCREEN_ENTERING = 1,
        EVENT_FULLSCREEN_ENTERED = 2,
        EVENT_FULLSCREEN_LEAVING = 3,
        EVENT_FULLSCREEN_LEFT = 4,
        EVENT_APP_CLOSING = 5,
    };
    Q_ENUM(Event)
    // Folder kinds for path().
    enum PathKind { PATH_REPORT = 1, PATH_SETTINGS = 2, PATH_BACKUP = 3 };

    static KVApp *instance();

    // Documents/Korvid Doc/<report | viewersetup/conf.ini | backup>,
    // cleaned; an empty text for any other kind.
    static QString path(int kind);
    static QString documentFolder();

    // One-time set-up before the main window: font, style sheet, document
    // folders, settings.
    void initApplication(QApplication *app);
    // Makes the family the application font when it is installed; returns
    // whether it was.
    bool setApplicationFont(const QString &family);
    // The family initApplication asks for: "MS PGothic" when installed,
    // otherwise a Japanese-capable family so Japanese never shows as boxes.
    static QString preferredFontFamily();

    void setMainWindow(QWidget *window) { _mainWindow = window; }
    QWidget *mainWindow() const { return _mainWindow; }
    // Creates the application-wide F9 and F10 shortcuts on the main window.
    void createShortcuts();
    KVShortcut *shortcutF9() const { return _shortcutF9; }
    KVShortcut *shortcutF10() const { return _shortcutF10; }

    // Keeps the display awake (true) or lets it sleep again (false).
    void setDisplayRequired(bool required);
    KVScreenSaverInhibitor *screenSaverInhibitor() const { return _inhibitor; }

    // Modal folder choice starting at start; returns the folder or an empty
    // text when cancelled. Folders that do not exist, cannot be read or lie on
    // a medium that is not ready are refused and the user picks again.
    QString browseFolder(const QString &start, bool allowNewFolder, const QString &title);

signals:
    void appEvent(KVApp::Event event);
    void hidePIPForCapture(bool hide);

private:
    explicit KVApp(QObject *parent = nullptr);

    QPointer<QWidget> _mainWindow;
    KVShortcut *_shortcutF9 = nullptr;
    KVShortcut *_shortcutF10 = nullptr;
    KVScreenSaverInhibitor *_inhibitor = nullptr;
};
