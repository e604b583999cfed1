#pragma once
// Recordings with chosen sensor records for the sensor display tests: a
// byte-built MP4 (KVMp4Builder) whose sensor track holds, for every second,
// the position record and the twenty samples a function returns, read back
// into a recording item the way the player does (loadSensorInfo).

#include "data/kv_video_file_list_builder.h"
#include "kv_mp4_builder.h"

#include <functional>

namespace KVSensorFixture
{

// Entry for (second, slot 0..19); the position fields of slot 0 make the
// second's record.
using EntryFn = std::function<KVSensorEntry(int second, int slot)>;

// Writes <folder>/<name>.mp4 with `seconds` (rounded up to even) of those
// entries, `durationMs` long (0: the whole seconds), and returns its item
// with the sensor data loaded, or a null reference when the file cannot be
// written or read.
KVVideoItemRef makeRecording(const QString &folder, const QString &name, int seconds,
    const EntryFn &entry, int durationMs = 0);

// One position per second from a list (fix "1" unless the entry says so),
// samples as the entries give them.
KVVideoItemRef makeTrack(
    const QString &folder, const QString &name, const QList<KVSensorEntry> &seconds);

} // namespace KVSensorFixture
