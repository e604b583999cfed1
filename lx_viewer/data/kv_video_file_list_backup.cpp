#include "kv_video_file_list_backup.h"

#include "kv_verified_copy.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QThread>

KVVideoFileListBackup::KVVideoFileListBackup(
    const QString &targetFolder, const QList<Recording> &recordings)
    : _targetFolder(targetFolder), _recordings(recordings)
{
}

QString KVVideoFileListBackup::targetPath(const QString &targetFolder, const QString &source)
{
    const QFileInfo info(source);
    const QString name = (info.baseName() + QLatin1Char('.') + info.suffix()).toUpper();
    return QDir::cleanPath(targetFolder + QLatin1Char('/') + name);
}

QString KVVideoFileListBackup::conflictName(const QString &target)
{
    const QFileInfo info(target);
    QStringList parts = info.baseName().split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (parts.size() == 3)
        parts.removeLast();
    return parts.join(QLatin1Char('-')) + QLatin1Char('.') + info.suffix();
}

void KVVideoFileListBackup::fail(
    const QString &source, const QString &target, int reason, const QString &detail)
{
    qWarning() << "KVVideoFileList::backup: not copied" << source << "to" << target << reason
               << detail << "[" << Q_FUNC_INFO << __LINE__ << "]";
    KVBackupFailure failure;
    failure.source = source;
    failure.target = target;
    failure.reason = reason;
    failure.detail = detail;
    _failures.append(failure);
}

void KVVideoFileListBackup::copyOne(const QString &target, const QString &source, int remaining)
{
    KVBackupHandover &handover = KVBackupHandover::instance();
    bool replace = false;
    if (KVVerifiedCopy::targetTaken(target)) {
        int answer = handover.answer();
        if (answer & KVBackupHandover::ANSWER_ASK) {
            KVVideoFileList *list = KVVideoFileList::instance();
            answer = handover.askAndWait(conflictName(target), remaining,
                [list](bool paused) { emit list->backupPaused(paused); });
            if (answer & KVBackupHandover::ANSWER_CANCEL)
                return;
        }
        if (answer & KVBackupHandover::ANSWER_SKIP)
            return;
        replace = (answer & KVBackupHandover::ANSWER_OVERWRITE) != 0;
    }
    const KVVerifiedCopy::Result result = KVVerifiedCopy::copy(source, target, replace,
        [&handover] { return (handover.answer() & KVBackupHandover::ANSWER_CANCEL) != 0; });
    // A cancelled copy is not a failure: the user asked for it.
    if (!result.ok() && result.failure != KVVerifiedCopy::FAILURE_STOPPED)
        fail(source, target, result.failure, result.detail);
}

void KVVideoFileListBackup::run()
{
    KVBackupHandover &handover = KVBackupHandover::instance();
    KVVideoFileList *list = KVVideoFileList::instance();
    _failures.clear();
    if (_recordings.isEmpty()) {
        handover.finish();
        return;
    }
    emit list->backupStarted();
    QThread::msleep(1);
    int lastProgress = -1;
    const int total = int(_recordings.size());
    qInfo() << "KVVideoFileList::backup" << _targetFolder << "[" << Q_FUNC_INFO << __LINE__ << "]";

    for (int done = 0; done < total; ++done) {
        const Recording &recording = _recordings.at(done);
        const QString display
            = recording.frontPath.isEmpty() ? recording.rearPath : recording.frontPath;
        qInfo() << "KVVideoFileList::backup" << display << "[" << Q_FUNC_INFO << __LINE__ << "]";
        if (handover.answer() & KVBackupHandover::ANSWER_CANCEL)
            break;
        if (!recording.frontPath.isEmpty()) {
            copyOne(
                targetPath(_targetFolder, recording.frontPath), recording.frontPath, total - done);
            if (handover.answer() & KVBackupHandover::ANSWER_CANCEL)
                break;
        }
        if (!recording.rearPath.isEmpty()) {
            copyOne(
                targetPath(_targetFolder, recording.rearPath), recording.rearPath, total - done);
            if (handover.answer() & KVBackupHandover::ANSWER_CANCEL)
                break;
        }
        handover.nextRecording();
        const int progress = int(double(done + 1) / double(total) * 364.0);
        if (progress != lastProgress) {
            lastProgress = progress;
            emit list->updateProgress(progress);
            QThread::usleep(1);
        }
    }
    const KVBackupFailureList failures = _failures;
    handover.finish();
    emit list->backupEnd(failures);
}
