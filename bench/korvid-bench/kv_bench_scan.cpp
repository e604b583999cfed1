// korvid-bench scan DIR: one catalogue build of DIR (scan, movie headers,
// joining, sort), run synchronously through the same code as the viewer's
// loader. Prints {"files","seconds","files_per_s"}.

#include "data/kv_video_file_list.h"
#include "kv_bench_commands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

int kvBenchScan(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fputs("usage: korvid-bench scan DIR\n", stderr);
        return 2;
    }
    const QString folder = args.at(1);
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "korvid-bench scan: %s is not a folder\n", qPrintable(folder));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const int files = KVVideoFileList::instance()->buildFolderNow(folder);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("{\"files\":%d,\"seconds\":%.6f,\"files_per_s\":%.1f}\n", files, seconds,
        seconds > 0 ? files / seconds : 0.0);
    return 0;
}
