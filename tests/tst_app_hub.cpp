// The application hub: document folders, one-time set-up (folders, style
// sheet, font, settings), the F9/F10 shortcuts and the folder picker.

#include "app/kv_app.h"
#include "app/kv_shortcut.h"
#include "app/kv_folder_picker.h"
#include "app/kv_settings.h"
#include "kv_modal_driver.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QShortcut>
#include <QtTest>

class TestAppHub : public QObject
{
    Q_OBJECT
private slots:
    void pathKinds()
    {
        const QString docs = QDir::homePath() + "/Documents/Korvid Doc";
        QCOMPARE(KVApp::path(1), docs + "/report");
        QCOMPARE(KVApp::path(2), docs + "/viewersetup/conf.ini");
        QCOMPARE(KVApp::path(3), docs + "/backup");
        QCOMPARE(KVApp::path(0), QString());
        QCOMPARE(KVApp::path(4), QString());
        QCOMPARE(KVApp::path(-1), QString());
    }

    void initCreatesFoldersEvenWithoutDocuments()
    {
        // A new account: no Documents folder at all.
        QDir(QDir::homePath() + "/Documents").removeRecursively();
        KVSettings::instance()->resetForTest();
        KVApp::instance()->initApplication(qApp);
        for (const char *sub : {"report", "viewersetup", "backup"})
            QVERIFY2(QDir(QDir::homePath() + "/Documents/Korvid Doc/" + sub).exists(), sub);
        QVERIFY(KVSettings::instance()->isOpen());
        QVERIFY(QFile::exists(KVApp::path(KVApp::PATH_SETTINGS)));
        QCOMPARE(QFileInfo(KVApp::path(KVApp::PATH_SETTINGS)).size(), 0);
        // A change now reaches the file.
        KVSettings::instance()->setRecentPath("/media/card");
        QVERIFY(KVTest::readFile(KVApp::path(KVApp::PATH_SETTINGS)).contains("[PATH]"));
        // Running it again changes nothing and fails nothing.
        KVApp::instance()->initApplication(qApp);
        QCOMPARE(KVSettings::instance()->recentPath(), QStringLiteral("/media/card"));
    }

