#include "kv_test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace KVTest
{

QString tempRoot()
{
    const QString root = qEnvironmentVariable("KV_TEST_TMP");
    return root.isEmpty() ? QDir::tempPath() : root;
}

QString makeTempDir(const QString &prefix)
{
    QTemporaryDir dir(tempRoot() + QLatin1Char('/') + prefix + QStringLiteral("-XXXXXX"));
    dir.setAutoRemove(false);
    return dir.path();
}

QString builtProgram(const QString &name)
{
    return QStringLiteral(KV_BINARY_DIR "/bin/") + name;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace KVTest
