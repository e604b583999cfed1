// Capture and report through the main window under Xvfb, on demo cards made
// by korvid-mkcard: F5 pauses and opens the capture dialog with the proposed
// name; Save moves the picture to <folder>/<name>_前方.jpg (a JPEG of the
// video's size showing the paused frame, read from its frame-number strip);
// an existing name is asked about; an empty or path-like name warns and the
// dialog stays; Cancel leaves nothing behind, read-only or not; another
// folder is chosen and remembered, one that takes no files is explained
// (with the system's reason) and not remembered. F3 does nothing without a
// recording; with one it pauses, proposes report_<date>.xlsx (then _1, _2),
// hides the zoom inset meanwhile, writes a workbook whose picture is the
// window with the map area composed in, and hands it to the desktop's
// opener (a script here), warning when the opener reports that nothing
// opened it. A capture, a report or a pause that follows a seek made while
// playing at once is of the new moment: name, cells, time and sensor
// displays. Screenshots go to the build folder's screenshots/.

#include "kv_modal_driver.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_window_test_util.h"
#include "kv_xlsx_reader.h"

#include "app/kv_app.h"
#include "app/kv_folder_picker.h"
#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "core/kv_key_event.h"
#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "data/kv_video_file_list.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/framestrip.h"
#include "ui/kv_button.h"
#include "ui/kv_dialog_map.h"
#include "ui/kv_dialog_overwrite_sys.h"
#include "ui/kv_excel_report.h"
#include "ui/kv_file_opener.h"
#include "ui/kv_file_replace.h"
#include "ui/kv_frame_gps.h"
#include "ui/kv_frame_right.h"
#include "ui/kv_frame_title.h"
#include "ui/kv_graph_widget.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_play_slider.h"
#include "ui/kv_popup_capture.h"
#include "ui/kv_report_facts.h"
#include "ui/kv_report_picture.h"
#include "ui/kv_slider.h"
#include "ui/kv_speed_frame.h"
#include "ui/kv_speed_widget.h"
#include "ui/kv_title_widget.h"
#include "ui/kv_widget_map.h"
#include "ui/kv_window_main.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>

#include <unistd.h>

using namespace KVPlayerFixture;

