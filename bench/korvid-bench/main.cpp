// korvid-bench SUBCOMMAND ARGS...: measurements of the viewer's code that do
// not belong in the tests. Prints one JSON line per measurement.

#include "kv_bench_commands.h"

#include <cstdio>
#include <cstring>

namespace
{

struct Command {
    const char *name;
    int (*run)(int argc, char **argv);
    const char *usage;
};

const Command kCommands[] = {
    {"scan", kvBenchScan, "scan DIR          catalogue build of DIR: files, seconds, files_per_s"},
    {"scan-card", kvBenchScanCard,
        "scan-card DIR N   writes N tiny recordings (front and rear) into DIR"},
    {"playback", kvBenchPlayback,
        "playback FRONT REAR [--seconds N] [--speed S] [--renderer null|widget] "
        "[--compare-ffmpeg] [--sound]\n"
        "                    two players on one clock: CPU, memory, skew between them"},
    {"seek", kvBenchSeek,
        "seek FRONT REAR --count N [--seed S] [--playing]\n"
        "                    exact seeks of both players: p50_ms, p95_ms, max_ms"},
    {"sync", kvBenchSync,
        "sync FRONT REAR [--seconds N] [--speed S] [--cycles K] [--seed X]\n"
        "                    frames within one while playing, identical after pauses and seeks"},
    {"decode", kvBenchDecode,
        "decode FILE... [--seconds N] [--burst B] [--hold H] [--fps F]\n"
        "                    decoding alone (no player), flat out or paced in bursts: cpu_s"},
};

int usage()
{
    std::fputs("usage: korvid-bench SUBCOMMAND ARGS...\n", stderr);
    for (const Command &command : kCommands)
        std::fprintf(stderr, "  korvid-bench %s\n", command.usage);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    for (const Command &command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "korvid-bench: unknown subcommand %s\n", argv[1]);
    return usage();
}
