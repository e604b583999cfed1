#include "kv_widget_video_list.h"

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "app/kv_shortcut.h"
#include "core/kv_key_event.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "kv_popup_message.h"
#include "kv_widget_video_list_delegate.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

namespace
{
KVVideoFileList *catalogue()
{
    return KVVideoFileList::instance();
}

// A warning about a chosen recording; waits for the user.
void warn(const QString &japanese, const QString &english, const QString &objectName)
{
    auto *message = new KVPopupMessage(KVApp::instance()->mainWindow(),
        KVLanguage::isJapanese() ? japanese : english,
        KVLanguage::isJapanese() ? QStringLiteral("注意") : QStringLiteral("Warning"));
    message->setObjectName(objectName);
    message->exec();
    delete message;
}

// A chosen recording whose file is there but does not play (damaged,
// unreadable, not a recording at all).
void announceUnplayable(const QString &path)
{
    const QString where = QLatin1Char('\n') + QDir::toNativeSeparators(path);
    warn(QStringLiteral("ファイルを再生できません。") + where,
        QStringLiteral("This recording cannot be played.") + where,
        QStringLiteral("popup_cannot_play"));
}

// A chosen recording whose file has gone.
void announceMissing()
{
    warn(QStringLiteral("ファイルがありません。"),
        QStringLiteral("The file of this recording is missing."),
        QStringLiteral("popup_file_missing"));
}
} // namespace

KVWidgetVideoList::KVWidgetVideoList(QWidget *parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("video_list"));
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setFixedWidth(kWidth);
    horizontalHeader()->setFixedHeight(kHeaderHeight);
    horizontalHeader()->setEnabled(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    setStyleSheet(styleSheetText());

    _delegate = new KVWidgetVideoListDelegate(this);
    _plainDelegate = new QStyledItemDelegate(this);
    setItemDelegate(_delegate);
    setUpColumns();

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &KVWidgetVideoList::onSelectionChanged);
    connect(this, &QTableWidget::cellDoubleClicked, this, &KVWidgetVideoList::onDoubleClickItem);
    connect(catalogue(), &KVVideoFileList::listUpdateStarted, this,
        &KVWidgetVideoList::onListUpdateStart);
    connect(
        catalogue(), &KVVideoFileList::listUpdateEnd, this, &KVWidgetVideoList::onListUpdateEnd);
    connect(
        catalogue(), &KVVideoFileList::playItemFound, this, &KVWidgetVideoList::onPlayItemFound);
    connect(
        catalogue(), &KVVideoFileList::playNoMoreItem, this, &KVWidgetVideoList::onPlayNoMoreItem);
    connect(KVLanguage::instance(), &KVLanguage::languageChange, this,
        &KVWidgetVideoList::onLanguageChange);
    connect(KVPlayer::instance(), &KVPlayerBase::playEvent, this, &KVWidgetVideoList::onPlayEvent);

    _nextShortcut = new KVShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(_nextShortcut, &QShortcut::activated, this, &KVWidgetVideoList::onNext);
    _previousShortcut = new KVShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(_previousShortcut, &QShortcut::activated, this, &KVWidgetVideoList::onPrevious);
}

int KVWidgetVideoList::columnWidth(int column)
{
    static const int widths[COLUMN_COUNT] = {32, 122, 120, 40, 66};
    return column >= 0 && column < COLUMN_COUNT ? widths[column] : 0;
}

QString KVWidgetVideoList::headerText(int column, bool japanese)
{
    switch (column) {
    case COLUMN_NUMBER:
        return QStringLiteral("No.");
    case COLUMN_NAME:
        return japanese ? QStringLiteral("ファイル名") : QStringLiteral("File name");
    case COLUMN_DATE:
        return japanese ? QStringLiteral("ファイル日付") : QStringLiteral("File date");
    case COLUMN_SIZE:
        return japanese ? QStringLiteral("サイズ") : QStringLiteral("Size");
    case COLUMN_TYPE:
        return japanese ? QStringLiteral("タイプ") : QStringLiteral("Type");
    default:
        return QString();
    }
}

