// WindowMain: still capture and the accident report.
//
// Capture: F5 or the title bar's capture button asks the player for a still
// (it pauses and writes the main picture into the backup folder); when the
// file is there the capture dialog names and places it, or a cancel removes
// it. Report: F3 (the report button stays hidden) pauses, proposes
// report_<recording date>.xlsx in the report folder, writes the workbook
// with a picture of the window (the zoom inset hidden meanwhile, the map
// composed into it) and opens it with the desktop's handler (xdg-open, not
// waited for; a warning follows when it reports that nothing opened it).
//
// While one of the two runs, further requests are ignored: the player
// replaces its capture list at the next capture, and the dialogs are modal.

#include "kv_window_main.h"

#include "app/kv_app.h"
#include "app/kv_folder_picker.h"
#include "app/kv_language.h"
#include "core/kv_player.h"
#include "kv_dialog_map.h"
#include "kv_dialog_overwrite_sys.h"
#include "kv_excel_report.h"
#include "kv_file_opener.h"
#include "kv_frame_right.h"
#include "kv_frame_title.h"
#include "kv_key_forward.h"
#include "kv_popup_capture.h"
#include "kv_report_facts.h"
#include "kv_report_picture.h"
#include "kv_widget_map.h"
#include "media/avplayer.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QtDebug>

namespace
{
// A capture dialog or a report is running (GUI thread only).
bool g_outputBusy = false;

struct OutputBusy {
    OutputBusy() { g_outputBusy = true; }
    ~OutputBusy() { g_outputBusy = false; }
    OutputBusy(const OutputBusy &) = delete;
    OutputBusy &operator=(const OutputBusy &) = delete;
};

// The map area's picture for the report: the map as shown while the
// recording has positions; blank otherwise.
QImage reportMapPicture()
{
    QImage picture = KVReportPicture::blankMap();
    KVDialogMap *map = KVDialogMap::existing();
    if (!map || !map->hasPosition())
        return picture;
    // grab() holds the web view's content as it is shown.
    const QImage shown = map->mapWidget()->grab().toImage();
    QPainter painter(&picture);
    painter.drawImage(0, 0, shown);
    return picture;
}

void showWarning(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, parent);
    box.exec();
}
} // namespace

void WindowMain::wireCapture()
{
    // 10. (the title bar emits the same request for its button and its key)
    LXFrameTitle *title = titleBar();
    connect(title, &LXFrameTitle::captureRequested, this, &WindowMain::onStartCapture);
    connect(title, &LXFrameTitle::reportRequested, this, &WindowMain::onStartReport);
    // 11.
    connect(KVPlayer::instance(), &KVPlayer::videoCaptureDone, this,
        &WindowMain::onRequestVideoCaptureDone);
    connect(KVPlayer::instance(), &KVPlayer::videoCaptureFailed, this, [this](const QString &dir) {
        showWarning(this,
            (KVLanguage::isJapanese() ? QStringLiteral("JPEGファイル生成に失敗しました。")
                                      : QStringLiteral("Unable to save file."))
                + QLatin1Char('\n') + QDir::toNativeSeparators(dir));
    });
}

void WindowMain::onStartCapture()
{
    if (KVKeyForward::isKeyHeld() || g_outputBusy)
        return;
    KVPlayer::instance()->startCapture();
}

void WindowMain::onRequestVideoCaptureDone(QList<QString> *list)
{
    if (!list || list->isEmpty())
        return;
    if (g_outputBusy) {
        KVPopupCapture::removeTemporaryFiles(*list);
        return;
    }
    OutputBusy busy;
    // The dialog works on its own copy: the player's list is replaced at
    // its next capture.
    QStringList captures = *list;
    auto *popup = new KVPopupCapture(this, &captures);
    bool saved = false;
    // A failed save (warned) leaves the files and lets the user choose
    // another name or folder.
    while (!saved && popup->exec() == QDialog::Accepted)
        saved = popup->save();
    if (!saved)
        KVPopupCapture::removeTemporaryFiles(captures);
    delete popup;
}

