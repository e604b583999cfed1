// The backup's dialogs under Xvfb: the overwrite question with and without
// its check box in both languages, the capture's question, Return in the
// pop-ups (OK, or Skip where a file would be replaced), and whole backups
// of a real recording through KVBackupController: the question when both
// target files exist (skip, overwrite, cancel), the progress pop-up reaching
// 364, and a target that cannot be written ending with the failure message.
// Screenshots go to the build folder's screenshots/.

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "data/kv_backup_handover.h"
#include "data/kv_verified_copy.h"
#include "data/kv_video_file_list.h"
#include "kv_fixture_files.h"
#include "kv_modal_driver.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_window_test_util.h"
#include "ui/kv_backup_controller.h"
#include "ui/kv_button.h"
#include "ui/kv_dialog_overwrite.h"
#include "ui/kv_dialog_overwrite_sys.h"
#include "ui/kv_dialog_progress.h"
#include "ui/kv_popup_message.h"
#include "ui/kv_title_widget.h"
#include "ui/kv_widget_check_box.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

class TestBackupDialogs : public QObject
{
    Q_OBJECT

    QWidget *_window = nullptr;
    KVBackupController *_controller = nullptr;
    QString _source;
    // Noted when backupEnd arrives, before the controller removes the
    // progress pop-up.
    int _barAtEnd = -1;
    bool _progressShownAtEnd = false;
    int _ends = 0;

    KVVideoFileList *list() { return KVVideoFileList::instance(); }

    static QString titleOf(KVPopup *popup)
    {
        return popup->titleWidget()->titleLabel() ? popup->titleWidget()->titleLabel()->text()
                                                  : QString();
    }

    void selectRecording(const QString &key)
    {
        _source = KVTest::makeTempDir(QStringLiteral("card"));
        QVERIFY(KVFixture::writeTinyMp4(_source + "/" + key + "F.MP4", 5000));
        QVERIFY(KVFixture::writeTinyMp4(_source + "/" + key + "R.MP4", 6000));
        QCOMPARE(list()->buildFolderNow(_source), 2);
        QCOMPARE(list()->visibleItems().size(), 1);
        list()->setCurrentItem(list()->visibleItems().at(0));
    }

