#pragma once
// Recording files for the catalogue, backup and probe tests: the smallest MP4
// that has a duration (ftyp + moov/mvhd), real clips made by the ffmpeg
// program with an optional sensor subtitle track, and folder trees of them.

#include <QByteArray>
#include <QString>

namespace KVFixture
{

// ftyp + moov holding only a version-0 movie header of the given length.
QByteArray tinyMp4(quint32 durationMs, quint32 timeScale = 1000);
// Writes tinyMp4 to path (folders created); true on success.
bool writeTinyMp4(const QString &path, quint32 durationMs, quint32 timeScale = 1000);

// One sensor text sample of the recorder: 40 entries of 8 "/" fields, each
// followed by a comma (two seconds: two positions and 40 samples).
QString sensorText(double latitude, double longitude, int speed, bool fix);
// A real H.264 clip of the given length made by the ffmpeg program, with a
// sensor subtitle track (one sensorText cue per two seconds) when withSensor.
// Returns an empty text on success, else ffmpeg's complaint.
QString makeClip(const QString &path, int durationMs, bool withSensor);

// Writes count recordings (front and rear tiny MP4 files of 60 s, types in
// turn) into folder, spread over a few sub-folders as a card has them.
// Returns the number of files written.
int writeCard(const QString &folder, int recordings);

} // namespace KVFixture
