#pragma once
// MOVFormat: a small MP4/MOV atom reader for the recorder's files. It does two
// jobs on an already opened file (plain C stream, not owned): the movie
// duration from the movie header, and the sensor subtitle track (sample entry
// "tx3g") parsed into position records and 20 Hz acceleration samples.
//
// Thread: any; one reader object per job, never shared. The duration job runs
// on the catalogue's loader thread, the sensor job on the GUI thread.

#include <QtGlobal>

#include <cstdio>
#include <vector>

// One position record per second of recording.
struct KVGpsRecord
{
    quint16 year = 0;
    quint8 month = 0;
    quint8 day = 0;
    quint8 hour = 0;
    quint8 minute = 0;
    quint8 second = 0;
    double latitude = 0.0;  // decimal degrees
    double longitude = 0.0; // decimal degrees
    double speed = 0.0;     // the recorder's whole number (km/h)
    quint8 fix = 0;         // 1 when the recorder marked the position valid
};

// One acceleration sample, in g; twenty per second.
struct KVGSensorSample
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The caller-owned result of the duration job.
struct MOVDurationResult
{
    quint8 found = 0;       // 1 when a movie header was read
    quint32 durationMs = 0; // 0 when the header has no usable time scale
};

class MOVFormat
{
public:
    enum Mode { MODE_SENSOR = 0, MODE_DURATION = 1 };

    // Runs the job at once: MODE_DURATION fills *duration (does nothing
    // without it), MODE_SENSOR reads the sensor track; other modes do nothing.
    MOVFormat(FILE *file, int mode, MOVDurationResult *duration = nullptr);
    ~MOVFormat();
    MOVFormat(const MOVFormat &) = delete;
    MOVFormat &operator=(const MOVFormat &) = delete;

    // One-shot duration job; true when the movie header was found.
    static bool readDuration(FILE *file, MOVDurationResult *duration);

    // Whether the job found what it looked for (movie header, text track).
    bool succeeded() const { return _succeeded; }

    // Raw results of the sensor job, in file order.
    const std::vector<KVGpsRecord> &positions() const { return _positions; }
    const std::vector<KVGSensorSample> &samples() const { return _samples; }
    std::vector<KVGpsRecord> takePositions() { return std::move(_positions); }
    std::vector<KVGSensorSample> takeSamples() { return std::move(_samples); }

    // Parses one text sample of the sensor format (41 comma parts of 8
    // "/"-separated fields) into the raw arrays. Public for tests.
    void processSubtitle(const char *text, size_t length);

private:
    bool readDurationJob(MOVDurationResult *duration);
    bool readSubtitleTrack();

    FILE *_file = nullptr;
    bool _succeeded = false;
    std::vector<KVGpsRecord> _positions;
    std::vector<KVGSensorSample> _samples;
};