    bool runBackup(const QString &target)
    {
        const int ends = _ends;
        _barAtEnd = -1;
        _progressShownAtEnd = false;
        if (!list()->startBackup(target))
            return false;
        return QTest::qWaitFor([&] { return _ends > ends && !KVDialogProgress::current(); }, 20000);
    }

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        _window = new QWidget();
        _window->resize(900, 700);
        _window->setStyleSheet(QStringLiteral("background-color: #202020;"));
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        KVApp::instance()->setMainWindow(_window);
        // Connected before the controller, so this runs first on backupEnd.
        connect(list(), &KVVideoFileList::backupEnd, this, [this] {
            ++_ends;
            if (KVDialogProgress *progress = KVDialogProgress::current()) {
                _barAtEnd = progress->progressBar()->value();
                _progressShownAtEnd = progress->isVisible();
                if (QTest::currentTestFunction() == QByteArray("backupWithoutConflict"))
                    KVTest::saveScreenshot(progress, QStringLiteral("backup_progress"));
            }
        });
        _controller = new KVBackupController(this);
    }

    void cleanupTestCase()
    {
        KVApp::instance()->setMainWindow(nullptr);
        delete _window;
    }

    void overwriteQuestion()
    {
        QCOMPARE(KVLanguage::instance()->language(), KVLanguage::LANGUAGE_JAPANESE);
        {
            KVDialogOverwrite one(_window, QStringLiteral("NORM201221-102047F.MP4"), 1);
            QCOMPARE(titleOf(&one), QStringLiteral("ファイルの保存"));
            QCOMPARE(one.headerLabel()->objectName(), QStringLiteral("text_header_label"));
            QCOMPARE(one.headerLabel()->text(),
                QStringLiteral("この場所に同じ名前のファイルがあります。"));
            QCOMPARE(one.nameLabel()->text(), QStringLiteral("NORM201221-102047F.MP4"));
            QVERIFY(!one.applyToNextBox());
            QVERIFY(!one.findChild<QCheckBox *>());
            QCOMPARE(one.skipButton()->text(), QStringLiteral("スキップ"));
            QCOMPARE(one.overwriteButton()->text(), QStringLiteral("置き換える"));
            QCOMPARE(one.cancelButton()->text(), QStringLiteral("キャンセル"));
            for (KVButton *b : {one.skipButton(), one.overwriteButton(), one.cancelButton()})
                QCOMPARE(b->objectName(), QStringLiteral("popup_button"));
            one.show();
            QVERIFY(QTest::qWaitForWindowExposed(&one));
            QVERIFY(
                !KVTest::saveScreenshot(&one, QStringLiteral("dialog_overwrite_one")).isEmpty());
            one.overwriteButton()->click();
            QCOMPARE(one.result(), int(QDialog::Accepted));
            QCOMPARE(one.answer(), int(KVBackupHandover::ANSWER_OVERWRITE));
        }
        {
            KVDialogOverwrite many(_window, QStringLiteral("PARK201221-102047R.MP4"), 3);
            QVERIFY(many.applyToNextBox());
            QCOMPARE(many.applyToNextBox()->objectName(), QStringLiteral("popup"));
            QCOMPARE(
                many.applyToNextBox()->text(), QStringLiteral("同じ処理を次の3個の競合に適用"));
            many.applyToNextBox()->setChecked(true);
            many.show();
            QVERIFY(QTest::qWaitForWindowExposed(&many));
            QVERIFY(
                !KVTest::saveScreenshot(&many, QStringLiteral("dialog_overwrite_many")).isEmpty());
            many.skipButton()->click();
            QCOMPARE(many.answer(),
                int(KVBackupHandover::ANSWER_SKIP | KVBackupHandover::ANSWER_APPLY_TO_NEXT));
        }
        {
            KVDialogOverwrite cancelled(_window, QStringLiteral("X.MP4"), 2);
            cancelled.show();
            cancelled.cancelButton()->click();
            QCOMPARE(cancelled.result(), int(QDialog::Rejected));
            QCOMPARE(cancelled.answer(), 0);
        }
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        {
            KVDialogOverwrite english(_window, QStringLiteral("EVEN201221-102047F.MP4"), 12);
            QCOMPARE(titleOf(&english), QStringLiteral("Backup files"));
            QCOMPARE(english.headerLabel()->text(), QStringLiteral("File already exists."));
            QCOMPARE(english.applyToNextBox()->text(), QStringLiteral("Apply to next 12 files."));
            QCOMPARE(english.skipButton()->text(), QStringLiteral("Skip"));
            QCOMPARE(english.overwriteButton()->text(), QStringLiteral("Overwrite"));
            QCOMPARE(english.cancelButton()->text(), QStringLiteral("Cancel"));
            english.show();
            QVERIFY(QTest::qWaitForWindowExposed(&english));
            QVERIFY(
                !KVTest::saveScreenshot(&english, QStringLiteral("dialog_overwrite_en")).isEmpty());
            english.overwriteButton()->click();
            QCOMPARE(english.answer(), int(KVBackupHandover::ANSWER_OVERWRITE));
        }
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
    }

    void captureQuestion()
    {
        KVDialogOverwriteSys sys(_window, QStringLiteral("NORM201221-102047_*.jpg"));
        QCOMPARE(titleOf(&sys), QStringLiteral("ファイルの保存"));
        QCOMPARE(
            sys.headerLabel()->text(), QStringLiteral("この場所に同じ名前のファイルがあります。"));
        QCOMPARE(sys.headerLabel()->styleSheet(), QStringLiteral("font-size: 13px;"));
        QCOMPARE(sys.skipButton()->styleSheet(), QStringLiteral("font-size: 14px;"));
        sys.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sys));
        QVERIFY(!KVTest::saveScreenshot(&sys, QStringLiteral("dialog_overwrite_sys")).isEmpty());
        sys.overwriteButton()->click();
        QCOMPARE(sys.result(), int(QDialog::Accepted));
        sys.show();
        sys.skipButton()->click();
        QCOMPARE(sys.result(), int(QDialog::Rejected));
    }

    // The pop-ups' buttons never take the focus, yet Return answers: OK
    // closes a message, and both "file exists" questions answer Skip, never
    // Overwrite. (A pop-up Return leaves open ends with kStillOpen.)
    void returnPressesTheDefaultButton()
    {
        static constexpr int kStillOpen = 42;
        auto pressReturn = [](QDialog *dialog) {
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus && focus->window() == dialog ? focus : dialog, Qt::Key_Return);
            if (dialog->isVisible())
                dialog->done(kStillOpen);
        };
        {
            KVPopupMessage message(
                _window, QStringLiteral("ファイルがありません。"), QStringLiteral("注意"));
            KVTest::whenModal<KVPopupMessage>(pressReturn);
            QCOMPARE(message.exec(), int(QDialog::Accepted));
        }
        {
            KVDialogOverwrite backup(_window, QStringLiteral("NORM201221-102047F.MP4"), 3);
            backup.applyToNextBox()->setChecked(true);
            KVTest::whenModal<KVDialogOverwrite>(pressReturn);
            QCOMPARE(backup.exec(), int(QDialog::Accepted));
            QCOMPARE(backup.answer(),
                int(KVBackupHandover::ANSWER_SKIP | KVBackupHandover::ANSWER_APPLY_TO_NEXT));
        }
        {
            KVDialogOverwriteSys capture(_window, QStringLiteral("NORM201221-102047_*.jpg"));
            QSignalSpy skipped(capture.skipButton(), &QPushButton::clicked);
            KVTest::whenModal<KVDialogOverwriteSys>(pressReturn);
            QCOMPARE(capture.exec(), int(QDialog::Rejected));
            QCOMPARE(skipped.count(), 1);
        }
    }

    // A backup into an empty folder: the progress pop-up is shown and full,
    // both files are copied and no message follows.
    void backupWithoutConflict()
    {
        selectRecording(QStringLiteral("NORM201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        bool asked = false;
        KVTest::whenModal<QDialog>([](QDialog *d) { d->reject(); }, &asked, 1500);
        QVERIFY(runBackup(target));
        QVERIFY(_progressShownAtEnd);
        QCOMPARE(_barAtEnd, 364);
        QCOMPARE(QDir(target).entryList(QDir::Files),
            (QStringList{"NORM201221-102047F.MP4", "NORM201221-102047R.MP4"}));
        QTest::qWait(1600);
        QVERIFY(!asked); // neither question nor failure message
        QVERIFY(!QApplication::overrideCursor());
    }

    // Both files present: one question without check box decides both.
    void questionDecidesTheRecording_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("skip") << "skip" << false;
        QTest::newRow("overwrite") << "overwrite" << true;
        QTest::newRow("cancel") << "cancel" << false;
        QTest::newRow("escape") << "escape" << false;
    }
    void questionDecidesTheRecording()
    {
        QFETCH(QString, button);
        QFETCH(bool, replaced);
        selectRecording(QStringLiteral("EVEN201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        QVERIFY(KVTest::writeFile(target + "/EVEN201221-102047F.MP4", "old front"));
        QVERIFY(KVTest::writeFile(target + "/EVEN201221-102047R.MP4", "old rear"));

        int questions = 0;
        bool progressHidden = false;
        bool hasBox = true;
        QString shownName;
        std::function<void(KVDialogOverwrite *)> answer = [&](KVDialogOverwrite *d) {
            ++questions;
            progressHidden
                = KVDialogProgress::current() && !KVDialogProgress::current()->isVisible();
            hasBox = d->applyToNextBox() != nullptr;
            shownName = d->nameLabel()->text();
            if (button == "skip")
                d->skipButton()->click();
            else if (button == "overwrite")
                d->overwriteButton()->click();
            else if (button == "cancel")
                d->cancelButton()->click();
            else
                QTest::keyClick(d, Qt::Key_Escape);
        };
        KVTest::whenModal<KVDialogOverwrite>(answer);
        QVERIFY(runBackup(target));
        QCOMPARE(questions, 1);
        QVERIFY(progressHidden);
        QVERIFY(!hasBox);
        QCOMPARE(shownName, QStringLiteral("EVEN201221-102047F.MP4"));
        QCOMPARE(KVTest::readFile(target + "/EVEN201221-102047F.MP4") != "old front", replaced);
        QCOMPARE(KVTest::readFile(target + "/EVEN201221-102047R.MP4") != "old rear", replaced);
        if (replaced)
            QCOMPARE(KVTest::readFile(target + "/EVEN201221-102047R.MP4"),
                KVTest::readFile(_source + "/EVEN201221-102047R.MP4"));
        QCOMPARE(
            QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
            2);
        // The pop-up came back after the question (or the backup ended).
        QCOMPARE(_barAtEnd, button == "cancel" || button == "escape" ? 0 : 364);
        QVERIFY(!KVVideoFileList::isBackupRunning());
        QVERIFY(!QApplication::overrideCursor());
    }

    void cancelBeforeTheQuestionArrives()
    {
        // The worker waits for an answer and its question is still queued
        // when a cancel (clicked earlier) ends the wait: no question may be
        // shown then, since its answer would go nowhere and the old files
        // stay as they are.
        selectRecording(QStringLiteral("EVEN201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        QVERIFY(KVTest::writeFile(target + "/EVEN201221-102047F.MP4", "old front"));
        QVERIFY(KVTest::writeFile(target + "/EVEN201221-102047R.MP4", "old rear"));
        bool asked = false;
        KVTest::whenModal<KVDialogOverwrite>(
            [](KVDialogOverwrite *d) { d->overwriteButton()->click(); }, &asked, 3000);
        const int ends = _ends;
        QVERIFY(list()->startBackup(target));
        // No event is handled here: the worker's question stays queued.
        KVBackupHandover &handover = KVBackupHandover::instance();
        QDeadlineTimer deadline(10000);
        while (!handover.isWaiting() && !deadline.hasExpired())
            QThread::msleep(5);
        QVERIFY(handover.isWaiting());
        KVVideoFileList::cancelBackup();
        QVERIFY(handover.waitForFinish(10000));
        QVERIFY(
            QTest::qWaitFor([&] { return _ends > ends && !KVDialogProgress::current(); }, 10000));
        QTest::qWait(300);
        QVERIFY(!asked);
        QCOMPARE(_ends, ends + 1);
        QCOMPARE(KVTest::readFile(target + "/EVEN201221-102047F.MP4"), QByteArray("old front"));
        QCOMPARE(KVTest::readFile(target + "/EVEN201221-102047R.MP4"), QByteArray("old rear"));
        QVERIFY(!QApplication::overrideCursor());
    }

    // The target "folder" is a file: nothing can be made there; the message
    // names both files and the reason.
    void failuresAreNamed()
    {
        selectRecording(QStringLiteral("PARK201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup")) + "/not a folder";
        QVERIFY(KVTest::writeFile(target, "a file"));
        bool shown = false;
        QString header;
        QString details;
        QString title;
        KVTest::whenModal<KVPopupMessage>(
            [&](KVPopupMessage *m) {
                header = m->messageLabel()->text();
                title = titleOf(m);
                const auto labels = m->findChildren<QLabel *>(QStringLiteral("text_normal_label"));
                if (!labels.isEmpty())
                    details = labels.first()->text();
                KVTest::saveScreenshot(m, QStringLiteral("backup_failures"));
                m->okButton()->click();
            },
            &shown);
        QVERIFY(runBackup(target));
        QVERIFY(QTest::qWaitFor([&] { return shown; }, 5000));
        QCOMPARE(header, QStringLiteral("コピーできなかったファイルがあります。"));
        QCOMPARE(title, QStringLiteral("注意"));
        QVERIFY2(details.contains("PARK201221-102047F.MP4"), qPrintable(details));
        QVERIFY2(details.contains("PARK201221-102047R.MP4"), qPrintable(details));
        QVERIFY2(details.contains(QStringLiteral("保存先に書き込めません")), qPrintable(details));
        QCOMPARE(QFileInfo(target).isFile(), true);
    }

    void failureTextInEnglish()
    {
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        const KVBackupFailureList failures{
            {"/card/a.mp4", "/usb/A.MP4", KVVerifiedCopy::FAILURE_VERIFY, {}},
            {"/card/b.mp4", "/usb/B.MP4", KVVerifiedCopy::FAILURE_WRITE,
                "No space left on device"}};
        QCOMPARE(KVBackupController::failureText(failures),
            QStringLiteral("A.MP4: The copy differs from the original.\n"
                           "B.MP4: Writing broke off (disk full?). (No space left on device)"));
        KVPopupMessage *m = KVBackupController::createFailureMessage(_window, failures);
        QCOMPARE(m->messageLabel()->text(), QStringLiteral("Some files could not be copied."));
        QCOMPARE(titleOf(m), QStringLiteral("Warning"));
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        QVERIFY(!KVTest::saveScreenshot(m, QStringLiteral("backup_failures_en")).isEmpty());
        delete m;
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
    }

    // The open-card pop-up shares the dialog: its Cancel must not leave a
    // wait cursor behind when no backup runs.
    void progressPopUp()
    {
        KVDialogProgress *p = KVDialogProgress::open(_window, QStringLiteral("ファイルOPEN"));
        QCOMPARE(KVDialogProgress::current(), p);
        QCOMPARE(p->progressBar()->maximum(), 364);
        QCOMPARE(p->progressBar()->value(), 0);
        QVERIFY(!p->progressBar()->isTextVisible());
        QCOMPARE(p->cancelButton()->text(), QStringLiteral("キャンセル"));
        QVERIFY(!p->isModal());
        QVERIFY(QTest::qWaitForWindowExposed(p));
        p->onUpdateValue(182);
        QVERIFY(!KVTest::saveScreenshot(p, QStringLiteral("dialog_progress_open")).isEmpty());
        p->cancelButton()->click();
        QVERIFY(!QApplication::overrideCursor());
        QPointer<KVDialogProgress> first = p;
        KVDialogProgress *second
            = KVDialogProgress::open(_window, QStringLiteral("バックアップ中"));
        QVERIFY(!first); // replaced
        QCOMPARE(KVDialogProgress::current(), second);
        KVDialogProgress::close();
        QVERIFY(!KVDialogProgress::current());
    }
};

KV_TEST_MAIN(TestBackupDialogs)
#include "tst_backup_dialogs.moc"
