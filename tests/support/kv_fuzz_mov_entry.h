#pragma once
// The reader's fuzz entry: runs the duration job and the sensor job of
// MOVFormat on arbitrary bytes (through an in-memory stream), builds the
// sensor data and fits it to the duration read. Shared by the libFuzzer
// target (tools/korvid-fuzz-mov) and the smoke test that runs under the
// normal build.
//
// Thread: any; no shared state.

#include <cstddef>
#include <cstdint>

// Longest duration the fit is tried with: the fit allocates by duration, not
// by file size, so the fuzz run keeps it to two hours of recording.
constexpr uint32_t kKvFuzzMaxFitMs = 2 * 3600 * 1000;

// Returns 0 when every invariant held, otherwise a number naming the first
// that failed (the libFuzzer target traps on it).
int kvFuzzMovInput(const uint8_t *data, size_t size);