    void styleSheetAndFont()
    {
        KVApp::instance()->initApplication(qApp);
        QVERIFY(qApp->styleSheet().contains("WindowMain"));
        // Japanese must render: the application font is one with CJK glyphs.
        const QString family = KVApp::preferredFontFamily();
        QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
        QCOMPARE(QApplication::font().family(), family);
        QVERIFY(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese));
        QVERIFY(!KVApp::instance()->setApplicationFont("No Such Family 123"));
        QCOMPARE(QApplication::font().family(), family);
    }

    void shortcutsAreApplicationWide()
    {
        QWidget window;
        KVApp *hub = KVApp::instance();
        hub->setMainWindow(&window);
        hub->createShortcuts();
        QVERIFY(hub->shortcutF9() && hub->shortcutF10());
        QCOMPARE(hub->shortcutF9()->key(), QKeySequence(Qt::Key_F9));
        QCOMPARE(hub->shortcutF10()->key(), QKeySequence(Qt::Key_F10));
        QCOMPARE(hub->shortcutF9()->context(), Qt::ApplicationShortcut);
        QCOMPARE(hub->shortcutF9()->parent(), &window);

        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy f9(hub->shortcutF9(), &QShortcut::activated);
        QTest::keyClick(window.windowHandle(), Qt::Key_F9);
        QCOMPARE(f9.count(), 1);
    }

    void pickerTexts()
    {
        QCOMPARE(KVFolderPicker::instructionText(QString()), QString::fromUtf8("ファイルOPEN"));
        QCOMPARE(KVFolderPicker::instructionText("Backup"), QStringLiteral("Backup"));
        // The window keeps the last non-empty title.
        QCOMPARE(KVFolderPicker::takeWindowTitle("First"), QStringLiteral("First"));
        QCOMPARE(KVFolderPicker::takeWindowTitle(QString()), QStringLiteral("First"));
        QCOMPARE(KVFolderPicker::takeWindowTitle("Second"), QStringLiteral("Second"));
    }

    void folderChecks()
    {
        const QString dir = KVTest::makeTempDir("check");
        QCOMPARE(KVFolderPicker::checkFolder(dir), KVFolderPicker::FOLDER_OK);
        QCOMPARE(KVFolderPicker::checkFolder(dir + "/missing"), KVFolderPicker::FOLDER_MISSING);
        QCOMPARE(KVFolderPicker::checkFolder(QString()), KVFolderPicker::FOLDER_MISSING);
        KVTest::writeFile(dir + "/file", "x");
        QCOMPARE(KVFolderPicker::checkFolder(dir + "/file"), KVFolderPicker::FOLDER_MISSING);
        QVERIFY(!KVFolderPicker::problemText(KVFolderPicker::FOLDER_NOT_READY, true).isEmpty());
        QVERIFY(!KVFolderPicker::problemText(KVFolderPicker::FOLDER_NOT_READY, false).isEmpty());
    }

    void pickerReturnsChosenFolder()
    {
        const QString start = KVTest::makeTempDir("start");
        const QString target = KVTest::makeTempDir("target");
        QString seenTitle, seenInstruction, seenStart;
        bool ran = false;
        KVTest::whenModal<QFileDialog>(
            [&](QFileDialog *dialog) {
                seenTitle = dialog->windowTitle();
                seenInstruction = dialog->labelText(QFileDialog::LookIn);
                seenStart = dialog->directory().absolutePath();
                dialog->selectFile(target);
                QMetaObject::invokeMethod(dialog, "accept");
            },
            &ran);
        const QString chosen = KVApp::instance()->browseFolder(start, false, "Pick the card");
        QVERIFY(ran);
        QCOMPARE(chosen, target);
        QCOMPARE(seenTitle, QStringLiteral("Pick the card"));
        QCOMPARE(seenInstruction, QStringLiteral("Pick the card"));
        QCOMPARE(seenStart, start);

        // An empty title: the instruction is ファイルOPEN, the window keeps the last title.
        KVTest::whenModal<QFileDialog>([&](QFileDialog *dialog) {
            seenTitle = dialog->windowTitle();
            seenInstruction = dialog->labelText(QFileDialog::LookIn);
            dialog->reject();
        });
        QCOMPARE(KVApp::instance()->browseFolder(start, true, QString()), QString());
        QCOMPARE(seenTitle, QStringLiteral("Pick the card"));
        QCOMPARE(seenInstruction, QString::fromUtf8("ファイルOPEN"));
    }

    void pickerRefusesVanishedFolderAndAsksAgain()
    {
        const QString start = KVTest::makeTempDir("start");
        const QString doomed = KVTest::makeTempDir("doomed");
        QString message;
        bool secondDialog = false;
        KVTest::whenModal<QFileDialog>([&](QFileDialog *dialog) {
            // The card was pulled out: the folder is gone before the dialog
            // could list it, so nothing in the dialog changes the choice.
            QDir(doomed).removeRecursively();
            // The widget dialog would swap the typed path of a vanished
            // folder for its current one; the seam hands the path itself to
            // our checks, as a desktop dialog would.
            KVFolderPicker::setNextChoiceForTests(doomed);
            // Qt's own check would refuse too; ours must, whatever dialog is used.
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        });
        KVTest::whenModal<QMessageBox>([&](QMessageBox *box) {
            message = box->text();
            KVTest::whenModal<QFileDialog>([&](QFileDialog *dialog) {
                secondDialog = true;
                dialog->reject();
            });
            box->accept();
        });
        const QString chosen = KVApp::instance()->browseFolder(start, false, "Open");
        QCOMPARE(chosen, QString());
        QVERIFY2(message.contains(doomed), qPrintable(message));
        QVERIFY(secondDialog);
    }
};

KV_TEST_MAIN(TestAppHub)
#include "tst_app_hub.moc"
