#include "kv_sensor_data.h"

#include <algorithm>

namespace
{

float clampG(float value)
{
    return std::clamp(value, -1.0f, 1.0f);
}

} // namespace

KVSensorData KVSensorData::build(
    std::vector<KVGpsRecord> positions, std::vector<KVGSensorSample> samples)
{
    KVSensorData data;
    // Without any position record there is no data at all.
    if (positions.empty())
        return data;
    const bool anyFix = std::any_of(positions.begin(), positions.end(),
        [](const KVGpsRecord &record) { return record.fix == 1; });
    for (KVGSensorSample &sample : samples) {
        sample.x = clampG(sample.x);
        sample.y = clampG(sample.y);
        sample.z = clampG(sample.z);
    }
    data._samples = std::move(samples);
    // Positions without a single valid fix are dropped; the samples stay.
    if (anyFix) {
        data._hasPosition = true;
        data._positions = std::move(positions);
    }
    return data;
}

KVSensorData KVSensorData::readFile(FILE *file)
{
    MOVFormat reader(file, MOVFormat::MODE_SENSOR);
    return build(reader.takePositions(), reader.takeSamples());
}

void KVSensorData::fitToDuration(quint32 durationMs)
{
    // A damaged movie header can claim weeks; the recorder never writes a
    // file longer than a day, and padding weeks of zero records would take
    // gigabytes for nothing.
    const size_t seconds = std::min<size_t>(durationMs / 1000, kMaxFitSeconds);
    if (_hasPosition && !_positions.empty())
        _positions.resize(seconds);
    // A recording shorter than a second keeps no positions: nothing may
    // claim to have a position it cannot index.
    if (_positions.empty())
        _hasPosition = false;
    if (!_samples.empty())
        _samples.resize(20 * seconds);
}
