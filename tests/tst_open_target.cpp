// Opening a card from outside the viewer: what a command line and a drag
// name (a folder, a recording file meaning its folder, options and foreign
// URLs left aside), the real viewer started as "korvid FOLDER" opening that
// folder, and the desktop entry and icon that the install step puts where
// file managers look for "Open with".

#include "app/kv_app.h"
#include "app/kv_application.h"
#include "app/kv_single_instance.h"
#include "kv_fixture_files.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "ui/kv_open_target.h"

#include <QDir>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QtTest>

class TestOpenTarget : public QObject
{
    Q_OBJECT

    QString _card;

    static QString recentInSettings()
    {
        QSettings ini(KVApp::path(KVApp::PATH_SETTINGS), QSettings::IniFormat);
        for (const QString &key : ini.allKeys())
            if (key.endsWith(QLatin1String("RECENT")))
                return ini.value(key).toString();
        return QString();
    }

private slots:
    void initTestCase()
    {
        _card = KVTest::makeTempDir(QStringLiteral("card"));
        QVERIFY(KVFixture::writeCard(_card, 4) > 0);
    }

    void pathsAndArguments()
    {
        const QString front = _card + "/NORM201221-102047F.MP4";
        QVERIFY(KVFixture::writeTinyMp4(front, 5000));
        const QString lowerMov = _card + "/sub/clip.mov";
        QVERIFY(KVFixture::writeTinyMp4(lowerMov, 5000));
        const QString text = _card + "/readme.txt";
        QVERIFY(KVTest::writeFile(text, "x"));

        QCOMPARE(KVOpenTarget::folderForPath(_card + "/"), QDir::cleanPath(_card));
        QCOMPARE(KVOpenTarget::folderForPath(front), QDir::cleanPath(_card));
        QCOMPARE(KVOpenTarget::folderForPath(lowerMov), QDir::cleanPath(_card + "/sub"));
        QCOMPARE(KVOpenTarget::folderForPath(text), QString());
        QCOMPARE(KVOpenTarget::folderForPath(_card + "/gone.mp4"), QString());

        // The program name and options never count; the first path does.
        QCOMPARE(KVOpenTarget::folderFromArguments({"korvid"}), QString());
        QCOMPARE(KVOpenTarget::folderFromArguments({_card}), QString());
        QCOMPARE(KVOpenTarget::folderFromArguments({"korvid", "--verbose", _card, "/tmp"}),
            QDir::cleanPath(_card));
        QCOMPARE(KVOpenTarget::folderFromArguments({"korvid", front}), QDir::cleanPath(_card));
        QCOMPARE(KVOpenTarget::folderFromArguments(
                     {"korvid", QUrl::fromLocalFile(_card + "/sub").toString()}),
            QDir::cleanPath(_card + "/sub"));
        // A relative path is taken from the working folder.
        QVERIFY(QDir::setCurrent(_card));
        QCOMPARE(
            KVOpenTarget::folderFromArguments({"korvid", "sub"}), QDir::cleanPath(_card + "/sub"));
        // Anything else is handed on as given, for the checks to refuse.
        QCOMPARE(KVOpenTarget::folderFromArguments({"korvid", text}), text);
        QCOMPARE(KVOpenTarget::folderFromArguments({"korvid", "/no/such/card"}),
            QStringLiteral("/no/such/card"));

        QCOMPARE(KVOpenTarget::folderFromUrls({QUrl("https://example.org/a.mp4"),
                     QUrl::fromLocalFile(text), QUrl::fromLocalFile(front)}),
            QDir::cleanPath(_card));
        QCOMPARE(KVOpenTarget::folderFromUrls({QUrl::fromLocalFile(text)}), QString());
        QMimeData plain;
        plain.setText(_card);
        QCOMPARE(KVOpenTarget::folderFromMimeData(&plain), QString());
        QCOMPARE(KVOpenTarget::folderFromMimeData(nullptr), QString());
    }

    // The real viewer started with a folder opens it as if it had been
    // picked: the scan runs and the folder becomes the recent folder.
    void viewerOpensTheFolderOfItsCommandLine()
    {
        const QString korvid = KVTest::builtProgram(QStringLiteral("korvid"));
        QVERIFY(QFileInfo::exists(korvid));
        QProcess viewer;
        viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        viewer.start(korvid, {_card});
        QVERIFY(viewer.waitForStarted(5000));
        const bool opened
            = QTest::qWaitFor([&] { return recentInSettings() == QDir::cleanPath(_card); }, 30000);
        viewer.kill();
        viewer.waitForFinished(5000);
        QVERIFY2(opened, qPrintable(recentInSettings()));
    }

    // "Open with Korvid" while a viewer runs: the later start hands its
    // folder (made absolute in its own working folder) to the running viewer
    // and ends as a second start does.
    void laterStartHandsItsFolderOver()
    {
        KVSingleInstance guard(QString::fromLatin1(KVApplication::kInstanceKey));
        QVERIFY(guard.acquire());
        QSignalSpy opened(&guard, &KVSingleInstance::openRequested);
        QSignalSpy raised(&guard, &KVSingleInstance::raiseRequested);
        QVERIFY(QDir().mkpath(_card + "/sub dir"));
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.setWorkingDirectory(_card);
        second.start(KVTest::builtProgram(QStringLiteral("korvid")), {"sub dir"});
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
        QCOMPARE(second.exitCode(), 256 - 42);
        QTRY_COMPARE(raised.size(), 1);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).at(0).toStringList(), QStringList{_card + "/sub dir"});

        // A plain second start only raises.
        second.setWorkingDirectory(QString());
        second.start(KVTest::builtProgram(QStringLiteral("korvid")), {});
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
        QTRY_COMPARE(raised.size(), 2);
        QCOMPARE(opened.size(), 1);
    }

    // The install step puts the desktop entry and the icon where desktops
    // look for them.
    void installedDesktopEntry()
    {
        const QString prefix = KVTest::makeTempDir(QStringLiteral("prefix"));
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral("cmake"),
            {"--install", QStringLiteral(KV_BINARY_DIR), "--prefix", prefix});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());

        QSettings entry(prefix + "/share/applications/korvid.desktop", QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value("Type").toString(), QStringLiteral("Application"));
        QCOMPARE(entry.value("Name").toString(), QStringLiteral("Korvid"));
        QCOMPARE(entry.value("Icon").toString(), QStringLiteral("korvid"));
        QVERIFY(entry.value("MimeType").toString().contains("inode/directory"));
        // One folder per start, as the viewer takes it.
        QCOMPARE(entry.value("Exec").toString(), QStringLiteral("korvid %f"));
        QVERIFY(QFileInfo(prefix + "/bin/korvid").isExecutable());

        const QImage icon(prefix + "/share/icons/hicolor/256x256/apps/korvid.png");
        QCOMPARE(icon.size(), QSize(256, 256));
        // Drawn: opaque in the middle, transparent in the corner.
        QCOMPARE(qAlpha(icon.pixel(128, 40)), 255);
        QCOMPARE(qAlpha(icon.pixel(1, 1)), 0);
        QVERIFY(QFileInfo::exists(prefix + "/share/icons/hicolor/scalable/apps/korvid.svg"));
    }
};

KV_TEST_MAIN(TestOpenTarget)
#include "tst_open_target.moc"