QString KVWidgetVideoList::styleSheetText()
{
    return QStringLiteral(
        "KVWidgetVideoList { background-color: #737373; border: none; gridline-color: #666666;"
        " font-size: 13px; font-family: Arial; outline: none; color: #FFFFFF; }\n"
        "KVWidgetVideoList QScrollBar:vertical { background: #3B3B3B; width: 10px;"
        " margin: 0px; border: none; }\n"
        "KVWidgetVideoList QScrollBar::handle:vertical { background: #cc9933; min-height: 25px;"
        " margin: 2px 1px 2px 1px; }\n"
        "KVWidgetVideoList QScrollBar::add-line:vertical,"
        " KVWidgetVideoList QScrollBar::sub-line:vertical { height: 0px; border: none;"
        " background: none; }\n"
        "KVWidgetVideoList QScrollBar::add-page:vertical,"
        " KVWidgetVideoList QScrollBar::sub-page:vertical { background: #3A3A3A; }\n"
        // The header is disabled (not clickable); without its own colours it
        // would take the palette's greyed-out look. No padding, so the
        // narrow "サイズ" column keeps its whole title.
        "KVWidgetVideoList QHeaderView::section { background-color: #595959; color: #F5F5F5;"
        " border: none; border-right: 1px solid #666666; padding: 0px; font-size: 12px; }\n");
}

KVVideoItem *KVWidgetVideoList::itemAt(int row) const
{
    const QList<KVVideoItem *> items = catalogue()->visibleItems();
    return row >= 0 && row < items.size() ? items.at(row) : nullptr;
}

QString KVWidgetVideoList::cellText(int row, int column) const
{
    if (column == COLUMN_NUMBER)
        return QString::asprintf("%d", row + 1);
    KVVideoItem *item = itemAt(row);
    if (!item)
        return QString();
    switch (column) {
    case COLUMN_NAME:
        return item->nameText();
    case COLUMN_DATE:
        return item->startText();
    case COLUMN_SIZE:
        return item->sizeText();
    case COLUMN_TYPE:
        return item->typeText();
    default:
        return QString();
    }
}

int KVWidgetVideoList::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void KVWidgetVideoList::selectRecordingRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    selectRow(row);
    scrollTo(model()->index(row, 0), QAbstractItemView::PositionAtTop);
}

void KVWidgetVideoList::moveSelection(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    selectRow(row);
    scrollTo(model()->index(row, 0), QAbstractItemView::EnsureVisible);
}

bool KVWidgetVideoList::isDelegateAttached() const
{
    return itemDelegate() == _delegate;
}

void KVWidgetVideoList::setUpColumns()
{
    const bool japanese = KVLanguage::isJapanese();
    setColumnCount(COLUMN_COUNT);
    QStringList labels;
    for (int column = 0; column < COLUMN_COUNT; ++column)
        labels << headerText(column, japanese);
    setHorizontalHeaderLabels(labels);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Polishing with the style sheet sets the rows' default height again.
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    // The style's minimum would widen the 32-pixel "No." column.
    horizontalHeader()->setMinimumSectionSize(1);
    for (int column = 0; column < COLUMN_COUNT; ++column)
        setColumnWidth(column, columnWidth(column));
}

void KVWidgetVideoList::rebuild(bool afterScan)
{
    // After a scan the rows already refer to the new list.
    KVVideoItem *remembered = afterScan ? nullptr : itemAt(selectedRow());
    setColumnCount(0);
    setRowCount(0);
    setUpColumns();
    const QList<KVVideoItem *> items = catalogue()->visibleItems();
    setRowCount(int(items.size()));
    KVVideoItem *chosen = remembered;
    if (!chosen && !items.isEmpty())
        chosen = items.first();
    const int row = chosen ? int(items.indexOf(chosen)) : -1;
    if (row >= 0)
        selectRecordingRow(row);
    viewport()->update();
}

bool KVWidgetVideoList::playRow(int row)
{
    return playItem(itemAt(row));
}

