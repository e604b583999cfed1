// korvid-bench scan-card DIR N: writes N recordings (front and rear files
// holding only a movie header of 60 s, the four types in turn, in one
// folder per type as a card has them) for the scan benchmark.

#include "kv_bench_commands.h"
#include "kv_fixture_files.h"

#include <QCoreApplication>

#include <cstdio>

int kvBenchScanCard(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int count = args.size() == 3 ? args.at(2).toInt(&ok) : 0;
    if (!ok || count < 1) {
        std::fputs("usage: korvid-bench scan-card DIR N\n", stderr);
        return 2;
    }
    const int files = KVFixture::writeCard(args.at(1), count);
    std::printf("{\"files\":%d}\n", files);
    return files == 2 * count ? 0 : 1;
}
