// The main window shell under Xvfb (language 1): geometry of the columns,
// replaceable areas, dragging by the title band, full screen with its
// application events, key forwarding, buttons without focus, the
// information and message pop-ups, the restart of the acceleration switch,
// and closing. Screenshots go to the build folder's screenshots/.

#include "app/kv_app.h"
#include "app/kv_graphics.h"
#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "app/kv_shortcut.h"
#include "data/kv_video_file_list.h"
#include "kv_modal_driver.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_window_test_util.h"
#include "ui/kv_app_restart.h"
#include "ui/kv_frame_left.h"
#include "ui/kv_frame_right.h"
#include "ui/kv_frame_title.h"
#include "ui/kv_key_forward.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_popup_info.h"
#include "ui/kv_popup_message.h"
#include "ui/kv_title_widget.h"
#include "ui/kv_widget_check_box.h"
#include "ui/kv_widget_drag.h"
#include "ui/kv_window_main.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCompleter>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QShortcut>
#include <QtTest>

class TestWindowShell : public QObject
{
    Q_OBJECT

    WindowMain *_window = nullptr;
    QList<int> _events;

    static bool isAmber(const QColor &c)
    {
        return c.red() > 180 && c.green() > 120 && c.green() < 170 && c.blue() < 80;
    }

    QPoint origin(QWidget *widget) const { return widget->mapTo(_window, QPoint(0, 0)); }