void WindowMain::onStartReport()
{
    // 1.
    if (KVKeyForward::isKeyHeld() || g_outputBusy)
        return;
    KVPlayer *player = KVPlayer::instance();
    KVVideoItem *item = player->item();
    // Not while a capture is under way: its picture, coming during the
    // report, would be thrown away without a word.
    if (!item || player->isCaptureRunning())
        return;
    OutputBusy busy;
    KVApp *hub = KVApp::instance();
    const bool japanese = KVLanguage::isJapanese();

    // 2.
    emit hub->hidePIPForCapture(true);
    kvm::AVPlayer *main = player->mainPlayer();
    player->pauseIfRunning();
    // What the picture shows, taken before the dialog (the recording may
    // change while it is open).
    KVReportFacts facts = KVReportFacts::fromRecording(item, main->position(), main->duration());
    // The file whose picture the report shows: the rear one after a swap.
    if (!main->file().isEmpty())
        facts.recordingName = QFileInfo(main->file()).fileName();

    // 3.
    const QString folder = KVApp::path(KVApp::PATH_REPORT);
    QDir().mkpath(folder);
    const QDate date = item->start().isValid() ? item->start().date() : QDate::currentDate();
    const QString proposed = KVExcelReport::proposedPath(folder, date);

    // 4. (the dialog asks before replacing a file the user picks)
    QFileDialog dialog(
        this, QStringLiteral("レポート保存"), proposed, QStringLiteral("Excel files (*.xlsx)"));
    dialog.setObjectName(QStringLiteral("report_save_dialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    dialog.selectFile(proposed);
    if (!KVFolderPicker::useNativeDialog())
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    QString target;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen = dialog.selectedFiles().first();
        // The workbook is written under the .xlsx name it needs to open as
        // one ("report.xls" becomes report.xlsx); the dialog asked only
        // about the name as typed, so a file under the other name is not
        // replaced unasked.
        target = KVExcelReport::workbookPath(chosen);
        if (target != chosen && QFileInfo::exists(target)) {
            KVDialogOverwriteSys question(this, QFileInfo(target).fileName());
            if (question.exec() != QDialog::Accepted)
                target.clear();
        }
    }
    if (target.isEmpty()) {
        // 7.
        emit hub->hidePIPForCapture(false);
        return;
    }

    // 5.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();

    // 6.
    KVExcelReport report;
    report.setFacts(facts);
    // The map area is painted where the map sits in the window; in full
    // screen the right column (and the map) is not shown and nothing is.
    std::optional<QPoint> mapAt;
    if (QWidget *anchor = _rightFrame->mapAnchor(); anchor && anchor->isVisibleTo(this))
        mapAt = anchor->mapTo(this, QPoint(0, 0));
    report.setPicture(KVReportPicture::compose(grab().toImage(), reportMapPicture(), mapAt));
    const bool written = report.run(target);
    emit hub->hidePIPForCapture(false);
    QGuiApplication::restoreOverrideCursor();
    if (!written) {
        showWarning(this,
            (japanese ? QStringLiteral("レポートを保存できませんでした。")
                      : QStringLiteral("Unable to save the report."))
                + QStringLiteral("\n") + QDir::toNativeSeparators(target) + QStringLiteral("\n(")
                + report.errorString() + QStringLiteral(")"));
        return;
    }
    // Whether a program took the report is known only when the opener
    // exits; the window goes on meanwhile.
    KVFileOpener::open(target, this, [this, target](bool opened) {
        if (opened)
            return;
        showWarning(this,
            (KVLanguage::isJapanese()
                    ? QStringLiteral("レポートを保存しましたが、開けませんでした。")
                    : QStringLiteral("The report was saved but could not be opened."))
                + QStringLiteral("\n") + QDir::toNativeSeparators(target));
    });
}
