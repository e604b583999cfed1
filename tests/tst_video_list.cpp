// The recording table under Xvfb on a card folder: rows painted from the
// catalogue with the column texts, widths and highlight colours, the first
// row selected after a scan, the delegate taken off while a scan runs, the
// rows following a re-filter, the selection kept over a language change,
// double click outside "No." asking to play, and a recording whose file has
// vanished announced once and dropped. Screenshot in screenshots/.

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "data/kv_video_file_list.h"
#include "kv_fixture_files.h"
#include "kv_modal_driver.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_window_test_util.h"
#include "ui/kv_button.h"
#include "ui/kv_popup_message.h"
#include "ui/kv_widget_video_list.h"
#include "ui/kv_widget_video_list_delegate.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <QtTest>

class TestVideoList : public QObject
{
    Q_OBJECT

    QWidget *_window = nullptr;
    KVWidgetVideoList *_table = nullptr;
    QString _card;

    KVVideoFileList *list() { return KVVideoFileList::instance(); }

    // A point near the top-left corner of the cell, away from its text.
    QRgb pixelOfCell(const QImage &viewport, int row, int column)
    {
        const QRect cell = _table->visualRect(_table->model()->index(row, column));
        return viewport.pixel(cell.topLeft() + QPoint(2, 2)) & 0xFFFFFF;
    }

private slots:
    void initTestCase()
    {
        KVApp::instance()->initApplication(qApp);
        _window = new QWidget();
        _window->resize(420, 600);
        auto *layout = new QVBoxLayout(_window);
        _table = new KVWidgetVideoList(_window);
        layout->addWidget(_table);
        _window->show();
        QVERIFY(QTest::qWaitForWindowExposed(_window));
        KVApp::instance()->setMainWindow(_window);
        _card = KVTest::makeTempDir(QStringLiteral("card"));
        QVERIFY(KVFixture::writeCard(_card, 30) > 0);
    }

    void cleanupTestCase()
    {
        KVApp::instance()->setMainWindow(nullptr);
        delete _window;
    }

    void setUp()
    {
        QCOMPARE(_table->columnCount(), 5);
        QCOMPARE(_table->width(), 390);
        QCOMPARE(_table->focusPolicy(), Qt::NoFocus);
        QCOMPARE(_table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(_table->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(_table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!_table->verticalHeader()->isVisible());
        QCOMPARE(_table->horizontalHeader()->height(), 23);
        const QStringList headers{"No.", "ファイル名", "ファイル日付", "サイズ", "タイプ"};
        const QList<int> widths{32, 122, 120, 40, 66};
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(_table->horizontalHeaderItem(c)->text(), headers.at(c));
            QCOMPARE(_table->horizontalHeader()->sectionSize(c), widths.at(c));
        }
        QCOMPARE(KVWidgetVideoListDelegate::cellFont(4).family(), QStringLiteral("MS PGothic"));
        QCOMPARE(KVWidgetVideoListDelegate::cellFont(1).family(), QStringLiteral("Monospace"));
        QCOMPARE(KVWidgetVideoListDelegate::cellFont(1).pixelSize(), 12);
        // A date in the 120-pixel column fits without spilling over.
        const QString date = QStringLiteral("2021-05-01 08:00:00");
        const QFont fitted = KVWidgetVideoListDelegate::fittingFont(2, date, 120);
        QVERIFY(QFontMetrics(fitted).horizontalAdvance(date) <= 120);
        QCOMPARE(KVWidgetVideoListDelegate::fittingFont(0, "1", 32).stretch(),
            KVWidgetVideoListDelegate::cellFont(0).stretch());
    }

    void scanFillsTheTable()
    {
        bool attachedDuringScan = true;
        auto c = connect(list(), &KVVideoFileList::listUpdateStarted, this,
            [&] { attachedDuringScan = _table->isDelegateAttached(); });
        list()->setFilter(15);
        QVERIFY(list()->buildFolderNow(_card) > 0);
        disconnect(c);
        QVERIFY(!attachedDuringScan);
        QVERIFY(_table->isDelegateAttached());
        const QList<KVVideoItem *> items = list()->visibleItems();
        QCOMPARE(items.size(), 30);
        QCOMPARE(_table->rowCount(), 30);
        QCOMPARE(_table->selectedRow(), 0);
        QCOMPARE(_table->videoDelegate()->selectedRow(), 0);
        for (int row : {0, 17, 29}) {
            KVVideoItem *item = items.at(row);
            QCOMPARE(_table->cellText(row, 0), QString::number(row + 1));
            QCOMPARE(_table->cellText(row, 1), item->nameText());
            QCOMPARE(_table->cellText(row, 2), item->startText());
            QCOMPARE(_table->cellText(row, 3), item->sizeText());
            QCOMPARE(_table->cellText(row, 4), item->typeText());
            QVERIFY(!_table->cellText(row, 1).isEmpty());
        }
        QTest::qWait(50);
        QCOMPARE(_table->rowHeight(1), 22);
        const QImage image = _table->viewport()->grab().toImage();
        QCOMPARE(pixelOfCell(image, 0, 1), QRgb(0x4C4C4C));
        QCOMPARE(pixelOfCell(image, 1, 1), QRgb(0x737373));
        QCOMPARE(pixelOfCell(image, 3, 4), QRgb(0x737373));
        QVERIFY(!KVTest::saveScreenshot(_window, QStringLiteral("video_list")).isEmpty());

        // A re-filter: the rows follow the visible list, the first selected.
        list()->setFilter(8);
        QCOMPARE(_table->rowCount(), int(list()->visibleItems().size()));
        QVERIFY(_table->rowCount() < 30);
        list()->setFilter(15);
        QCOMPARE(_table->rowCount(), 30);
    }

    void languageChangeKeepsTheSelection()
    {
        _table->selectRecordingRow(12);
        KVVideoItem *selected = _table->itemAt(12);
        QVERIFY(selected);
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        QCOMPARE(_table->itemAt(_table->selectedRow()), selected);
        QCOMPARE(_table->horizontalHeaderItem(1)->text(), QStringLiteral("File name"));
        QCOMPARE(_table->horizontalHeader()->sectionSize(1), 122);
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
        QCOMPARE(_table->selectedRow(), 12);
        QCOMPARE(_table->horizontalHeaderItem(1)->text(), QStringLiteral("ファイル名"));
    }

    void doubleClickPlays()
    {
        QSignalSpy selected(_table, &KVWidgetVideoList::listSelected);
        _table->onDoubleClickItem(4, 0);
        QCOMPARE(selected.size(), 0);
        _table->onDoubleClickItem(4, 2);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.at(0).at(0).value<KVVideoItem *>(), _table->itemAt(4));
        QCOMPARE(list()->currentItem(), _table->itemAt(4));
        _table->onDoubleClickItem(999, 2);
        QCOMPARE(selected.size(), 1);
    }