class TestCaptureReport : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;
    KVPlayer *_player = nullptr;
    KVVideoItem *_demo = nullptr; // 320 x 180 front, positions from second 2
    KVVideoItemRef _plain; // no sensor track
    // The desktop's opener as the test has it: a script that notes the file
    // it was given in <script>.log and exits with its status.
    QString _openerDir;

    QString backup() const { return KVSettings::instance()->backupPath(); }
    QStringList backupFiles() const { return QDir(backup()).entryList(QDir::Files, QDir::Name); }

    // Puts a file in the backup folder's place (nothing can be made there),
    // or puts the folder back.
    bool blockBackupFolder(bool block) const
    {
        const QString folder = backup();
        const QString aside = folder + QStringLiteral(".aside");
        if (block)
            return (!QFileInfo(folder).isDir() || QDir().rename(folder, aside))
                && KVTest::writeFile(folder, "not a folder");
        return QFile::remove(folder) && (!QFileInfo(aside).isDir() || QDir().rename(aside, folder));
    }

    // Answers the next warning box with OK, keeping its text.
    static void answerWarning(QString *text, bool *ran, int timeoutMs)
    {
        KVTest::whenModal<QMessageBox>(
            [text](QMessageBox *box) {
                *text = box->text();
                box->button(QMessageBox::Ok)->click();
            },
            ran, timeoutMs);
    }

    void activate()
    {
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
    }

    // Loads the recording through the player, lets it play a little.
    void loadPlaying(KVVideoItem *item)
    {
        QVERIFY(loadAndWait(_player, item));
        QTest::qWait(700);
        QVERIFY(!_player->mainPlayer()->isPaused());
        QVERIFY(_window->titleBar()->captureButton()->isEnabled());
        activate();
    }

    // The recording loaded (and playing after a new load), whatever ran before.
    void ensureLoaded(KVVideoItem *item)
    {
        if (_player->item() != item)
            loadPlaying(item);
    }

    void pause()
    {
        if (!_player->mainPlayer()->isPaused())
            _player->onPlayOrPause();
        QTRY_VERIFY(_player->mainPlayer()->isPaused());
    }

    // Presses F5 and runs action on the capture dialog; false when no
    // dialog came.
    bool capture(std::function<void(KVPopupCapture *)> action)
    {
        activate();
        bool ran = false;
        KVTest::whenModal<KVPopupCapture>(action, &ran, 8000);
        QTest::keyClick(_window, Qt::Key_F5);
        QElapsedTimer t;
        t.start();
        while (!ran && t.elapsed() < 9000)
            QTest::qWait(20);
        // The dialog has closed when the window is the modal-free top again.
        while (QApplication::activeModalWidget() && t.elapsed() < 15000)
            QTest::qWait(20);
        return ran;
    }

    // Presses F3 and runs action on the save dialog; false when none came.
    bool report(std::function<void(QFileDialog *)> action, int timeoutMs = 5000)
    {
        activate();
        bool ran = false;
        KVTest::whenModal<QFileDialog>(action, &ran, timeoutMs);
        QTest::keyClick(_window, Qt::Key_F3);
        QElapsedTimer t;
        t.start();
        while (!ran && t.elapsed() < timeoutMs + 500)
            QTest::qWait(20);
        while (ran && QApplication::activeModalWidget() && t.elapsed() < 20000)
            QTest::qWait(20);
        return ran;
    }

    // An opener script exiting with status; with waitForGo it first waits
    // until <script>.go exists (half a minute at most).
    QString makeOpener(const QString &name, int status, bool waitForGo = false) const
    {
        const QString script = _openerDir + QLatin1Char('/') + name;
        QByteArray text = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.log\"\n";
        if (waitForGo)
            text += "n=0\nwhile [ ! -e \"$0.go\" ] && [ $n -lt 600 ]; do sleep 0.05; "
                    "n=$((n + 1)); done\n";
        text += "exit " + QByteArray::number(status) + "\n";
        if (!KVTest::writeFile(script, text)
            || !QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner))
            return QString();
        return script;
    }

    // The files an opener script was given, in order.
    static QStringList openedBy(const QString &script)
    {
        return QString::fromLocal8Bit(KVTest::readFile(script + QStringLiteral(".log")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        kvm::AudioOutput::forceNoDeviceForTests();
        KVApp::instance()->initApplication(qApp);
        _openerDir = KVTest::makeTempDir(QStringLiteral("opener"));
        const QString opener = makeOpener(QStringLiteral("opens.sh"), 0);
        QVERIFY(!opener.isEmpty());
        KVFileOpener::setProgramForTests(opener);

        const QString card = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        QVERIFY2(!makeCard(card, 6, 4, &why).isEmpty(), qPrintable(why));
        QVERIFY(KVVideoFileList::instance()->buildFolderNow(card) > 0);
        for (KVVideoItem *item : KVVideoFileList::instance()->visibleItems())
            if (!_demo && !item->rearPath().isEmpty() && !item->frontPath().isEmpty())
                _demo = item;
        QVERIFY(_demo);
        QVERIFY(_demo->start().isValid());

        const QString plain = KVTest::makeTempDir(QStringLiteral("plain"))
            + QStringLiteral("/NORM201222-090000F.mp4");
        QVERIFY(makeClip(plain, 5000, QSize(320, 180)).isEmpty());
        _plain = makeItem(plain, QString());

        _window = WindowMain::instance();
        _player = KVPlayer::instance();
        _window->move(20, 20);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        activate();
    }

    void captureNames()
    {
        const QString front = QStringLiteral("/b/NORM201221-102047_201221-102050_CH1_3000.jpg");
        QCOMPARE(KVPopupCapture::proposedBaseName(front),
            QStringLiteral("NORM201221-102047_201221-102050"));
        QCOMPARE(KVPopupCapture::finalPath(QStringLiteral("D:/cap"),
                     QStringLiteral("NORM201221-102047_201221-102050"), front),
            QStringLiteral("D:/cap/NORM201221-102047_201221-102050_前方.jpg"));
        QCOMPARE(
            KVPopupCapture::cameraWord(QStringLiteral("/b/X_CH2_1.jpg")), QStringLiteral("後方"));
        // Without "_" the whole base name; dots end it.
        QCOMPARE(KVPopupCapture::proposedBaseName(QStringLiteral("/b/shot.x.jpg")),
            QStringLiteral("shot"));
        for (const char *bad : {"", "  ", "../x", "a/b", "a\\b", ".", ".."})
            QVERIFY2(!KVPopupCapture::isUsableName(QString::fromUtf8(bad)), bad);
        QVERIFY(KVPopupCapture::isUsableName(QStringLiteral("事故 1")));
    }

    void nothingLoadedNothingHappens()
    {
        QVERIFY(!_player->item());
        QVERIFY(!_window->titleBar()->captureButton()->isEnabled());
        QSignalSpy pip(KVApp::instance(), &KVApp::hidePIPForCapture);
        QVERIFY(!report([](QFileDialog *d) { d->reject(); }, 800));
        _window->onStartReport(); // even when asked directly
        QTest::qWait(300);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(pip.count(), 0);
        QVERIFY(!capture([](KVPopupCapture *d) { d->reject(); }));
    }

    void moveToAnotherFileSystem()
    {
        // A picture moved to a folder on another file system: the target
        // takes the whole file, a file of the user's named like the old
        // working copy (".part") stays, and nothing else is left.
        const QString shm = QStringLiteral("/dev/shm");
        if (!QFileInfo(shm).isDir() || !QFileInfo(shm).isWritable())
            QSKIP("no /dev/shm here");
        QTemporaryDir other(shm + QStringLiteral("/kv-move-XXXXXX"));
        QVERIFY(other.isValid());
        const QString source
            = KVTest::makeTempDir(QStringLiteral("move")) + QStringLiteral("/a.jpg");
        QByteArray bytes(300000, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        QVERIFY(KVTest::writeFile(source, bytes));
        const QString target = other.path() + QStringLiteral("/b.jpg");
        QVERIFY(KVTest::writeFile(target + QStringLiteral(".part"), "the user's own"));
        QVERIFY(KVTest::writeFile(target, "old picture"));
        QString why;
        QVERIFY2(KVFileReplace::move(source, target, &why), qPrintable(why));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(KVTest::readFile(target), bytes);
        QCOMPARE(KVTest::readFile(target + QStringLiteral(".part")), QByteArray("the user's own"));
        QCOMPARE(QDir(other.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void lateCaptureFileIsRemoved()
    {
        // The picture of a capture given up (its file came after two
        // seconds) would stay in the backup folder unseen: it goes, and no
        // dialog opens for it.
        QVERIFY(QDir().mkpath(backup()));
        const QString late
            = backup() + QStringLiteral("/NORM201221-102047_201221-102050_CH1_3900.jpg");
        QVERIFY(KVTest::writeFile(late, "jpeg"));
        _player->onCaptureSavedFront(late);
        QTest::qWait(100);
        QVERIFY(!QFileInfo::exists(late));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void unwritableBackupFolderIsSaid()
    {
        // The backup folder cannot be made (a file has its name): the user
        // hears so at once, instead of a wait cursor and then nothing.
        ensureLoaded(_demo);
        pause();
        const QString folder = backup();
        QVERIFY(blockBackupFolder(true));
        QString text;
        bool ran = false;
        answerWarning(&text, &ran, 8000);
        activate();
        QTest::keyClick(_window, Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(ran, 8000);
        QCOMPARE(text,
            QStringLiteral("JPEGファイル生成に失敗しました。\n")
                + QDir::toNativeSeparators(folder));
        QVERIFY(!_player->isCaptureRunning());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(blockBackupFolder(false));
    }

    void captureSavesThePausedFrame()
    {
        loadPlaying(_demo);
        const QStringList before = backupFiles();
        QString proposed, expected;
        QString temporary;
        bool pausedInDialog = false;
        QVERIFY(capture([&](KVPopupCapture *d) {
            pausedInDialog = _player->mainPlayer()->isPaused();
            proposed = d->nameEdit()->text();
            expected = _demo->captureBaseName(_player->displayPosition());
            temporary = d->finalPaths().isEmpty() ? QString() : d->finalPaths().first();
            KVTest::saveScreenshot(d, QStringLiteral("popup_capture"));
            d->saveButton()->click();
        }));
        QVERIFY(pausedInDialog);
        QVERIFY(_player->mainPlayer()->isPaused());
        QVERIFY2(QRegularExpression(QStringLiteral("^NORM\\d{6}-\\d{6}_\\d{6}-\\d{6}$"))
                     .match(proposed)
                     .hasMatch(),
            qPrintable(proposed));
        QCOMPARE(proposed, expected);

        const QString saved
            = backup() + QStringLiteral("/") + proposed + QStringLiteral("_前方.jpg");
        QCOMPARE(temporary, saved);
        QVERIFY(QFileInfo::exists(saved));
        // Only the saved picture is new in the backup folder.
        QStringList now = backupFiles();
        for (const QString &f : before)
            now.removeOne(f);
        QCOMPARE(now, QStringList{QFileInfo(saved).fileName()});
        QImage picture;
        QVERIFY(picture.load(saved, "JPG"));
        QCOMPARE(picture.size(), QSize(320, 180));
        QCOMPARE(
            kvm::readFrameStrip(picture), _player->mainPlayer()->presentedFrame().frameNumber());
    }

    // After a swap the main picture is the rear camera's: its capture is
    // called a rear picture, never a front one.
    void swappedCaptureIsARearPicture()
    {
        ensureLoaded(_demo);
        pause();
        QVERIFY(!_player->isSwapped());
        _player->toggleSwap(true);
        QTRY_COMPARE(_player->mainPlayer()->file(), _demo->rearPath());
        QTRY_VERIFY(_player->mainPlayer()->position() > 0);
        QTest::qWait(300);
        const QStringList before = backupFiles();
        QString base, saved;
        const bool ran = capture([&](KVPopupCapture *d) {
            base = d->nameEdit()->text();
            saved = d->finalPaths().value(0);
            d->saveButton()->click();
        });
        // A report of the rear picture names the rear file.
        const QString workbook
            = KVTest::makeTempDir(QStringLiteral("rearreport")) + QStringLiteral("/rear.xlsx");
        QVERIFY(report([&](QFileDialog *d) {
            KVTest::typeFileName(d, workbook);
            static_cast<QDialog *>(d)->accept();
        }));
        QTRY_VERIFY(QFileInfo::exists(workbook));
        QCOMPARE(KVTest::XlsxBook(workbook).cell(QStringLiteral("BF11")),
            QFileInfo(_demo->rearPath()).fileName());
        _player->toggleSwap(true);
        QTRY_COMPARE(_player->mainPlayer()->file(), _demo->frontPath());
        QVERIFY(ran);
        QCOMPARE(saved, backup() + QStringLiteral("/") + base + QStringLiteral("_後方.jpg"));
        QStringList added = backupFiles();
        for (const QString &f : before)
            added.removeOne(f);
        QCOMPARE(added, QStringList{QFileInfo(saved).fileName()});
        // The camera word is read from the file's own name, not its folders.
        QCOMPARE(KVPopupCapture::cameraWord(QStringLiteral("/home/MICH1/b/X_CH2_1.jpg")),
            QStringLiteral("後方"));
    }

    void existingNameIsAskedAbout()
    {
        ensureLoaded(_demo);
        pause();
        const QString saved = backup() + QStringLiteral("/")
            + _demo->captureBaseName(_player->displayPosition()) + QStringLiteral("_前方.jpg");
        QVERIFY(KVTest::writeFile(saved, "older picture"));
        int questions = 0;
        bool stayed = false;
        QString questionText;
        QVERIFY(capture([&](KVPopupCapture *d) {
            // Skip: the question closes, the dialog stays.
            KVTest::whenModal<KVDialogOverwriteSys>([&](KVDialogOverwriteSys *q) {
                ++questions;
                questionText = q->nameLabel() ? q->nameLabel()->text() : QString();
                KVTest::saveScreenshot(q, QStringLiteral("popup_capture_overwrite"));
                q->skipButton()->click();
                QTimer::singleShot(200, d, [&, d] {
                    stayed = d->isVisible();
                    // Overwrite.
                    KVTest::whenModal<KVDialogOverwriteSys>([&](KVDialogOverwriteSys *q2) {
                        ++questions;
                        q2->overwriteButton()->click();
                    });
                    d->saveButton()->click();
                });
            });
            d->saveButton()->click();
        }));
        QCOMPARE(questions, 2);
        QVERIFY(stayed);
        QCOMPARE(questionText, _demo->captureBaseName(_player->displayPosition()) + "_*.jpg");
        QImage picture;
        QVERIFY(picture.load(saved, "JPG"));
        QCOMPARE(picture.size(), QSize(320, 180));
    }

    // Return in the name field saves, as the Save button does (the
    // dialog's buttons never take the focus).
    void returnSaves()
    {
        ensureLoaded(_demo);
        pause();
        const QString saved = backup() + QStringLiteral("/by return_前方.jpg");
        QFile::remove(saved);
        bool closedByReturn = false;
        QVERIFY(capture([&](KVPopupCapture *d) {
            d->nameEdit()->setText(QStringLiteral("by return"));
            QTest::keyClick(d->nameEdit(), Qt::Key_Return);
            closedByReturn = !d->isVisible();
            if (!closedByReturn)
                d->reject();
        }));
        QVERIFY(closedByReturn);
        QImage picture;
        QVERIFY(picture.load(saved, "JPG"));
        QCOMPARE(picture.size(), QSize(320, 180));
        QVERIFY(QFile::remove(saved));
    }

    void badNamesWarnAndCancelLeavesNothing()
    {
        ensureLoaded(_demo);
        const QStringList before = backupFiles();
        QStringList warnings;
        bool stayed = false;
        QVERIFY(capture([&](KVPopupCapture *d) {
            auto warnThenOk = [&warnings](QMessageBox *box) {
                warnings << box->text();
                box->button(QMessageBox::Ok)->click();
            };
            d->nameEdit()->clear();
            KVTest::whenModal<QMessageBox>(warnThenOk);
            d->saveButton()->click();
            QTimer::singleShot(300, d, [&, d, warnThenOk] {
                d->nameEdit()->setText(QStringLiteral("../escape"));
                KVTest::whenModal<QMessageBox>(warnThenOk);
                d->saveButton()->click();
                QTimer::singleShot(300, d, [&, d] {
                    stayed = d->isVisible();
                    // The temporary picture is removed even when read-only.
                    QStringList files = backupFiles();
                    for (const QString &f : files)
                        if (!before.contains(f))
                            QFile::setPermissions(backup() + "/" + f, QFileDevice::ReadOwner);
                    d->cancelButton()->click();
                });
            });
        }));
        QCOMPARE(warnings.size(), 2);
        QCOMPARE(warnings.first(), QStringLiteral("ファイル名を入れてください。"));
        QVERIFY(stayed);
        QCOMPARE(backupFiles(), before);
        QVERIFY(!QFileInfo::exists(backup() + QStringLiteral("/../escape_前方.jpg")));
    }

    void anotherFolderIsUsedAndRemembered()
    {
        ensureLoaded(_demo);
        const QString other = KVTest::makeTempDir(QStringLiteral("captures"));
        const QStringList before = backupFiles();
        QString shown;
        QVERIFY(capture([&](KVPopupCapture *d) {
            KVTest::whenModal<QFileDialog>([&, d](QFileDialog *picker) {
                picker->setDirectory(other);
                static_cast<QDialog *>(picker)->accept();
                QTimer::singleShot(300, d, [&, d] {
                    shown = d->folderEdit()->text();
                    d->nameEdit()->setText(QStringLiteral("scene"));
                    d->saveButton()->click();
                });
            });
            d->folderButton()->click();
        }));
        QCOMPARE(QDir::fromNativeSeparators(shown), other);
        QCOMPARE(KVSettings::instance()->backupPath(), other);
        QVERIFY(QFileInfo::exists(other + QStringLiteral("/scene_前方.jpg")));
        // The temporary picture left the old backup folder.
        QCOMPARE(QDir(KVApp::path(KVApp::PATH_BACKUP)).entryList(QDir::Files).filter("_CH1_"),
            QStringList());
        KVSettings::instance()->setBackupPath(KVApp::path(KVApp::PATH_BACKUP));
        QCOMPARE(backupFiles(), before);
    }

    // A folder that takes no files: the warning names the folder and the
    // system's reason, the dialog comes back, and the folder is not kept for
    // later captures.
    void unwritableFolderIsExplainedAndNotKept()
    {
        ensureLoaded(_demo);
        pause();
        // Not even root can create files under /proc; others get a folder
        // without write permission.
        QString locked = QStringLiteral("/proc");
        if (::geteuid() != 0) {
            locked = KVTest::makeTempDir(QStringLiteral("locked"));
            QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const QString kept = KVSettings::instance()->backupPath();
        const QStringList before = backupFiles();
        QStringList warnings;
        QString folderAgain;
        QVERIFY(capture([&](KVPopupCapture *d) {
            KVTest::whenModal<QFileDialog>([&, d](QFileDialog *picker) {
                // The picker hands on the locked folder without browsing it
                // (a file dialog in /proc may read a file that never ends).
                picker->setDirectory(KVTest::tempRoot());
                KVFolderPicker::setNextChoiceForTests(locked);
                static_cast<QDialog *>(picker)->accept();
                QTimer::singleShot(300, d, [&, d] {
                    d->nameEdit()->setText(QStringLiteral("locked"));
                    KVTest::whenModal<QMessageBox>([&](QMessageBox *box) {
                        warnings << box->text();
                        KVTest::saveScreenshot(box, QStringLiteral("capture_folder_refused"));
                        // The dialog comes back for another folder.
                        KVTest::whenModal<KVPopupCapture>([&](KVPopupCapture *again) {
                            folderAgain = again->folderEdit()->text();
                            again->cancelButton()->click();
                        });
                        box->button(QMessageBox::Ok)->click();
                    });
                    d->saveButton()->click();
                });
            });
            d->folderButton()->click();
        }));
        QCOMPARE(warnings.size(), 1);
        const QStringList lines = warnings.first().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("このフォルダーに保存できませんでした。"));
        QCOMPARE(lines[1], QDir::toNativeSeparators(locked));
        QVERIFY2(
            lines[2].size() > 4 && lines[2].startsWith(QLatin1Char('(')), qPrintable(lines[2]));
        QCOMPARE(QDir::fromNativeSeparators(folderAgain), locked);
        QVERIFY(!QFileInfo::exists(locked + QStringLiteral("/locked_前方.jpg")));
        // Nothing stored, nothing left behind: the next capture proposes the
        // folder of before.
        QCOMPARE(KVSettings::instance()->backupPath(), kept);
        QCOMPARE(backupFiles(), before);
        QString proposedFolder;
        QVERIFY(capture([&](KVPopupCapture *d) {
            proposedFolder = d->folderEdit()->text();
            d->reject();
        }));
        QCOMPARE(proposedFolder, QDir::toNativeSeparators(kept));
    }

    void reportOfAPausedRecording()
    {
        ensureLoaded(_demo);
        pause();
        const QString folder = KVApp::path(KVApp::PATH_REPORT);
        const QString day = _demo->start().date().toString(QStringLiteral("yyyyMMdd"));
        QSignalSpy pip(KVApp::instance(), &KVApp::hidePIPForCapture);
        const QString opener = _openerDir + QStringLiteral("/opens.sh");
        QFile::remove(opener + QStringLiteral(".log"));
        QString proposed;
        QVERIFY(report([&](QFileDialog *d) {
            proposed = d->selectedFiles().value(0);
            KVTest::saveScreenshot(d, QStringLiteral("report_save_dialog"));
            static_cast<QDialog *>(d)->accept();
        }));
        const QString first = folder + QStringLiteral("/report_") + day + QStringLiteral(".xlsx");
        QCOMPARE(proposed, first);
        QVERIFY(QFileInfo::exists(first));
        // Handed to the opener, which exits with 0: no warning.
        QTRY_COMPARE(openedBy(opener), QStringList{first});
        QTest::qWait(300);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(pip.count(), 2);
        QCOMPARE(pip.at(0).at(0).toBool(), true);
        QCOMPARE(pip.at(1).at(0).toBool(), false);
        QVERIFY(_player->mainPlayer()->isPaused());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(QDir(KVApp::path(KVApp::PATH_BACKUP)).entryList({"_report*"}).isEmpty());

        const KVTest::XlsxBook book(first);
        QCOMPARE(book.sheetNames(), QStringList{QStringLiteral("Sheet1")});
        QVERIFY(book.sharedStrings().contains(QStringLiteral("交通事故報告書")));
        QCOMPARE(book.cell(QStringLiteral("BF11")), QFileInfo(_demo->frontPath()).fileName());
        QImage shot;
        QVERIFY(shot.loadFromData(book.media(), "JPG"));
        QCOMPARE(shot.size(), _window->size());
        const QRect fit = KVReportPicture::aspectFit(shot.size(), KVReportPicture::kSheetArea);
        QCOMPARE(book.anchor().cx, fit.width() * 12700LL);
        QCOMPARE(book.anchor().cy, fit.height() * 12700LL);
        shot.save(QStringLiteral(KV_BINARY_DIR "/screenshots/report_picture.png"));
        // Kept for a look at the printed form.
        const QString kept = QStringLiteral(KV_BINARY_DIR "/screenshots/report_window.xlsx");
        QFile::remove(kept);
        QFile::copy(first, kept);

        // The next ones count on.
        QVERIFY(report([&](QFileDialog *d) {
            proposed = d->selectedFiles().value(0);
            static_cast<QDialog *>(d)->accept();
        }));
        QCOMPARE(proposed, folder + QStringLiteral("/report_") + day + QStringLiteral("_1.xlsx"));
        QVERIFY(QFileInfo::exists(proposed));
        pip.clear();
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QVERIFY(report([&](QFileDialog *d) {
            proposed = d->selectedFiles().value(0);
            d->reject();
        }));
        QCOMPARE(proposed, folder + QStringLiteral("/report_") + day + QStringLiteral("_2.xlsx"));
        // Cancelled: nothing written, the inset back, still paused.
        QCOMPARE(QDir(folder).entryList(QDir::Files), files);
        QCOMPARE(pip.count(), 2);
        QCOMPARE(pip.at(1).at(0).toBool(), false);
        QVERIFY(_player->mainPlayer()->isPaused());
        QVERIFY(!QGuiApplication::overrideCursor());
        QTRY_COMPARE(openedBy(opener).size(), 2);
    }

    void reportWhilePlayingPauses()
    {
        ensureLoaded(_demo);
        _player->onPlayOrPause();
        QTRY_VERIFY(!_player->mainPlayer()->isPaused());
        bool paused = false;
        QVERIFY(report([&](QFileDialog *d) {
            paused = _player->mainPlayer()->isPaused();
            d->reject();
        }));
        QVERIFY(paused);
        QTest::qWait(300);
        QVERIFY(_player->mainPlayer()->isPaused());
    }

    // The opener says nothing took the report (status 3), or cannot start at
    // all: the report stays and a warning says so once the opener has ended;
    // the window is free while it runs.
    void reportThatCannotBeOpenedWarns()
    {
        ensureLoaded(_demo);
        pause();
        const QString fails = makeOpener(QStringLiteral("fails.sh"), 3, true);
        QVERIFY(!fails.isEmpty());
        KVFileOpener::setProgramForTests(fails);
        const QString folder = KVTest::makeTempDir(QStringLiteral("unopened"));
        auto saveAs = [](const QString &target) {
            return [target](QFileDialog *d) {
                KVTest::typeFileName(d, target);
                static_cast<QDialog *>(d)->accept();
            };
        };
        QStringList warnings;
        auto noteWarning = [&warnings](QMessageBox *box) {
            warnings << box->text();
            box->button(QMessageBox::Ok)->click();
        };
        const QString first = folder + QStringLiteral("/first.xlsx");
        QVERIFY(report(saveAs(first)));
        QVERIFY(QFileInfo::exists(first));
        // The opener has the file and waits for its go; nothing holds the
        // window meanwhile.
        QTRY_COMPARE(openedBy(fails), QStringList{first});
        QVERIFY(!QApplication::activeModalWidget());
        bool warned = false;
        KVTest::whenModal<QMessageBox>(noteWarning, &warned);
        QVERIFY(KVTest::writeFile(fails + QStringLiteral(".go"), "go"));
        QTRY_VERIFY(warned);
        QCOMPARE(warnings,
            QStringList{QStringLiteral("レポートを保存しましたが、開けませんでした。\n")
                + QDir::toNativeSeparators(first)});

        // No opener to start (in English).
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        KVFileOpener::setProgramForTests(_openerDir + QStringLiteral("/missing.sh"));
        warnings.clear();
        const QString second = folder + QStringLiteral("/second.xlsx");
        KVTest::whenModal<QMessageBox>(noteWarning, &warned, 15000);
        QVERIFY(report(saveAs(second)));
        QTRY_VERIFY(warned);
        QVERIFY(QFileInfo::exists(second));
        QCOMPARE(warnings,
            QStringList{QStringLiteral("The report was saved but could not be opened.\n")
                + QDir::toNativeSeparators(second)});
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
        KVFileOpener::setProgramForTests(_openerDir + QStringLiteral("/opens.sh"));
    }

    // The workbook cannot be written (the backup folder, where it is made
    // before it takes the target's place, is a file): the warning names the
    // target and the reason, and the target stays as it was.
    void reportThatCannotBeWrittenSaysWhy()
    {
        ensureLoaded(_demo);
        pause();
        QVERIFY(blockBackupFolder(true));
        const QString target
            = KVTest::makeTempDir(QStringLiteral("unwritten")) + QStringLiteral("/report.xlsx");
        QString text;
        bool warned = false;
        answerWarning(&text, &warned, 15000);
        QVERIFY(report([&](QFileDialog *d) {
            KVTest::typeFileName(d, target);
            static_cast<QDialog *>(d)->accept();
        }));
        QTRY_VERIFY(warned);
        const QString head = QStringLiteral("レポートを保存できませんでした。\n")
            + QDir::toNativeSeparators(target) + QStringLiteral("\n(");
        QVERIFY2(text.startsWith(head) && text.endsWith(QLatin1Char(')'))
                && text.size() > head.size() + 4,
            qPrintable(text));
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(blockBackupFolder(false));
    }

    // The workbook is an .xlsx file and is written under that name: a typed
    // "...xls" name (or one with dots of its own, to which the dialog adds
    // nothing) gets ".xlsx"; a file under that name is replaced only when
    // the user says so.
    void reportNameGetsTheWorkbookEnding()
    {
        ensureLoaded(_demo);
        pause();
        const QString folder = KVTest::makeTempDir(QStringLiteral("typed"));
        auto saveAs = [](const QString &typed, std::function<void()> before = {}) {
            return [typed, before](QFileDialog *d) {
                if (before)
                    before();
                KVTest::typeFileName(d, typed);
                static_cast<QDialog *>(d)->accept();
            };
        };
        QVERIFY(report(saveAs(folder + QStringLiteral("/typed.xls"))));
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), QStringList{"typed.xlsx"});
        QCOMPARE(KVTest::XlsxBook(folder + QStringLiteral("/typed.xlsx")).sheetNames(),
            QStringList{QStringLiteral("Sheet1")});

        const QString dated = folder + QStringLiteral("/Unfall 12.05.2026.xlsx");
        QVERIFY(KVTest::writeFile(dated, "the user's own"));
        int questions = 0;
        QString asked;
        auto answer = [&](bool overwrite) {
            return [&, overwrite] {
                KVTest::whenModal<KVDialogOverwriteSys>([&, overwrite](KVDialogOverwriteSys *q) {
                    ++questions;
                    asked = q->nameLabel() ? q->nameLabel()->text() : QString();
                    (overwrite ? q->overwriteButton() : q->skipButton())->click();
                });
            };
        };
        QVERIFY(report(saveAs(folder + QStringLiteral("/Unfall 12.05.2026"), answer(false))));
        QTest::qWait(200);
        QCOMPARE(questions, 1);
        QCOMPARE(asked, QStringLiteral("Unfall 12.05.2026.xlsx"));
        QCOMPARE(KVTest::readFile(dated), QByteArray("the user's own"));
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
            (QStringList{"Unfall 12.05.2026.xlsx", "typed.xlsx"}));
        QVERIFY(!QGuiApplication::overrideCursor());

        QVERIFY(report(saveAs(folder + QStringLiteral("/Unfall 12.05.2026"), answer(true))));
        QTest::qWait(200);
        QCOMPARE(questions, 2);
        QCOMPARE(KVTest::XlsxBook(dated).sheetNames(), QStringList{QStringLiteral("Sheet1")});
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
            (QStringList{"Unfall 12.05.2026.xlsx", "typed.xlsx"}));
    }

    // A click on the position slider while playing, and at once (before the
    // new picture is on screen) F5, F3 or a pause: the pause that follows must
    // not leave the name of the capture, the report, the time and the
    // sensor displays at the moment before the click.
    // F3 right after F5: the capture under way goes on to its dialog; the
    // report is not started over it (the capture's picture, coming during
    // the report, was thrown away without a word).
    void reportIsNotStartedDuringACapture()
    {
        loadPlaying(_demo);
        bool reportAsked = false, captureShown = false;
        QElapsedTimer armed;
        armed.start();
        KVTest::whenModal<QFileDialog>([](QFileDialog *d) { d->reject(); }, &reportAsked, 3000);
        KVTest::whenModal<KVPopupCapture>(
            [&](KVPopupCapture *d) { d->cancelButton()->click(); }, &captureShown, 8000);
        QTest::keyClick(_window, Qt::Key_F5);
        QVERIFY(_player->isCaptureRunning());
        QTest::keyClick(_window, Qt::Key_F3);
        QTRY_VERIFY_WITH_TIMEOUT(captureShown, 9000);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QGuiApplication::overrideCursor());
        // The watch for a report dialog (which holds reportAsked) must be
        // over before this test ends and the next one opens such a dialog.
        QTest::qWait(int(std::max<qint64>(0, 3200 - armed.elapsed())));
        QVERIFY(!reportAsked);
    }

    void seekWhilePlayingThenCaptureOrReport()
    {
        KVSlider *slider = _window->playSlider()->slider();
        const auto clickAt = [&](double fraction) {
            const int x = int(10 + fraction * (slider->width() - 20));
            const int value = slider->valueAt(x);
            QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, slider->height() / 2));
            return value;
        };
        const auto startPlaying = [&] {
            loadPlaying(_demo);
            QTRY_VERIFY(_window->playSlider()->slider()->isEnabled());
            QVERIFY(_player->displayPosition() < 1500);
        };

        // F5
        startPlaying();
        bool ran = false;
        QString proposed, saved;
        KVTest::whenModal<KVPopupCapture>(
            [&](KVPopupCapture *d) {
                proposed = d->nameEdit()->text();
                saved = d->finalPaths().value(0);
                QFile::remove(saved); // (no question about an earlier picture)
                d->saveButton()->click();
            },
            &ran, 8000);
        const int target = clickAt(0.6);
        QVERIFY(target > 3000);
        QTest::keyClick(_window, Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(ran, 9000);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        kvm::AVPlayer *main = _player->mainPlayer();
        QVERIFY(main->isPaused());
        QVERIFY2(
            qAbs(main->position() - target) < 100, qPrintable(QString::number(main->position())));
        QCOMPARE(proposed, _demo->captureBaseName(_player->displayPosition()));
        checkDisplaysShowThePicture();
        if (QTest::currentTestFailed())
            return;
        QImage picture;
        QVERIFY(picture.load(saved, "JPG"));
        QVERIFY(qAbs(kvm::readFrameStrip(picture) * 1000 / 30 - main->position()) < 100);
        QFile::remove(saved);

        // F3
        startPlaying();
        const QString workbook
            = KVTest::makeTempDir(QStringLiteral("seekreport")) + QStringLiteral("/seek.xlsx");
        ran = false;
        KVTest::whenModal<QFileDialog>(
            [&](QFileDialog *d) {
                KVTest::typeFileName(d, workbook);
                static_cast<QDialog *>(d)->accept();
            },
            &ran, 5000);
        const int reported = clickAt(0.5);
        QTest::keyClick(_window, Qt::Key_F3);
        QTRY_VERIFY_WITH_TIMEOUT(ran, 6000);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 20000);
        QTRY_VERIFY(QFileInfo::exists(workbook));
        QVERIFY(main->isPaused());
        QVERIFY(qAbs(main->position() - reported) < 100);
        const KVReportFacts facts
            = KVReportFacts::fromRecording(_demo, main->position(), main->duration());
        const KVTest::XlsxBook book(workbook);
        QCOMPARE(book.cell(QStringLiteral("BF14")), facts.momentText());
        QCOMPARE(book.cell(QStringLiteral("BF13")), facts.positionText());
        checkDisplaysShowThePicture();
        if (QTest::currentTestFailed())
            return;

        // The pause (button or Space)
        startPlaying();
        const int paused = clickAt(0.7);
        _player->onPlayOrPause(); // what the play button and Space call
        QTRY_VERIFY(main->isPaused());
        QTest::qWait(500);
        QVERIFY(qAbs(main->position() - paused) < 100);
        checkDisplaysShowThePicture();
        if (QTest::currentTestFailed())
            return;
    }

    void heldSeekKeyIgnoresRequests()
    {
        ensureLoaded(_demo);
        pause();
        KVKeyEvent *keys = KVKeyEvent::instance();
        keys->setEnabled(true);
        keys->keyPressed(Qt::Key_Left);
        QVERIFY(keys->isKeyHeld());
        QSignalSpy pip(KVApp::instance(), &KVApp::hidePIPForCapture);
        bool asked = false;
        KVTest::whenModal<QDialog>([](QDialog *d) { d->reject(); }, &asked, 1500);
        _window->onStartCapture();
        _window->onStartReport();
        QTest::qWait(1800);
        QVERIFY(!asked);
        QCOMPARE(pip.count(), 0);
        QVERIFY(!_player->isCaptureRunning());
        keys->keyReleased(Qt::Key_Left);
        QVERIFY(!keys->isKeyHeld());
    }

    void mapAreaBlankWithoutPositions()
    {
        loadPlaying(_plain.data());
        pause();
        const QString target
            = KVTest::makeTempDir(QStringLiteral("plainreport")) + QStringLiteral("/plain.xlsx");
        QVERIFY(report([&](QFileDialog *d) {
            KVTest::typeFileName(d, target);
            static_cast<QDialog *>(d)->accept();
        }));
        const KVTest::XlsxBook book(target);
        QImage shot;
        QVERIFY(shot.loadFromData(book.media(), "JPG"));
        shot.save(QStringLiteral(KV_BINARY_DIR "/screenshots/report_picture_no_positions.png"));
        // The map's part of the picture is white (JPEG: nearly).
        const QRect area(mapAreaInWindow(), KVReportPicture::kMapSize);
        // (JPEG blocks next to the video ring a little: 12 pixels off the edges.)
        for (int y = area.top() + 12; y < area.bottom() - 12; y += 16)
            for (int x = area.left() + 12; x < qMin(area.right(), shot.width()) - 12; x += 16)
                QVERIFY2(qGray(shot.pixel(x, y)) > 240,
                    qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    void mapAreaIsTheShownMap()
    {
        KVDialogMap *map = KVDialogMap::existing();
        if (!map)
            QSKIP("the window has no map");
        if (_player->item() != _demo)
            loadPlaying(_demo);
        QVERIFY(map->hasPosition());
        QTRY_VERIFY_WITH_TIMEOUT(map->mapWidget()->isPageLoaded(), 20000);
        QTest::qWait(1500); // the track drawn
        pause();
        const QImage shown
            = map->mapWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!shown.isNull());
        const QString target
            = KVTest::makeTempDir(QStringLiteral("mapreport")) + QStringLiteral("/map.xlsx");
        QVERIFY(report([&](QFileDialog *d) {
            KVTest::typeFileName(d, target);
            static_cast<QDialog *>(d)->accept();
        }));
        const KVTest::XlsxBook book(target);
        QImage shot;
        QVERIFY(shot.loadFromData(book.media(), "JPG"));
        shot.save(QStringLiteral(KV_BINARY_DIR "/screenshots/report_picture_map.png"));
        // The map's part of the picture is the map as shown (JPEG: close).
        const QPoint at = mapAreaInWindow();
        qint64 difference = 0, samples = 0, white = 0;
        for (int y = 8; y < 274 - 8; y += 4) {
            for (int x = 8; x < 392 - 8; x += 4) {
                const QRgb a = shot.pixel(at + QPoint(x, y));
                const QRgb b = shown.pixel(x, y);
                difference += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                    + qAbs(qBlue(a) - qBlue(b));
                white += qGray(a) > 240 ? 1 : 0;
                ++samples;
            }
        }
        QVERIFY2(difference / (3 * samples) < 12,
            qPrintable(QString::number(difference / (3 * samples))));
        QVERIFY(white < samples); // not the blank of a recording without positions
    }

    void englishTexts()
    {
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        QStringList captures{
            backup() + QStringLiteral("/NORM201221-102047_201221-102050_CH1_3000.jpg")};
        KVPopupCapture popup(_window, &captures);
        QCOMPARE(popup.titleWidget()->titleLabel()->text(), QStringLiteral("Save Capture"));
        QCOMPARE(popup.headerLabel()->text(), QStringLiteral("Save capture file in JPEG"));
        QCOMPARE(popup.saveButton()->text(), QStringLiteral("Save"));
        QCOMPARE(popup.folderButton()->text(), QStringLiteral("Other.."));
        QCOMPARE(popup.nameEdit()->text(), QStringLiteral("NORM201221-102047_201221-102050"));
        popup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        QVERIFY(!KVTest::saveScreenshot(&popup, QStringLiteral("popup_capture_en")).isEmpty());
        popup.reject();
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
    }

    void cleanupTestCase()
    {
        KVFileOpener::setProgramForTests(QString());
        closeMedia();
    }

private:
    // The time label, the speed, the coordinates and the graph's cursor show
    // the moment of the main picture.
    void checkDisplaysShowThePicture()
    {
        kvm::AVPlayer *main = _player->mainPlayer();
        const qint64 at = main->position();
        const qint64 total = main->duration();
        QVERIFY(qAbs(main->presentedFrame().frameNumber() * 1000 / 30 - at) < 100);
        const qint64 shown = KVPlaySlider::displayPosition(at, total, double(_demo->duration()));
        QCOMPARE(_player->displayPosition(), shown);
        QCOMPARE(_window->playSlider()->currentLabel()->text(), KVVideoItem::positionText(shown));
        const KVSensorData *data = _demo->sensorData();
        QVERIFY(data && data->hasPosition());
        const QList<LXSpeedFrame *> speeds = _window->findChildren<LXSpeedFrame *>();
        QVERIFY(!speeds.isEmpty());
        const double speed = LXSpeedFrame::speedAt(*data, at, total);
        for (LXSpeedFrame *f : speeds)
            QCOMPARE(f->speedWidget()->speed(), speed >= 0.0 ? int(speed) : -1);
        double latitude = 0.0, longitude = 0.0;
        QVERIFY(LXFrameGPS::positionAt(*data, at, total, &latitude, &longitude));
        const QList<LXFrameGPS *> gps = _window->findChildren<LXFrameGPS *>();
        QVERIFY(!gps.isEmpty());
        for (LXFrameGPS *f : gps)
            QCOMPARE(f->latitudeLabel()->text(), QString::asprintf("%.06f", latitude));
        for (KVGraphWidget *g : _window->findChildren<KVGraphWidget *>())
            if (g->cursorColumn() >= 0)
                QCOMPARE(g->cursorColumn(), int(qint64(g->width()) * at / total));
    }

    // The map area's top-left corner in the window (the right column's map).
    QPoint mapAreaInWindow() const
    {
        return _window->rightFrame()->mapAnchor()->mapTo(_window, QPoint(0, 0));
    }

    void closeMedia()
    {
        EventLog log(_player);
        _player->closeMedia();
        log.waitFor(PLAY_STOPPED, 3000);
    }
};

KV_TEST_MAIN(TestCaptureReport)
#include "tst_capture_report.moc"
