#pragma once
// The viewer's persistent choices: conf.ini in the document folder
// (Documents/Korvid Doc/viewersetup/conf.ini), a thin typed layer over
// QSettings. Every write is synced to disk at once.
//
// Thread: GUI thread only.

#include <QObject>
#include <QString>

class QSettings;

class KVSettings : public QObject
{
    Q_OBJECT
public:
    static KVSettings *instance();

    // Opens the store on the settings file; does nothing when already open.
    void open();
    bool isOpen() const { return _settings != nullptr; }
    // Path of the file the store uses (empty before open).
    QString fileName() const;

    QString getString(const QString &group, const QString &key);
    // False when the file could not be written (logged); the value then
    // holds only until the viewer ends.
    bool setString(const QString &group, const QString &key, const QString &text);

    int language();
    void setLanguage(int language);
    bool languageAuto();
    void setLanguageAuto(bool automatic);

    // Folder of the last successful scan; the desktop when none is stored.
    QString recentPath();
    void setRecentPath(const QString &path);
    // Save folder of captures and backups; Documents/Korvid Doc/backup when none is stored.
    QString backupPath();
    void setBackupPath(const QString &path);

    // True when "/VIDEO" "/HWACCEL" reads OFF in any letter case.
    bool hwAccelOff();
    bool setHwAccelOff(bool off);

    // Tests only: forget the open file so the next use opens it again
    // (after the test changed HOME or removed the file).
    void resetForTest();

private:
    explicit KVSettings(QObject *parent = nullptr);

    QSettings *_settings = nullptr;
};
