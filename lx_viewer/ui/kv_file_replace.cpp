#include "kv_file_replace.h"

#include <QFile>
#include <QtDebug>

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
} // namespace

namespace KVFileReplace
{

bool move(const QString &from, const QString &to, QString *error)
{
    if (from.isEmpty() || to.isEmpty() || !QFile::exists(from)) {
        setError(error, QStringLiteral("no file to move: ") + from);
        return false;
    }
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
    // Another file system: the copy is completed beside the target first.
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(from, part)) {
        QFile::remove(part);
        setError(error, QStringLiteral("cannot write ") + part);
        return false;
    }
    std::filesystem::rename(fsPath(part), fsPath(to), ec);
    if (ec) {
        QFile::remove(part);
        setError(error, QString::fromStdString(ec.message()));
        return false;
    }
    QFile::setPermissions(from, QFile::permissions(from) | QFileDevice::WriteOwner);
    QFile::remove(from);
    return true;
}

} // namespace KVFileReplace
