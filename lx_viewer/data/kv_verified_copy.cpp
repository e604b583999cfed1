#include "kv_verified_copy.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr qint64 kChunk = 1 << 20;

KVVerifiedCopy::Result failed(KVVerifiedCopy::Failure failure, const QString &detail)
{
    KVVerifiedCopy::Result result;
    result.failure = failure;
    result.detail = detail;
    return result;
}

KVVerifiedCopy::Result targetExists()
{
    return failed(KVVerifiedCopy::FAILURE_TARGET_EXISTS, QStringLiteral("File exists"));
}

KVVerifiedCopy::Result stopped()
{
    return failed(KVVerifiedCopy::FAILURE_STOPPED, QStringLiteral("stopped"));
}

// SHA-256 of a file read from its start; empty on a read error or a stop
// (*wasStopped tells which).
QByteArray hashOf(QFile &file, const std::function<bool()> &stopRequested, bool *wasStopped)
{
    *wasStopped = false;
    if (!file.seek(0))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (;;) {
        if (stopRequested && stopRequested()) {
            *wasStopped = true;
            return QByteArray();
        }
        const QByteArray buffer = file.read(kChunk);
        if (buffer.isEmpty())
            return file.error() == QFileDevice::NoError ? hash.result() : QByteArray();
        hash.addData(buffer);
    }
}

} // namespace

KVVerifiedCopy::Result KVVerifiedCopy::copy(const QString &source, const QString &target,
    bool replace, const std::function<bool()> &stopRequested)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failed(FAILURE_SOURCE_UNREADABLE, in.errorString());
    struct stat before = {};
    const bool known = ::fstat(in.handle(), &before) == 0 && S_ISREG(before.st_mode);
    if (!replace && targetTaken(target))
        return targetExists();

    const QFileInfo targetInfo(target);
    QTemporaryFile out(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName()
        + QStringLiteral(".XXXXXX.part"));
    if (!out.open())
        return failed(FAILURE_TARGET_UNWRITABLE, out.errorString());

    QCryptographicHash sourceHash(QCryptographicHash::Sha256);
    QByteArray buffer;
    qint64 copied = 0;
    for (;;) {
        if (stopRequested && stopRequested())
            return stopped();
        buffer = in.read(kChunk);
        if (buffer.isEmpty()) {
            // The original broke off (a card pulled, a bad sector): the
            // source is the one to blame, not the target.
            if (in.error() != QFileDevice::NoError)
                return failed(FAILURE_SOURCE_UNREADABLE, in.errorString());
            break;
        }
        sourceHash.addData(buffer);
        if (out.write(buffer) != buffer.size())
            return failed(FAILURE_WRITE, out.errorString());
        copied += buffer.size();
    }
    // A source written while it was read (a recorder still at work on it
    // over USB, a sync tool) gives a copy of neither version, which the
    // check below would pass: it was hashed as read.
    struct stat after = {};
    if (known
        && (::fstat(in.handle(), &after) != 0 || after.st_size != before.st_size
            || after.st_mtim.tv_sec != before.st_mtim.tv_sec
            || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec))
        return failed(FAILURE_SOURCE_UNREADABLE, QStringLiteral("changed while it was copied"));
    if (!out.flush())
        return failed(FAILURE_WRITE, out.errorString());
    if (::fsync(out.handle()) != 0)
        return failed(FAILURE_WRITE, QString::fromLocal8Bit(std::strerror(errno)));
    // The check below reads the copy back: from the device, not from the
    // pages just written (which would only compare memory with itself).
    // The pages are clean after the sync, so the kernel can let them go.
    if (const int advice = ::posix_fadvise(out.handle(), 0, 0, POSIX_FADV_DONTNEED); advice != 0)
        qInfo() << "the copy is checked from the cache:" << std::strerror(advice) << "["
                << Q_FUNC_INFO << __LINE__ << "]";

    // Check what really is on disk before the copy takes the final name.
    if (copied != in.size() || out.size() != copied)
        return failed(
            FAILURE_VERIFY, QStringLiteral("size %1 instead of %2").arg(out.size()).arg(in.size()));
    bool wasStopped = false;
    const QByteArray written = hashOf(out, stopRequested, &wasStopped);
    if (wasStopped)
        return stopped();
    if (written != sourceHash.result())
        return failed(FAILURE_VERIFY, QStringLiteral("SHA-256 differs"));

    out.setPermissions(in.permissions());
    const QByteArray from = QFile::encodeName(out.fileName());
    const QByteArray to = QFile::encodeName(target);
    int renamed;
    if (replace) {
        renamed = std::rename(from.constData(), to.constData());
    } else {
        // Not replacing: the rename itself refuses a file that appeared
        // since the check above. Where the file system cannot say so, the
        // check right before the rename has to do.
        renamed
            = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
            if (targetTaken(target))
                return targetExists();
            renamed = std::rename(from.constData(), to.constData());
        }
        if (renamed != 0 && errno == EEXIST)
            return targetExists();
    }
    if (renamed != 0)
        return failed(FAILURE_RENAME, QString::fromLocal8Bit(std::strerror(errno)));
    out.setAutoRemove(false);
    // The new name is on the device too before the copy counts as done (a
    // stick pulled right after "done" keeps the file under its name).
    const QString syncError = syncFolder(targetInfo.absolutePath());
    if (!syncError.isEmpty())
        return failed(FAILURE_WRITE, syncError);
    return Result();
}

QString KVVerifiedCopy::syncFolder(const QString &folder)
{
    const int fd
        = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        // A folder we may write but not read (mode 0333) cannot be opened
        // to be synced. The copy is in place and its data is on the device:
        // calling it failed would tell the user to look for a fault that
        // is not there.
        qInfo() << "cannot open" << folder << "to sync it:" << std::strerror(errno) << "["
                << Q_FUNC_INFO << __LINE__ << "]";
        return QString();
    }
    QString error;
    // Some file systems cannot sync a folder (EINVAL): their rename is as
    // safe as it gets.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        error = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return error;
}

bool KVVerifiedCopy::targetTaken(const QString &target)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(target).constData(), &st) == 0;
}
