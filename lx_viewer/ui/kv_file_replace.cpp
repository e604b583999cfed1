#include "kv_file_replace.h"

#include "data/kv_verified_copy.h"

#include <QFile>
#include <QtDebug>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace
{
std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

void syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
} // namespace

namespace KVFileReplace
{

bool move(const QString &from, const QString &to, QString *error)
{
    if (from.isEmpty() || to.isEmpty() || !QFile::exists(from)) {
        setError(error, QStringLiteral("no file to move: ") + from);
        return false;
    }
    // The finished file is on the disk before it takes the final name, so
    // a power cut or a pulled stick cannot leave a cut file under it.
    syncFile(from);
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    if (!ec)
        return true;
    if (ec != std::errc::cross_device_link) {
        setError(error, QString::fromStdString(ec.message()));
        qInfo() << "move failed" << from << to << ec.message().c_str() << "["
                << "KVFileReplace::move" << __LINE__ << "]";
        return false;
    }
    // Another file system: a checked copy under a temporary name of its own
    // beside the target (never a file the user has there) takes the name.
    const KVVerifiedCopy::Result copied = KVVerifiedCopy::copy(from, to, true);
    if (!copied.ok()) {
        setError(error, copied.detail);
        return false;
    }
    QFile::setPermissions(from, QFile::permissions(from) | QFileDevice::WriteOwner);
    // The file is in place; a source that cannot go stays behind, which the
    // log says (the move itself succeeded).
    if (!QFile::remove(from))
        qWarning() << "moved, but the original could not be removed:" << from << "["
                   << "KVFileReplace::move" << __LINE__ << "]";
    return true;
}

} // namespace KVFileReplace
