// The recording list in the real main window under Xvfb, on a korvid-mkcard
// card played by the player with the "Null" renderer: opening a folder
// through the folder picker (progress pop-up during the scan, the table
// filled, type buttons enabled with "all" checked; a folder without
// recordings leaves everything in place and says so), the type buttons'
// masks, double click, Page Down / Page Up and the play bar's next/previous
// with and without a loaded recording, the row following the automatic
// advance, a language change keeping the selection, backup through the
// backup button (upper-case copies, the question for existing files, a
// target that cannot be written), a vanished file, and a folder given on
// the command line or dropped on the window. Screenshots in screenshots/.

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "kv_fixture_files.h"
#include "kv_modal_driver.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_window_test_util.h"
#include "ui/kv_button.h"
#include "ui/kv_dialog_overwrite.h"
#include "ui/kv_dialog_progress.h"
#include "ui/kv_frame_list.h"
#include "ui/kv_frame_play.h"
#include "ui/kv_frame_right.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_popup_message.h"
#include "ui/kv_title_widget.h"
#include "ui/kv_widget_video_list.h"
#include "ui/kv_window_main.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QtTest>

#include <unistd.h>

class TestListWindow : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;
    KVFrameList *_frame = nullptr;
    KVWidgetVideoList *_table = nullptr;
    KVPlayer *_player = nullptr;
    QString _card;
    QStringList _fronts;

    KVVideoFileList *list() { return KVVideoFileList::instance(); }

    static QString titleOf(KVPopup *popup)
    {
        return popup->titleWidget()->titleLabel() ? popup->titleWidget()->titleLabel()->text()
                                                  : QString();
    }

    QPoint cellCentre(int row, int column)
    {
        _table->scrollTo(_table->model()->index(row, column));
        return _table->visualRect(_table->model()->index(row, column)).center();
    }

    // As the window system delivers a double click: press, release, then
    // the second press as a double-click event, release.
    void doubleClick(int row, int column)
    {
        const QPoint at = cellCentre(row, column);
        QWidget *viewport = _table->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }

    // Picks folder in the picker that onOpen (or onBackup) shows; the
    // dialog's title and starting folder are noted.
    void pickInDialog(const QString &folder, QString *title = nullptr, QString *start = nullptr)
    {
        KVTest::whenModal<QFileDialog>([=](QFileDialog *dialog) {
            if (title)
                *title = dialog->windowTitle();
            if (start)
                *start = dialog->directory().absolutePath();
            // The folder itself is made the dialog's folder, with nothing
            // typed or selected: chosen by its name from the parent's
            // listing, the choice could be cleared when that listing comes
            // in, and the parent was taken.
            dialog->setDirectory(folder);
            if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->clear();
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }

    // Waits for the end of a scan (listUpdateEnd(true)).
    bool waitForScan(QSignalSpy &ends)
    {
        for (int i = 0; i < 200; ++i) {
            for (const QList<QVariant> &args : std::as_const(ends))
                if (args.at(0).toBool())
                    return true;
            QTest::qWait(50);
        }
        return false;
    }

    void stopPlayer()
    {
        KVPlayerFixture::EventLog log(_player);
        _player->onUserStop();
        QTRY_VERIFY(!_player->item());
        QTRY_VERIFY(!KVVideoFileList::loadInProgress());
    }

    // Double-clicks the row and waits until its recording has loaded.
    void playRow(int row)
    {
        KVPlayerFixture::EventLog log(_player);
        KVVideoItem *item = _table->itemAt(row);
        doubleClick(row, KVWidgetVideoList::COLUMN_NAME);
        QVERIFY(log.waitFor(PLAY_LOADED, 10000));
        QCOMPARE(_player->item(), item);
    }

    // Keys reach the application's shortcuts only while one of its windows
    // is active.
    void activate()
    {
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
    }

    // Runs action, answers the message it shows (saving a screenshot under
    // name) and returns the message's text.
    QString messageFor(const QString &name, const std::function<void()> &action)
    {
        QString text;
        int shown = 0;
        std::function<void(KVPopupMessage *)> answer = [&](KVPopupMessage *m) {
            ++shown;
            text = m->messageLabel()->text();
            KVTest::saveScreenshot(m, name);
            m->okButton()->click();
        };
        KVTest::whenModal<KVPopupMessage>(answer);
        action();
        if (!QTest::qWaitFor([&] { return shown > 0; }, 5000))
            qWarning() << "no message came";
        return text;
    }

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        _player = KVPlayerFixture::nullPlayer();
        _window = WindowMain::instance();
        _window->move(20, 20);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        _frame = KVFrameList::instance();
        _table = _frame->table();
        _card = KVTest::makeTempDir(QStringLiteral("card"));
        QString error;
        _fronts = KVPlayerFixture::makeCard(_card, 3, 8, &error);
        QVERIFY2(_fronts.size() == 8, qPrintable(error));
    }

    void cleanupTestCase()
    {
        stopPlayer();
        delete _window;
    }

    void frameLayout()
    {
        QCOMPARE(_window->rightFrame()->listFrame(), _frame);
        QCOMPARE(_frame->objectName(), QStringLiteral("border_frame"));
        QCOMPARE(_frame->backupButton()->size(), QSize(44, 24));
        QCOMPARE(_frame->backupButton()->toolTip(), QStringLiteral("コピー"));
        QVERIFY(!_frame->headerLabel()->pixmap().isNull());
        const QList<LXButton *> types = _frame->typeButtons();
        QCOMPARE(types.size(), 5);
        const QList<int> masks{15, 1, 2, 8, 4};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(types.at(i)->value(), masks.at(i));
            QCOMPARE(types.at(i)->size(), QSize(78, 28));
            QVERIFY(types.at(i)->isCheckable());
            QVERIFY(!types.at(i)->isEnabled());
            if (i > 0)
                QVERIFY(types.at(i)->x() > types.at(i - 1)->x());
        }
        QCOMPARE(_table->width(), 390);
        QVERIFY(_table->y() > types.first()->mapTo(_frame, QPoint(0, 0)).y());
    }

    // A folder without recordings: the user is told, nothing else changes.
    void folderWithoutRecordings()
    {
        const QString empty = KVTest::makeTempDir(QStringLiteral("empty"));
        KVTest::writeFile(empty + "/notes.txt", "no videos here");
        QSignalSpy started(list(), &KVVideoFileList::listUpdateStarted);
        QString title;
        pickInDialog(empty, &title);
        // The play bar's open button runs the list frame's open flow.
        const QString text = messageFor(QStringLiteral("list_message_empty"), [&] {
            if (_window->framePlay())
                QTest::mouseClick(_window->framePlay()->openButton(), Qt::LeftButton);
            else
                _frame->onOpen();
        });
        QCOMPARE(title, KVLanguage::lookupJapanese(QStringLiteral("open_message")));
        QVERIFY2(
            text.startsWith(QStringLiteral("録画ファイルが見つかりません。")), qPrintable(text));
        // Ctrl+O runs the same flow from the keyboard.
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
        title.clear();
        pickInDialog(empty, &title);
        const QString byKey = messageFor(QStringLiteral("list_message_empty"),
            [&] { QTest::keyClick(_window, Qt::Key_O, Qt::ControlModifier); });
        QCOMPARE(title, KVLanguage::lookupJapanese(QStringLiteral("open_message")));
        QCOMPARE(byKey, text);
        QTest::qWait(100);
        QCOMPARE(started.size(), 0);
        QCOMPARE(_table->rowCount(), 0);
        for (LXButton *b : _frame->typeButtons())
            QVERIFY(!b->isEnabled());
        QVERIFY(!KVDialogProgress::current());
    }

    void openingACardFillsTheList()
    {
        QString popupTitle;
        bool popupVisible = false;
        bool popupCancel = true;
        int barMaximum = -1;
        // Runs after the window has opened the pop-up.
        auto c1 = connect(list(), &KVVideoFileList::listUpdateStarted, this, [&](bool loading) {
            KVDialogProgress *p = KVDialogProgress::current();
            if (!loading || !p)
                return;
            popupTitle = titleOf(p);
            popupVisible = p->isVisible();
            popupCancel = p->cancelButton()->isVisible();
            connect(p->progressBar(), &QProgressBar::valueChanged, p, [&, p](int value) {
                barMaximum = qMax(barMaximum, value);
                if (value > 100 && value < 364)
                    KVTest::saveScreenshot(p, QStringLiteral("list_loading"));
            });
        });
        QSignalSpy ends(list(), &KVVideoFileList::listUpdateEnd);
        pickInDialog(_card);
        _frame->onOpen();
        QVERIFY(waitForScan(ends));
        disconnect(c1);
        QCOMPARE(popupTitle, QStringLiteral("ファイルOPEN"));
        QVERIFY(popupVisible);
        QVERIFY(!popupCancel);
        QCOMPARE(barMaximum, 364);
        QTRY_VERIFY(!KVDialogProgress::current());

        const QList<KVVideoItem *> items = list()->visibleItems();
        QCOMPARE(items.size(), 8);
        QCOMPARE(_table->rowCount(), 8);
        QCOMPARE(_table->selectedRow(), 0);
        QCOMPARE(_table->cellText(0, 0), QStringLiteral("1"));
        QCOMPARE(_table->cellText(7, 0), QStringLiteral("8"));
        for (int row = 0; row < 8; ++row) {
            QCOMPARE(_table->cellText(row, 1), items.at(row)->nameText());
            QCOMPARE(_table->cellText(row, 4), items.at(row)->typeText());
        }
        QCOMPARE(KVSettings::instance()->recentPath(), QDir::cleanPath(_card));
        for (LXButton *b : _frame->typeButtons()) {
            QVERIFY(b->isEnabled());
            QCOMPARE(b->isChecked(), b == _frame->typeAllButton());
        }
        QTest::qWait(100);
        QVERIFY(!KVTest::saveScreenshot(_window, QStringLiteral("list_window_card")).isEmpty());
        QVERIFY(!KVTest::saveScreenshot(_frame, QStringLiteral("list_frame_card")).isEmpty());
    }

    void typeButtonsFilter()
    {
        const QList<LXButton *> types = _frame->typeButtons();
        auto typesShown = [&] {
            QSet<int> shown;
            for (KVVideoItem *item : list()->visibleItems())
                shown << item->type();
            return shown;
        };
        // manual (8) then parking (4): the masks are not the type codes.
        QTest::mouseClick(types.at(3), Qt::LeftButton);
        QCOMPARE(list()->filter(), 8);
        QCOMPARE(typesShown(), QSet<int>{KVVideoItem::TYPE_MANU});
        QCOMPARE(_table->rowCount(), int(list()->visibleItems().size()));
        for (LXButton *b : types)
            QCOMPARE(b->isChecked(), b == types.at(3));
        QTest::mouseClick(types.at(4), Qt::LeftButton);
        QCOMPARE(list()->filter(), 4);
        QCOMPARE(typesShown(), QSet<int>{KVVideoItem::TYPE_PARK});
        QTest::mouseClick(types.at(2), Qt::LeftButton);
        QCOMPARE(typesShown(), QSet<int>{KVVideoItem::TYPE_EVEN});
        QTest::mouseClick(types.at(1), Qt::LeftButton);
        QCOMPARE(typesShown(), QSet<int>{KVVideoItem::TYPE_NORM});
        QVERIFY(!KVTest::saveScreenshot(_frame, QStringLiteral("list_frame_normal")).isEmpty());
        QTest::mouseClick(types.at(0), Qt::LeftButton);
        QCOMPARE(list()->filter(), 15);
        QCOMPARE(_table->rowCount(), 8);
        QCOMPARE(_table->selectedRow(), 0);

        // The type already shown, clicked again while a recording plays:
        // nothing changes, the recording goes on and keeps its row.
        playRow(3);
        KVVideoItem *playing = _player->item();
        QVERIFY(playing);
        QSignalSpy started(list(), &KVVideoFileList::listUpdateStarted);
        QTest::mouseClick(types.at(0), Qt::LeftButton);
        QVERIFY(types.at(0)->isChecked());
        QTest::qWait(100);
        QCOMPARE(started.count(), 0);
        QCOMPARE(_player->item(), playing);
        QCOMPARE(_table->selectedRow(), 3);
        stopPlayer();
    }

    // Files with recording names, none of them a recording (an empty file,
    // one cut off before its length): the list in place and its type stay,
    // and the user is told, as for a folder without such files.
    void folderOfUnusableRecordings()
    {
        QTest::mouseClick(_frame->typeButtons().at(1), Qt::LeftButton);
        const int rows = _table->rowCount();
        const int filter = list()->filter();
        QVERIFY(rows > 0 && filter != 15);
        const QString broken = KVTest::makeTempDir(QStringLiteral("unusable"));
        QVERIFY(KVTest::writeFile(broken + "/NORM201221-102047F.MP4", QByteArray()));
        QVERIFY(KVTest::writeFile(broken + "/EVEN201221-102147F.MP4", QByteArray(100, 'x')));
        QSignalSpy ends(list(), &KVVideoFileList::listUpdateEnd);
        const QString text = messageFor(
            QStringLiteral("list_message_unusable"), [&] { QVERIFY(_frame->openFolder(broken)); });
        QVERIFY2(
            text.startsWith(QStringLiteral("録画ファイルが見つかりません。")), qPrintable(text));
        QVERIFY(text.contains(broken));
        QVERIFY(!ends.isEmpty());
        QVERIFY(!KVDialogProgress::current());
        QCOMPARE(_table->rowCount(), rows);
        QCOMPARE(list()->filter(), filter);
        for (LXButton *b : _frame->typeButtons())
            QCOMPARE(b->isChecked(), b->value() == filter);
        QVERIFY(list()->folder() != broken);
        QVERIFY(_frame->canOpen());
        QTest::mouseClick(_frame->typeButtons().at(0), Qt::LeftButton);
        QCOMPARE(_table->rowCount(), 8);
    }

    // Nothing loaded: only the selection moves, forward wrapping, backward
    // stopping at the first row; nothing starts playing.
    void nextAndPreviousMoveTheSelection()
    {
        stopPlayer();
        activate();
        QSignalSpy selected(_table, &KVWidgetVideoList::listSelected);
        _table->selectRecordingRow(0);
        QTest::keyClick(_window, Qt::Key_PageDown);
        QCOMPARE(_table->selectedRow(), 1);
        _table->selectRecordingRow(7);
        QTest::keyClick(_window, Qt::Key_PageDown);
        QCOMPARE(_table->selectedRow(), 0);
        QTest::keyClick(_window, Qt::Key_PageUp);
        QCOMPARE(_table->selectedRow(), 0);
        _table->selectRecordingRow(3);
        QTest::keyClick(_window, Qt::Key_PageUp);
        QCOMPARE(_table->selectedRow(), 2);
        if (KVFramePlay *bar = _window->framePlay()) {
            QVERIFY(bar->nextButton()->isEnabled());
            QTest::mouseClick(bar->nextButton(), Qt::LeftButton);
            QCOMPARE(_table->selectedRow(), 3);
            QTest::mouseClick(bar->previousButton(), Qt::LeftButton);
            QCOMPARE(_table->selectedRow(), 2);
        }
        QTest::qWait(100);
        QCOMPARE(selected.size(), 0);
        QVERIFY(!_player->item());
    }

    void doubleClickPlays()
    {
        QSignalSpy selected(_table, &KVWidgetVideoList::listSelected);
        doubleClick(2, KVWidgetVideoList::COLUMN_NUMBER);
        QTest::qWait(100);
        QCOMPARE(selected.size(), 0);
        QVERIFY(!_player->item());
        playRow(2);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(list()->currentItem(), _table->itemAt(2));
    }

    // A recording loaded: next/previous play the neighbour and the row follows.
    void nextAndPreviousPlay()
    {
        activate();
        _table->selectRecordingRow(2);
        KVPlayerFixture::EventLog log(_player);
        QTest::keyClick(_window, Qt::Key_PageDown);
        QVERIFY(log.waitFor(PLAY_LOADED, 10000));
        QCOMPARE(_player->item(), _table->itemAt(3));
        QCOMPARE(_table->selectedRow(), 3);
        log.clear();
        QTest::keyClick(_window, Qt::Key_PageUp);
        QVERIFY(log.waitFor(PLAY_LOADED, 10000));
        QCOMPARE(_player->item(), _table->itemAt(2));
        QCOMPARE(_table->selectedRow(), 2);
        if (KVFramePlay *bar = _window->framePlay()) {
            log.clear();
            QTest::mouseClick(bar->nextButton(), Qt::LeftButton);
            QVERIFY(log.waitFor(PLAY_LOADED, 10000));
            QCOMPARE(_table->selectedRow(), 3);
        }
        // On the first row previous does nothing.
        playRow(0);
        log.clear();
        QTest::keyClick(_window, Qt::Key_PageUp);
        QTest::qWait(300);
        QCOMPARE(log.count(PLAY_LOADING), 0);
        QCOMPARE(_player->item(), _table->itemAt(0));
    }

    void rowFollowsTheAutomaticAdvance()
    {
        playRow(6);
        KVPlayerFixture::EventLog log(_player);
        KVVideoItem *next = _table->itemAt(7);
        QVERIFY(QTest::qWaitFor(
            [&] { return log.count(PLAY_LOADED) > 0 && _player->item() == next; }, 15000));
        QCOMPARE(_table->selectedRow(), 7);
        QCOMPARE(list()->currentItem(), next);
    }

    void languageChangeKeepsTheSelection()
    {
        stopPlayer();
        _table->selectRecordingRow(5);
        KVVideoItem *selected = _table->itemAt(5);
        const QImage japanese = _frame->headerLabel()->pixmap().toImage();
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        QCOMPARE(_table->itemAt(_table->selectedRow()), selected);
        QVERIFY(_frame->headerLabel()->pixmap().toImage() != japanese);
        QCOMPARE(_frame->typeAllButton()->objectName(), QStringLiteral("type_all_en"));
        QCOMPARE(KVFrameList::openCaption(), QStringLiteral("Open Folder"));
        QTest::qWait(50);
        QVERIFY(!KVTest::saveScreenshot(_frame, QStringLiteral("list_frame_en")).isEmpty());
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
        QCOMPARE(_table->itemAt(_table->selectedRow()), selected);
        QCOMPARE(_frame->typeAllButton()->objectName(), QStringLiteral("type_all"));
    }

    // The backup button copies the playing recording (paused for the
    // question of the folder); existing copies are asked about once per
    // recording; a target that cannot be written ends with the message.
    void backupThroughTheButton()
    {
        playRow(1);
        KVVideoItem *item = _table->itemAt(1);
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        const QString base = QFileInfo(item->frontPath()).completeBaseName().toUpper();
        const QString front = target + "/" + base + ".MP4";
        QString rearBase = QFileInfo(item->rearPath()).completeBaseName().toUpper();
        const QString rear = target + "/" + rearBase + ".MP4";

        int barMaximum = -1;
        auto c = connect(list(), &KVVideoFileList::updateProgress, this, [&](int) {
            if (KVDialogProgress *p = KVDialogProgress::current())
                barMaximum = qMax(barMaximum, p->progressBar()->value());
        });
        // Counted on this (the GUI) thread, after the controller's queued
        // slots have run; a signal spy would count on the worker thread at
        // the emission, before the pop-up has even opened.
        int ended = 0;
        auto e = connect(
            list(), &KVVideoFileList::backupEnd, this, [&] { ++ended; }, Qt::QueuedConnection);
        auto runBackup = [&](const QString &folder) {
            const int before = ended;
            QString title, start;
            pickInDialog(folder, &title, &start);
            QTest::mouseClick(_frame->backupButton(), Qt::LeftButton);
            QCOMPARE(title, QStringLiteral("保存"));
            QCOMPARE(start, KVApp::path(KVApp::PATH_BACKUP));
            QVERIFY(QTest::qWaitFor([&] { return ended > before; }, 20000));
            QTRY_VERIFY(!KVDialogProgress::current());
        };
        runBackup(target);
        QVERIFY(_player->isPaused());
        QCOMPARE(barMaximum, 364);
        QCOMPARE(KVTest::readFile(front), KVTest::readFile(item->frontPath()));
        QCOMPARE(KVTest::readFile(rear), KVTest::readFile(item->rearPath()));

        auto answerWith = [&](const QString &button) {
            QVERIFY(KVTest::writeFile(front, "old front"));
            QVERIFY(KVTest::writeFile(rear, "old rear"));
            int questions = 0;
            bool hasBox = true;
            std::function<void(KVDialogOverwrite *)> answer = [&](KVDialogOverwrite *d) {
                ++questions;
                hasBox = d->applyToNextBox() != nullptr;
                KVTest::saveScreenshot(d, QStringLiteral("list_backup_question"));
                if (button == "skip")
                    d->skipButton()->click();
                else if (button == "overwrite")
                    d->overwriteButton()->click();
                else
                    d->cancelButton()->click();
            };
            KVTest::whenModal<KVDialogOverwrite>(answer);
            runBackup(target);
            QCOMPARE(questions, 1);
            QVERIFY(!hasBox);
            const bool replaced = button == "overwrite";
            QCOMPARE(KVTest::readFile(front) == KVTest::readFile(item->frontPath()), replaced);
            QCOMPARE(KVTest::readFile(rear) == KVTest::readFile(item->rearPath()), replaced);
            // Nothing half-written is left beside the copies.
            QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                (QStringList{QFileInfo(front).fileName(), QFileInfo(rear).fileName()}));
        };
        answerWith("skip");
        answerWith("overwrite");
        answerWith("cancel");

        // Not even root can create files under /proc; others get a folder
        // without write permission.
        QString locked = QStringLiteral("/proc");
        if (::geteuid() != 0) {
            locked = KVTest::makeTempDir(QStringLiteral("locked"));
            QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const QString text
            = messageFor(QStringLiteral("list_message_backup"), [&] { runBackup(locked); });
        QCOMPARE(text, QStringLiteral("コピーできなかったファイルがあります。"));
        QVERIFY(!QFileInfo::exists(locked + "/" + QFileInfo(front).fileName()));
        disconnect(c);
        disconnect(e);
        stopPlayer();

        // With nothing played there is nothing to copy: the button says so
        // instead of doing nothing.
        const QString none = messageFor(QStringLiteral("list_message_backup_none"),
            [&] { QTest::mouseClick(_frame->backupButton(), Qt::LeftButton); });
        QCOMPARE(none, QStringLiteral("コピーする録画を再生してください。"));
        QVERIFY(!KVVideoFileList::isBackupRunning());
    }

    void vanishedFileIsAnnouncedOnce()
    {
        KVVideoItem *item = _table->itemAt(4);
        const QString name = item->nameText();
        QVERIFY(QFile::remove(item->frontPath()));
        // The card's manual recording has only its front camera.
        if (!item->rearPath().isEmpty())
            QVERIFY(QFile::remove(item->rearPath()));
        QSignalSpy selected(_table, &KVWidgetVideoList::listSelected);
        int shown = 0;
        QString text, title;
        std::function<void(KVPopupMessage *)> answer = [&](KVPopupMessage *m) {
            ++shown;
            text = m->messageLabel()->text();
            title = titleOf(m);
            m->okButton()->click();
        };
        KVTest::whenModal<KVPopupMessage>(answer);
        doubleClick(4, KVWidgetVideoList::COLUMN_DATE);
        QTRY_COMPARE(shown, 1);
        QTest::qWait(300);
        QCOMPARE(shown, 1);
        QCOMPARE(text, QStringLiteral("ファイルがありません。"));
        QCOMPARE(title, QStringLiteral("注意"));
        QCOMPARE(selected.size(), 0);
        QCOMPARE(_table->rowCount(), 7);
        QVERIFY(!list()->visibleItems().contains(item));
        for (int row = 0; row < _table->rowCount(); ++row)
            QVERIFY(_table->cellText(row, 1) != name);
        QVERIFY(!_player->item());
    }

    // The next recording's file has gone when this one ends: the row is
    // dropped and the message comes once the finished recording is closed
    // (its event loop does not run inside the player's stop).
    void nextRecordingHasGoneAtTheEnd()
    {
        playRow(1);
        KVVideoItem *gone = _table->itemAt(2);
        const int rows = _table->rowCount();
        QStringList files{gone->frontPath()};
        if (!gone->rearPath().isEmpty())
            files << gone->rearPath();
        for (const QString &file : files)
            QVERIFY(QFile::rename(file, file + ".away"));
        KVPlayerFixture::EventLog log(_player);
        int shown = 0;
        bool closedMeanwhile = false;
        std::function<void(KVPopupMessage *)> answer = [&](KVPopupMessage *m) {
            ++shown;
            closedMeanwhile = !_player->item();
            m->okButton()->click();
        };
        KVTest::whenModal<KVPopupMessage>(answer, nullptr, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(shown, 1, 15000);
        for (const QString &file : files)
            QVERIFY(QFile::rename(file + ".away", file));
        QVERIFY(closedMeanwhile);
        QCOMPARE(_table->rowCount(), rows - 1);
        QVERIFY(!list()->visibleItems().contains(gone));
        QTest::qWait(300);
        QCOMPARE(shown, 1);
        QCOMPARE(log.count(PLAY_LOADING), 0);
        QVERIFY(!_player->item());
    }

    // "korvid FOLDER": the folder opens as if picked, a recording file
    // means its folder, a missing folder is refused with the picker's words.
    void commandLineFolder()
    {
        const QString missing = KVTest::tempRoot() + "/no such card";
        const int rows = _table->rowCount();
        const QString text = messageFor(QStringLiteral("list_message_missing"), [&] {
            _window->openFromCommandLine({"korvid", missing});
        });
        QCOMPARE(
            text, QStringLiteral("フォルダがありません。\n") + QDir::toNativeSeparators(missing));
        QCOMPARE(_table->rowCount(), rows);

        const QString second = KVTest::makeTempDir(QStringLiteral("second"));
        QString error;
        const QStringList fronts = KVPlayerFixture::makeCard(second, 2, 4, &error);
        QVERIFY2(fronts.size() == 4, qPrintable(error));
        // Folders arriving while the first is read (later starts' "open
        // with", three folders selected at once) are not lost: the last one
        // asked for opens when the scan has ended, without a message.
        const QString third = KVTest::makeTempDir(QStringLiteral("third"));
        QVERIFY2(KVPlayerFixture::makeCard(third, 2, 5, &error).size() == 5, qPrintable(error));
        const QString fourth = KVTest::makeTempDir(QStringLiteral("fourth"));
        QVERIFY2(KVPlayerFixture::makeCard(fourth, 2, 6, &error).size() == 6, qPrintable(error));
        QSignalSpy ends(list(), &KVVideoFileList::listUpdateEnd);
        bool messageShown = false;
        KVTest::whenModal<KVPopupMessage>(
            [](KVPopupMessage *m) { m->okButton()->click(); }, &messageShown, 3000);
        _window->openFromCommandLine({"korvid", "--ignored-option", fronts.at(1)});
        _window->openFromCommandLine({"korvid", third});
        _window->openFromCommandLine({"korvid", fourth});
        QVERIFY(waitForScan(ends));
        QTRY_COMPARE_WITH_TIMEOUT(_table->rowCount(), 6, 20000);
        QTRY_VERIFY(!_frame->isScanning());
        QCOMPARE(KVSettings::instance()->recentPath(), QDir::cleanPath(fourth));
        QTest::qWait(500);
        QCOMPARE(_table->rowCount(), 6);
        QVERIFY(!messageShown);
        QTest::qWait(2600); // the watch for a message is over

        QSignalSpy started(list(), &KVVideoFileList::listUpdateStarted);
        _window->openFromCommandLine({"korvid"});
        _window->openFromCommandLine({"korvid", "--verbose"});
        QTest::qWait(200);
        QCOMPARE(started.size(), 0);
    }

    void droppedFolderOpens()
    {
        const QString notes = KVTest::makeTempDir(QStringLiteral("notes")) + "/notes.txt";
        QVERIFY(KVTest::writeFile(notes, "text"));
        QMimeData text;
        text.setUrls({QUrl::fromLocalFile(notes), QUrl(QStringLiteral("https://example.org/x"))});
        QDragEnterEvent refused(QPoint(500, 500), Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(_window, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData card;
        card.setUrls({QUrl::fromLocalFile(_card)});
        QDragEnterEvent enter(QPoint(500, 500), Qt::CopyAction, &card, Qt::LeftButton, {});
        QApplication::sendEvent(_window, &enter);
        QVERIFY(enter.isAccepted());
        QSignalSpy ends(list(), &KVVideoFileList::listUpdateEnd);
        QDropEvent drop(QPointF(500, 500), Qt::CopyAction, &card, Qt::LeftButton, {});
        QApplication::sendEvent(_window, &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(waitForScan(ends));
        QCOMPARE(_table->rowCount(), 7); // the card without its deleted recording
        QCOMPARE(KVSettings::instance()->recentPath(), QDir::cleanPath(_card));
    }

    // Play pressed with nothing loaded plays the selected row.
    void playWithNothingLoadedPlaysTheSelection()
    {
        stopPlayer();
        _table->selectRecordingRow(2);
        KVPlayerFixture::EventLog log(_player);
        _player->onPlayOrPause();
        QVERIFY(log.waitFor(PLAY_LOADED, 10000));
        QCOMPARE(_player->item(), _table->itemAt(2));
        stopPlayer();
    }

    // A recording that cannot be played ends its load with the same event
    // as play pressed with nothing loaded: it must not be loaded again and
    // again. The user hears why nothing plays, once; the row stays.
    void unplayableRecordingIsNotRetried()
    {
        const QString folder = KVTest::makeTempDir(QStringLiteral("broken"));
        const QString path = folder + "/NORM201221-102047F.MP4";
        QVERIFY(KVFixture::writeTinyMp4(path, 60000));
        QSignalSpy ends(list(), &KVVideoFileList::listUpdateEnd);
        QVERIFY(_frame->openFolder(folder));
        QVERIFY(waitForScan(ends));
        QCOMPARE(_table->rowCount(), 1);
        int shown = 0;
        QString text;
        std::function<void(KVPopupMessage *)> answer = [&](KVPopupMessage *m) {
            ++shown;
            text = m->messageLabel()->text();
            KVTest::saveScreenshot(m, QStringLiteral("list_message_unplayable"));
            m->okButton()->click();
        };
        KVTest::whenModal<KVPopupMessage>(answer);
        KVPlayerFixture::EventLog log(_player);
        doubleClick(0, KVWidgetVideoList::COLUMN_NAME);
        QVERIFY(log.waitFor(PLAY_NO_MEDIA, 10000));
        QTRY_COMPARE(shown, 1);
        QTest::qWait(1500);
        QCOMPARE(shown, 1);
        QCOMPARE(
            text, QStringLiteral("ファイルを再生できません。\n") + QDir::toNativeSeparators(path));
        QCOMPARE(_table->rowCount(), 1);
        QCOMPARE(log.count(PLAY_NO_MEDIA), 1);
        QVERIFY(log.count(PLAY_LOADING) <= 1);
        QVERIFY(!_player->item());
        QVERIFY(!list()->currentItem());
        QVERIFY(!KVVideoFileList::loadInProgress());
    }
};

KV_TEST_MAIN(TestListWindow)
#include "tst_list_window.moc"