    // The automatic advance: the catalogue's next recording is played and
    // its row follows; past the end nothing is current.
    void advanceFollowsTheCatalogue()
    {
        QSignalSpy selected(_table, &KVWidgetVideoList::listSelected);
        list()->setCurrentItem(_table->itemAt(7));
        list()->onPlayNextVideo(-1);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.at(0).at(0).value<KVVideoItem *>(), _table->itemAt(8));
        QCOMPARE(list()->currentItem(), _table->itemAt(8));
        QCOMPARE(_table->selectedRow(), 8);
        QCOMPARE(_table->videoDelegate()->selectedRow(), 8);
        list()->setCurrentItem(_table->itemAt(0));
        list()->onPlayPreviousVideo(-1);
        QCOMPARE(selected.size(), 1);
        QVERIFY(!list()->currentItem());
    }

    void vanishedFileIsDropped()
    {
        const int rows = _table->rowCount();
        KVVideoItem *item = _table->itemAt(6);
        const QString name = item->nameText();
        // A recording further down plays and is selected: its highlights
        // must move up with it.
        KVVideoItem *playing = _table->itemAt(8);
        list()->setCurrentItem(playing);
        _table->selectRecordingRow(8);
        QCOMPARE(_table->videoDelegate()->playingRow(), 8);
        QVERIFY(QFile::remove(item->displayPath()));
        QSignalSpy selected(_table, &KVWidgetVideoList::listSelected);
        int messages = 0;
        QString text;
        QString title;
        std::function<void(KVPopupMessage *)> answer = [&](KVPopupMessage *m) {
            ++messages;
            text = m->messageLabel()->text();
            m->okButton()->click();
        };
        KVTest::whenModal<KVPopupMessage>(answer);
        _table->onDoubleClickItem(6, 1);
        // The row is gone at once; the message waits for the caller (which
        // may be the player's stop) to return before it waits for the user.
        QCOMPARE(messages, 0);
        QCOMPARE(_table->rowCount(), rows - 1);
        QTRY_COMPARE(messages, 1);
        QCOMPARE(text, QStringLiteral("ファイルがありません。"));
        QCOMPARE(selected.size(), 0);
        QCOMPARE(_table->rowCount(), rows - 1);
        QCOMPARE(int(list()->visibleItems().size()), rows - 1);
        QVERIFY(_table->cellText(6, 1) != name);
        for (int row = 0; row < _table->rowCount(); ++row)
            QVERIFY(_table->cellText(row, 1) != name);
        QCOMPARE(_table->itemAt(7), playing);
        QCOMPARE(_table->videoDelegate()->playingRow(), 7);
        QCOMPARE(_table->selectedRow(), 7);
        QCOMPARE(_table->videoDelegate()->selectedRow(), 7);
        list()->setCurrentItem(nullptr);

        // In English the message is English.
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_ENGLISH);
        QVERIFY(QFile::remove(_table->itemAt(2)->displayPath()));
        text.clear();
        title.clear();
        KVTest::whenModal<KVPopupMessage>(answer);
        _table->onDoubleClickItem(2, 1);
        QTRY_COMPARE(messages, 2);
        KVLanguage::instance()->setLanguage(KVLanguage::LANGUAGE_JAPANESE);
        QCOMPARE(text, QStringLiteral("The file of this recording is missing."));
        QCOMPARE(_table->rowCount(), rows - 2);
    }
};

KV_TEST_MAIN(TestVideoList)
#include "tst_video_list.moc"
