#include "kv_fuzz_mov_entry.h"

#include "data/kv_format_mov.h"
#include "data/kv_sensor_data.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

int kvFuzzMovInput(const uint8_t *data, size_t size)
{
    // fmemopen wants a writable buffer (one byte more keeps it valid when
    // the input is empty).
    std::vector<char> bytes(data, data + size);
    bytes.push_back(0);
    std::unique_ptr<FILE, int (*)(FILE *)> stream(fmemopen(bytes.data(), size, "rb"), fclose);
    if (!stream)
        return 0;
    FILE *file = stream.get();

    MOVDurationResult duration;
    const bool found = MOVFormat::readDuration(file, &duration);
    if (found != (duration.found == 1))
        return 1;

    MOVFormat reader(file, MOVFormat::MODE_SENSOR);
    // Every sample comes from a text of the file: 41 entries and 2
    // positions per text of at least 41 bytes (commas alone).
    const size_t texts = size / 41;
    if (reader.samples().size() > texts * 41 || reader.positions().size() > texts * 2)
        return 2;

    KVSensorData sensor = KVSensorData::build(reader.takePositions(), reader.takeSamples());
    for (const KVGSensorSample &s : sensor.samples()) {
        if (!(s.x >= -1.0f && s.x <= 1.0f && s.y >= -1.0f && s.y <= 1.0f && s.z >= -1.0f
                && s.z <= 1.0f))
            return 3;
    }
    if (sensor.hasPosition()
        && std::none_of(sensor.positions().begin(), sensor.positions().end(),
            [](const KVGpsRecord &r) { return r.fix == 1; }))
        return 4;

    const quint32 ms = std::min(duration.durationMs, kKvFuzzMaxFitMs);
    const bool hadSamples = sensor.sampleCount() > 0;
    sensor.fitToDuration(ms);
    const quint32 seconds = ms / 1000;
    if (sensor.hasPosition() && sensor.positionCount() != seconds)
        return 5;
    if (hadSamples && sensor.sampleCount() != 20 * seconds)
        return 6;
    return 0;
}
