// WindowMain: the list frame, the folder loading pop-up, folders opened from the command
// line or dropped on the window, and the play bar's buttons that reach the list.

#include "kv_window_main.h"

#include "app/kv_shortcut.h"

#include "app/kv_language.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "kv_button.h"
#include "kv_dialog_progress.h"
#include "kv_frame_list.h"
#include "kv_frame_play.h"
#include "kv_frame_right.h"
#include "kv_lx_button.h"
#include "kv_open_target.h"
#include "kv_widget_video_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

namespace
{
// The loading pop-up of the scan running now (the backup's pop-up is the
// frame's).
QPointer<KVDialogProgress> g_loadingPopup;
} // namespace

void WindowMain::buildListFrame()
{
    _rightFrame->setListFrame(KVFrameList::instance());
    setAcceptDrops(true);
}

void WindowMain::wireCatalogue()
{
    KVVideoFileList *list = KVVideoFileList::instance();
    connect(list, &KVVideoFileList::listUpdateStarted, this, &WindowMain::onLoadingListStart);
    connect(list, &KVVideoFileList::listUpdateEnd, this, &WindowMain::onLoadingListEnd);
    // Connected once, before any scan: the loader's progress is queued when
    // it is emitted, often before the pop-up of its scan exists; the queue
    // keeps it behind listUpdateStarted, which opens the pop-up.
    connect(list, &KVVideoFileList::updateProgress, this, [](int value) {
        if (g_loadingPopup)
            g_loadingPopup->onUpdateValue(value);
    });
    KVPlayProcess::instance()->init(KVFrameList::instance()->table());
}

void WindowMain::wirePlayBar()
{
    if (!_framePlay)
        return;
    KVFrameList *frame = KVFrameList::instance();
    KVWidgetVideoList *table = frame->table();
    connect(
        _framePlay->previousButton(), &QPushButton::clicked, table, &KVWidgetVideoList::onPrevious);
    connect(_framePlay->nextButton(), &QPushButton::clicked, table, &KVWidgetVideoList::onNext);
    connect(_framePlay->openButton(), &QPushButton::clicked, frame, &KVFrameList::onOpen);
    // The open button takes no focus; the key opens a card without the mouse.
    _shortcutOpen = new KVShortcut(QKeySequence::Open, this);
    connect(_shortcutOpen, &QShortcut::activated, frame, &KVFrameList::onOpen);
    updateFullScreenShortcuts();
}

void WindowMain::onLoadingListStart(bool loading)
{
    KVPlayer::instance()->onUserStop();
    if (!loading)
        return;
    KVDialogProgress *popup = KVDialogProgress::open(this,
        KVLanguage::isJapanese() ? QStringLiteral("ファイルOPEN")
                                 : QStringLiteral("Open files..."));
    popup->setObjectName(QStringLiteral("popup_loading"));
    // A scan cannot be stopped half-way; a Cancel that does nothing would
    // only mislead.
    popup->cancelButton()->hide();
    g_loadingPopup = popup;
}

void WindowMain::onLoadingListEnd(bool loading)
{
    if (!loading)
        return;
    // Only the pop-up this scan opened (a backup's pop-up stays).
    if (g_loadingPopup && g_loadingPopup == KVDialogProgress::current())
        KVDialogProgress::close();
    g_loadingPopup = nullptr;
}

void WindowMain::openFromCommandLine(const QStringList &arguments)
{
    const QString folder = KVOpenTarget::folderFromArguments(arguments);
    if (folder.isEmpty())
        return;
    qInfo() << "opening from the command line:" << folder << "[" << Q_FUNC_INFO << __LINE__ << "]";
    // Once the window is up, so that messages have their parent on screen.
    QTimer::singleShot(0, this, [folder] { KVFrameList::instance()->openFolder(folder); });
}

void WindowMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!KVOpenTarget::folderFromMimeData(event->mimeData()).isEmpty()
        && KVFrameList::instance()->canOpen()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void WindowMain::dropEvent(QDropEvent *event)
{
    const QString folder = KVOpenTarget::folderFromMimeData(event->mimeData());
    if (folder.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    qInfo() << "opening a dropped folder:" << folder << "[" << Q_FUNC_INFO << __LINE__ << "]";
    activateWindow();
    // After the drop has returned to the dragging program: the open may ask
    // the user (a message) and must not hold the drag open meanwhile.
    QTimer::singleShot(0, this, [folder] { KVFrameList::instance()->openFolder(folder); });
}
