#include "kv_backup_controller.h"

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "data/kv_backup_handover.h"
#include "data/kv_verified_copy.h"
#include "kv_dialog_overwrite.h"
#include "kv_dialog_progress.h"
#include "kv_popup_message.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace
{
QWidget *mainWindow()
{
    return KVApp::instance()->mainWindow();
}
} // namespace

KVBackupController::KVBackupController(QObject *parent) : QObject(parent)
{
    KVVideoFileList *list = KVVideoFileList::instance();
    connect(list, &KVVideoFileList::backupStarted, this, &KVBackupController::onBackupStarted);
    connect(list, &KVVideoFileList::backupPaused, this, &KVBackupController::onBackupPaused);
    connect(list, &KVVideoFileList::backupEnd, this, &KVBackupController::onBackupEnded);
    // Connected once, before any worker runs: a small backup reports its
    // progress before the pop-up exists, and the event queue keeps the
    // order started, progress, end.
    connect(list, &KVVideoFileList::updateProgress, this, &KVBackupController::onUpdateProgress);
}

void KVBackupController::onUpdateProgress(int value)
{
    if (!_active)
        return;
    if (KVDialogProgress *progress = KVDialogProgress::current())
        progress->onUpdateValue(value);
}

void KVBackupController::onBackupStarted()
{
    _active = true;
    KVDialogProgress::open(mainWindow(),
        KVLanguage::isJapanese() ? QStringLiteral("バックアップ中")
                                 : QStringLiteral("Backup files..."));
}

void KVBackupController::onBackupPaused(bool paused)
{
    KVDialogProgress *progress = KVDialogProgress::current();
    if (!paused) {
        if (progress)
            progress->show();
        return;
    }
    // The question comes queued: a cancel clicked before it arrived has
    // ended the wait already, and a question shown now would take an answer
    // that nobody reads.
    if (!KVBackupHandover::instance().isWaiting()) {
        qInfo() << "KVBackupController: question no longer awaited"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    if (progress)
        progress->hide();
    auto *question = new KVDialogOverwrite(
        mainWindow(), KVVideoFileList::backupConflictName(), KVVideoFileList::backupRemaining());
    const bool accepted = question->exec() == QDialog::Accepted;
    const int word = accepted ? question->answer() : int(KVBackupHandover::ANSWER_CANCEL);
    delete question;
    qInfo() << "KVBackupController: answer" << word << "[" << Q_FUNC_INFO << __LINE__ << "]";
    KVVideoFileList::answerBackup(word);
}

void KVBackupController::onBackupEnded(const KVBackupFailureList &failures)
{
    _active = false;
    KVDialogProgress::restoreCursor();
    KVDialogProgress::close();
    if (failures.isEmpty())
        return;
    KVPopupMessage *message = createFailureMessage(mainWindow(), failures);
    message->exec();
    delete message;
}

QString KVBackupController::reasonText(int reason)
{
    const bool japanese = KVLanguage::isJapanese();
    switch (reason) {
    case KVVerifiedCopy::FAILURE_SOURCE_UNREADABLE:
        return japanese ? QStringLiteral("元のファイルを読み込めません。")
                        : QStringLiteral("The original file cannot be read.");
    case KVVerifiedCopy::FAILURE_TARGET_UNWRITABLE:
        return japanese ? QStringLiteral("保存先に書き込めません。")
                        : QStringLiteral("The target folder cannot be written.");
    case KVVerifiedCopy::FAILURE_WRITE:
        return japanese ? QStringLiteral("書き込み中にエラーが発生しました。")
                        : QStringLiteral("Writing broke off (disk full?).");
    case KVVerifiedCopy::FAILURE_VERIFY:
        return japanese ? QStringLiteral("コピーの内容が元のファイルと一致しません。")
                        : QStringLiteral("The copy differs from the original.");
    case KVVerifiedCopy::FAILURE_RENAME:
        return japanese ? QStringLiteral("ファイル名を付けられません。")
                        : QStringLiteral("The copy could not be given its name.");
    case KVVerifiedCopy::FAILURE_TARGET_EXISTS:
        return japanese ? QStringLiteral("同じ名前のファイルがあります。")
                        : QStringLiteral("A file of that name exists.");
    default:
        return japanese ? QStringLiteral("コピーできませんでした。")
                        : QStringLiteral("The file was not copied.");
    }
}

QString KVBackupController::failureText(const KVBackupFailureList &failures)
{
    QStringList lines;
    for (const KVBackupFailure &failure : failures) {
        QString name = QFileInfo(failure.target).fileName();
        if (name.isEmpty())
            name = QFileInfo(failure.source).fileName();
        QString line = name + QStringLiteral(": ") + reasonText(failure.reason);
        if (!failure.detail.isEmpty())
            line += QStringLiteral(" (") + failure.detail + QLatin1Char(')');
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

KVPopupMessage *KVBackupController::createFailureMessage(
    QWidget *parent, const KVBackupFailureList &failures)
{
    const bool japanese = KVLanguage::isJapanese();
    auto *message = new KVPopupMessage(parent,
        japanese ? QStringLiteral("コピーできなかったファイルがあります。")
                 : QStringLiteral("Some files could not be copied."),
        japanese ? KVLanguage::lookupJapanese(QStringLiteral("warning"))
                 : QStringLiteral("Warning"));
    message->setObjectName(QStringLiteral("popup_backup_failures"));
    // The file names and reasons are longer than the header line.
    message->setFixedWidth(qMax(message->width(), 480));
    QWidget *panel = message->messageLabel()->parentWidget();
    auto *details = new QLabel(failureText(failures), panel);
    details->setObjectName(QStringLiteral("text_normal_label"));
    details->setWordWrap(true);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (auto *layout = qobject_cast<QVBoxLayout *>(panel->layout())) {
        layout->setContentsMargins(10, 10, 10, 10);
        layout->setSpacing(10);
        layout->addWidget(details);
    }
    return message;
}