bool KVWidgetVideoList::playItem(KVVideoItem *item)
{
    if (!item)
        return false;
    if (QFileInfo::exists(item->displayPath())) {
        catalogue()->setCurrentItem(item);
        _awaitingLoad = true;
        emit listSelected(item);
        return true;
    }
    qInfo() << "KVWidgetVideoList: vanished" << item->displayPath() << "[" << Q_FUNC_INFO
            << __LINE__ << "]";
    // The item stays alive until the next hand-over; the row goes now.
    const int index = catalogue()->removeItem(item);
    if (index >= 0 && index < rowCount())
        removeRow(index);
    // The rows below moved up: so do their highlights.
    onSelectionChanged(QItemSelection(), QItemSelection());
    // The message waits for the user in an event loop of its own; not
    // inside the caller, which may be the player's stop at the end of a
    // recording or a scan's hand-over.
    QTimer::singleShot(0, this, announceMissing);
    return false;
}

bool KVWidgetVideoList::playerBusy()
{
    return KVPlayer::instance()->item() != nullptr || KVVideoFileList::loadInProgress();
}

void KVWidgetVideoList::onPlayEvent(PLAY_EVENT event, KVVideoItem *)
{
    switch (event) {
    case PLAY_LOADED:
        _awaitingLoad = false;
        break;
    case PLAY_USER_STOP:
        _awaitingLoad = false;
        catalogue()->setCurrentItem(nullptr);
        break;
    case PLAY_NO_MEDIA:
        // The same event ends a load that could not play: asking again would
        // load the same file again and again.
        if (_awaitingLoad) {
            _awaitingLoad = false;
            KVVideoItem *failed = catalogue()->currentItem();
            const QString path = failed ? failed->displayPath() : QString();
            catalogue()->setCurrentItem(nullptr);
            // Without a word the choice would seem ignored. Once the report
            // has gone round: the pop-up waits for the user.
            QTimer::singleShot(0, this, [path] { announceUnplayable(path); });
            break;
        }
        if (selectedRow() >= 0)
            onDoubleClickItem(selectedRow(), COLUMN_NAME);
        break;
    default:
        break;
    }
}

void KVWidgetVideoList::onNext()
{
    if (KVKeyEvent::instance()->isKeyHeld())
        return;
    const int row = selectedRow();
    if (!playerBusy()) {
        if (rowCount() > 0)
            moveSelection((row + 1) % rowCount());
        return;
    }
    catalogue()->onPlayNextVideo(row);
}

void KVWidgetVideoList::onPrevious()
{
    if (KVKeyEvent::instance()->isKeyHeld())
        return;
    const int row = selectedRow();
    if (row <= 0)
        return;
    if (!playerBusy()) {
        moveSelection(row - 1);
        return;
    }
    catalogue()->onPlayPreviousVideo(row);
}

void KVWidgetVideoList::onListUpdateStart(bool)
{
    setItemDelegate(_plainDelegate);
}

void KVWidgetVideoList::onListUpdateEnd(bool)
{
    // After a build (true) and after a re-filter (false) alike the rows
    // follow the new list.
    setItemDelegate(_delegate);
    rebuild(true);
    emit itemChecked(false);
}

void KVWidgetVideoList::onPlayItemFound(KVVideoItem *item, int)
{
    playItem(item);
    clearSelection();
    selectRecordingRow(catalogue()->indexOfCurrent());
}

void KVWidgetVideoList::onPlayNoMoreItem()
{
    catalogue()->setCurrentItem(nullptr);
}

void KVWidgetVideoList::onDoubleClickItem(int row, int column)
{
    if (column == COLUMN_NUMBER || !itemAt(row))
        return;
    playRow(row);
}

void KVWidgetVideoList::onSelectionChanged(const QItemSelection &, const QItemSelection &)
{
    _delegate->setPlayingRow(catalogue()->indexOfCurrent());
    _delegate->setSelectedRow(selectedRow());
    viewport()->update();
}

void KVWidgetVideoList::onLanguageChange(KVLanguage::LANGUAGE_TYPE)
{
    rebuild(false);
}
