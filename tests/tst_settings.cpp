// The settings file: defaults, sync on write, compare-before-write, and the
// hardware-acceleration switch, read back from the file on disk.

#include "app/kv_app.h"
#include "app/kv_settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT

    QString confPath() const { return KVApp::path(KVApp::PATH_SETTINGS); }

    // A fresh store on a conf.ini holding exactly the given text.
    KVSettings *freshStore(const QByteArray &ini)
    {
        KVSettings *s = KVSettings::instance();
        s->resetForTest();
        QDir().mkpath(QFileInfo(confPath()).absolutePath());
        QFile f(confPath());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(ini);
        f.close();
        return s;
    }

    // What another reader of the file sees right now.
    QString onDisk(const QString &group, const QString &key) const
    {
        QSettings file(confPath(), QSettings::IniFormat);
        return file.value(group + QLatin1Char('/') + key).toString();
    }

private slots:
    void emptyFileGivesDefaults()
    {
        KVSettings *s = freshStore("");
        QCOMPARE(s->language(), 1);
        QCOMPARE(s->languageAuto(), false);
        QCOMPARE(
            s->recentPath(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
        QCOMPARE(s->backupPath(), QDir::homePath() + "/Documents/Korvid Doc/backup");
        QCOMPARE(s->hwAccelOff(), false);
        QCOMPARE(s->fileName(), QDir::homePath() + "/Documents/Korvid Doc/viewersetup/conf.ini");
    }

    void hwAccelSwitch_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("off");
        QTest::newRow("OFF") << QByteArray("OFF") << true;
        QTest::newRow("off lower case") << QByteArray("off") << true;
        QTest::newRow("Off mixed case") << QByteArray("Off") << true;
        QTest::newRow("0 is not off") << QByteArray("0") << false;
        QTest::newRow("ON") << QByteArray("ON") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("OFF with blank") << QByteArray("\"OFF \"") << false;
    }
    void hwAccelSwitch()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, off);
        KVSettings *s = freshStore("[VIDEO]\nHWACCEL=" + value + "\n");
        QCOMPARE(s->hwAccelOff(), off);
    }

    void hwAccelWriteIsSyncedAtOnce()
    {
        KVSettings *s = freshStore("");
        s->setHwAccelOff(true);
        QCOMPARE(onDisk("VIDEO", "HWACCEL"), QStringLiteral("OFF"));
        s->setHwAccelOff(false);
        QCOMPARE(onDisk("VIDEO", "HWACCEL"), QStringLiteral("ON"));
        QVERIFY(!s->hwAccelOff());
    }

    void languageRoundTrip()
    {
        KVSettings *s = freshStore("");
        s->setLanguage(2);
        QCOMPARE(onDisk("APP", "LANGUAGE"), QStringLiteral("2"));
        QCOMPARE(s->language(), 2);
        s->setLanguageAuto(true);
        QCOMPARE(onDisk("APP", "LANGUAGE_AUTO"), QStringLiteral("true"));
        QCOMPARE(s->languageAuto(), true);
        // Sections appear in the file under the names without the slash.
        const QByteArray text = [this] {
            QFile f(confPath());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QVERIFY(text.contains("[APP]"));
    }

    void compareBeforeWrite()
    {
        KVSettings *s = freshStore("");
        // Setting the backup folder to what it already is (the default) writes nothing.
        s->setBackupPath(s->backupPath());
        QVERIFY(!QFile(confPath()).size());
        // The recent folder set to the desktop while none is stored: nothing written.
        s->setRecentPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
        QVERIFY(!QFile(confPath()).size());
        // The backup folder set to the current recent folder is a change: written.
        s->setBackupPath(s->recentPath());
        QCOMPARE(onDisk("PATH", "BACKUP"), s->recentPath());
        // A new recent folder is written and read back.
        s->setRecentPath("/media/card");
        QCOMPARE(onDisk("PATH", "RECENT"), QStringLiteral("/media/card"));
        QCOMPARE(s->recentPath(), QStringLiteral("/media/card"));
    }

    void storedEmptyTextFallsBackToDefault()
    {
        KVSettings *s = freshStore("[PATH]\nRECENT=\nBACKUP=\n");
        QCOMPARE(
            s->recentPath(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
        QCOMPARE(s->backupPath(), KVApp::path(KVApp::PATH_BACKUP));
        // Relative folders (edited by hand) would follow the working folder.
        s = freshStore("[PATH]\nRECENT=card\nBACKUP=cap\n");
        QCOMPARE(
            s->recentPath(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
        QCOMPARE(s->backupPath(), KVApp::path(KVApp::PATH_BACKUP));
    }

    void unwritableFileLosesChangeWithoutCrash()
    {
        KVSettings *s = freshStore("");
        s->resetForTest();
        // The settings folder replaced by a file: nothing can be written there.
        const QString dir = QFileInfo(confPath()).absolutePath();
        QDir(dir).removeRecursively();
        QFile blocker(dir);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        s->setRecentPath("/somewhere");
        QCOMPARE(s->language(), 1);
        QVERIFY(!s->setHwAccelOff(true));
        QFile::remove(dir);
        // Mended (the folder is back): the next write says it was stored,
        // though the store met an error before.
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(s->setHwAccelOff(true));
        QCOMPARE(onDisk("VIDEO", "HWACCEL"), QStringLiteral("OFF"));
        s->resetForTest();
    }

    void lineThatCannotBeReadDoesNotFailLaterWrites()
    {
        // A hand-edited file with a line lacking "=": the first read meets
        // an error, and every write after it was said to have failed (so
        // the acceleration switch put its old choice back each time).
        KVSettings *s = freshStore("[VIDEO]\nHWACCEL OFF\n[PATH]\nRECENT=/cards\n");
        QVERIFY(!s->hwAccelOff());
        QVERIFY(s->setHwAccelOff(true));
        QVERIFY(s->hwAccelOff());
        QCOMPARE(onDisk("VIDEO", "HWACCEL"), QStringLiteral("OFF"));
        QVERIFY(s->setHwAccelOff(false));
        QVERIFY(!s->hwAccelOff());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
