#pragma once
// The demo card's content without any media: which recordings the card
// holds (type, start, cameras), a simulated drive through central Tokyo
// sampled at the recorder's 20 Hz, and the recorder's sensor text for each
// two-second subtitle sample.
//
// Sensor text of one subtitle sample: 40 entries, each "f0/f1/f2/f3/f4/f5/f6/f7,"
//   f0 date-time of the entry's second, "yyyyMMddHHmmss"
//   f1 fix, "1" or "0"
//   f2 longitude, f3 latitude: decimal degrees, 6 decimals ("0.000000" without fix)
//   f4 speed, whole km/h
//   f5 z, f6 x, f7 y: acceleration code as two upper-case hex digits
// Acceleration code of v g: n = round(v / 0.0625), clamped to -223..31,
// written as n when n >= 0 and as 255 + n when negative (the recorder's
// encoding; readers subtract 255 from codes above 31).
// Axes: x longitudinal (+ speeding up), y lateral (+ turning left), z vertical
// with gravity removed (road noise around 0 g).
//
// Thread-safe: pure functions and value types.

#include <QDateTime>
#include <QString>

#include <string>
#include <vector>

namespace kvmk
{

enum class RecordingType { Norm, Even, Manu, Park };

// "NORM", "EVEN", "MANU", "PARK".
const char *typeWord(RecordingType type);

constexpr int kSamplesPerSecond = 20;
constexpr int kEntriesPerText = 40; // one text sample covers 2 s
constexpr int kSecondsPerText = kEntriesPerText / kSamplesPerSecond;
constexpr double kAccelStep = 0.0625; // g per code step
constexpr double kStartLatitude = 35.6585;
constexpr double kStartLongitude = 139.7453;
constexpr double kHardBrakeG = -0.9;
constexpr double kHardBrakeSeconds = 0.5;
constexpr double kNoFixSeconds = 2.0; // the card starts without a fix

struct Recording {
    RecordingType type = RecordingType::Norm;
    QDateTime start;
    bool hasRear = true;
    int firstSecond = 0; // offset of its start from the card's start
};

// Card of `count` (>= 4) recordings of `seconds` each, back to back from
// `start`. Every type appears; the MANU recording has a front file only.
std::vector<Recording> planCard(int count, int seconds, const QDateTime &start);

// The type order: for 4..7 recordings one each of EVEN, MANU, PARK spread
// among NORM; from 8 on the block NORM NORM EVEN NORM MANU NORM PARK NORM
// repeats.
std::vector<RecordingType> recordingTypes(int count);

// File name of one camera's file, e.g. "NORM201221-102047F.mp4".
QString fileName(const Recording &recording, bool rear);

struct DriveSample {
    double latitude = 0.0;
    double longitude = 0.0;
    double speedKmh = 0.0;
    bool fix = false;
    double x = 0.0; // g
    double y = 0.0;
    double z = 0.0;
};

// Simulates the whole card's drive, 20 samples per second, at least
// `seconds` long (rounded up to whole text samples): stops at lights, turns
// at crossings, a hard braking at the middle of every EVEN recording and the
// car standing still through every PARK recording. Deterministic.
std::vector<DriveSample> simulateDrive(
    const std::vector<Recording> &recordings, int secondsPerRecording);

// The recorder's acceleration code for v g (see the header comment).
int accelCode(double g);
// What a reader makes of a code: codes above 31 minus 255, times 0.0625.
double accelFromCode(int code);

// Sensor text of the subtitle sample that starts at drive sample `first`
// (40 entries; samples past the end repeat the last one). `cardStart` is the
// date-time of drive sample 0.
std::string sensorText(
    const std::vector<DriveSample> &drive, size_t first, const QDateTime &cardStart);

} // namespace kvmk
