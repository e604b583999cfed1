#include "kv_bench_measure.h"

#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <vector>

namespace KVBench
{

namespace
{

double seconds(const timeval &tv)
{
    return double(tv.tv_sec) + double(tv.tv_usec) / 1e6;
}

} // namespace

double cpuSeconds()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double maxRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2)
                return parts.at(1).toDouble() / 1024.0; // kB
        }
    }
    return -1;
}

namespace
{

// Starts `ffmpeg [-re] -threads 1 -t SECONDS -i FILE -an -f null -` as a
// child process; its pid, or -1 (why says what failed).
pid_t startFfmpeg(const QString &file, double secondsToDecode, bool paced, QString *why)
{
    const QByteArray path = file.toLocal8Bit();
    const QByteArray length = QByteArray::number(secondsToDecode, 'f', 3);
    std::vector<const char *> argv = {"ffmpeg", "-nostdin", "-v", "error"};
    if (paced)
        argv.push_back("-re");
    for (const char *a : {"-threads", "1", "-t", length.constData(), "-i", path.constData(), "-an",
             "-f", "null", "-"})
        argv.push_back(a);
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        *why = QStringLiteral("fork: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDOUT_FILENO);
        execvp("ffmpeg", const_cast<char *const *>(argv.data()));
        _exit(127);
    }
    return pid;
}

// Waits for a child started by startFfmpeg; its CPU seconds, or -1.
double waitFfmpeg(pid_t pid, const QString &file, QString *why)
{
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            *why = QStringLiteral("wait4: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return -1;
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *why = QStringLiteral("ffmpeg failed on %1 (status %2)").arg(file).arg(status);
        return -1;
    }
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

double ffmpegDecodeCpuSeconds(const QString &file, double secondsToDecode, QString *why)
{
    const pid_t pid = startFfmpeg(file, secondsToDecode, false, why);
    return pid < 0 ? -1 : waitFfmpeg(pid, file, why);
}

double ffmpegPacedCpuSeconds(const QStringList &files, double secondsToDecode, QString *why)
{
    std::vector<pid_t> pids;
    for (const QString &file : files) {
        const pid_t pid = startFfmpeg(file, secondsToDecode, true, why);
        if (pid < 0)
            break;
        pids.push_back(pid);
    }
    double total = pids.size() == size_t(files.size()) ? 0 : -1;
    for (size_t i = 0; i < pids.size(); ++i) {
        const double cpu = waitFfmpeg(pids[i], files.at(qsizetype(i)), why);
        total = cpu < 0 || total < 0 ? -1 : total + cpu;
    }
    return total;
}

bool Args::parse(const QStringList &args, const QStringList &withValue,
    const QStringList &flagNames, QString *why)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!a.startsWith(QStringLiteral("--"))) {
            positional << a;
            continue;
        }
        const QString name = a.mid(2);
        if (flagNames.contains(name)) {
            flags << name;
        } else if (withValue.contains(name)) {
            if (i + 1 >= args.size()) {
                *why = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            values.insert(name, args.at(++i));
        } else {
            *why = QStringLiteral("unknown option %1").arg(a);
            return false;
        }
    }
    return true;
}

double Args::number(const QString &name, double fallback, bool *ok) const
{
    if (!values.contains(name))
        return fallback;
    bool good = false;
    const double v = values.value(name).toDouble(&good);
    if (!good || !std::isfinite(v))
        *ok = false;
    return good ? v : fallback;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype rank = qsizetype(std::ceil(p / 100.0 * double(values.size())));
    return values.at(std::clamp<qsizetype>(rank - 1, 0, values.size() - 1));
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

} // namespace KVBench
