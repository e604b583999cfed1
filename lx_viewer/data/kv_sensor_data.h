#pragma once
// KVSensorData: the sensor data of one recording, built from the raw arrays of
// the sensor track and fitted to the recording's whole seconds: one position
// record per second (only when at least one record has a valid fix) and twenty
// acceleration samples per second, each axis clamped to -1.0 .. +1.0 g.
// Position i belongs to second i, sample j to the slot j/20 s.
//
// Thread: built on the GUI thread when the player loads a recording; read-only
// afterwards (the displays borrow it between PLAY_LOADED and PLAY_STOPPED).

#include "kv_format_mov.h"

#include <QString>

#include <cstdio>
#include <vector>

class KVSensorData
{
public:
    KVSensorData() = default;

    // The build step: clamps the samples; keeps the positions only when at
    // least one has fix 1 (the samples stay either way).
    static KVSensorData build(
        std::vector<KVGpsRecord> positions, std::vector<KVGSensorSample> samples);
    // Reads the sensor track of an open MP4/MOV file and builds.
    static KVSensorData readFile(FILE *file);

    // Grows with zero records or cuts to duration / 1000 whole seconds of
    // positions and 20 per second of samples; empty arrays stay empty. Under
    // one whole second no positions remain and hasPosition() turns false.
    // Durations beyond a day are fitted to one day.
    void fitToDuration(quint32 durationMs);
    static constexpr quint32 kMaxFitSeconds = 24 * 3600;
    // The slot of one position record and of one acceleration sample.
    static constexpr qint64 kPositionPeriodMs = 1000;
    static constexpr qint64 kSamplePeriodMs = 50;

    bool hasPosition() const { return _hasPosition; }
    quint32 positionCount() const { return static_cast<quint32>(_positions.size()); }
    quint32 sampleCount() const { return static_cast<quint32>(_samples.size()); }
    const std::vector<KVGpsRecord> &positions() const { return _positions; }
    const std::vector<KVGSensorSample> &samples() const { return _samples; }

private:
    bool _hasPosition = false;
    std::vector<KVGpsRecord> _positions;
    std::vector<KVGSensorSample> _samples;
};
