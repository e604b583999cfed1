#include "kv_file_replace.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
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
    // Another file system: the copy is completed beside the target first,
    // under a name of its own (never a file the user has there).
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, in.errorString());
        return false;
    }
    const QFileInfo target(to);
    QTemporaryFile out(target.absolutePath() + QStringLiteral("/.") + target.fileName()
        + QStringLiteral(".XXXXXX.part"));
    if (!out.open()) {
        setError(error, QStringLiteral("cannot write in ") + target.absolutePath());
        return false;
    }
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError) {
                setError(error, in.errorString());
                return false;
            }
            break;
        }
        if (out.write(chunk) != chunk.size()) {
            setError(error, out.errorString());
            return false;
        }
    }
    if (!out.flush() || ::fsync(out.handle()) != 0 || out.size() != in.size()) {
        setError(error, QStringLiteral("cannot write ") + to);
        return false;
    }
    out.setPermissions(in.permissions());
    std::filesystem::rename(fsPath(out.fileName()), fsPath(to), ec);
    if (ec) {
        setError(error, QString::fromStdString(ec.message()));
        return false;
    }
    out.setAutoRemove(false);
    QFile::setPermissions(from, QFile::permissions(from) | QFileDevice::WriteOwner);
    QFile::remove(from);
    return true;
}

} // namespace KVFileReplace
