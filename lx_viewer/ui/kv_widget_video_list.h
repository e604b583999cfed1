#pragma once
// KVWidgetVideoList: the table of recordings in the right column. It holds
// no recordings itself: it has as many rows as the catalogue's current list
// and its delegate paints each row from the catalogue by row index. After a
// scan it rebuilds and selects the first recording; after a language change
// it rebuilds and keeps the selected recording selected. While a scan runs
// its own delegate is taken off (a plain one paints empty cells) so that no
// row is painted from lists being replaced.
//
// Double click (outside "No.") asks for a recording to be played: when its
// file is there it becomes the catalogue's current recording and
// listSelected is emitted; when the file has vanished the user is told
// ("ファイルがありません。" / "注意") and the recording leaves the catalogue
// and the table. When the catalogue finds the next or previous recording
// (playItemFound) it is played the same way and its row selected.
//
// Next/previous (the play bar's buttons, Page Down / Page Up anywhere in the
// application), only while no seek key is held: with nothing loaded and no
// load on its way only the selection moves (forward wrapping to the first
// row, backward stopping at the first); otherwise the catalogue is asked
// for the recording after / before the selected row. Play pressed with
// nothing loaded (PLAY_NO_MEDIA) plays the selected row; a load that could
// not play (also PLAY_NO_MEDIA) is not retried.
//
// Thread: GUI thread only.

#include "app/kv_language.h"

#include "core/kv_player_base.h"

#include <QTableWidget>

class KVVideoItem;
class KVShortcut;
class KVWidgetVideoListDelegate;
class QItemSelection;
class QStyledItemDelegate;

class KVWidgetVideoList : public QTableWidget
{
    Q_OBJECT
public:
    enum Column {
        COLUMN_NUMBER = 0,
        COLUMN_NAME = 1,
        COLUMN_DATE = 2,
        COLUMN_SIZE = 3,
        COLUMN_TYPE = 4,
        COLUMN_COUNT = 5,
    };
    static constexpr int kWidth = 390;
    static constexpr int kRowHeight = 22;
    static constexpr int kHeaderHeight = 23;

    explicit KVWidgetVideoList(QWidget *parent = nullptr);

    static int columnWidth(int column);
    static QString headerText(int column, bool japanese);
    static QString styleSheetText();

    // The text of a cell, from the catalogue's current list.
    QString cellText(int row, int column) const;
    KVVideoItem *itemAt(int row) const;
    // The first selected row, or -1.
    int selectedRow() const;
    // Selects the row and scrolls it to the top of the view.
    void selectRecordingRow(int row);
    // Selects the row, scrolling only as far as needed to show it.
    void moveSelection(int row);
    KVWidgetVideoListDelegate *videoDelegate() const { return _delegate; }
    bool isDelegateAttached() const;

    // The play request of a row (see the class comment); false when the row
    // has no recording or its file has vanished.
    bool playRow(int row);
    bool playItem(KVVideoItem *item);

    KVShortcut *nextShortcut() const { return _nextShortcut; }
    KVShortcut *previousShortcut() const { return _previousShortcut; }

signals:
    void listSelected(KVVideoItem *item);
    void itemChecked(bool checked);

public slots:
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onListUpdateStart(bool loading);
    void onListUpdateEnd(bool loading);
    // The catalogue found the next/previous recording to play: it is played
    // and its row selected.
    void onPlayItemFound(KVVideoItem *item, int old);
    void onPlayNoMoreItem();
    void onDoubleClickItem(int row, int column);
    void onSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void onNext();
    void onPrevious();
    void onLanguageChange(KVLanguage::LANGUAGE_TYPE language);

private:
    // Whether the player has a recording loaded or one is on its way.
    static bool playerBusy();

    void setUpColumns();
    void rebuild(bool afterScan);

    KVWidgetVideoListDelegate *_delegate = nullptr;
    QStyledItemDelegate *_plainDelegate = nullptr;
    KVShortcut *_nextShortcut = nullptr;
    KVShortcut *_previousShortcut = nullptr;
    // A play request was sent and neither PLAY_LOADED nor PLAY_NO_MEDIA has
    // answered it yet.
    bool _awaitingLoad = false;
};
