#pragma once
// Process measures for the playback benchmarks: CPU time, peak memory, the
// CPU time of a reference FFmpeg decode, and a small option parser.
//
// Thread: any; the functions keep no state.

#include <QHash>
#include <QString>
#include <QStringList>

namespace KVBench
{

// User + system CPU seconds of this process so far (all threads).
double cpuSeconds();
// Peak resident set (VmHWM of /proc/self/status) in MB; -1 when unreadable.
double maxRssMb();

// CPU seconds (user + system) of `ffmpeg -threads 1 -t SECONDS -i FILE -an
// -f null -`, run as a child process and waited for; -1 on failure (why
// says what failed).
double ffmpegDecodeCpuSeconds(const QString &file, double seconds, QString *why);
// The same decoding paced to real time (`-re`), all files at once as the
// dual player plays them: the summed CPU seconds of the children, -1 on
// failure.
double ffmpegPacedCpuSeconds(const QStringList &files, double seconds, QString *why);

// Command line of a subcommand: positional arguments and "--name value"
// options (names listed in withValue) or "--name" flags.
struct Args {
    QStringList positional;
    QHash<QString, QString> values;
    QStringList flags;

    // false with why set on an unknown option or a missing value.
    bool parse(const QStringList &args, const QStringList &withValue, const QStringList &flagNames,
        QString *why);
    double number(const QString &name, double fallback, bool *ok) const;
    bool has(const QString &flag) const { return flags.contains(flag); }
};

// A percentile (0..100) of values by nearest rank; 0 for an empty list.
double percentile(QList<double> values, double p);
// The median (the mean of the middle two for an even count); 0 for an empty list.
double median(QList<double> values);

} // namespace KVBench
