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
