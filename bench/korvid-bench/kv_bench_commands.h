#pragma once
// The subcommands of korvid-bench. Each runs with the program's arguments
// from the subcommand's name on (argv[0] is the subcommand), creates the
// application object it needs, prints its result as one JSON line on stdout
// and returns the exit status (2 for a usage error).
//
// Adding one: write kv_bench_<name>.cpp with its function, declare it here
// and add a row to the table in main.cpp.

int kvBenchScan(int argc, char **argv);
int kvBenchScanCard(int argc, char **argv);
// Two players on one clock (kv_bench_pair.h): playback cost and sync,
// exact seek times, sync through pauses and seeks.
int kvBenchPlayback(int argc, char **argv);
int kvBenchSeek(int argc, char **argv);
int kvBenchSync(int argc, char **argv);
// Decoding alone in a chosen pattern (flat out, paced in bursts, frames
// held), to set the playback figures against.
int kvBenchDecode(int argc, char **argv);