    void activate()
    {
        _window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_window));
    }

    // Runs inList inside a modal dialog over the window once its line edit
    // shows a completion list, as a file dialog does while a path is typed;
    // false when the list never showed.
    bool withCompletionList(
        const std::function<void(QDialog *, QLineEdit *, QAbstractItemView *)> &inList)
    {
        QDialog dialog(_window);
        auto *edit = new QLineEdit(&dialog);
        auto *completer = new QCompleter(
            QStringList{QStringLiteral("/tmp/card-a"), QStringLiteral("/tmp/card-b")}, edit);
        edit->setCompleter(completer);
        bool listShown = false;
        KVTest::whenModal<QDialog>([&](QDialog *d) {
            d->activateWindow();
            edit->setFocus();
            QTest::keyClicks(edit, QStringLiteral("/tmp/card"));
            // Shown and filled (both names match what was typed).
            listShown = QTest::qWaitFor(
                [&] {
                    QAbstractItemView *popup = completer->popup();
                    return popup->isVisible() && popup->model() && popup->model()->rowCount() == 2;
                },
                3000);
            if (listShown)
                inList(d, edit, completer->popup());
            d->done(QDialog::Accepted);
        });
        dialog.exec();
        return listShown;
    }

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        connect(
            KVApp::instance(), &KVApp::appEvent, this, [this](KVApp::Event e) { _events << e; });
        _window = WindowMain::instance();
        QCOMPARE(WindowMain::instance(), _window);
        _window->move(40, 40);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        activate();
    }

    void geometry()
    {
        QCOMPARE(_window->size(), QSize(1094, 687));
        QCOMPARE(_window->windowTitle(), QStringLiteral("Korvid"));
        QVERIFY(_window->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(_window->titleBar()->height(), 43);
        QCOMPARE(origin(_window->contentWidget()), QPoint(0, 43));

        KVFrameLeft *left = _window->leftFrame();
        KVFrameRight *right = _window->rightFrame();
        QCOMPARE(origin(left), QPoint(4, 47));
        QCOMPARE(left->width(), 690);
        QCOMPARE(origin(right), QPoint(698, 47));
        QCOMPARE(right->width(), 392);
        QCOMPARE(right->geometry().right() + 1 + 4, 1094);

        QCOMPARE(left->videoFrame()->size(), QSize(690, 436));
        QCOMPARE(origin(left->videoFrame()).y(), 47);
        QCOMPARE(left->bottomPanel()->size(), QSize(690, 182));
        QCOMPARE(left->bottomPanel()->objectName(), QStringLiteral("border_back"));
        QCOMPARE(origin(left->bottomPanel()).y() + 182, 687 - 4);
        QCOMPARE(left->playSlider()->objectName(), QStringLiteral("slider_frame"));
        // The position bar row holds its 18-pixel slider whole.
        QCOMPARE(left->playSlider()->size(), QSize(690, 18));
        QCOMPARE(origin(left->playSlider()).y(), 47 + 436);
        QCOMPARE(left->graphFrame()->size(), QSize(690, 79));
        QCOMPARE(left->equaliserFrame()->size(), QSize(690, 30));
        QCOMPARE(left->playFrame()->size(), QSize(690, 71));
        QCOMPARE(origin(left->playFrame()).y() + 71, 687 - 4);

        QCOMPARE(right->positionFrame()->size(), QSize(392, 26));
        QCOMPARE(right->positionFrame()->objectName(), QStringLiteral("frame_gps"));
        QCOMPARE(right->mapAnchor()->size(), QSize(392, 274));
        QCOMPARE(origin(right->mapAnchor()).y(), 47 + 26);
        QCOMPARE(right->listFrame()->objectName(), QStringLiteral("border_frame"));
        QCOMPARE(origin(right->listFrame()).y(), 47 + 26 + 274 + 11);
        QCOMPARE(origin(right->listFrame()).y() + right->listFrame()->height(), 687 - 4);
    }

    void titleBar()
    {
        LXFrameTitle *title = _window->titleBar();
        QVERIFY(title->logoLabel() && !title->logoLabel()->pixmap().isNull());
        QVERIFY(!title->reportButton()->isVisible());
        QVERIFY(!title->settingsButton()->isVisible());
        QVERIFY(!title->languageButton()->isVisible());
        QVERIFY(title->captureButton()->isVisible());
        QVERIFY(!title->captureButton()->isEnabled());
        QVERIFY(!title->captureShortcut()->isEnabled());
        QVERIFY(!title->reportShortcut()->isEnabled());
        QCOMPARE(title->closeButton()->toolTip(), QString::fromUtf8("閉じる"));
        QCOMPARE(title->minimizeButton()->toolTip(), QString::fromUtf8("最小化"));
        QCOMPARE(title->infoButton()->toolTip(), QString::fromUtf8("ビューア情報"));
        QCOMPARE(title->captureButton()->toolTip(), QString::fromUtf8("JPG 保存"));

        QSignalSpy capture(title, &LXFrameTitle::captureRequested);
        title->setMediaActionsEnabled(true);
        QTest::keyClick(_window, Qt::Key_F5);
        QTest::mouseClick(title->captureButton(), Qt::LeftButton);
        QCOMPARE(capture.count(), 2);
        title->setMediaActionsEnabled(false);
        QTest::keyClick(_window, Qt::Key_F5);
        QCOMPARE(capture.count(), 2);
    }

    void screenshotOfTheWindow()
    {
        activate();
        QTest::qWait(50);
        const QImage shot = _window->grab().toImage();
        QVERIFY(!KVTest::saveScreenshot(_window, "window_ja").isEmpty());
        // The title bar picture is there: its amber line at the bottom; and
        // the logo's amber mark at the left.
        QVERIFY(isAmber(shot.pixelColor(600, 42)));
        QVERIFY(isAmber(shot.pixelColor(20, 12)));
        QVERIFY(!isAmber(shot.pixelColor(600, 20)));
    }

    void areasAreReplaceable()
    {
        KVFrameLeft *left = _window->leftFrame();
        QPointer<QWidget> old = left->graphFrame();
        auto *graph = new QWidget();
        left->setGraphFrame(graph);
        QCOMPARE(left->graphFrame(), graph);
        QCOMPARE(graph->parentWidget(), left->bottomPanel());
        QTRY_VERIFY(old.isNull());
        QTRY_COMPARE(graph->size(), QSize(690, 79));
        QCOMPARE(origin(graph).y(), origin(left->bottomPanel()).y());

        auto *list = new QWidget();
        _window->rightFrame()->setListFrame(list);
        QTRY_COMPARE(origin(list).y(), 47 + 26 + 274 + 11);
    }

    void buttonsNeverTakeFocus()
    {
        const QList<QAbstractButton *> buttons = _window->findChildren<QAbstractButton *>();
        QVERIFY(buttons.size() >= 7);
        for (QAbstractButton *button : buttons)
            QVERIFY2(button->focusPolicy() == Qt::NoFocus, qPrintable(button->objectName()));
        _window->setFocus();
        QTest::mouseClick(_window->titleBar()->captureButton(), Qt::LeftButton);
        QVERIFY(!_window->titleBar()->captureButton()->hasFocus());
    }

    void dragByTitleBand()
    {
        const QPoint start = _window->pos();
        QSignalSpy moved(_window->dragFilter(), &KVWidgetDrag::onWindowMove);
        // The top band (on the logo filler, not a button) moves the window.
        KVTest::dragWindow(_window, QPoint(400, 42), QPoint(430, 62));
        QCOMPARE(_window->pos(), start + QPoint(30, 20));
        QCOMPARE(moved.count(), 1);
        QVERIFY(!_window->dragFilter()->isDragging());
        // After the release, moving does nothing.
        KVTest::sendMouse(_window, QEvent::MouseMove, QPoint(500, 100));
        QCOMPARE(_window->pos(), start + QPoint(30, 20));
        // Just below the band (43 and lower): no drag.
        KVTest::dragWindow(_window, QPoint(400, 43), QPoint(460, 90));
        KVTest::dragWindow(_window, QPoint(300, 200), QPoint(360, 260));
        QCOMPARE(_window->pos(), start + QPoint(30, 20));
        QCOMPARE(moved.count(), 1);
        // Dragged above the screen's top edge: the band stays on the screen,
        // the only handle of a window without a frame.
        const QRect area = _window->screen()->availableVirtualGeometry();
        _window->move(start);
        KVTest::dragWindow(_window, QPoint(400, 20), QPoint(400, 20 - start.y() - 300));
        QCOMPARE(_window->y(), area.top());
        _window->move(start);
    }

    void noDragWhenMaximised()
    {
        _window->showMaximized();
        QVERIFY(_window->isMaximized());
        const QPoint start = _window->pos();
        KVTest::dragWindow(_window, QPoint(400, 10), QPoint(450, 60));
        QCOMPARE(_window->pos(), start);
        _window->showNormal();
        QTRY_VERIFY(!_window->isMaximized());
        activate();
    }

    void returnInAModalPopupStaysThere()
    {
        // A modal pop-up showing a completion list, as a file dialog does
        // while a path is typed: Return goes to the pop-up and the window
        // keeps its size; after the pop-up the full-screen keys are back.
        activate();
        QVERIFY(!_window->isFullScreen());
        bool stillThere = false;
        QString chosen;
        const bool listShown
            = withCompletionList([&](QDialog *d, QLineEdit *edit, QAbstractItemView *list) {
                  QTest::keyClick(list, Qt::Key_Down);
                  QTRY_COMPARE(list->currentIndex().row(), 0);
                  QTest::keyClick(list, Qt::Key_Return);
                  QTest::qWait(50);
                  stillThere = d->isVisible();
                  chosen = edit->text();
              });
        QVERIFY(listShown);
        QVERIFY(stillThere);
        QCOMPARE(chosen, QStringLiteral("/tmp/card-a"));
        QVERIFY(!_window->isFullScreen());
        QVERIFY(_window->returnShortcut()->isEnabled());
        QVERIFY(_window->enterShortcut()->isEnabled());
        QVERIFY(!_window->escapeShortcut()->isEnabled());
        activate();
    }

    void applicationKeysStayOutOfAModalPopup()
    {
        // While a modal pop-up shows a list of its own, no application key
        // of the window behind may act: PageDown moves in the list instead
        // of going to the next recording, F5 captures nothing, F9 leaves the
        // inset where it is. Afterwards every key is back as it was.
        activate();
        QList<KVShortcut *> keys;
        QList<bool> wanted;
        for (KVShortcut *s : _window->findChildren<KVShortcut *>()) {
            const int key = s->key()[0].key();
            if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
                continue; // the list's own choose and close keys
            keys << s;
            wanted << s->isWanted();
            s->setWanted(true); // as with a recording loaded
        }
        // The title's report and capture keys, the player's keys, the list's
        // page keys and the inset keys.
        QVERIFY(keys.size() >= 7);
        QList<QSignalSpy *> spies;
        for (KVShortcut *s : keys)
            spies << new QSignalSpy(s, &QShortcut::activated);
        auto cleanup = qScopeGuard([&] {
            qDeleteAll(spies);
            for (int i = 0; i < keys.size(); ++i)
                keys[i]->setWanted(wanted[i]);
        });

        bool listLost = false;
        QStringList gotThrough;
        QList<bool> enabledWhileBlocked;
        const bool listShown
            = withCompletionList([&](QDialog *, QLineEdit *, QAbstractItemView *list) {
                  for (KVShortcut *s : keys) {
                      enabledWhileBlocked << s->isEnabled();
                      const QKeyCombination combination = s->key()[0];
                      const int key = combination.key();
                      if (key == Qt::Key_Space || key == Qt::Key_Backspace)
                          continue; // typing keys: the line edit takes them
                      if (!list->isVisible()) {
                          listLost = true;
                          break;
                      }
                      QTest::keyClick(list, Qt::Key(key), combination.keyboardModifiers());
                  }
                  for (int i = 0; i < keys.size(); ++i)
                      if (!spies[i]->isEmpty())
                          gotThrough << keys[i]->key().toString();
              });
        QVERIFY(listShown);
        QVERIFY(!listLost);
        QCOMPARE(gotThrough, QStringList());
        QCOMPARE(enabledWhileBlocked, QList<bool>(keys.size(), false));
        for (KVShortcut *s : keys)
            QVERIFY2(s->isEnabled(), qPrintable(s->key().toString()));
        activate();
    }

    void fullScreenToggle()
    {
        _events.clear();
        QVERIFY(!_window->escapeShortcut()->isEnabled());
        QTest::keyClick(_window, Qt::Key_Return);
        QCOMPARE(_events, (QList<int>{1, 2}));
        QVERIFY(_window->isFullScreen());
        QVERIFY(_window->escapeShortcut()->isEnabled());
        QVERIFY(!_window->titleBar()->isVisible());
        QVERIFY(!_window->rightFrame()->isVisible());
        KVFrameLeft *left = _window->leftFrame();
        // The equaliser moved to the top of the column; the panel is a strip.
        QCOMPARE(left->equaliserFrame()->parentWidget(), left);
        QCOMPARE(left->bottomPanel()->height(), 71);

        // No dragging in full screen.
        const QPoint start = _window->pos();
        KVTest::dragWindow(_window, QPoint(400, 10), QPoint(450, 60));
        QCOMPARE(_window->pos(), start);

        activate();
        QTest::keyClick(_window, Qt::Key_Escape);
        QCOMPARE(_events, (QList<int>{1, 2, 3, 4}));
        QVERIFY(!_window->isFullScreen());
        QVERIFY(!_window->escapeShortcut()->isEnabled());
        QVERIFY(_window->titleBar()->isVisible());
        QVERIFY(_window->rightFrame()->isVisible());
        QCOMPARE(_window->size(), QSize(1094, 687));
        QCOMPARE(left->equaliserFrame()->parentWidget(), left->bottomPanel());
        QTRY_COMPARE(left->bottomPanel()->size(), QSize(690, 182));
        QTRY_COMPARE(left->videoFrame()->size(), QSize(690, 436));
        QTRY_COMPARE(origin(left->equaliserFrame()).y(), origin(left->bottomPanel()).y() + 80);

        // Escape outside full screen does nothing; Enter toggles as Return.
        activate();
        QTest::keyClick(_window, Qt::Key_Escape);
        QCOMPARE(_events.size(), 4);
        QTest::keyClick(_window, Qt::Key_Enter);
        QVERIFY(_window->isFullScreen());
        activate();
        QTest::keyClick(_window, Qt::Key_Enter);
        QVERIFY(!_window->isFullScreen());
        QCOMPARE(_events, (QList<int>{1, 2, 3, 4, 1, 2, 3, 4}));
        activate();
    }

    void keysGoToTheKeyHandler()
    {
        QList<int> pressed, released;
        bool held = false;
        KVKeyForward::setHandler({[&](int key) { pressed << key; },
            [&](int key) { released << key; }, [&] { return held; }, [] {}});
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, QString(), true);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(_window, &press);
        QApplication::sendEvent(_window, &repeat);
        QApplication::sendEvent(_window, &release);
        QCOMPARE(pressed, QList<int>{Qt::Key_Left});
        QCOMPARE(released, QList<int>{Qt::Key_Left});

        // While a seek key is held, full screen is refused.
        held = true;
        _events.clear();
        QTest::keyClick(_window, Qt::Key_Return);
        QVERIFY(_events.isEmpty());
        QVERIFY(!_window->isFullScreen());
        KVKeyForward::setHandler({});
    }

    void informationPopup()
    {
        bool ran = false;
        QString version, title, screenshot;
        QPoint start, afterTopDrag, afterLowDrag;
        QSize size;
        bool closeHidden = false, boxFits = false;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                // The switch's label is not cut off.
                boxFits = popup->accelBox()->width() >= popup->accelBox()->sizeHint().width();
                version = popup->versionLabel()->text();
                title = popup->titleWidget()->titleLabel()->text();
                size = popup->size();
                closeHidden = popup->titleWidget()->closeButton()->isHidden();
                screenshot = KVTest::saveScreenshot(popup, "popup_info_ja");
                start = popup->pos();
                KVTest::dragWindow(popup, QPoint(150, 20), QPoint(170, 30));
                afterTopDrag = popup->pos();
                KVTest::dragWindow(popup, QPoint(150, 39), QPoint(190, 80));
                afterLowDrag = popup->pos();
                QTest::mouseClick(popup->okButton(), Qt::LeftButton);
            },
            &ran);
        QTest::keyClick(_window, Qt::Key_F7);
        QVERIFY(ran);
        QCOMPARE(version, QStringLiteral("Version : 1.0.0"));
        QCOMPARE(title, QString::fromUtf8("Viewer S/W バージョン情報"));
        QCOMPARE(size, QSize(320, 210));
        QVERIFY(closeHidden);
        QVERIFY(boxFits);
        QVERIFY(!screenshot.isEmpty());
        QCOMPARE(afterTopDrag, start + QPoint(20, 10));
        QCOMPARE(afterLowDrag, afterTopDrag);
        // The window deleted the pop-up after it closed.
        QVERIFY(_window->findChildren<KVPopupInfo *>().isEmpty());
    }

    // Return presses OK, though the button never takes the focus.
    void informationPopupClosesWithReturn()
    {
        activate();
        bool ran = false, closed = false;
        KVTest::whenModal<KVPopupInfo>(
            [&](KVPopupInfo *popup) {
                QWidget *focus = QApplication::focusWidget();
                QTest::keyClick(focus && focus->window() == popup ? focus : popup, Qt::Key_Return);
                closed = !popup->isVisible();
                if (!closed)
                    popup->reject();
            },
            &ran);
        QTest::keyClick(_window, Qt::Key_F7);
        QVERIFY(ran);
        QVERIFY(closed);
        QVERIFY(_window->findChildren<KVPopupInfo *>().isEmpty());
    }

    void accelerationBoxOnOldChipset()
    {
        KVWidgetCheckBox box;
        box.setChecked(true);
        KVPopupInfo::setUpAccelBox(&box, true, false);
        QVERIFY(!box.isEnabled());
        QVERIFY(!box.isChecked());
        KVPopupInfo::setUpAccelBox(&box, false, false);
        QVERIFY(box.isEnabled());
        QVERIFY(box.isChecked());
        KVPopupInfo::setUpAccelBox(&box, false, true);
        QVERIFY(!box.isChecked());
    }

    void messagePopup()
    {
        const QString longText = QString::fromUtf8("ファイルがありません。").repeated(4);
        KVPopupMessage wide(_window, longText, QString::fromUtf8("注意"));
        QFont font = wide.font();
        font.setBold(true);
        font.setPointSize(16);
        const int expected = QFontMetrics(font).boundingRect(longText).width() + 31;
        QVERIFY(expected > KVPopupMessage::kMinimumWidth);
        QCOMPARE(wide.width(), expected);
        QCOMPARE(wide.maximumWidth(), expected);

        KVPopupMessage narrow(_window, "OK?", "x");
        QCOMPARE(narrow.width(), KVPopupMessage::kMinimumWidth);

        bool ran = false, accepted = false;
        QString screenshot;
        KVTest::whenModal<KVPopupMessage>(
            [&](KVPopupMessage *popup) {
                screenshot = KVTest::saveScreenshot(popup, "popup_message");
                QTest::mouseClick(popup->okButton(), Qt::LeftButton);
            },
            &ran);
        KVPopupMessage message(
            _window, QString::fromUtf8("ファイルがありません。"), QString::fromUtf8("注意"));
        accepted = message.exec() == QDialog::Accepted;
        QVERIFY(ran);
        QVERIFY(accepted);
        QVERIFY(!screenshot.isEmpty());
        QCOMPARE(message.okButton()->objectName(), QStringLiteral("popup_button"));
        // The pop-up's close button rejects.
        KVTest::whenModal<KVPopupMessage>(
            [&](KVPopupMessage *popup) { popup->titleWidget()->closeButton()->click(); });
        QCOMPARE(message.exec(), int(QDialog::Rejected));
    }

    // Runs late: the restart closes the window and asks the application to
    // quit (after which no modal pop-up can run in this process).
    void accelerationSwitchRestarts()
    {
        if (KVGraphics::isOldChipset(KVGraphics::displayAdapterNames()))
            QSKIP("this machine's adapter keeps acceleration off");
        QStringList launched;
        QStringList launchedWith;
        bool launchWorks = true;
        KVAppRestart::setLauncher([&](const QString &program, const QStringList &arguments) {
            launched << program;
            launchedWith = arguments;
            return launchWorks;
        });
        const auto restoreLauncher = qScopeGuard([] { KVAppRestart::setLauncher({}); });
        KVSettings *settings = KVSettings::instance();
        settings->setHwAccelOff(false);
        KVPopupInfo popup(_window, QString(), QString());
        popup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        KVWidgetCheckBox *box = popup.accelBox();
        QVERIFY(box->isEnabled() && box->isChecked());
        QCOMPARE(box->objectName(), QStringLiteral("popup"));
        const auto clickBox
            = [&] { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(12, box->height() / 2)); };
        const auto answerOk = [] {
            KVTest::whenModal<QMessageBox>(
                [](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
        };
        // The warning shown over the pop-up, answered with OK.
        const auto takeWarning = [](QString *text) {
            KVTest::whenModal<KVPopupMessage>([text](KVPopupMessage *m) {
                *text = m->messageLabel()->text();
                m->okButton()->click();
            });
        };

        // Cancel: the box and the setting stay as they were.
        QString question, ok, cancel;
        KVTest::whenModal<QMessageBox>([&](QMessageBox *box) {
            question = box->text();
            ok = box->button(QMessageBox::Ok)->text();
            cancel = box->button(QMessageBox::Cancel)->text();
            box->button(QMessageBox::Cancel)->click();
        });
        clickBox();
        QCOMPARE(question, QString::fromUtf8("再起動します"));
        QCOMPARE(ok, QStringLiteral("OK"));
        QCOMPARE(cancel, QString::fromUtf8("キャンセル"));
        QVERIFY(box->isChecked());
        QVERIFY(!settings->hwAccelOff());
        QVERIFY(launched.isEmpty());

        // The choice cannot be stored (its folder is a file now): a restart
        // would bring the old choice back, so the viewer says so and stays.
        const QString confDir = QFileInfo(settings->fileName()).absolutePath();
        const QString savedDir = confDir + QStringLiteral(".saved");
        QVERIFY(QDir().rename(confDir, savedDir));
        {
            QFile blocker(confDir);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        settings->resetForTest();
        QString warning;
        answerOk();
        takeWarning(&warning);
        clickBox();
        QVERIFY2(
            warning.contains(QString::fromUtf8("設定を保存できませんでした")), qPrintable(warning));
        QVERIFY(box->isChecked());
        QVERIFY(!settings->hwAccelOff());
        QVERIFY(launched.isEmpty());
        QVERIFY(QFile::remove(confDir));
        QVERIFY(QDir().rename(savedDir, confDir));
        settings->resetForTest();

        // The new viewer cannot be started: this one says so and stays open.
        launchWorks = false;
        _events.clear();
        warning.clear();
        answerOk();
        takeWarning(&warning);
        clickBox();
        QCOMPARE(launched.size(), 1);
        QVERIFY(launchedWith.isEmpty()); // nothing listed: nothing to open
        QVERIFY2(
            warning.contains(QString::fromUtf8("再起動できませんでした")), qPrintable(warning));
        QVERIFY(_events.isEmpty());
        QVERIFY(_window->isVisible());
        settings->setHwAccelOff(false);
        box->setChecked(true);

        // OK: stored as off, the viewer's own program starts again, on the
        // card listed here, and this one closes the way its close button does.
        QTemporaryDir card;
        QString error;
        QVERIFY2(
            !KVPlayerFixture::makeCard(card.path(), 2, 4, &error).isEmpty(), qPrintable(error));
        QVERIFY(KVVideoFileList::instance()->buildFolderNow(card.path()) > 0);
        launchWorks = true;
        launched.clear();
        answerOk();
        clickBox();
        QVERIFY(!box->isChecked());
        QVERIFY(settings->hwAccelOff());
        QCOMPARE(launched, QStringList{QCoreApplication::applicationFilePath()});
        QCOMPARE(launchedWith, QStringList{card.path()});
        QCOMPARE(_events, QList<int>{5});
        QVERIFY(!_window->isVisible());
        settings->setHwAccelOff(false);
    }

    void closeEmitsClosingOnce()
    {
        // The restart closed the window already.
        _window->reopenForTest();
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        _events.clear();
        QTest::mouseClick(_window->titleBar()->closeButton(), Qt::LeftButton);
        QCOMPARE(_events, QList<int>{5});
        QVERIFY(!_window->isVisible());
        _window->close();
        QCOMPARE(_events, QList<int>{5});
    }
};

KV_TEST_MAIN(TestWindowShell)
#include "tst_window_shell.moc"
