#include "kv_file_opener.h"

#include <QMetaObject>
#include <QPointer>
#include <QProcess>
#include <QtDebug>

namespace
{
QString &programOverride()
{
    static QString program;
    return program;
}

QString program()
{
    return programOverride().isEmpty() ? QStringLiteral("xdg-open") : programOverride();
}
} // namespace

namespace KVFileOpener
{

void setProgramForTests(const QString &program)
{
    programOverride() = program;
}

void open(const QString &path, QObject *context, const std::function<void(bool opened)> &done)
{
    // Not owned by the window: a handler still running when the viewer
    // closes is left alone (the opened program may be waiting on it).
    auto *process = new QProcess();
    // Its output and that of the program it starts go where the viewer's
    // go: a pipe of ours would be gone while that program still writes.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QPointer<QObject> guard(context);
    // Reported from the event loop, so done may open a modal pop-up without
    // running inside the process's signal.
    auto report = [guard, done](bool opened) {
        if (!guard)
            return;
        QMetaObject::invokeMethod(
            guard.data(),
            [guard, done, opened] {
                if (guard)
                    done(opened);
            },
            Qt::QueuedConnection);
    };
    QObject::connect(process, &QProcess::errorOccurred, process,
        [process, path, report](QProcess::ProcessError error) {
            // A crash or a lost pipe still ends in finished().
            if (error != QProcess::FailedToStart)
                return;
            qInfo() << "opener did not start" << process->program() << path
                    << process->errorString() << "[" << Q_FUNC_INFO << __LINE__ << "]";
            process->deleteLater();
            report(false);
        });
    QObject::connect(process, &QProcess::finished, process,
        [process, path, report](int exitCode, QProcess::ExitStatus status) {
            const bool opened = status == QProcess::NormalExit && exitCode == 0;
            if (!opened)
                qInfo() << "opener failed" << process->program() << path << "status" << exitCode
                        << (status == QProcess::CrashExit ? "crashed" : "") << "[" << Q_FUNC_INFO
                        << __LINE__ << "]";
            process->deleteLater();
            report(opened);
        });
    process->start(program(), {path});
}

} // namespace KVFileOpener
